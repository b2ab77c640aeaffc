#pragma once
// What the editor's Qt tests share: an editor shown with the focus, and its text at a glance.
#include <QString>
#include <QtTest>
#include <memory>

#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

// The paragraphs' text joined by '|', a tab shown as "\t".
inline QString DumpParagraphs(const WPRichText& w) {
  QString out;
  for (Paragraph* p = w.Memo().Document().FirstParagraph(); p; p = p->next) {
    if (p != w.Memo().Document().FirstParagraph()) out += '|';
    for (char32_t c : p->Text()) out += c == kCharTab ? QStringLiteral("\\t") : QString::fromUcs4(&c, 1);
  }
  return out;
}

// A new, empty editor of the given size on screen with the focus, its messages silenced.
// False when the window never became visible.
inline bool ShowEmptyEditor(std::unique_ptr<WPRichText>& w, QSize size) {
  w = std::make_unique<WPRichText>();
  w->resize(size);
  w->onMessage = [](WPRichText&, const QString&) {};
  w->Clear();
  w->show();
  if (!QTest::qWaitForWindowExposed(w.get())) return false;
  w->setFocus();
  return true;
}

}  // namespace inkwend
