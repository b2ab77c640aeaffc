#include "richtext/toolbar/wp_toolbar.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QScreen>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>

#include "richtext/toolbar/wp_glyphs.h"

namespace inkwend {

namespace {

// COLORREF values, low byte red.
constexpr std::array<uint32_t, 16> kPaletteRefs = {0x000000, 0x0000FF, 0x008000, 0xFF0000, 0x00FFFF, 0xFF00FF,
                                                   0x800080, 0x000080, 0x00FF00, 0xFFFF00, 0x808000, 0x800000,
                                                   0xFFFFFF, 0xC0C0C0, 0x808080, 0x000000};

// The built-in icons in the order of their buttons, with the set and bit that enable each.
enum class Set : uint8_t { Status, Action, Database, Edit };
struct BuiltinIcon {
  const char* name;
  int group;
  int number;
  Set set;
  uint16_t bit;
};
constexpr BuiltinIcon kBuiltinIcons[] = {
    {"WPI_NORMAL", 256, 1, Set::Status, kSelNormal},
    {"WPI_BOLD", 256, 2, Set::Status, kSelBold},
    {"WPI_ITALIC", 256, 3, Set::Status, kSelItalic},
    {"WPI_UNDER", 256, 4, Set::Status, kSelUnder},
    {"WPI_SUPER", 256, 7, Set::Status, kSelSuper},
    {"WPI_SUB", 256, 8, Set::Status, kSelSub},
    {"WPI_STRIKEOUT", 256, 6, Set::Status, kSelStrikeOut},
    {"WPI_HYPERLINK", 256, 5, Set::Status, kSelHyperLink},
    {"WPI_HIDDEN", 256, 9, Set::Status, kSelHidden},
    {"WPI_RTFCODE", 256, 19, Set::Status, kSelRTFCode},
    {"WPI_LEFT", 512, 1, Set::Status, kSelLeft},
    {"WPI_CENTER", 512, 4, Set::Status, kSelCenter},
    {"WPI_JUSTIFIED", 512, 3, Set::Status, kSelBlock},
    {"WPI_RIGHT", 512, 2, Set::Status, kSelRight},
    {"WPI_New", 1024, 2, Set::Action, kSelNew},
    {"WPI_OPEN", 1024, 3, Set::Action, kSelOpen},
    {"WPI_SAVE", 1024, 4, Set::Action, kSelSave},
    {"WPI_CLOSE", 1024, 5, Set::Action, kSelClose},
    {"WPI_EXIT", 1024, 1, Set::Action, kSelExit},
    {"WPI_PRINT", 1280, 1, Set::Action, kSelPrint},
    {"WPI_PRINTSETUP", 1280, 2, Set::Action, kSelPrintSetup},
    {"WPI_TOSTART", 1536, 7, Set::Database, kSelToStart},
    {"WPI_PREV", 1536, 2, Set::Database, kSelPrev},
    {"WPI_NEXT", 1536, 1, Set::Database, kSelNext},
    {"WPI_TOEND", 1536, 8, Set::Database, kSelToEnd},
    {"WPI_ADD", 1536, 3, Set::Database, kSelAdd},
    {"WPI_DEL", 1536, 4, Set::Database, kSelDel},
    {"WPI_EDIT", 1536, 5, Set::Database, kSelEdit},
    {"WPI_CANCEL", 1536, 6, Set::Database, kSelCancel},
    {"WPI_POST", 1536, 9, Set::Database, kSelPost},
    {"WPI_SelAll", 768, 4, Set::Edit, kSelSelAll},
    {"WPI_HideSel", 768, 5, Set::Edit, kSelHideSel},
    {"WPI_CUT", 768, 2, Set::Edit, kSelCut},
    {"WPI_COPY", 768, 1, Set::Edit, kSelCopy},
    {"WPI_PASTE", 768, 3, Set::Edit, kSelPaste},
    {"WPI_FIND", 768, 6, Set::Edit, kSelFind},
    {"WPI_REPLACE", 768, 7, Set::Edit, kSelReplace},
    {"WPI_SPELL", 768, 8, Set::Edit, kSelSpellCheck},
};

constexpr const char* kHintNames[] = {
    "Normal", "Bold",    "Italic",  "Under",   "Hyperlink",  "StrikeOut", "Sub",  "Super",
    "Hidden", "RTFCode", "Left",    "Right",   "Justified",  "Center",    "Copy", "Cut",
    "Paste",  "SelAll",  "HideSel", "Find",    "Replace",    "Spell",     "Exit", "New",
    "Open",   "Save",    "Close",   "Print",   "PrintSetup", "Next",      "Prev", "Add",
    "Del",    "Edit",    "Cancel",  "ToStart", "ToEnd",      "Post"};

constexpr int kTagOffset = 10;  // a button's tag is its icon table index + 10
const char* const kTagProperty = "wpTag";
const char* const kGroupIndexProperty = "GroupIndex";
constexpr int kOutlineRole = Qt::UserRole + 1;  // cached: 1 outline font, 2 not, absent: unknown

int TextToInt(const QString& text) {
  bool ok = false;
  int n = text.trimmed().toInt(&ok);
  return ok ? n : 0;  // a size that does not convert counts as 0
}

// Whether the list shows `size` as its chosen row, as choosing that row would show it.
bool ShowsSize(const QComboBox& list, int size) {
  const int at = list.currentIndex();
  return at >= 0 && list.currentText() == list.itemText(at) && TextToInt(list.itemText(at)) == size;
}

// Draws the two-T mark of outline fonts: grey at (0,0), black at (3,3), 12 x 12.
void DrawOutlineMark(QPainter& p, const QPoint& at) {
  QFont f(QStringLiteral("Liberation Serif"));
  f.setPixelSize(10);
  f.setBold(true);
  p.save();
  p.setFont(f);
  p.setPen(QColor(128, 128, 128));
  p.drawText(QRect(at.x(), at.y(), 9, 9), Qt::AlignCenter, QStringLiteral("T"));
  p.setPen(Qt::black);
  p.drawText(QRect(at.x() + 3, at.y() + 3, 9, 9), Qt::AlignCenter, QStringLiteral("T"));
  p.restore();
}

void DrawSwatch(QPainter& p, const QRect& r, const QColor& c) {
  QRect box = r.adjusted(2, 2, -3, -3);
  p.fillRect(box, c);
  p.setPen(Qt::black);
  p.drawRect(box);
}

// Paints the items of the toolbar's lists: swatches for colours, the outline mark and
// optionally each face for font names.
class ListDelegate : public QStyledItemDelegate {
 public:
  ListDelegate(WPTBCombo* combo) : QStyledItemDelegate(combo), combo_(combo) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    using K = WPTBCombo::ComboKind;
    K kind = combo_->Kind();
    if (kind == K::FontName) {
      QStyleOptionViewItem o(option);
      initStyleOption(&o, index);
      QString text = o.text;
      o.text.clear();
      combo_->style()->drawControl(QStyle::CE_ItemViewItem, &o, p, o.widget);
      QRect r = option.rect;
      if (IsOutline(index)) DrawOutlineMark(*p, QPoint(r.left() + 1, r.top() + (r.height() - 12) / 2));
      QFont f = option.font;
      if (combo_->showFontFaces) {
        f.setFamily(text);
      }
      p->save();
      p->setFont(f);
      p->setPen(option.palette.color((option.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                             : QPalette::Text));
      p->drawText(r.adjusted(16, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
      p->restore();
      return;
    }
    if (kind == K::TextColor || kind == K::BackgroundColor || kind == K::ParColor) {
      QStyleOptionViewItem o(option);
      initStyleOption(&o, index);
      o.text.clear();
      combo_->style()->drawControl(QStyle::CE_ItemViewItem, &o, p, o.widget);
      int n = index.row();
      QColor c = combo_->Palette()[static_cast<size_t>(std::clamp(n, 0, 15))];
      if (n == 0 && kind != K::TextColor) c = option.palette.color(QPalette::Base);  // "none"
      DrawSwatch(*p, option.rect, c);
      return;
    }
    QStyledItemDelegate::paint(p, option, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    using K = WPTBCombo::ComboKind;
    if (combo_->Kind() == K::TextColor || combo_->Kind() == K::BackgroundColor ||
        combo_->Kind() == K::ParColor)
      s.setHeight(16);
    return s;
  }

  // Found out once per entry and kept with it.
  bool IsOutline(const QModelIndex& index) const {
    QVariant v = index.data(kOutlineRole);
    if (!v.isValid()) {
      bool outline = WPToolBar::IsOutlineFont(index.data(Qt::DisplayRole).toString());
      combo_->setItemData(index.row(), outline ? 1 : 2, kOutlineRole);
      return outline;
    }
    return v.toInt() == 1;
  }

 private:
  WPTBCombo* combo_;
};

}  // namespace

WPPalette DefaultToolPalette() {
  WPPalette p;
  for (size_t i = 0; i < 16; ++i) {
    uint32_t c = kPaletteRefs[i];
    p[i] = QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
  }
  return p;
}

// ---------------------------------------------------------------------------------------------
// WPCustomToolPanel

WPCustomToolPanel::WPCustomToolPanel(QWidget* parent) : QFrame(parent), palette_(DefaultToolPalette()) {}

WPCustomToolPanel::~WPCustomToolPanel() = default;

void WPCustomToolPanel::SetNextToolBar(WPCustomToolPanel* next) {
  next_ = next == this ? nullptr : next;
  if (next_) next_->SetPalette(palette_);
}

void WPCustomToolPanel::SetPalette(const WPPalette& palette) {
  palette_ = palette;
  update();
}

void WPCustomToolPanel::Message(const QString& text) {
  if (onMessage)
    onMessage(text);
  else
    QMessageBox::warning(this, QApplication::applicationName(), text);
}

bool WPCustomToolPanel::Forward(const std::function<void(WPCustomToolPanel&)>& f) {
  if (!next_) return false;
  if (forwarding_) {
    next_ = nullptr;  // cut the chain here, or the loop never ends
    Message(QString::fromLatin1(kErrNextToolBarLoop));
    return false;
  }
  forwarding_ = true;
  QPointer<WPCustomToolPanel> next = next_;
  f(*next);
  forwarding_ = false;
  return true;
}

bool WPCustomToolPanel::SetIconDown(int id, int group, int number) {
  bool found = false;
  bool previous = SetIconState(id, group, number, true, found);
  if (!found) Forward([&](WPCustomToolPanel& n) { previous = n.SetIconDown(id, group, number); });
  return previous;
}

bool WPCustomToolPanel::SetIconUp(int id, int group, int number) {
  bool found = false;
  bool previous = SetIconState(id, group, number, false, found);
  if (!found) Forward([&](WPCustomToolPanel& n) { previous = n.SetIconUp(id, group, number); });
  return previous;
}

bool WPCustomToolPanel::EnableIcon(int id, int group, int number, bool enabled) {
  bool found = false;
  bool previous = EnableIconHere(id, group, number, enabled, found);
  Forward([&](WPCustomToolPanel& n) {
    bool p = n.EnableIcon(id, group, number, enabled);
    if (!found) previous = p;
  });
  return previous;
}

void WPCustomToolPanel::ShowSelection(WpSelNr kind, const QString& text, int number) {
  ShowSelectionHere(kind, text, number);
  Forward([&](WPCustomToolPanel& n) { n.ShowSelection(kind, text, number); });
}

bool WPCustomToolPanel::SetIconState(int, int, int, bool, bool& found) {
  found = false;
  return false;
}

bool WPCustomToolPanel::EnableIconHere(int, int, int, bool, bool& found) {
  found = false;
  return false;
}

void WPCustomToolPanel::ShowSelectionHere(WpSelNr, const QString&, int) {}

// ---------------------------------------------------------------------------------------------
// WPTBCombo

WPTBCombo::WPTBCombo(ComboKind kind, WPCustomToolPanel* panel)
    : QComboBox(panel), kind_(kind), panel_(panel) {
  setItemDelegate(new ListDelegate(this));
  setFocusPolicy(Qt::ClickFocus);
  if (kind == ComboKind::FontName) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    lineEdit()->setMaxLength(31);
  }
  setMaxVisibleItems(16);
}

void WPTBCombo::paintEvent(QPaintEvent* e) {
  if (kind_ != ComboKind::TextColor && kind_ != ComboKind::BackgroundColor && kind_ != ComboKind::ParColor) {
    QComboBox::paintEvent(e);
    return;
  }
  QStylePainter p(this);
  QStyleOptionComboBox o;
  initStyleOption(&o);
  o.currentText.clear();
  o.currentIcon = QIcon();
  p.drawComplexControl(QStyle::CC_ComboBox, o);
  int n = currentIndex();
  if (n < 0) return;
  QRect r = style()->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, this);
  QColor c = Palette()[static_cast<size_t>(std::clamp(n, 0, 15))];
  if (n == 0 && kind_ != ComboKind::TextColor) c = palette().color(QPalette::Base);
  if (!isEnabled()) c = palette().color(QPalette::Disabled, QPalette::Button);
  DrawSwatch(p, r, c);
}

void WPTBCombo::showPopup() {
  QComboBox::showPopup();
  // Styles that open a list over the field show every item and ignore maxVisibleItems: cut
  // the pop-up to popupRows rows below the field (above it near the screen's bottom), scrolled
  // to the current item.
  QAbstractItemView* list = view();
  QWidget* popup = list->window();
  if (popupRows <= 0 || count() <= popupRows || popup == window()) return;
  const int frame = popup->height() - list->height();
  const int height = popupRows * list->sizeHintForRow(0) + frame;
  if (popup->height() <= height) return;
  QRect g(mapToGlobal(QPoint(0, this->height())), QSize(popup->width(), height));
  if (const QScreen* s = screen(); s && g.bottom() > s->availableGeometry().bottom())
    g.moveBottom(mapToGlobal(QPoint(0, 0)).y() - 1);
  popup->setGeometry(g);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list->scrollTo(list->currentIndex(), QAbstractItemView::PositionAtCenter);
}

// ---------------------------------------------------------------------------------------------
// WPToolBar

WPToolBar::WPToolBar(QWidget* parent) : WPCustomToolPanel(parent) {
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(11);
  setFont(f);
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setLineWidth(1);
  setMinimumHeight(30);
  alignmentGroup_ = new QButtonGroup(this);
  alignmentGroup_->setExclusive(true);
  // The lists exist from the start (hidden until wanted), so that their hints can be set early.
  using K = WPTBCombo::ComboKind;
  fontNames_ = CreateList(K::FontName);
  fontSizes_ = CreateList(K::FontSize);
  textColors_ = CreateList(K::TextColor);
  backColors_ = CreateList(K::BackgroundColor);
  parColors_ = CreateList(K::ParColor);
  styles_ = CreateList(K::Style);
}

WPToolBar::~WPToolBar() = default;

void WPToolBar::SetEditor(WPEditorLink* editor) {
  WPCustomToolPanel::SetEditor(editor);
  if (built_ && (listBoxes_ & kSelListStyle)) FillStyles();
}

void WPToolBar::RebuildIfBuilt() {
  if (built_ && isEnabled() && !building_) Rebuild();
}

void WPToolBar::SetSelListBoxes(uint8_t set) {
  listBoxes_ = set;
  RebuildIfBuilt();
}
void WPToolBar::SetSelStatusIcons(uint16_t set) {
  statusIcons_ = set;
  RebuildIfBuilt();
}
void WPToolBar::SetSelActionIcons(uint8_t set) {
  actionIcons_ = set;
  RebuildIfBuilt();
}
void WPToolBar::SetSelDatabaseIcons(uint16_t set) {
  databaseIcons_ = set;
  RebuildIfBuilt();
}
void WPToolBar::SetSelEditIcons(uint8_t set) {
  editIcons_ = set;
  RebuildIfBuilt();
}
void WPToolBar::SetFontChoice(inkwend::FontChoice choice) {
  if (fontChoice_ == choice) return;
  fontChoice_ = choice;
  if (fontNames_) fontNames_->clear();  // refilled from the other source
  RebuildIfBuilt();
}
void WPToolBar::SetFontSizeFrom(int size) {
  sizeFrom_ = std::clamp(size, 0, 999);
  if (fontSizes_) fontSizes_->clear();
  RebuildIfBuilt();
}
void WPToolBar::SetFontSizeTo(int size) {
  sizeTo_ = std::clamp(size, 0, 999);
  if (fontSizes_) fontSizes_->clear();
  RebuildIfBuilt();
}
void WPToolBar::SetWidthBetweenGroups(int pixels) {
  groupGap_ = std::max(0, pixels);
  if (built_ && isEnabled()) Flow();
}
void WPToolBar::SetShowFont(bool on) {
  showFont_ = on;
  if (fontNames_) fontNames_->showFontFaces = on;
}
void WPToolBar::SetAlign(ToolAlign align) {
  align_ = align;
  if (built_) Flow();
}
void WPToolBar::SetBevelOuter(GraphicPanel::Bevel bevel) {
  bevelOuter_ = bevel;
  update();
  if (built_) Flow();
}
void WPToolBar::SetBevelInner(GraphicPanel::Bevel bevel) {
  bevelInner_ = bevel;
  update();
  if (built_) Flow();
}

int WPToolBar::BevelSize() const {
  int b = 0;
  if (bevelOuter_ != GraphicPanel::Bevel::None) b += bevelWidth_;
  if (bevelInner_ != GraphicPanel::Bevel::None) b += bevelWidth_;
  return b;
}

const QStringList& WPToolBar::Hints() {
  if (hints_.isEmpty()) {
    for (const char* n : kHintNames) hints_ << QStringLiteral("WPI_%1=%1").arg(QLatin1String(n));
  }
  return hints_;
}

void WPToolBar::SetHints(const QStringList& hints) {
  hints_ = hints;
  for (int i = 1; i <= iconCount_; ++i) {
    auto& e = icons_[static_cast<size_t>(i)];
    if (e.button) e.button->setToolTip(HintFor(e.name));
  }
}

QString WPToolBar::HintFor(const QString& icon_name) {
  for (const QString& line : Hints()) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) continue;
    if (line.left(eq).trimmed().compare(icon_name, Qt::CaseInsensitive) == 0) return line.mid(eq + 1);
  }
  return {};
}

