#pragma once
// An editor stand-in that records what the toolbar, ruler and paragraph dialog send it.
#include <vector>

#include "richtext/toolbar/wp_editor_link.h"

namespace inkwend {

class FakeEditor : public WPEditorLink {
 public:
  struct IndentCall {
    int marker;
    bool changing;
    int first, left, right;
  };
  std::vector<WPToolCommand> commands;
  std::vector<IndentCall> indents;
  std::vector<std::pair<uint64_t, WPRulerFormat>> tabCalls;
  std::vector<std::vector<int>> spacingCalls;  // before, line, after
  std::vector<std::vector<int>> indentCalls;   // first, left, right
  std::vector<char> callOrder;                 // 's' spacing, 'i' indents
  WPParagraphValues paragraph;
  QStringList styles;
  int focused = 0;

  void ToolbarCommand(const WPToolCommand& command) override { commands.push_back(command); }
  void FocusEditor() override { ++focused; }
  QStringList StyleNames() const override { return styles; }
  void RulerIndents(int marker, bool changing, int first, int left, int right) override {
    indents.push_back({marker, changing, first, left, right});
  }
  void RulerTabs(uint64_t changed, const WPRulerFormat& format) override {
    tabCalls.emplace_back(changed, format);
  }
  WPParagraphValues CurrentParagraph() const override { return paragraph; }
  void SetParSpacing(int before, int line_spacing, int after) override {
    spacingCalls.push_back({before, line_spacing, after});
    callOrder.push_back('s');
  }
  void SetParIndents(int first, int left, int right) override {
    indentCalls.push_back({first, left, right});
    callOrder.push_back('i');
  }
};

}  // namespace inkwend
