#include "decor/symbol_picker.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>

#include "richtext/model/text_header.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

namespace {

constexpr int kItemHeight = 26;
constexpr int kCodeRole = Qt::UserRole + 1;
constexpr int kMaxFontName = 31;

// What a diary writer reaches for: faces, hearts, weather, celebrations, nature, activities,
// food, travel, signs, then typographic and other special characters.
constexpr char32_t kEmoji[] = {
    0x1F600, 0x1F601, 0x1F602, 0x1F60A, 0x1F60D, 0x1F618, 0x1F60E, 0x1F914, 0x1F610, 0x1F644, 0x1F62E,
    0x1F622, 0x1F62D, 0x1F620, 0x1F621, 0x1F631, 0x1F634, 0x1F912, 0x1F973, 0x1F970, 0x1F607, 0x1F643,
    0x1F609, 0x1F44D, 0x1F44E, 0x1F44F, 0x1F64F, 0x1F4AA, 0x1F44B, 0x270C,  0x2764,  0x1F494, 0x1F495,
    0x1F49B, 0x1F49A, 0x1F499, 0x1F49C, 0x2600,  0x26C5,  0x2601,  0x1F327, 0x26C8,  0x2744,  0x1F308,
    0x1F319, 0x2B50,  0x1F31F, 0x1F525, 0x1F382, 0x1F381, 0x1F389, 0x1F388, 0x1F384, 0x1F383, 0x1F490,
    0x1F339, 0x1F33B, 0x1F337, 0x1F333, 0x1F342, 0x1F436, 0x1F431, 0x1F426, 0x1F98B, 0x26BD,  0x1F3BE,
    0x1F6B4, 0x1F3C3, 0x1F3B5, 0x1F3A8, 0x1F4DA, 0x270F,  0x2615,  0x1F375, 0x1F37D, 0x1F355, 0x1F370,
    0x1F377, 0x1F34E, 0x1F3E0, 0x1F697, 0x2708,  0x1F686, 0x1F3D6, 0x26F0,  0x1F4BC, 0x1F4BB, 0x1F4DE,
    0x2709,  0x1F4C5, 0x23F0,  0x1F48A, 0x1F3E5, 0x1F4B0, 0x1F6D2, 0x1F4A1, 0x2705,  0x274C,  0x2753,
    0x2757,  0x26A0,  0x1F4CC, 0x2714,  0x2716,  0x2605,  0x2606,  0x2665,  0x2666,  0x2663,  0x2660,
    0x263A,  0x2639,  0x266A,  0x266B,  0x2192,  0x2190,  0x2191,  0x2193,  0x21D2,  0x2022,  0x2013,
    0x2014,  0x2026,  0x00A7,  0x00B6,  0x2020,  0x00A9,  0x00AE,  0x2122,  0x00B0,  0x00B1,  0x00D7,
    0x00F7,  0x2248,  0x2260,  0x2264,  0x2265,  0x221E,  0x00BD,  0x00BC,  0x00BE,  0x2030,  0x20AC,
    0x00A3,  0x00A5,  0x00A2,  0x00AB,  0x00BB,  0x201E,  0x201C,  0x201D,  0x2018,  0x2019,  0x00BF,
    0x00A1,  0x2713,
};

// The family that draws emoji in colour when one is installed.
QString EmojiFamily() {
  for (const QString& family : QFontDatabase::families()) {
    if (family.contains(QLatin1String("Emoji"), Qt::CaseInsensitive)) return family;
  }
  return {};
}

QListWidget* GridList(QWidget* parent, const char* object_name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(object_name));
  list->setFlow(QListView::LeftToRight);
  list->setWrapping(true);
  list->setResizeMode(QListView::Adjust);
  list->setMovement(QListView::Static);
  list->setUniformItemSizes(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setGridSize(QSize(32, kItemHeight));
  return list;
}

}  // namespace

QStringList SymbolPicker::InstalledSymbolFonts() {
  QStringList fonts = QFontDatabase::families(QFontDatabase::Symbol);
  fonts.removeDuplicates();
  fonts.sort(Qt::CaseInsensitive);
  return fonts;
}