int WPToolBar::ButtonSize() const {
  QFont f = font();
  int height = f.pixelSize();
  if (height <= 0) height = qRound(f.pointSizeF() * logicalDpiY() / 72.0);
  return height + 9;
}

bool WPToolBar::IsOutlineFont(const QString& family) {
  return QFontDatabase::isSmoothlyScalable(family) || QFontDatabase::isScalable(family);
}

void WPToolBar::AddControl(QWidget* control) {
  if (!control) return;
  size_t total = 0;
  for (const auto& c : controls_)
    if (c) ++total;
  if (total >= kMaxControls) return;
  control->setParent(this);
  control->show();
  added_.push_back(control);
  controls_.push_back(control);
  if (!flowPosted_) {
    flowPosted_ = true;
    QTimer::singleShot(0, this, [this] {
      flowPosted_ = false;
      Flow();
    });
  }
}

void WPToolBar::AddIcon(const QString& name, int id, int number, int group) {
  if (iconCount_ >= kMaxIcons) return;
  addedIcons_.push_back({name.left(20), id, number, group});
  auto& e = icons_[static_cast<size_t>(++iconCount_)];
  e.name = name.left(20);
  e.id = id;
  e.number = number;
  e.group = group;
  if (!building_) Rebuild();
}

int WPToolBar::FindIcon(int id, int group, int number) const {
  for (int i = 1; i <= iconCount_; ++i) {
    const auto& e = icons_[static_cast<size_t>(i)];
    if (id != 0) {
      if (e.id == id) return i;
    } else if (e.group == group && (number == 0 || e.number == number)) {
      return i;
    }
  }
  return 0;
}

