#pragma once
// WPRuler: the horizontal ruler above the editor. It shows a unit scale, the tab stops of the
// selected paragraphs and three indent markers (first line, left, right); dragging a marker
// changes the indent, a click elsewhere adds a tab stop or changes the kind of one.
//
//   WPRuler ruler;
//   ruler.SetUnits(Units::Inch);
//   ruler.SetEditor(&link);          // told of every change (WPEditorLink)
//   ruler.SetFormat(format);         // the editor's current paragraph format
#include <QWidget>
#include <functional>

#include "richtext/model/text_header.h"
#include "richtext/toolbar/wp_editor_link.h"
#include "richtext/toolbar/wp_toolbar.h"

class QPainter;

namespace inkwend {

enum class TabKind : uint8_t { Left, Right, Center, Decimal, All };

// sender, kind, group, number (the marker), changing (true while dragging).
using WPRulerSelectEvent =
    std::function<void(class WPRuler& sender, WpSelNr& kind, int& group, int& number, bool changing)>;

class WPRuler : public QWidget {
 public:
  explicit WPRuler(QWidget* parent = nullptr);

  inkwend::Units Units() const { return units_; }
  void SetUnits(inkwend::Units units);
  bool ShowNumbers() const { return showNumbers_; }
  void SetShowNumbers(bool on);
  TabKind NewTabKind() const { return newTabKind_; }
  void SetNewTabKind(TabKind kind) { newTabKind_ = kind; }
  // Horizontal scroll offset of the editor, in pixels.
  int XOffset() const { return xOffset_; }
  void SetXOffset(int pixels);
  GraphicPanel::Bevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(GraphicPanel::Bevel bevel);
  GraphicPanel::Bevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(GraphicPanel::Bevel bevel);
  // Where the text's left edge lies on the ruler, in pixels.
  int LeftOffset() const { return leftOffset_; }
  void SetLeftOffset(int pixels);

  // The editor told of marker moves and tab changes (not owned).
  WPEditorLink* Editor() const { return editor_; }
  void SetEditor(WPEditorLink* editor) { editor_ = editor; }
  // The editor's current paragraph format (indents, tabs, widths).
  const WPRulerFormat& Format() const { return format_; }
  void SetFormat(const WPRulerFormat& format);
  // Indents in twips; a negative value leaves that indent alone. A change that would cross the
  // markers is refused and the old values stay. Returns whether the indents were taken.
  bool SetIndents(int first, int left, int right);

  WPRulerSelectEvent onSelection;     // a drag ended
  WPRulerSelectEvent whileSelection;  // every step of a drag
  // Tab stops added or changed by a click (the slots in `changed`).
  std::function<void(WPRuler&, uint64_t changed)> onTabChange;
  // Any press of the left button on the ruler.
  std::function<void(WPRuler&)> onMouseDown;

  // --- geometry (for painting and hit-testing) ---
  int MarkerSize() const;
  // Pixel x of a marker (kMarkerRight, kMarkerLeft, kMarkerFirst), and its rectangle.
  int MarkerX(int marker) const;
  QRect MarkerRect(int marker) const;
  // The marker under a point, or 0.
  int MarkerAt(const QPoint& p) const;
  // Pixels per unit of the scale.
  int UnitStep() const;
  // The ruler x of the text's origin.
  int Origin() const { return leftOffset_ + xOffset_; }
  int TextWidthTwips() const;
  // Pixels from the origin to the right edge the text wraps at.
  int WrapWidth() const;

  QSize sizeHint() const override { return {400, 22}; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  int BevelSize() const;
  int PixelsPerInch() const { return format_.pixelsPerInch; }
  int ToTwips(int pixels) const;
  int Snap(int twips) const;
  bool Acceptable(int first, int left, int right) const;
  void Notify(bool changing, int marker);
  bool InTextArea(int x) const;
  void PaintScale(QPainter& p, int page_end, const QColor& grey) const;
  void PaintTenths(QPainter& p, int pos, int step, int end, const QColor& grey) const;
  void PaintTabStops(QPainter& p, const QColor& grey) const;
  void PaintMarkers(QPainter& p, const QColor& face, const QColor& white) const;
  void ClickTab(int x);
  int TabNear(int x) const;
  int FreeTabSlot() const;
  void EndDrag();

  inkwend::Units units_ = inkwend::Units::Inch;
  bool showNumbers_ = true;
  TabKind newTabKind_ = TabKind::All;
  int xOffset_ = 0;
  GraphicPanel::Bevel bevelInner_ = GraphicPanel::Bevel::Raised;
  GraphicPanel::Bevel bevelOuter_ = GraphicPanel::Bevel::None;
  int leftOffset_ = 0;
  WPEditorLink* editor_ = nullptr;
  WPRulerFormat format_;

  int dragMarker_ = 0;  // 0: no drag
  bool dragBoth_ = false;
  int dragDistance_ = 0;  // first minus left indent when both move
  bool cursorSet_ = false;
};

}  // namespace inkwend
