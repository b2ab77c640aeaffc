#pragma once
// A light panel with bevels, border and caption: toolbar spacers and the date selector's date.
#include <QWidget>

namespace inkwend {

class GraphicPanel : public QWidget {
  Q_OBJECT
 public:
  enum class Bevel { None, Lowered, Raised };

  explicit GraphicPanel(QWidget* parent = nullptr);

  Qt::Alignment Alignment() const { return alignment_; }
  void SetAlignment(Qt::Alignment a);
  Bevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(Bevel b);
  Bevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(Bevel b);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int w);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int w);
  bool BorderSingle() const { return borderSingle_; }
  void SetBorderSingle(bool single);
  QColor Color() const { return color_; }
  void SetColor(const QColor& c);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);

  void PaintPanel(QPainter& painter, QSize size);

 signals:
  void OnClick();
  void OnDblClick();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  Qt::Alignment alignment_ = Qt::AlignHCenter;
  Bevel bevelInner_ = Bevel::None;
  Bevel bevelOuter_ = Bevel::Raised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  bool borderSingle_ = false;
  QColor color_;
  QString caption_;
};

}  // namespace inkwend