SymbolPicker::SymbolPicker(QWidget* parent, std::function<void(const QString&)> on_no_fonts,
                           std::optional<QStringList> symbol_fonts)
    : QDialog(parent) {
  setObjectName(QStringLiteral("SymbolPicker"));
  setWindowTitle(QStringLiteral("Symbol Picker"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFont(QFont(QStringLiteral("Arial")));
  resize(530, 371);
  pages_ = new QTabWidget(this);
  pages_->addTab(CreateSymbolPage(), QStringLiteral("&Symbols"));
  pages_->addTab(CreateEmojiPage(), QStringLiteral("&Emoji and special characters"));
  okButton_ = new QPushButton(QStringLiteral("Ok"), this);
  okButton_->setObjectName(QStringLiteral("CopyCharButton"));
  okButton_->setToolTip(QStringLiteral("Copy the selected symbol to the label"));
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("OKButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_, 1);
  layout->addLayout(buttons);
  connect(okButton_, &QPushButton::clicked, this, [this] { CopyCharButtonClick(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(pages_, &QTabWidget::currentChanged, this,
          [this](int page) { page == 0 ? SymbolListClick() : EmojiListClick(); });

  LoadFontsList(symbol_fonts ? *symbol_fonts : InstalledSymbolFonts());
  if (noFonts_ && on_no_fonts) on_no_fonts(QStringLiteral("No Symbol fonts installed"));
}

QWidget* SymbolPicker::CreateSymbolPage() {
  auto* page = new QWidget(this);
  symbolSets_ = new QComboBox(page);
  symbolSets_->setObjectName(QStringLiteral("SymbolSets"));
  symbolSets_->setToolTip(QStringLiteral("Select a symbol font set"));
  auto* label = new QLabel(QStringLiteral("&Font"), page);
  label->setBuddy(symbolSets_);
  symbolList_ = GridList(page, "SymbolList");
  QFont wingdings(QStringLiteral("Wingdings"));
  wingdings.setPixelSize(24);
  symbolList_->setFont(wingdings);
  for (int code = 32; code <= 255; ++code) {
    auto* item = new QListWidgetItem(QString(QChar(code)), symbolList_);
    item->setData(kCodeRole, code);
    item->setTextAlignment(Qt::AlignCenter);
  }
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(symbolSets_, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(row);
  layout->addWidget(symbolList_, 1);
  connect(symbolSets_, &QComboBox::activated, this, [this] { SymbolSetsClick(); });
  connect(symbolList_, &QListWidget::currentRowChanged, this, [this] { SymbolListClick(); });
  connect(symbolList_, &QListWidget::itemDoubleClicked, this, [this] { CopyCharButtonClick(); });
  return page;
}

QWidget* SymbolPicker::CreateEmojiPage() {
  auto* page = new QWidget(this);
  emojiList_ = GridList(page, "EmojiList");
  QFont font = emojiList_->font();
  const QString emoji_family = EmojiFamily();
  if (!emoji_family.isEmpty()) font.setFamilies({emoji_family, font.family()});
  font.setPixelSize(20);
  emojiList_->setFont(font);
  const QFontMetrics metrics(font);
  for (const char32_t c : kEmoji) {
    // Only what some installed font can draw; Qt falls back across fonts for each character.
    if (!metrics.inFontUcs4(c) && emoji_family.isEmpty()) continue;
    auto* item = new QListWidgetItem(QString::fromUcs4(&c, 1), emojiList_);
    item->setTextAlignment(Qt::AlignCenter);
  }
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(emojiList_, 1);
  connect(emojiList_, &QListWidget::currentRowChanged, this, [this] { EmojiListClick(); });
  connect(emojiList_, &QListWidget::itemDoubleClicked, this, [this] { CopyCharButtonClick(); });
  return page;
}

void SymbolPicker::LoadFontsList(const QStringList& fonts) {
  symbolSets_->clear();
  QStringList sorted = fonts;
  sorted.sort(Qt::CaseInsensitive);
  symbolSets_->addItems(sorted);
  noFonts_ = sorted.isEmpty();
  if (noFonts_) return;
  int preselected = 0;
  for (int i = 0; i < sorted.size(); ++i) {
    if (sorted[i].toUpper().contains(QLatin1String("WINGDING"))) {
      preselected = i;
      break;
    }
  }
  symbolSets_->setCurrentIndex(preselected);
  QFont font = symbolList_->font();
  font.setFamily(sorted[preselected]);
  symbolList_->setFont(font);
  symbolList_->setCurrentRow(0);
}

int SymbolPicker::exec() {
  if (noFonts_) return QDialog::Rejected;
  return QDialog::exec();
}

void SymbolPicker::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  SymbolListClick();  // FormActivate: the selected character is the result from the start
}

void SymbolPicker::SymbolSetsClick() {
  QFont font = symbolList_->font();
  font.setFamily(symbolSets_->currentText());
  symbolList_->setFont(font);
  fontName_ = symbolSets_->currentText();
}

void SymbolPicker::SymbolListClick() {
  const QListWidgetItem* item = symbolList_->currentItem();
  if (!item) return;
  character_ = QString(QChar(item->data(kCodeRole).toInt()));
  fontName_ = symbolList_->font().family();
}

void SymbolPicker::EmojiListClick() {
  const QListWidgetItem* item = emojiList_->currentItem();
  fontName_.clear();
  character_ = item ? item->text() : QString();
}

void SymbolPicker::CopyCharButtonClick() {
  if (!fontName_.isEmpty() || !character_.isEmpty()) accept();
}

void SymbolPicker::InsertInto(WPRichText& editor) const {
  if (character_.isEmpty()) return;
  if (fontName_.isEmpty()) {
    editor.InsertText(character_);
    return;
  }
  CharAttr attr = editor.GetCurrentAttr();
  const int index = editor.FontIndexOf(fontName_.left(kMaxFontName));
  if (index < 0) return;
  // A symbol font's bytes are kept as U+F0xx and written back as those bytes.
  editor.Memo().Document().header.fonts[static_cast<size_t>(index)].charSet = kSymbolCharSet;
  attr.fontIndex = static_cast<uint8_t>(index);
  editor.SetCurrentAttr(attr);
  const char32_t symbol = 0xF000 + character_.front().unicode();
  editor.InsertText(QString::fromUcs4(&symbol, 1));
  editor.Refresh();
}

}  // namespace inkwend