QToolButton* WPToolBar::IconButton(const QString& name) const {
  for (int i = 1; i <= iconCount_; ++i) {
    const auto& e = icons_[static_cast<size_t>(i)];
    if (e.name.compare(name, Qt::CaseInsensitive) == 0) return e.button;
  }
  return nullptr;
}

void WPToolBar::FillIconTable() {
  for (auto& e : icons_) e = WPIconEntry{QString(), 0, 0, 0, e.button};
  iconCount_ = 0;
  auto append = [&](const QString& name, int group, int number, int id) {
    if (iconCount_ >= kMaxIcons) return;
    auto& e = icons_[static_cast<size_t>(++iconCount_)];
    e.name = name;
    e.group = group;
    e.number = number;
    e.id = id;
  };
  for (const auto& b : kBuiltinIcons) {
    uint16_t set = 0;
    switch (b.set) {
      case Set::Status:
        set = statusIcons_;
        break;
      case Set::Action:
        set = actionIcons_;
        break;
      case Set::Database:
        set = databaseIcons_;
        break;
      case Set::Edit:
        set = editIcons_;
        break;
    }
    if (set & b.bit) append(QLatin1String(b.name), b.group, b.number, 0);
  }
  for (const auto& a : addedIcons_) append(a.name, a.group, a.number, a.id);
}

