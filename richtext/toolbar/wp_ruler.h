#pragma once
// TWPRuler: the horizontal ruler above the editor. It shows a unit scale, the tab stops of the
// selected paragraphs and three indent markers (first line, left, right); dragging a marker
// changes the indent, a click elsewhere adds a tab stop or changes the kind of one.
//
//   TWPRuler ruler;
//   ruler.SetUnits(TRulerUnits::Inch);
//   ruler.SetEditor(&link);          // told of every change (TWPEditorLink)
//   ruler.SetFormat(format);         // the editor's current paragraph format
#include <QWidget>
#include <functional>

#include "richtext/toolbar/wp_editor_link.h"
#include "richtext/toolbar/wp_toolbar.h"

class QPainter;

namespace inkwend {

enum class TRulerUnits : uint8_t { Centimeter, Inch };
enum class TTabKind : uint8_t { tkLeft, tkRight, tkCenter, tkDecimal, tkAll };

// sender, kind, group, number (the marker), changing (true while dragging).
using TWPRulerSelectEvent =
    std::function<void(class TWPRuler& sender, TWpSelNr& kind, int& group, int& number, bool changing)>;

class TWPRuler : public QWidget {
 public:
  explicit TWPRuler(QWidget* parent = nullptr);

  TRulerUnits Units() const { return units_; }
  void SetUnits(TRulerUnits units);
  bool ShowNumbers() const { return show_numbers_; }
  void SetShowNumbers(bool on);
  TTabKind NewTabKind() const { return new_tab_kind_; }
  void SetNewTabKind(TTabKind kind) { new_tab_kind_ = kind; }
  // Horizontal scroll offset of the editor, in pixels.
  int XOffset() const { return x_offset_; }
  void SetXOffset(int pixels);
  TBevel BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevel bevel);
  TBevel BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevel bevel);
  // Where the text's left edge lies on the ruler, in pixels.
  int LeftOffset() const { return left_offset_; }
  void SetLeftOffset(int pixels);

  // The editor told of marker moves and tab changes (not owned).
  TWPEditorLink* Editor() const { return editor_; }
  void SetEditor(TWPEditorLink* editor) { editor_ = editor; }
  // The editor's current paragraph format (indents, tabs, widths).
  const TWPRulerFormat& Format() const { return format_; }
  void SetFormat(const TWPRulerFormat& format);
  // Indents in twips; a negative value leaves that indent alone. A change that would cross the
  // markers is refused and the old values stay. Returns whether the indents were taken.
  bool SetIndents(int first, int left, int right);

  TWPRulerSelectEvent OnSelection;     // a drag ended
  TWPRulerSelectEvent WhileSelection;  // every step of a drag
  // Tab stops added or changed by a click (the slots in `changed`).
  std::function<void(TWPRuler&, uint64_t changed)> OnTabChange;
  // Any press of the left button on the ruler.
  std::function<void(TWPRuler&)> OnMouseDown;

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
  int Origin() const { return left_offset_ + x_offset_; }
  int TextWidthTwips() const;

  QSize sizeHint() const override { return {400, 22}; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  int BevelSize() const;
  int PixelsPerInch() const { return format_.PixelsPerInch; }
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

  TRulerUnits units_ = TRulerUnits::Inch;
  bool show_numbers_ = true;
  TTabKind new_tab_kind_ = TTabKind::tkAll;
  int x_offset_ = 0;
  TBevel bevel_inner_ = TBevel::bvRaised;
  TBevel bevel_outer_ = TBevel::bvNone;
  int left_offset_ = 0;
  TWPEditorLink* editor_ = nullptr;
  TWPRulerFormat format_;

  int drag_marker_ = 0;  // 0: no drag
  bool drag_both_ = false;
  int drag_distance_ = 0;  // first minus left indent when both move
  bool cursor_set_ = false;
};

}  // namespace inkwend
