#pragma once
// An editor stand-in that records what the toolbar, ruler and paragraph dialog send it.
#include <vector>

#include "richtext/toolbar/wp_editor_link.h"

namespace inkwend {

class TFakeEditor : public TWPEditorLink {
 public:
  struct TIndentCall {
    int Marker;
    bool Changing;
    int First, Left, Right;
  };
  std::vector<TWPToolCommand> Commands;
  std::vector<TIndentCall> Indents;
  std::vector<std::pair<uint64_t, TWPRulerFormat>> TabCalls;
  std::vector<std::vector<int>> SpacingCalls;  // before, line, after
  std::vector<std::vector<int>> IndentCalls;   // first, left, right
  std::vector<char> CallOrder;                 // 's' spacing, 'i' indents
  TWPParagraphValues Paragraph;
  QStringList Styles;
  int Focused = 0;

  void ToolbarCommand(const TWPToolCommand& command) override { Commands.push_back(command); }
  void FocusEditor() override { ++Focused; }
  QStringList StyleNames() const override { return Styles; }
  void RulerIndents(int marker, bool changing, int first, int left, int right) override {
    Indents.push_back({marker, changing, first, left, right});
  }
  void RulerTabs(uint64_t changed, const TWPRulerFormat& format) override {
    TabCalls.emplace_back(changed, format);
  }
  TWPParagraphValues CurrentParagraph() const override { return Paragraph; }
  void SetParSpacing(int before, int line_spacing, int after) override {
    SpacingCalls.push_back({before, line_spacing, after});
    CallOrder.push_back('s');
  }
  void SetParIndents(int first, int left, int right) override {
    IndentCalls.push_back({first, left, right});
    CallOrder.push_back('i');
  }
};

}  // namespace inkwend
