// Controls linked to the editor from outside: a status bar and a status label that say what the
// editor is doing, and scroll bars placed elsewhere in the window that follow the view and move
// it (positions 0..1000 whatever the length of the text).
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>

#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

constexpr int kExternRange = 1000;

int ToExtern(int value, int maximum) {
  return maximum <= 0 ? 0 : static_cast<int>(int64_t{value} * kExternRange / maximum);
}

int FromExtern(int value, int maximum) {
  return static_cast<int>((int64_t{value} * maximum + kExternRange / 2) / kExternRange);
}

}  // namespace

void WPRichText::SetStatusBar(QStatusBar* bar) {
  statusBar_ = bar;
  ShowStatus(WPMessage::Ready);
}

void WPRichText::SetStatusLabel(QLabel* label) {
  statusLabel_ = label;
  ShowStatus(WPMessage::Ready);
}

QString WPRichText::StatusText(WPMessage message) const {
  return QString::fromUtf8(WPMessageText(message, doc_->Language()));
}

void WPRichText::ShowStatus(WPMessage message) {
  if (!statusBar_ && !statusLabel_) return;
  ShowStatusText(StatusText(message));
}

void WPRichText::ShowStatusText(const QString& text) {
  // Painted at once: a load or a layout runs before the event loop gets back to painting.
  if (statusLabel_) {
    statusLabel_->setText(text);
    if (statusLabel_->isVisible()) statusLabel_->repaint();
  }
  if (statusBar_) {
    statusBar_->showMessage(text);
    if (statusBar_->isVisible()) statusBar_->repaint();
  }
}

void WPRichText::SetExternHorScrollBar(QScrollBar* bar) { LinkExternScrollBar(externHor_, bar, true); }

void WPRichText::SetExternVerScrollBar(QScrollBar* bar) { LinkExternScrollBar(externVer_, bar, false); }

void WPRichText::LinkExternScrollBar(QPointer<QScrollBar>& held, QScrollBar* bar, bool horizontal) {
  if (held) QObject::disconnect(held, nullptr, viewport(), nullptr);
  held = bar;
  if (!bar) return;
  bar->setRange(0, kExternRange);
  bar->setSingleStep(kExternRange / 100);
  bar->setPageStep(kExternRange / 10);
  QObject::connect(bar, &QScrollBar::valueChanged, viewport(), [this, horizontal](int value) {
    if (syncingExtern_) return;
    QScrollBar* own = horizontal ? horizontalScrollBar() : verticalScrollBar();
    own->setValue(FromExtern(value, own->maximum()));
  });
  SyncExternScrollBars();
}

void WPRichText::SyncExternScrollBars() {
  syncingExtern_ = true;
  if (externHor_) externHor_->setValue(ToExtern(doc_->scrollX, horizontalScrollBar()->maximum()));
  if (externVer_) externVer_->setValue(ToExtern(doc_->scrollY, verticalScrollBar()->maximum()));
  syncingExtern_ = false;
  if (doc_->scrollX != reportedX_) {
    reportedX_ = doc_->scrollX;
    if (onXPosChanged) onXPosChanged(*this, reportedX_);
  }
  if (doc_->scrollY != reportedY_) {
    reportedY_ = doc_->scrollY;
    if (onYPosChanged) onYPosChanged(*this, reportedY_);
  }
}

}  // namespace inkwend
