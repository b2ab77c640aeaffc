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
#include <QSignalBlocker>
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

  connect(FontName, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
    name_ = font.family();
    ShowSample();
  });
  connect(FontSize, &QComboBox::currentTextChanged, this, [this] { ShowSample(); });
  for (QCheckBox* box : {Bold, Italic, Underline})
    connect(box, &QCheckBox::toggled, this, [this] { ShowSample(); });
  connect(FontColor, &QComboBox::activated, this, [this](int index) {
    color_ = FontColor->itemData(index).toInt();
    ShowSample();
  });
  ShowSample();
}

void TDefaultFontDialog::FillColors() {
  const TWPPalette palette = DefaultToolPalette();
  FontColor->clear();
  for (int i = 0; i < 15; ++i) {
    const QColor c = palette[static_cast<size_t>(i)];
    FontColor->addItem(Swatch(c), QString::fromLatin1(kColorNames[i]), ColorValueOf(c));
  }
}

QFont TDefaultFontDialog::Font() const {
  QFont font(name_);
  bool ok = false;
  const int size = FontSize->currentText().toInt(&ok);
  font.setPointSize(ok && size > 0 ? size : 10);
  font.setBold(Bold->isChecked());
  font.setItalic(Italic->isChecked());
  font.setUnderline(Underline->isChecked());
  return font;
}

void TDefaultFontDialog::SetFont(const QFont& font) {
  {
    const QSignalBlocker quiet(FontName);
    FontName->setCurrentFont(QFont(font.family()));
  }
  name_ = font.family();
  FontSize->setCurrentText(QString::number(font.pointSize() > 0 ? font.pointSize() : 10));
  Bold->setChecked(font.bold());
  Italic->setChecked(font.italic());
  Underline->setChecked(font.underline());
  ShowSample();
}

void TDefaultFontDialog::SetColorValue(int value) {
  color_ = value;
  const int index = FontColor->findData(value);
  if (index >= 0) {
    FontColor->setCurrentIndex(index);
  } else {
    // A system colour or one outside the table: shown as its own entry so that OK keeps it.
    const int own = FontColor->count() > 15 ? 15 : -1;
    const QString name = value < 0 ? QStringLiteral("System colour") : QStringLiteral("Custom");
    const QColor c = value < 0 ? palette().color(QPalette::WindowText) : ColorOfValue(value);
    if (own >= 0) {
      FontColor->setItemText(own, name);
      FontColor->setItemIcon(own, Swatch(c));
      FontColor->setItemData(own, value);
    } else {
      FontColor->addItem(Swatch(c), name, value);
    }
    FontColor->setCurrentIndex(15);
  }
  ShowSample();
}

void TDefaultFontDialog::ShowSample() {
  Sample->setFont(Font());
  QPalette p = Sample->palette();
  p.setColor(QPalette::WindowText, color_ < 0 ? palette().color(QPalette::WindowText) : ColorOfValue(color_));
  Sample->setPalette(p);
}

}  // namespace inkwend
