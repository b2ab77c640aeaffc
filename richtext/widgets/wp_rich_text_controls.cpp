// Controls in the text: a widget placed as an object stands where its anchor character is laid
// out, moves with the text as it scrolls, is resized with the object, and takes the presses
// that reach it.
#include <QPointer>
#include <QWidget>

#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {
namespace {

class WidgetControl final : public ObjectControl {
 public:
  WidgetControl(QWidget* widget, std::function<bool(int, int)> on_click)
      : widget_(widget), onClick_(std::move(on_click)) {}
  ~WidgetControl() override {
    if (widget_) widget_->deleteLater();  // the text owns its controls
  }
  int PixelWidth() const override { return widget_ ? widget_->width() : 0; }
  int PixelHeight() const override { return widget_ ? widget_->height() : 0; }
  void Place(int left, int top, int width, int height) override {
    if (!widget_) return;
    const QRect r(left, top, width, height);
    if (widget_->geometry() != r) widget_->setGeometry(r);
    if (!widget_->isVisible()) widget_->show();
  }
  void Hide() override {
    if (widget_ && widget_->isVisible()) widget_->hide();
  }
  bool Click(int x, int y) override { return onClick_ && onClick_(x, y); }

 private:
  QPointer<QWidget> widget_;
  std::function<bool(int, int)> onClick_;
};

}  // namespace

int WPRichText::InsertControl(QWidget* widget, std::function<bool(int x, int y)> on_click) {
  if (!widget) return 0;
  widget->setParent(viewport());
  widget->hide();  // shown where painting places it
  DocGraphic graphic;
  graphic.control = std::make_unique<WidgetControl>(widget, std::move(on_click));
  return InsertGraphic(std::move(graphic));
}

void WPRichText::HideControlsOutOfView() {
  const auto& placed = doc_->Layout().HitObjects();
  for (const auto& object : doc_->Document().Objects()) {
    if (!object->graphic.control) continue;
    const bool in_view = std::any_of(placed.begin(), placed.end(), [&](const TextLayout::HitObject& hit) {
      return hit.object == object.get();
    });
    if (!in_view) object->graphic.control->Hide();
  }
}

bool WPRichText::ClickObjectAt(const QPoint& point) {
  for (const auto& hit : doc_->Layout().HitObjects()) {
    if (!hit.rect.Contains(point.x(), point.y()) || !hit.object || !hit.object->graphic.control) continue;
    return hit.object->graphic.control->Click(point.x() - hit.rect.left, point.y() - hit.rect.top);
  }
  return false;
}

}  // namespace inkwend
