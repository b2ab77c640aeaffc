#include "richtext/toolbar/wp_ruler.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace inkwend {

WPRuler::WPRuler(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(9);
  setFont(f);
  setMinimumHeight(16);
}

void WPRuler::SetUnits(inkwend::Units units) {
  units_ = units;
  update();
}
void WPRuler::SetShowNumbers(bool on) {
  showNumbers_ = on;
  update();
}
void WPRuler::SetXOffset(int pixels) {
  if (pixels == xOffset_) return;
  xOffset_ = pixels;
  update();
}
void WPRuler::SetBevelInner(GraphicPanel::Bevel bevel) {
  bevelInner_ = bevel;
  update();
}
void WPRuler::SetBevelOuter(GraphicPanel::Bevel bevel) {
  bevelOuter_ = bevel;
  update();
}
// The editor tells the ruler its offset and format after every key; it is repainted only
// when they changed.
void WPRuler::SetLeftOffset(int pixels) {
  if (pixels == leftOffset_) return;
  leftOffset_ = pixels;
  update();
}

void WPRuler::SetFormat(const WPRulerFormat& format) {
  if (format == format_) return;
  format_ = format;
  update();
}

int WPRuler::WrapWidth() const {
  return format_.wrapWidth > 0 && format_.wrapWidth < format_.textWidth ? format_.wrapWidth
                                                                        : format_.textWidth;
}

int WPRuler::TextWidthTwips() const {
  return PixelsPerInch() > 0 ? static_cast<int>(static_cast<int64_t>(WrapWidth()) * 1440 / PixelsPerInch())
                             : 0;
}

bool WPRuler::Acceptable(int first, int left, int right) const {
  int right_pos = TextWidthTwips() - right;
  return left <= right_pos && first <= right_pos;
}

bool WPRuler::SetIndents(int first, int left, int right) {
  int f = first < 0 ? format_.firstIndent : first;
  int l = left < 0 ? format_.leftIndent : left;
  int r = right < 0 ? format_.rightIndent : right;
  if (!Acceptable(f, l, r)) return false;
  format_.firstIndent = f;
  format_.leftIndent = l;
  format_.rightIndent = r;
  update();
  return true;
}

int WPRuler::BevelSize() const {
  return (bevelOuter_ != GraphicPanel::Bevel::None ? 1 : 0) +
         (bevelInner_ != GraphicPanel::Bevel::None ? 1 : 0);
}

int WPRuler::MarkerSize() const {
  int m = height() / 3;
  if (m % 2 == 0) ++m;
  return m < 2 ? 4 : m;
}

int WPRuler::UnitStep() const {
  int ppi = PixelsPerInch();
  return units_ == inkwend::Units::Inch ? ppi : static_cast<int>(std::lround(ppi * 0.3937007874));
}

int WPRuler::MarkerX(int marker) const {
  auto px = [&](int twips) {
    return static_cast<int>(static_cast<int64_t>(twips) * std::max(PixelsPerInch(), 0) / 1440);
  };
  switch (marker) {
    case kMarkerFirst:
      return Origin() + px(format_.firstIndent);
    case kMarkerLeft:
      return Origin() + px(format_.leftIndent);
    case kMarkerRight:
      return Origin() + WrapWidth() - px(format_.rightIndent);
    default:
      return 0;
  }
}

// First line: a triangle pointing down at the top. Left: a triangle pointing up at the bottom
// with a small raised rectangle below it. Right: a triangle pointing up at the bottom, kept on
// the page when the indent would put it beyond.
QRect WPRuler::MarkerRect(int marker) const {
  int m = MarkerSize(), half = m / 2, b = BevelSize();
  int tri = half + 1, box = half;
  int bottom_top = height() - b - 1 - tri - box;
  int x = MarkerX(marker);
  switch (marker) {
    case kMarkerFirst:
      return QRect(x - half, b, m, tri);
    case kMarkerLeft:
      return QRect(x - half, bottom_top, m, tri + box);
    case kMarkerRight: {
      int page_end = Origin() + WrapWidth();
      x = std::min(x, page_end);
      return QRect(x - half, bottom_top, m, tri);
    }
    default:
      return {};
  }
}