WPTBCombo* WPToolBar::CreateList(WPTBCombo::ComboKind kind) {
  auto* list = new WPTBCombo(kind, this);
  list->hide();
  connect(list, &QComboBox::activated, this, [this, list](int item) { ListChosen(list, item); });
  return list;
}

WPTBCombo* WPToolBar::MakeList(WPTBCombo*& list, WPTBCombo::ComboKind kind, bool wanted) {
  if (!wanted) {
    if (list) list->hide();
    return nullptr;
  }
  if (!list) list = CreateList(kind);
  list->show();
  return list;
}

QStringList WPToolBar::FamilyNames(const QStringList& families) {
  // A family installed by several foundries is listed as "C059 [UKWN]", "C059 [urw]": the user
  // chooses a family, and the name a document stores is the bare one.
  QStringList names;
  names.reserve(families.size());
  for (const QString& f : families) {
    const qsizetype bracket = f.lastIndexOf(QLatin1String(" ["));
    names << (bracket > 0 && f.endsWith(QLatin1Char(']')) ? f.left(bracket) : f);
  }
  auto less = [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  };
  std::sort(names.begin(), names.end(), less);
  auto same = [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
  names.erase(std::unique(names.begin(), names.end(), same), names.end());
  return names;
}

void WPToolBar::FillFontNames() {
  if (fontNames_->count() > 0) return;
  QStringList families = QFontDatabase::families();
  if (fontChoice_ == inkwend::FontChoice::PrinterFonts) {
    // A printer prints outline fonts; bitmap faces of the screen are left out. The printers are
    // only asked for when there is a bitmap face to leave out: asking loads the system's printing
    // back end, a noticeable part of the start-up time.
    QStringList outline;
    for (const QString& f : families)
      if (IsOutlineFont(f)) outline << f;
    if (!outline.isEmpty() && outline.size() != families.size() &&
        !QPrinterInfo::availablePrinterNames().isEmpty())
      families = outline;
  }
  families = FamilyNames(families);
  fontNames_->addItems(families);
  QFontMetrics fm(font());
  int widest = 0;
  for (const QString& f : families) widest = std::max(widest, fm.horizontalAdvance(f));
  fontNames_->setFixedWidth(widest + fm.horizontalAdvance(QStringLiteral("    ")) + 16);
  fontNames_->view()->setMinimumWidth(widest + 40);
}

void WPToolBar::FillSizes() {
  if (fontSizes_->count() > 0) return;
  int from = sizeFrom_ == 0 ? 1 : sizeFrom_;
  for (int s = from; s <= sizeTo_; ++s) fontSizes_->addItem(QStringLiteral(" %1").arg(s));
  // About a dozen rows with a scroll bar, not a screen-high column of sizes.
  fontSizes_->setMaxVisibleItems(kSizeListRows);
  fontSizes_->popupRows = kSizeListRows;
  QFontMetrics fm(font());
  fontSizes_->setFixedWidth(fm.horizontalAdvance(QLatin1Char('8')) * 3 + 24);
}

void WPToolBar::FillColors(WPTBCombo* list) {
  if (list->count() == 0)
    for (int i = 0; i < 16; ++i) list->addItem(QString::number(i));
  QFontMetrics fm(font());
  list->setFixedWidth(fm.horizontalAdvance(QLatin1Char('A')) + 32);
}

void WPToolBar::FillStyles() {
  QStringList names = Editor() ? Editor()->StyleNames() : QStringList();
  QString current = styles_->currentText();
  styles_->clear();
  styles_->addItems(names);
  int i = styles_->findText(current);
  if (i >= 0) styles_->setCurrentIndex(i);
  QFontMetrics fm(font());
  styles_->setFixedWidth(fm.horizontalAdvance(QStringLiteral("Blocksatz")) + 24);
}

void WPToolBar::MakeButtons() {
  int side = ButtonSize();
  for (int i = 1; i <= iconCount_; ++i) {
    auto& e = icons_[static_cast<size_t>(i)];
    if (!e.button) {
      if (!spareButtons_.empty()) {
        e.button = spareButtons_.back();
        spareButtons_.pop_back();
      } else {
        e.button = new QToolButton(this);
        e.button->setAutoRaise(false);
        e.button->setFocusPolicy(Qt::NoFocus);
        QToolButton* b = e.button;
        connect(b, &QToolButton::clicked, this,
                [this, b] { IconClicked(b->property(kTagProperty).toInt() - kTagOffset); });
      }
    }
    QToolButton* b = e.button;
    b->hide();
    b->setProperty(kTagProperty, i + kTagOffset);
    b->setObjectName(e.name);
    b->setFixedSize(side, side);
    b->setCheckable(true);
    alignmentGroup_->removeButton(b);
    if (e.group == kGroupAlignment) {
      b->setProperty(kGroupIndexProperty, kGroupAlignment);
      alignmentGroup_->addButton(b);
    } else {
      b->setProperty(kGroupIndexProperty, e.group + i);
      b->setChecked(false);
    }
    QIcon glyph = WPIGlyph(e.name);
    b->setIcon(glyph);
    b->setIconSize(QSize(16, 16));
    b->setToolTip(HintFor(e.name));
    b->setAccessibleName(e.name);
  }
  // The alignment group is never all up: left starts down.
  if (alignmentGroup_->checkedButton() == nullptr) {
    int left = FindIcon(0, kGroupAlignment, 1);
    if (left) icons_[static_cast<size_t>(left)].button->setChecked(true);
  }
  // Buttons of slots beyond the count are kept for later rebuilds, out of sight.
  for (size_t i = static_cast<size_t>(iconCount_) + 1; i < icons_.size(); ++i) {
    if (icons_[i].button) {
      icons_[i].button->hide();
      alignmentGroup_->removeButton(icons_[i].button);
      spareButtons_.push_back(icons_[i].button);
      icons_[i].button = nullptr;
    }
  }
  for (int i = 1; i <= iconCount_; ++i) icons_[static_cast<size_t>(i)].button->show();
}

void WPToolBar::Rebuild() {
  if (building_) return;
  building_ = true;
  FillIconTable();
  std::vector<QPointer<QWidget>> order;
  using K = WPTBCombo::ComboKind;
  if (MakeList(fontNames_, K::FontName, listBoxes_ & kSelListFontName)) {
    fontNames_->showFontFaces = showFont_;
    FillFontNames();
    order.push_back(fontNames_);
  }
  if (MakeList(fontSizes_, K::FontSize, listBoxes_ & kSelListFontSize)) {
    FillSizes();
    order.push_back(fontSizes_);
  }
  if (MakeList(textColors_, K::TextColor, listBoxes_ & kSelListFontColor)) {
    FillColors(textColors_);
    order.push_back(textColors_);
  }
  if (MakeList(backColors_, K::BackgroundColor, listBoxes_ & kSelListBackgroundColor)) {
    FillColors(backColors_);
    order.push_back(backColors_);
  }
  if (MakeList(parColors_, K::ParColor, listBoxes_ & kSelListParColor)) {
    FillColors(parColors_);
    order.push_back(parColors_);
  }
  if (MakeList(styles_, K::Style, listBoxes_ & kSelListStyle)) {
    FillStyles();
    order.push_back(styles_);
  }
  MakeButtons();
  for (int i = 1; i <= iconCount_; ++i) order.push_back(icons_[static_cast<size_t>(i)].button);
  for (const auto& a : added_)
    if (a && order.size() < kMaxControls) order.push_back(a);
  controls_ = std::move(order);
  built_ = true;
  building_ = false;
  Flow();
}

int WPToolBar::GroupOf(const QWidget* control) const {
  return control->property(kGroupIndexProperty).toInt() / 256;
}

namespace {
// A control keeps a size it was given (fixed or resized); otherwise it takes its natural one.
QSize FlowSize(const QWidget* w) {
  const QSize hint = w->sizeHint();
  const bool sized = w->testAttribute(Qt::WA_Resized);
  const int cw = w->minimumWidth() == w->maximumWidth() ? w->minimumWidth()
                 : sized                                ? w->width()
                                                        : hint.width();
  const int ch = w->minimumHeight() == w->maximumHeight() ? w->minimumHeight()
                 : sized                                  ? w->height()
                                                          : hint.height();
  return {cw, ch};
}
}  // namespace

int WPToolBar::OneRowWidth() {
  if (!built_) Rebuild();
  const int b = BevelSize();
  int x = b + 2;
  bool have_previous_button = false;
  int previous_group = 0;
  for (const auto& c : controls_) {
    if (!c) continue;
    if (qobject_cast<QToolButton*>(c.data()) != nullptr) {
      const int group = GroupOf(c);
      if ((!have_previous_button || group != previous_group) && x > 10) x += groupGap_;
      previous_group = group;
      have_previous_button = true;
    } else {
      x += 2;
    }
    x += FlowSize(c).width();
  }
  return x + b + 2;
}

void WPToolBar::Flow() {
  int b = BevelSize();
  int x = b + 2, y = b + 2, row_height = 0;
  bool have_previous_button = false;
  int previous_group = 0;
  for (const auto& c : controls_) {
    if (!c) continue;
    QWidget* w = c;
    const QSize size = FlowSize(w);
    const int cw = size.width(), ch = size.height();
    bool speed_button = qobject_cast<QToolButton*>(w) != nullptr;
    if (x + cw > width() - b && x > 4) {
      x = b + 2;
      y += row_height + 4;
      row_height = 0;
    }
    if (speed_button) {
      int group = GroupOf(w);
      if ((!have_previous_button || group != previous_group) && x > 10) x += groupGap_;
      previous_group = group;
      have_previous_button = true;
    } else {
      x += 2;
    }
    w->setGeometry(x, speed_button ? y - 1 : y, cw, ch);
    row_height = std::max(row_height, ch);
    x += cw;
  }
  if (align_ != ToolAlign::None && y + row_height != height()) {
    int h = b + row_height + y + 2;
    if (h != height()) {
      setFixedHeight(h);
      if (parentWidget() && parentWidget()->layout()) parentWidget()->layout()->invalidate();
    }
  }
}

void WPToolBar::showEvent(QShowEvent* e) {
  WPCustomToolPanel::showEvent(e);
  if (!built_) Rebuild();
}

void WPToolBar::resizeEvent(QResizeEvent* e) {
  WPCustomToolPanel::resizeEvent(e);
  if (built_) Flow();
}

void WPToolBar::changeEvent(QEvent* e) {
  // Qt keeps each button's own enabled state while the toolbar is disabled and restores it on
  // enabling; the lists draw their text grey while disabled.
  WPCustomToolPanel::changeEvent(e);
  if (e->type() == QEvent::EnabledChange && isEnabled() && !built_ && isVisible()) Rebuild();
}

void WPToolBar::paintEvent(QPaintEvent* e) {
  QFrame::paintEvent(e);
  if (bevelOuter_ == GraphicPanel::Bevel::None && bevelInner_ == GraphicPanel::Bevel::None) return;
  QPainter p(this);
  QColor light = palette().color(QPalette::Light), dark = palette().color(QPalette::Dark);
  auto bevel = [&](QRect r, GraphicPanel::Bevel kind) {
    if (kind == GraphicPanel::Bevel::None) return r;
    QColor tl = kind == GraphicPanel::Bevel::Raised ? light : dark,
           br = kind == GraphicPanel::Bevel::Raised ? dark : light;
    p.setPen(tl);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(br);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    return r.adjusted(1, 1, -1, -1);
  };
  QRect r = bevel(rect(), bevelOuter_);
  bevel(r, bevelInner_);
}

// --- state shown from the editor ---

bool WPToolBar::SetIconState(int id, int group, int number, bool down, bool& found) {
  int i = FindIcon(id, group, number);
  found = i != 0 && icons_[static_cast<size_t>(i)].button;
  if (!found) return false;
  QToolButton* b = icons_[static_cast<size_t>(i)].button;
  bool previous = b->isChecked();
  if (b->isChecked() != down) {
    if (group == kGroupAlignment && !down) {
      // The radio group cannot go all up through one button; leave it as it is.
      return previous;
    }
    b->setChecked(down);
  }
  return previous;
}

bool WPToolBar::EnableIconHere(int id, int group, int number, bool enabled, bool& found) {
  bool previous = false;
  found = false;
  for (int i = 1; i <= iconCount_; ++i) {
    const auto& e = icons_[static_cast<size_t>(i)];
    bool match = id != 0 ? e.id == id : (e.group == group && (number == 0 || e.number == number));
    if (!match || !e.button) continue;
    if (!found) previous = e.button->isEnabledTo(this);
    found = true;
    e.button->setEnabled(enabled);
  }
  return previous;
}

void WPToolBar::ShowSelectionHere(WpSelNr kind, const QString& text, int number) {
  switch (kind) {
    case kSelFontName:
      if (fontNames_) {
        const int i = fontNameIndex_.Find(*fontNames_, text);  // ignoring case
        if (i >= 0)
          fontNames_->setCurrentIndex(i);
        else if (!text.isEmpty())
          fontNames_->setEditText(text);  // a face this machine lacks is still named
      }
      break;
    case kSelFontSize:
      // Most keys leave the size as it was: then the list is not searched.
      if (fontSizes_ && number > 6 && !ShowsSize(*fontSizes_, number)) {
        for (int i = 0; i < fontSizes_->count(); ++i)
          if (TextToInt(fontSizes_->itemText(i)) == number) {
            fontSizes_->setCurrentIndex(i);
            break;
          }
      }
      break;
    case kSelTextColor:
    case kSelBackgroundColor:
    case kSelParColor: {
      WPTBCombo* list = kind == kSelTextColor         ? textColors_
                        : kind == kSelBackgroundColor ? backColors_
                                                      : parColors_;
      if (list && number >= 0 && number < list->count()) list->setCurrentIndex(number);
      break;
    }
    default:
      break;
  }
}

void WPToolBar::DisplayFont(const QString& name, int point_size, const QColor& color, const QColor* brush) {
  ShowSelection(kSelFontName, name, 0);
  ShowSelection(kSelFontSize, QString(), point_size);
  const WPPalette& pal = Palette();
  for (int i = 0; i < 15; ++i)
    if (pal[static_cast<size_t>(i)].rgb() == color.rgb()) {
      ShowSelection(kSelTextColor, QString(), i);
      break;
    }
  if (brush) {
    if (brush->rgb() == QColor(Qt::white).rgb()) {
      ShowSelection(kSelBackgroundColor, QString(), 0);
    } else {
      // Entry 0 means "none" in this list, so a black brush is shown as the second black (15).
      for (int i = 1; i < 16; ++i)
        if (pal[static_cast<size_t>(i)].rgb() == brush->rgb()) {
          ShowSelection(kSelBackgroundColor, QString(), i);
          break;
        }
    }
  }
}

void WPToolBar::ShowAttributes(const WPCaretAttributes& a) {
  QColor brush = a.hasBackground ? a.background : QColor(Qt::white);
  DisplayFont(a.fontName, a.pointSize, a.textColor, &brush);
  auto show = [&](int number, bool down) {
    if (down)
      SetIconDown(0, kGroupCharacter, number);
    else
      SetIconUp(0, kGroupCharacter, number);
  };
  show(2, a.bold);
  show(3, a.italic);
  show(4, a.underline);
  show(5, a.hyperlink);
  show(6, a.strikeOut);
  show(7, a.superscript);
  show(8, a.subscript);
  show(9, a.hidden);
  show(19, a.rtfCode);
  if (a.alignment >= 1 && a.alignment <= 4) SetIconDown(0, kGroupAlignment, a.alignment);
}

// --- clicks ---

void WPToolBar::UpdateTheObject(WpSelNr kind, const QString& text, int number) {
  QWidget* w = updateObject_;
  if (!w) return;
  bool plain = qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
               qobject_cast<QLineEdit*>(w) || qobject_cast<QLabel*>(w) || qobject_cast<QFrame*>(w);
  if (!plain) return;
  QFont f = w->font();
  QPalette pal = w->palette();
  switch (kind) {
    case kSelFontName:
      if (!text.trimmed().isEmpty()) f.setFamily(text.trimmed());
      break;
    case kSelFontSize:
      if (number > 0) f.setPointSize(number);
      break;
    case kSelTextColor:
      if (number >= 0 && number < 16) {
        pal.setColor(QPalette::Text, Palette()[static_cast<size_t>(number)]);
        pal.setColor(QPalette::WindowText, Palette()[static_cast<size_t>(number)]);
      }
      break;
    case kSelIconDown:
    case kSelIconUp: {
      bool on = kind == kSelIconDown;
      if (number == 1) {
        f.setBold(false);
        f.setItalic(false);
        f.setUnderline(false);
        f.setStrikeOut(false);
      } else if (number == 2) {
        f.setBold(on);
      } else if (number == 3) {
        f.setItalic(on);
      } else if (number == 4) {
        f.setUnderline(on);
      } else if (number == 6) {
        f.setStrikeOut(on);
      }
      break;
    }
    default:
      break;
  }
  w->setFont(f);
  w->setPalette(pal);
}

void WPToolBar::Deliver(const WPToolCommand& command) {
  if (WPEditorLink* editor = Editor()) {
    editor->FocusEditor();
    editor->ToolbarCommand(command);
  }
}

void WPToolBar::IconClicked(int index) {
  if (index < 1 || index > iconCount_) return;
  WPIconEntry entry = icons_[static_cast<size_t>(index)];
  QPointer<QToolButton> button = entry.button;
  if (!button) return;
  WpSelNr kind = button->isChecked() ? kSelIconDown : kSelIconUp;
  QPointer<WPToolBar> self(this);
  if (onIconSelection) onIconSelection(*this, kind, entry.name, entry.group, entry.number, entry.id);
  if (!self) return;
  if (kind != 0) {
    if (entry.group == kGroupCharacter) UpdateTheObject(kind, QString(), entry.number);
    // Superscript and subscript exclude each other.
    if (kind == kSelIconDown && entry.group == kGroupCharacter && (entry.number == 7 || entry.number == 8))
      SetIconUp(0, kGroupCharacter, entry.number == 7 ? 8 : 7);
    WPToolCommand command;
    command.kind = kind;
    command.group = entry.group;
    command.number = entry.number;
    command.iconName = entry.name;
    command.id = entry.id;
    Deliver(command);
    if (!self) return;
  }
  // Commands are push buttons: up again once delivered.
  if (button && (entry.group == kGroupEdit || entry.group == kGroupFile || entry.group == kGroupPrint))
    button->setChecked(false);
}

void WPToolBar::ListChosen(WPTBCombo* list, int item) {
  using K = WPTBCombo::ComboKind;
  WpSelNr kind = 0;
  switch (list->Kind()) {
    case K::FontName:
      kind = kSelFontName;
      break;
    case K::FontSize:
      kind = kSelFontSize;
      break;
    case K::TextColor:
      kind = kSelTextColor;
      break;
    case K::Style:
      kind = kSelStyle;
      break;
    case K::BackgroundColor:
      kind = kSelBackgroundColor;
      break;
    case K::ParColor:
      kind = kSelParColor;
      break;
  }
  QString text = item >= 0 ? list->itemText(item) : list->currentText();
  if (list->Kind() == K::FontName) text = text.trimmed().left(31);
  if (text.isEmpty()) return;
  int number = list->Kind() == K::Style ? item : TextToInt(text);
  QPointer<WPToolBar> self(this);
  UpdateTheObject(kind, text, number);
  if (onSelection) onSelection(*this, kind, text, number);
  if (!self || kind == 0) return;
  WPToolCommand command;
  command.kind = kind;
  command.text = text;
  command.number = number;
  Deliver(command);
}

}  // namespace inkwend
