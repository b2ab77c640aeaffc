// Selecting with the mouse beyond the edge of the view: while the button is held with the
// pointer outside, the view scrolls on a timer (faster the farther outside the pointer is) and
// the selection follows, also when the mouse does not move.
#include <QScrollBar>

#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

constexpr int kAutoScrollIntervalMs = 40;
constexpr int kAutoScrollMinStep = 4;    // pixels per tick just outside the edge
constexpr int kAutoScrollMaxStep = 160;  // a screen's worth at most, so that it stays readable

// The step for one axis: negative before the start of the view, positive past its end.
int StepOnAxis(int at, int extent) {
  if (at < 0) return -WPRichText::AutoScrollStep(-at);
  if (at >= extent) return WPRichText::AutoScrollStep(at - extent + 1);
  return 0;
}

}  // namespace

int WPRichText::AutoScrollStep(int outside_pixels) {
  if (outside_pixels <= 0) return 0;
  return std::min(kAutoScrollMaxStep, kAutoScrollMinStep + outside_pixels / 2);
}

void WPRichText::SetUpAutoScroll() {
  autoScroll_.setInterval(kAutoScrollIntervalMs);
  QObject::connect(&autoScroll_, &QTimer::timeout, viewport(), [this] { AutoScrollTick(); });
}

void WPRichText::FollowHeldSelection(const QPoint& point) {
  autoScrollPoint_ = point;
  if (viewport()->rect().contains(point))
    autoScroll_.stop();
  else if (!autoScroll_.isActive())
    autoScroll_.start();
}

void WPRichText::StopAutoScroll() { autoScroll_.stop(); }

void WPRichText::AutoScrollTick() {
  if (mouseMode_ != MouseMode::Selecting) {
    autoScroll_.stop();
    return;
  }
  const QRect view = viewport()->rect();
  const QPoint p = autoScrollPoint_;
  QScrollBar* v = verticalScrollBar();
  QScrollBar* h = horizontalScrollBar();
  v->setValue(v->value() + StepOnAxis(p.y(), view.height()));
  h->setValue(h->value() + StepOnAxis(p.x(), view.width()));
  // The selection ends at the text at the edge the pointer is beyond.
  const QPoint edge(std::clamp(p.x(), 0, std::max(0, view.width() - 1)),
                    std::clamp(p.y(), 0, std::max(0, view.height() - 1)));
  doc_->MoveCaretTo(doc_->PosAtPoint(edge.x(), edge.y()), true);
  AfterEdit(false);
}

}  // namespace inkwend