int WPRuler::MarkerAt(const QPoint& p) const {
  for (int marker : {kMarkerRight, kMarkerLeft, kMarkerFirst})
    if (MarkerRect(marker).adjusted(0, 0, 1, 1).contains(p)) return marker;
  return 0;
}

void WPRuler::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const QColor face = pal.color(QPalette::Button), shadow = pal.color(QPalette::Dark), white(Qt::white);
  const QColor grey(128, 128, 128);
  p.fillRect(rect(), face);

  // Bevels.
  QRect r = rect().adjusted(0, 0, -1, -1);
  auto bevel = [&](GraphicPanel::Bevel kind) {
    if (kind == GraphicPanel::Bevel::None) return;
    p.setPen(kind == GraphicPanel::Bevel::Raised ? white : shadow);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(kind == GraphicPanel::Bevel::Raised ? shadow : white);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    r.adjust(1, 1, -1, -1);
  };
  bevel(bevelOuter_);
  bevel(bevelInner_);

  const int origin = Origin();
  const int page_end = origin + WrapWidth() + 1;
  // Beyond the right margin no text goes: shaded, as the grey beside a page.
  if (WrapWidth() < format_.textWidth && page_end + 2 < r.right())
    p.fillRect(QRect(QPoint(page_end + 2, r.top()), r.bottomRight()), pal.color(QPalette::Mid));
  p.setPen(shadow);
  p.drawLine(page_end, 2, page_end, height() - 3);
  p.setPen(white);
  p.drawLine(page_end + 1, 2, page_end + 1, height() - 3);

  // The ends of the text area (a page with margins).
  if (format_.hasTextArea) {
    for (int x : {origin + format_.textAreaLeft, origin + format_.textAreaRight}) {
      p.setPen(white);
      p.drawLine(x, 2, x, height() - 3);
      p.setPen(shadow);
      p.drawLine(x + 1, 2, x + 1, height() - 3);
    }
  }

  PaintScale(p, page_end, grey);
  PaintTabStops(p, grey);
  PaintMarkers(p, face, white);
}

// Inside the text area (a page with margins) the scale is black, outside grey.
bool WPRuler::InTextArea(int x) const {
  if (!format_.hasTextArea) return true;
  return x >= Origin() + format_.textAreaLeft && x <= Origin() + format_.textAreaRight;
}

// The ticks between the unit at pos and the next, the middle one longer, none from end on.
void WPRuler::PaintTenths(QPainter& p, int pos, int step, int end, const QColor& grey) const {
  const int mid = height() / 2;
  for (int t = 1; t < 10; ++t) {
    int x = pos + t * step / 10;
    if (x >= end) break;
    int len = t == 5 ? 2 : 1;
    p.setPen(InTextArea(x) ? Qt::black : grey);
    p.drawLine(x, mid - len, x, mid + len);
  }
}

// The scale: a number (or a mark) each unit, ticks each tenth, up to the end of the page.
void WPRuler::PaintScale(QPainter& p, int page_end, const QColor& grey) const {
  const int origin = Origin();
  const int mid = height() / 2;
  int step = UnitStep();
  int end = std::min(page_end, width() - 2);
  QFontMetrics fm(font());
  if (step > 0) {
    for (int k = 0;; ++k) {
      int pos = origin + k * step;
      if (pos >= end) break;
      if (pos + step < 0) continue;  // scrolled out on the left
      if (k > 0) {
        p.setPen(InTextArea(pos) ? Qt::black : grey);
        if (showNumbers_) {
          QString n = QString::number(k);
          int w = fm.horizontalAdvance(n);
          p.drawText(pos - w / 2, mid - 6 + fm.ascent() - fm.height() / 2, n);
        } else {
          p.drawLine(pos, mid - 3, pos, mid + 3);
        }
      }
      PaintTenths(p, pos, step, end, grey);
    }
  }
}

