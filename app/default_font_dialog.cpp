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

DefaultFontDialog::DefaultFontDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DefaultFontdialog"));
  setWindowTitle(QStringLiteral("Default Font"));
}

void DefaultFontDialog::setVisible(bool visible) {
  if (visible) Build();
  QDialog::setVisible(visible);
}

void DefaultFontDialog::Build() {
  if (fontName) return;
  fontName = new QFontComboBox(this);
  fontName->setObjectName(QStringLiteral("FontName"));
  fontSize = new QComboBox(this);
  fontSize->setObjectName(QStringLiteral("FontSize"));
  fontSize->setEditable(true);
  fontSize->setValidator(new QIntValidator(1, 255, fontSize));
  for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
    fontSize->addItem(QString::number(size));
  bold = new QCheckBox(QStringLiteral("&Bold"), this);
  bold->setObjectName(QStringLiteral("Bold"));
  italic = new QCheckBox(QStringLiteral("&Italic"), this);
  italic->setObjectName(QStringLiteral("Italic"));
  underline = new QCheckBox(QStringLiteral("&Underline"), this);
  underline->setObjectName(QStringLiteral("Underline"));
  fontColor = new QComboBox(this);
  fontColor->setObjectName(QStringLiteral("FontColor"));
  FillColors();
  sample = new QLabel(QStringLiteral("AaBbYyZz"), this);
  sample->setObjectName(QStringLiteral("Sample"));
  sample->setAlignment(Qt::AlignCenter);
  sample->setFrameShape(QFrame::StyledPanel);
  sample->setMinimumSize(260, 64);
  sample->setAutoFillBackground(true);
  QPalette sample_palette = sample->palette();
  sample_palette.setColor(QPalette::Window, Qt::white);
  sample->setPalette(sample_palette);

  auto* styles = new QHBoxLayout;
  styles->addWidget(bold);
  styles->addWidget(italic);
  styles->addWidget(underline);
  styles->addStretch();
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Font:"), fontName);
  form->addRow(QStringLiteral("&Size:"), fontSize);
  form->addRow(QStringLiteral("Style:"), styles);
  form->addRow(QStringLiteral("&Colour:"), fontColor);
  auto* buttons = new QDialogButtonBox(this);
  okButton = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  okButton->setObjectName(QStringLiteral("OKButton"));
  okButton->setDefault(true);
  cancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancelButton->setObjectName(QStringLiteral("CancelButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(sample);
  layout->addWidget(buttons);

  ShowValues();
  connect(fontName, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
    if (showing_) return;
    name_ = font.family();
    ShowSample();
  });
  connect(fontSize, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    bool ok = false;
    const int size = text.toInt(&ok);
    if (showing_ || !ok || size <= 0) return;
    size_ = size;
    ShowSample();
  });
  connect(bold, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    bold_ = on;
    ShowSample();
  });
  connect(italic, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    italic_ = on;
    ShowSample();
  });
  connect(underline, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    underline_ = on;
    ShowSample();
  });
  connect(fontColor, &QComboBox::activated, this, [this](int index) {
    color_ = fontColor->itemData(index).toInt();
    ShowSample();
  });
}

void DefaultFontDialog::FillColors() {
  const WPPalette palette = DefaultToolPalette();
  fontColor->clear();
  for (int i = 0; i < 15; ++i) {
    const QColor c = palette[static_cast<size_t>(i)];
    fontColor->addItem(Swatch(c), QString::fromLatin1(kColorNames[i]), ColorValueOf(c));
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

QFont DefaultFontDialog::Font() const { return DefaultFontOf(name_, size_, bold_, italic_, underline_); }

void DefaultFontDialog::SetFont(const QFont& font) {
  name_ = font.family();
  size_ = font.pointSize() > 0 ? font.pointSize() : 10;
  bold_ = font.bold();
  italic_ = font.italic();
  underline_ = font.underline();
  ShowValues();
}

void DefaultFontDialog::SetColorValue(int value) {
  color_ = value;
  ShowValues();
}

void DefaultFontDialog::ShowValues() {
  if (!fontName) return;
  showing_ = true;
  fontName->setCurrentFont(QFont(name_));
  fontName->setEditText(name_);  // the stored name, also when the list shows its stand-in
  fontSize->setCurrentText(QString::number(size_));
  bold->setChecked(bold_);
  italic->setChecked(italic_);
  underline->setChecked(underline_);
  ShowColor();
  showing_ = false;
  ShowSample();
}

void DefaultFontDialog::ShowColor() {
  const int index = fontColor->findData(color_);
  if (index >= 0) {
    fontColor->setCurrentIndex(index);
    return;
  }
  // A system colour or one outside the table: shown as its own entry so that OK keeps it.
  const QString name = color_ < 0 ? QStringLiteral("System colour") : QStringLiteral("Custom");
  const QColor c = color_ < 0 ? palette().color(QPalette::WindowText) : ColorOfValue(color_);
  if (fontColor->count() > 15) {
    fontColor->setItemText(15, name);
    fontColor->setItemIcon(15, Swatch(c));
    fontColor->setItemData(15, color_);
  } else {
    fontColor->addItem(Swatch(c), name, color_);
  }
  fontColor->setCurrentIndex(15);
}

void DefaultFontDialog::ShowSample() {
  if (!sample) return;
  sample->setFont(Font());
  QPalette p = sample->palette();
  p.setColor(QPalette::WindowText, color_ < 0 ? palette().color(QPalette::WindowText) : ColorOfValue(color_));
  sample->setPalette(p);
}

}  // namespace inkwend
