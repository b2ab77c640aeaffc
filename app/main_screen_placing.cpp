// The main window's page placed before the window first shows.
#include <QCoreApplication>
#include <QResizeEvent>

#include "app/main_screen.h"
#include "controls/ring_panel.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

void MainScreen::PlaceEditorBeforeShowing() {
  if (isVisible()) return;
  // A hidden window's layouts wait for the first show, and so would the editor's size: an entry
  // read before then was wrapped to the editor's initial hundred pixels, and wrapped again at
  // the real width once the window showed. The page spans the window's width (the column that
  // holds it has no margins), which is all the editor's width depends on; the layouts are left
  // to place everything at the show, with the same width.
  pagePanel_->resize(width(), height());
  LayoutPage();
  // The entry is laid out beside a vertical scroll bar: one that needs none is short and cheap
  // to lay out again without it once the window shows, while a long one keeps the bar and its
  // lines.
  entryEditor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The editor learns its size now, as showing would tell it: the scroll area places its view
  // and bars, then the view's size reaches the editor's layout. The same sizes told again at
  // the show lay nothing out.
  QResizeEvent placed(entryEditor_->size(), QSize());
  QCoreApplication::sendEvent(entryEditor_, &placed);
  QWidget* view = entryEditor_->viewport();
  QResizeEvent view_placed(view->size(), QSize());
  QCoreApplication::sendEvent(view, &view_placed);
}

void MainScreen::EditorPlaced() { entryEditor_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded); }

}  // namespace inkwend