void WPRuler::PaintTabStops(QPainter& p, const QColor& grey) const {
  const int origin = Origin();
  int s = height() > 15 ? height() / 4 : 4;
  int ty = height() / 2 - 3;
  for (int slot = 0; slot < 64; ++slot) {
    const WPRulerTab& tab = format_.tabs[static_cast<size_t>(slot)];
    uint64_t bit = uint64_t{1} << slot;
    if (tab.twips <= 0) continue;
    if (!format_.showAllTabs && !(format_.tabsOfAny & bit)) continue;
    int tx = format_.TabPixels(slot);
    if (tx > WrapWidth()) continue;
    int x = origin + tx;
    p.setPen(QPen((format_.tabsOfEvery & bit) ? QColor(Qt::black) : grey, 2));
    switch (tab.kind) {
      case kRulerTabLeft:
        p.drawLine(x, ty, x, ty + s);
        p.drawLine(x, ty + s, x + s, ty + s);
        break;
      case kRulerTabRight:
        p.drawLine(x, ty, x, ty + s);
        p.drawLine(x - s, ty + s, x, ty + s);
        break;
      default:  // center and decimal
        p.drawLine(x, ty, x, ty + s);
        p.drawLine(x - s, ty + s, x + s, ty + s);
        if (tab.kind == kRulerTabDecimal) p.drawPoint(x + 2, ty + 1);
        break;
    }
  }
}

// The indent markers: first line above, left and right below.
void WPRuler::PaintMarkers(QPainter& p, const QColor& face, const QColor& white) const {
  p.setRenderHint(QPainter::Antialiasing, false);
  auto triangle = [&](const QRect& box, bool down) {
    QPolygon poly;
    if (down)
      poly << box.topLeft() << box.topRight() << QPoint(box.center().x(), box.bottom());
    else
      poly << box.bottomLeft() << box.bottomRight() << QPoint(box.center().x(), box.top());
    p.setPen(Qt::black);
    p.setBrush(face);
    p.drawPolygon(poly);
  };
  int m = MarkerSize(), half = m / 2;
  triangle(MarkerRect(kMarkerFirst), true);
  QRect left = MarkerRect(kMarkerLeft);
  triangle(QRect(left.left(), left.top(), m, half + 1), false);
  QRect box(left.left(), left.top() + half + 1, m - 1, left.height() - half - 2);
  p.fillRect(box, face);
  p.setPen(white);
  p.drawLine(box.topLeft(), box.topRight());
  p.drawLine(box.topLeft(), box.bottomLeft());
  p.setPen(Qt::black);
  p.drawLine(box.bottomLeft(), box.bottomRight());
  p.drawLine(box.topRight(), box.bottomRight());
  triangle(MarkerRect(kMarkerRight), false);
}

int WPRuler::ToTwips(int pixels) const {
  return PixelsPerInch() > 0 ? static_cast<int>(static_cast<int64_t>(pixels) * 1440 / PixelsPerInch()) : 0;
}

int WPRuler::Snap(int twips) const {
  if (PixelsPerInch() <= 0) return twips;
  int g = units_ == inkwend::Units::Inch ? 144 : 141;
  int t = twips + g / 2 + 1;
  // Rounded down to a multiple of the grid (towards minus infinity for negative values).
  int q = t >= 0 ? t / g : -((-t + g - 1) / g);
  return q * g;
}

void WPRuler::Notify(bool changing, int marker) {
  WpSelNr kind = kSelRuler;
  int group = kGroupRuler, number = marker;
  WPRulerSelectEvent& event = changing ? whileSelection : onSelection;
  if (event) event(*this, kind, group, number, changing);
  if (kind != 0 && editor_)
    editor_->RulerIndents(marker, changing, format_.firstIndent, format_.leftIndent, format_.rightIndent);
}

void WPRuler::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (onMouseDown) onMouseDown(*this);
  QPoint pos = e->position().toPoint();
  int marker = MarkerAt(pos);
  if (marker == 0) {
    ClickTab(pos.x());
    return;
  }
  dragMarker_ = marker;
  dragBoth_ = false;
  if (marker == kMarkerLeft) {
    int m = MarkerSize();
    QRect r = MarkerRect(kMarkerLeft);
    dragBoth_ = pos.y() > r.top() + m / 2 || (e->modifiers() & Qt::ShiftModifier);
    dragDistance_ = format_.firstIndent - format_.leftIndent;
  }
}

