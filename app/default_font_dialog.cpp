#include "app/default_font_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "richtext/toolbar/wp_toolbar.h"

namespace inkwend {
namespace {

// The names of the document colour table, in its order (the last black is left out: the list
// offers each colour once).
constexpr const char* kColorNames[15] = {"Black",   "Red",    "Green",  "Blue",   "Yellow",
                                         "Magenta", "Purple", "Maroon", "Lime",   "Aqua",
                                         "Teal",    "Navy",   "White",  "Silver", "Grey"};

int ColorValueOf(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }
QColor ColorOfValue(int v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

QIcon Swatch(const QColor& c) {
  QPixmap pixmap(16, 12);
  pixmap.fill(c);
  QPainter p(&pixmap);
  p.setPen(Qt::darkGray);
  p.drawRect(0, 0, 15, 11);
  return QIcon(pixmap);
}

}  // namespace

TDefaultFontDialog::TDefaultFontDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DefaultFontdialog"));
  setWindowTitle(QStringLiteral("Default Font"));
}

void TDefaultFontDialog::setVisible(bool visible) {
  if (visible) Build();
  QDialog::setVisible(visible);
}

void TDefaultFontDialog::Build() {
  if (FontName) return;
  FontName = new QFontComboBox(this);
  FontName->setObjectName(QStringLiteral("FontName"));
  FontSize = new QComboBox(this);
  FontSize->setObjectName(QStringLiteral("FontSize"));
  FontSize->setEditable(true);
  FontSize->setValidator(new QIntValidator(1, 255, FontSize));
  for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
    FontSize->addItem(QString::number(size));
  Bold = new QCheckBox(QStringLiteral("&Bold"), this);
  Bold->setObjectName(QStringLiteral("Bold"));
  Italic = new QCheckBox(QStringLiteral("&Italic"), this);
  Italic->setObjectName(QStringLiteral("Italic"));
  Underline = new QCheckBox(QStringLiteral("&Underline"), this);
  Underline->setObjectName(QStringLiteral("Underline"));
  FontColor = new QComboBox(this);
  FontColor->setObjectName(QStringLiteral("FontColor"));
  FillColors();
  Sample = new QLabel(QStringLiteral("AaBbYyZz"), this);
  Sample->setObjectName(QStringLiteral("Sample"));
  Sample->setAlignment(Qt::AlignCenter);
  Sample->setFrameShape(QFrame::StyledPanel);
  Sample->setMinimumSize(260, 64);
  Sample->setAutoFillBackground(true);
  QPalette samplePalette = Sample->palette();
  samplePalette.setColor(QPalette::Window, Qt::white);
  Sample->setPalette(samplePalette);

  auto* styles = new QHBoxLayout;
  styles->addWidget(Bold);
  styles->addWidget(Italic);
  styles->addWidget(Underline);
  styles->addStretch();
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Font:"), FontName);
  form->addRow(QStringLiteral("&Size:"), FontSize);
  form->addRow(QStringLiteral("Style:"), styles);
  form->addRow(QStringLiteral("&Colour:"), FontColor);
  auto* buttons = new QDialogButtonBox(this);
  OKButton = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Sample);
  layout->addWidget(buttons);

  ShowValues();
  connect(FontName, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
    if (showing_) return;
    name_ = font.family();
    ShowSample();
  });
  connect(FontSize, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    bool ok = false;
    const int size = text.toInt(&ok);
    if (showing_ || !ok || size <= 0) return;
    size_ = size;
    ShowSample();
  });
  connect(Bold, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    bold_ = on;
    ShowSample();
  });
  connect(Italic, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    italic_ = on;
    ShowSample();
  });
  connect(Underline, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    underline_ = on;
    ShowSample();
  });
  connect(FontColor, &QComboBox::activated, this, [this](int index) {
    color_ = FontColor->itemData(index).toInt();
    ShowSample();
  });
}

void TDefaultFontDialog::FillColors() {
  const TWPPalette palette = DefaultToolPalette();
  FontColor->clear();
  for (int i = 0; i < 15; ++i) {
    const QColor c = palette[static_cast<size_t>(i)];
    FontColor->addItem(Swatch(c), QString::fromLatin1(kColorNames[i]), ColorValueOf(c));
  }
}

QFont DefaultFontOf(const QString& name, int size, bool bold, bool italic, bool underline) {
  QFont font(name);
  font.setPointSize(size > 0 ? size : 10);
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(underline);
  return font;
}

QFont TDefaultFontDialog::Font() const { return DefaultFontOf(name_, size_, bold_, italic_, underline_); }

void TDefaultFontDialog::SetFont(const QFont& font) {
  name_ = font.family();
  size_ = font.pointSize() > 0 ? font.pointSize() : 10;
  bold_ = font.bold();
  italic_ = font.italic();
  underline_ = font.underline();
  ShowValues();
}

void TDefaultFontDialog::SetColorValue(int value) {
  color_ = value;
  ShowValues();
}

void TDefaultFontDialog::ShowValues() {
  if (!FontName) return;
  showing_ = true;
  FontName->setCurrentFont(QFont(name_));
  FontName->setEditText(name_);  // the stored name, also when the list shows its stand-in
  FontSize->setCurrentText(QString::number(size_));
  Bold->setChecked(bold_);
  Italic->setChecked(italic_);
  Underline->setChecked(underline_);
  ShowColor();
  showing_ = false;
  ShowSample();
}

void TDefaultFontDialog::ShowColor() {
  const int index = FontColor->findData(color_);
  if (index >= 0) {
    FontColor->setCurrentIndex(index);
    return;
  }
  // A system colour or one outside the table: shown as its own entry so that OK keeps it.
  const QString name = color_ < 0 ? QStringLiteral("System colour") : QStringLiteral("Custom");
  const QColor c = color_ < 0 ? palette().color(QPalette::WindowText) : ColorOfValue(color_);
  if (FontColor->count() > 15) {
    FontColor->setItemText(15, name);
    FontColor->setItemIcon(15, Swatch(c));
    FontColor->setItemData(15, color_);
  } else {
    FontColor->addItem(Swatch(c), name, color_);
  }
  FontColor->setCurrentIndex(15);
}

void TDefaultFontDialog::ShowSample() {
  if (!Sample) return;
  Sample->setFont(Font());
  QPalette p = Sample->palette();
  p.setColor(QPalette::WindowText, color_ < 0 ? palette().color(QPalette::WindowText) : ColorOfValue(color_));
  Sample->setPalette(p);
}

}  // namespace inkwend
