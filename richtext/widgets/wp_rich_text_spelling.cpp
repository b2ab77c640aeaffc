// The editor's spelling hooks: the per-word event of the layout and the right-click menu.
#include <QContextMenuEvent>
#include <QMenu>

#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

void WPRichText::SetOnSpellCheckWord(SpellCheckWordEvent handler) {
  onSpellCheckWord_ = std::move(handler);
  TextLayout& layout = doc_->Layout();
  if (onSpellCheckWord_) {
    layout.onWord = [this](TextLayout&, std::u32string_view word, std::array<int, 8>& offsets,
                           uint8_t& flags) { onSpellCheckWord_(*this, word, offsets, flags); };
    layout.RecheckWords();
  } else {
    layout.onWord = nullptr;
    layout.ClearWordMarks();
  }
  Refresh();
}

void WPRichText::RecheckWords(Paragraph* only) {
  if (!onSpellCheckWord_) return;
  doc_->Layout().RecheckWords(only);
  Refresh();
}

void WPRichText::contextMenuEvent(QContextMenuEvent* e) {
  if (contextMenu_) contextMenu_->close();  // deleted later
  contextMenu_ = nullptr;
  if (!onContextMenu) return;
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("SpellingMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  onContextMenu(*this, *menu, e->pos());
  if (menu->isEmpty()) {
    delete menu;
    return;
  }
  contextMenu_ = menu;
  menu->popup(e->globalPos());
  e->accept();
}

}  // namespace inkwend