void WPRuler::mouseMoveEvent(QMouseEvent* e) {
  QPoint pos = e->position().toPoint();
  if (dragMarker_ == 0) {
    // Over a marker the cursor shows that it can be moved sideways.
    bool over = MarkerAt(pos) != 0;
    if (over && !cursorSet_) {
      setCursor(Qt::SizeHorCursor);
      cursorSet_ = true;
    } else if (!over && cursorSet_) {
      unsetCursor();
      cursorSet_ = false;
    }
    return;
  }
  int t =
      dragMarker_ == kMarkerRight ? ToTwips(WrapWidth() + Origin() - pos.x()) : ToTwips(pos.x() - Origin());
  t = std::max(0, Snap(t));
  int first = format_.firstIndent, left = format_.leftIndent, right = format_.rightIndent;
  switch (dragMarker_) {
    case kMarkerRight:
      right = t;
      break;
    case kMarkerFirst:
      first = t;
      break;
    case kMarkerLeft:
      left = t;
      if (dragBoth_) first = std::max(0, t + dragDistance_);
      break;
  }
  if (first == format_.firstIndent && left == format_.leftIndent && right == format_.rightIndent) return;
  if (!Acceptable(first, left, right)) return;  // markers may not cross
  format_.firstIndent = first;
  format_.leftIndent = left;
  format_.rightIndent = right;
  update();
  try {
    Notify(true, dragMarker_);
  } catch (...) {
    EndDrag();
  }
}

void WPRuler::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || dragMarker_ == 0) return;
  int marker = dragMarker_;
  try {
    Notify(false, marker);
  } catch (...) {
  }
  EndDrag();
}

void WPRuler::EndDrag() {
  dragMarker_ = 0;
  update();  // the marker's old place as well as the strip around the pointer
}

void WPRuler::leaveEvent(QEvent* e) {
  if (cursorSet_ && dragMarker_ == 0) {
    unsetCursor();
    cursorSet_ = false;
  }
  QWidget::leaveEvent(e);
}

// The slot of the shown stop within 4 pixels of x (from the origin), -1 when there is none.
int WPRuler::TabNear(int x) const {
  for (int slot = 0; slot < 64; ++slot) {
    uint64_t bit = uint64_t{1} << slot;
    const WPRulerTab& tab = format_.tabs[static_cast<size_t>(slot)];
    if (tab.twips <= 0 || !(format_.tabsOfAny & bit)) continue;
    if (std::abs(format_.TabPixels(slot) - x) <= 4) return slot;
  }
  return -1;
}

int WPRuler::FreeTabSlot() const {
  for (int i = 0; i < 64; ++i)
    if (format_.tabs[static_cast<size_t>(i)].twips <= 0) return i;
  return -1;
}

void WPRuler::ClickTab(int x) {
  if (PixelsPerInch() <= 0) return;
  int origin = Origin();
  if (format_.hasTextArea && (x < origin + format_.textAreaLeft || x > origin + format_.textAreaRight))
    return;
  int t = ToTwips(x - origin);
  if (t <= 0 || t >= TextWidthTwips()) return;
  const int found = TabNear(x - origin);
  uint64_t changed = 0;
  if (found < 0) {
    const int slot = FreeTabSlot();
    if (slot < 0) return;  // all 64 stops in use
    uint8_t kind = newTabKind_ == TabKind::All ? kRulerTabLeft : static_cast<uint8_t>(newTabKind_);
    format_.tabs[static_cast<size_t>(slot)] = {t, kind};
    changed = uint64_t{1} << slot;
  } else if (newTabKind_ == TabKind::All) {
    WPRulerTab& tab = format_.tabs[static_cast<size_t>(found)];
    if (tab.kind >= kRulerTabDecimal) return;  // a decimal tab stays decimal
    ++tab.kind;
    changed = uint64_t{1} << found;
  } else {
    return;
  }
  format_.tabsOfAny |= changed;
  format_.tabsOfEvery |= changed;
  if (onTabChange) onTabChange(*this, changed);
  if (editor_) editor_->RulerTabs(changed, format_);
  update();
}

}  // namespace inkwend
