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
enum class TSet : uint8_t { Status, Action, Database, Edit };
struct TBuiltinIcon {
  const char* Name;
  int Group;
  int Number;
  TSet Set;
  uint16_t Bit;
};
constexpr TBuiltinIcon kBuiltinIcons[] = {
    {"WPI_NORMAL", 256, 1, TSet::Status, SelNormal},
    {"WPI_BOLD", 256, 2, TSet::Status, SelBold},
    {"WPI_ITALIC", 256, 3, TSet::Status, SelItalic},
    {"WPI_UNDER", 256, 4, TSet::Status, SelUnder},
    {"WPI_SUPER", 256, 7, TSet::Status, SelSuper},
    {"WPI_SUB", 256, 8, TSet::Status, SelSub},
    {"WPI_STRIKEOUT", 256, 6, TSet::Status, SelStrikeOut},
    {"WPI_HYPERLINK", 256, 5, TSet::Status, SelHyperLink},
    {"WPI_HIDDEN", 256, 9, TSet::Status, SelHidden},
    {"WPI_RTFCODE", 256, 19, TSet::Status, SelRTFCode},
    {"WPI_LEFT", 512, 1, TSet::Status, SelLeft},
    {"WPI_CENTER", 512, 4, TSet::Status, SelCenter},
    {"WPI_JUSTIFIED", 512, 3, TSet::Status, SelBlock},
    {"WPI_RIGHT", 512, 2, TSet::Status, SelRight},
    {"WPI_New", 1024, 2, TSet::Action, SelNew},
    {"WPI_OPEN", 1024, 3, TSet::Action, SelOpen},
    {"WPI_SAVE", 1024, 4, TSet::Action, SelSave},
    {"WPI_CLOSE", 1024, 5, TSet::Action, SelClose},
    {"WPI_EXIT", 1024, 1, TSet::Action, SelExit},
    {"WPI_PRINT", 1280, 1, TSet::Action, SelPrint},
    {"WPI_PRINTSETUP", 1280, 2, TSet::Action, SelPrintSetup},
    {"WPI_TOSTART", 1536, 7, TSet::Database, SelToStart},
    {"WPI_PREV", 1536, 2, TSet::Database, SelPrev},
    {"WPI_NEXT", 1536, 1, TSet::Database, SelNext},
    {"WPI_TOEND", 1536, 8, TSet::Database, SelToEnd},
    {"WPI_ADD", 1536, 3, TSet::Database, SelAdd},
    {"WPI_DEL", 1536, 4, TSet::Database, SelDel},
    {"WPI_EDIT", 1536, 5, TSet::Database, SelEdit},
    {"WPI_CANCEL", 1536, 6, TSet::Database, SelCancel},
    {"WPI_POST", 1536, 9, TSet::Database, SelPost},
    {"WPI_SelAll", 768, 4, TSet::Edit, SelSelAll},
    {"WPI_HideSel", 768, 5, TSet::Edit, SelHideSel},
    {"WPI_CUT", 768, 2, TSet::Edit, SelCut},
    {"WPI_COPY", 768, 1, TSet::Edit, SelCopy},
    {"WPI_PASTE", 768, 3, TSet::Edit, SelPaste},
    {"WPI_FIND", 768, 6, TSet::Edit, SelFind},
    {"WPI_REPLACE", 768, 7, TSet::Edit, SelReplace},
    {"WPI_SPELL", 768, 8, TSet::Edit, SelSpellCheck},
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
class TListDelegate : public QStyledItemDelegate {
 public:
  TListDelegate(TWPTBCombo* combo) : QStyledItemDelegate(combo), combo_(combo) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    using K = TWPTBCombo::TKind;
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
      if (combo_->ShowFontFaces) {
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
    using K = TWPTBCombo::TKind;
    if (combo_->Kind() == K::TextColor || combo_->Kind() == K::BackgroundColor ||
        combo_->Kind() == K::ParColor)
      s.setHeight(16);
    return s;
  }

  // Found out once per entry and kept with it.
  bool IsOutline(const QModelIndex& index) const {
    QVariant v = index.data(kOutlineRole);
    if (!v.isValid()) {
      bool outline = TWPToolBar::IsOutlineFont(index.data(Qt::DisplayRole).toString());
      combo_->setItemData(index.row(), outline ? 1 : 2, kOutlineRole);
      return outline;
    }
    return v.toInt() == 1;
  }

 private:
  TWPTBCombo* combo_;
};

}  // namespace

TWPPalette DefaultToolPalette() {
  TWPPalette p;
  for (size_t i = 0; i < 16; ++i) {
    uint32_t c = kPaletteRefs[i];
    p[i] = QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
  }
  return p;
}

// ---------------------------------------------------------------------------------------------
// TWPCustomToolPanel

TWPCustomToolPanel::TWPCustomToolPanel(QWidget* parent) : QFrame(parent), palette_(DefaultToolPalette()) {}

TWPCustomToolPanel::~TWPCustomToolPanel() = default;

void TWPCustomToolPanel::SetNextToolBar(TWPCustomToolPanel* next) {
  next_ = next == this ? nullptr : next;
  if (next_) next_->SetPalette(palette_);
}

void TWPCustomToolPanel::SetPalette(const TWPPalette& palette) {
  palette_ = palette;
  update();
}

void TWPCustomToolPanel::Message(const QString& text) {
  if (OnMessage)
    OnMessage(text);
  else
    QMessageBox::warning(this, QApplication::applicationName(), text);
}

bool TWPCustomToolPanel::Forward(const std::function<void(TWPCustomToolPanel&)>& f) {
  if (!next_) return false;
  if (forwarding_) {
    next_ = nullptr;  // cut the chain here, or the loop never ends
    Message(QString::fromLatin1(kErrNextToolBarLoop));
    return false;
  }
  forwarding_ = true;
  QPointer<TWPCustomToolPanel> next = next_;
  f(*next);
  forwarding_ = false;
  return true;
}

bool TWPCustomToolPanel::SetIconDown(int id, int group, int number) {
  bool found = false;
  bool previous = SetIconState(id, group, number, true, found);
  if (!found) Forward([&](TWPCustomToolPanel& n) { previous = n.SetIconDown(id, group, number); });
  return previous;
}

bool TWPCustomToolPanel::SetIconUp(int id, int group, int number) {
  bool found = false;
  bool previous = SetIconState(id, group, number, false, found);
  if (!found) Forward([&](TWPCustomToolPanel& n) { previous = n.SetIconUp(id, group, number); });
  return previous;
}

bool TWPCustomToolPanel::EnableIcon(int id, int group, int number, bool enabled) {
  bool found = false;
  bool previous = EnableIconHere(id, group, number, enabled, found);
  Forward([&](TWPCustomToolPanel& n) {
    bool p = n.EnableIcon(id, group, number, enabled);
    if (!found) previous = p;
  });
  return previous;
}

void TWPCustomToolPanel::ShowSelection(TWpSelNr kind, const QString& text, int number) {
  ShowSelectionHere(kind, text, number);
  Forward([&](TWPCustomToolPanel& n) { n.ShowSelection(kind, text, number); });
}

bool TWPCustomToolPanel::SetIconState(int, int, int, bool, bool& found) {
  found = false;
  return false;
}

bool TWPCustomToolPanel::EnableIconHere(int, int, int, bool, bool& found) {
  found = false;
  return false;
}

void TWPCustomToolPanel::ShowSelectionHere(TWpSelNr, const QString&, int) {}

// ---------------------------------------------------------------------------------------------
// TWPTBCombo

TWPTBCombo::TWPTBCombo(TKind kind, TWPCustomToolPanel* panel) : QComboBox(panel), kind_(kind), panel_(panel) {
  setItemDelegate(new TListDelegate(this));
  setFocusPolicy(Qt::ClickFocus);
  if (kind == TKind::FontName) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    lineEdit()->setMaxLength(31);
  }
  setMaxVisibleItems(16);
}

void TWPTBCombo::paintEvent(QPaintEvent* e) {
  if (kind_ != TKind::TextColor && kind_ != TKind::BackgroundColor && kind_ != TKind::ParColor) {
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
  if (n == 0 && kind_ != TKind::TextColor) c = palette().color(QPalette::Base);
  if (!isEnabled()) c = palette().color(QPalette::Disabled, QPalette::Button);
  DrawSwatch(p, r, c);
}

// ---------------------------------------------------------------------------------------------
// TWPToolBar

TWPToolBar::TWPToolBar(QWidget* parent) : TWPCustomToolPanel(parent) {
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(11);
  setFont(f);
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setLineWidth(1);
  setMinimumHeight(30);
  alignment_group_ = new QButtonGroup(this);
  alignment_group_->setExclusive(true);
  // The lists exist from the start (hidden until wanted), so that their hints can be set early.
  using K = TWPTBCombo::TKind;
  font_names_ = CreateList(K::FontName);
  font_sizes_ = CreateList(K::FontSize);
  text_colors_ = CreateList(K::TextColor);
  back_colors_ = CreateList(K::BackgroundColor);
  par_colors_ = CreateList(K::ParColor);
  styles_ = CreateList(K::Style);
}

TWPToolBar::~TWPToolBar() = default;

void TWPToolBar::SetEditor(TWPEditorLink* editor) {
  TWPCustomToolPanel::SetEditor(editor);
  if (built_ && (list_boxes_ & SelStyle)) FillStyles();
}

void TWPToolBar::RebuildIfBuilt() {
  if (built_ && isEnabled() && !building_) Rebuild();
}

void TWPToolBar::SetSelListBoxes(uint8_t set) {
  list_boxes_ = set;
  RebuildIfBuilt();
}
void TWPToolBar::SetSelStatusIcons(uint16_t set) {
  status_icons_ = set;
  RebuildIfBuilt();
}
void TWPToolBar::SetSelActionIcons(uint8_t set) {
  action_icons_ = set;
  RebuildIfBuilt();
}
void TWPToolBar::SetSelDatabaseIcons(uint16_t set) {
  database_icons_ = set;
  RebuildIfBuilt();
}
void TWPToolBar::SetSelEditIcons(uint8_t set) {
  edit_icons_ = set;
  RebuildIfBuilt();
}
void TWPToolBar::SetFontChoice(TFontChoice choice) {
  if (font_choice_ == choice) return;
  font_choice_ = choice;
  if (font_names_) font_names_->clear();  // refilled from the other source
  RebuildIfBuilt();
}
void TWPToolBar::SetFontSizeFrom(int size) {
  size_from_ = std::clamp(size, 0, 999);
  if (font_sizes_) font_sizes_->clear();
  RebuildIfBuilt();
}
void TWPToolBar::SetFontSizeTo(int size) {
  size_to_ = std::clamp(size, 0, 999);
  if (font_sizes_) font_sizes_->clear();
  RebuildIfBuilt();
}
void TWPToolBar::SetWidthBetweenGroups(int pixels) {
  group_gap_ = std::max(0, pixels);
  if (built_ && isEnabled()) Flow();
}
void TWPToolBar::SetShowFont(bool on) {
  show_font_ = on;
  if (font_names_) font_names_->ShowFontFaces = on;
}
void TWPToolBar::SetAlign(TToolAlign align) {
  align_ = align;
  if (built_) Flow();
}
void TWPToolBar::SetBevelOuter(TBevel bevel) {
  bevel_outer_ = bevel;
  update();
  if (built_) Flow();
}
void TWPToolBar::SetBevelInner(TBevel bevel) {
  bevel_inner_ = bevel;
  update();
  if (built_) Flow();
}

int TWPToolBar::BevelSize() const {
  int b = 0;
  if (bevel_outer_ != TBevel::bvNone) b += bevel_width_;
  if (bevel_inner_ != TBevel::bvNone) b += bevel_width_;
  return b;
}

const QStringList& TWPToolBar::Hints() {
  if (hints_.isEmpty()) {
    for (const char* n : kHintNames) hints_ << QStringLiteral("WPI_%1=%1").arg(QLatin1String(n));
  }
  return hints_;
}

void TWPToolBar::SetHints(const QStringList& hints) {
  hints_ = hints;
  for (int i = 1; i <= icon_count_; ++i) {
    auto& e = icons_[static_cast<size_t>(i)];
    if (e.Button) e.Button->setToolTip(HintFor(e.Name));
  }
}

QString TWPToolBar::HintFor(const QString& icon_name) {
  for (const QString& line : Hints()) {
    int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) continue;
    if (line.left(eq).trimmed().compare(icon_name, Qt::CaseInsensitive) == 0) return line.mid(eq + 1);
  }
  return {};
}

int TWPToolBar::ButtonSize() const {
  QFont f = font();
  int height = f.pixelSize();
  if (height <= 0) height = qRound(f.pointSizeF() * logicalDpiY() / 72.0);
  return height + 9;
}

bool TWPToolBar::IsOutlineFont(const QString& family) {
  return QFontDatabase::isSmoothlyScalable(family) || QFontDatabase::isScalable(family);
}

void TWPToolBar::AddControl(QWidget* control) {
  if (!control) return;
  size_t total = 0;
  for (const auto& c : controls_)
    if (c) ++total;
  if (total >= kMaxControls) return;
  control->setParent(this);
  control->show();
  added_.push_back(control);
  controls_.push_back(control);
  if (!flow_posted_) {
    flow_posted_ = true;
    QTimer::singleShot(0, this, [this] {
      flow_posted_ = false;
      Flow();
    });
  }
}

void TWPToolBar::AddIcon(const QString& name, int id, int number, int group) {
  if (icon_count_ >= kMaxIcons) return;
  added_icons_.push_back({name.left(20), id, number, group});
  auto& e = icons_[static_cast<size_t>(++icon_count_)];
  e.Name = name.left(20);
  e.Id = id;
  e.Number = number;
  e.Group = group;
  if (!building_) Rebuild();
}

int TWPToolBar::FindIcon(int id, int group, int number) const {
  for (int i = 1; i <= icon_count_; ++i) {
    const auto& e = icons_[static_cast<size_t>(i)];
    if (id != 0) {
      if (e.Id == id) return i;
    } else if (e.Group == group && (number == 0 || e.Number == number)) {
      return i;
    }
  }
  return 0;
}

QToolButton* TWPToolBar::IconButton(const QString& name) const {
  for (int i = 1; i <= icon_count_; ++i) {
    const auto& e = icons_[static_cast<size_t>(i)];
    if (e.Name.compare(name, Qt::CaseInsensitive) == 0) return e.Button;
  }
  return nullptr;
}

void TWPToolBar::FillIconTable() {
  for (auto& e : icons_) e = TWPIconEntry{QString(), 0, 0, 0, e.Button};
  icon_count_ = 0;
  auto append = [&](const QString& name, int group, int number, int id) {
    if (icon_count_ >= kMaxIcons) return;
    auto& e = icons_[static_cast<size_t>(++icon_count_)];
    e.Name = name;
    e.Group = group;
    e.Number = number;
    e.Id = id;
  };
  for (const auto& b : kBuiltinIcons) {
    uint16_t set = 0;
    switch (b.Set) {
      case TSet::Status:
        set = status_icons_;
        break;
      case TSet::Action:
        set = action_icons_;
        break;
      case TSet::Database:
        set = database_icons_;
        break;
      case TSet::Edit:
        set = edit_icons_;
        break;
    }
    if (set & b.Bit) append(QLatin1String(b.Name), b.Group, b.Number, 0);
  }
  for (const auto& a : added_icons_) append(a.Name, a.Group, a.Number, a.Id);
}

TWPTBCombo* TWPToolBar::CreateList(TWPTBCombo::TKind kind) {
  auto* list = new TWPTBCombo(kind, this);
  list->hide();
  connect(list, &QComboBox::activated, this, [this, list](int item) { ListChosen(list, item); });
  return list;
}

TWPTBCombo* TWPToolBar::MakeList(TWPTBCombo*& list, TWPTBCombo::TKind kind, bool wanted) {
  if (!wanted) {
    if (list) list->hide();
    return nullptr;
  }
  if (!list) list = CreateList(kind);
  list->show();
  return list;
}

void TWPToolBar::FillFontNames() {
  if (font_names_->count() > 0) return;
  QStringList families = QFontDatabase::families();
  if (font_choice_ == TFontChoice::fsPrinterFonts) {
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
  families.removeDuplicates();
  std::sort(families.begin(), families.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  font_names_->addItems(families);
  QFontMetrics fm(font());
  int widest = 0;
  for (const QString& f : families) widest = std::max(widest, fm.horizontalAdvance(f));
  font_names_->setFixedWidth(widest + fm.horizontalAdvance(QStringLiteral("    ")) + 16);
  font_names_->view()->setMinimumWidth(widest + 40);
}

void TWPToolBar::FillSizes() {
  if (font_sizes_->count() > 0) return;
  int from = size_from_ == 0 ? 1 : size_from_;
  for (int s = from; s <= size_to_; ++s) font_sizes_->addItem(QStringLiteral(" %1").arg(s));
  QFontMetrics fm(font());
  font_sizes_->setFixedWidth(fm.horizontalAdvance(QLatin1Char('8')) * 3 + 24);
}

void TWPToolBar::FillColors(TWPTBCombo* list) {
  if (list->count() == 0)
    for (int i = 0; i < 16; ++i) list->addItem(QString::number(i));
  QFontMetrics fm(font());
  list->setFixedWidth(fm.horizontalAdvance(QLatin1Char('A')) + 32);
}

void TWPToolBar::FillStyles() {
  QStringList names = Editor() ? Editor()->StyleNames() : QStringList();
  QString current = styles_->currentText();
  styles_->clear();
  styles_->addItems(names);
  int i = styles_->findText(current);
  if (i >= 0) styles_->setCurrentIndex(i);
  QFontMetrics fm(font());
  styles_->setFixedWidth(fm.horizontalAdvance(QStringLiteral("Blocksatz")) + 24);
}

void TWPToolBar::MakeButtons() {
  int side = ButtonSize();
  for (int i = 1; i <= icon_count_; ++i) {
    auto& e = icons_[static_cast<size_t>(i)];
    if (!e.Button) {
      if (!spare_buttons_.empty()) {
        e.Button = spare_buttons_.back();
        spare_buttons_.pop_back();
      } else {
        e.Button = new QToolButton(this);
        e.Button->setAutoRaise(false);
        e.Button->setFocusPolicy(Qt::NoFocus);
        QToolButton* b = e.Button;
        connect(b, &QToolButton::clicked, this,
                [this, b] { IconClicked(b->property(kTagProperty).toInt() - kTagOffset); });
      }
    }
    QToolButton* b = e.Button;
    b->hide();
    b->setProperty(kTagProperty, i + kTagOffset);
    b->setObjectName(e.Name);
    b->setFixedSize(side, side);
    b->setCheckable(true);
    alignment_group_->removeButton(b);
    if (e.Group == kGroupAlignment) {
      b->setProperty(kGroupIndexProperty, kGroupAlignment);
      alignment_group_->addButton(b);
    } else {
      b->setProperty(kGroupIndexProperty, e.Group + i);
      b->setChecked(false);
    }
    QIcon glyph = WPIGlyph(e.Name);
    b->setIcon(glyph);
    b->setIconSize(QSize(16, 16));
    b->setToolTip(HintFor(e.Name));
    b->setAccessibleName(e.Name);
  }
  // The alignment group is never all up: left starts down.
  if (alignment_group_->checkedButton() == nullptr) {
    int left = FindIcon(0, kGroupAlignment, 1);
    if (left) icons_[static_cast<size_t>(left)].Button->setChecked(true);
  }
  // Buttons of slots beyond the count are kept for later rebuilds, out of sight.
  for (size_t i = static_cast<size_t>(icon_count_) + 1; i < icons_.size(); ++i) {
    if (icons_[i].Button) {
      icons_[i].Button->hide();
      alignment_group_->removeButton(icons_[i].Button);
      spare_buttons_.push_back(icons_[i].Button);
      icons_[i].Button = nullptr;
    }
  }
  for (int i = 1; i <= icon_count_; ++i) icons_[static_cast<size_t>(i)].Button->show();
}

void TWPToolBar::Rebuild() {
  if (building_) return;
  building_ = true;
  FillIconTable();
  std::vector<QPointer<QWidget>> order;
  using K = TWPTBCombo::TKind;
  if (MakeList(font_names_, K::FontName, list_boxes_ & SelFontName)) {
    font_names_->ShowFontFaces = show_font_;
    FillFontNames();
    order.push_back(font_names_);
  }
  if (MakeList(font_sizes_, K::FontSize, list_boxes_ & SelFontSize)) {
    FillSizes();
    order.push_back(font_sizes_);
  }
  if (MakeList(text_colors_, K::TextColor, list_boxes_ & SelFontColor)) {
    FillColors(text_colors_);
    order.push_back(text_colors_);
  }
  if (MakeList(back_colors_, K::BackgroundColor, list_boxes_ & SelBackgroundColor)) {
    FillColors(back_colors_);
    order.push_back(back_colors_);
  }
  if (MakeList(par_colors_, K::ParColor, list_boxes_ & SelParColor)) {
    FillColors(par_colors_);
    order.push_back(par_colors_);
  }
  if (MakeList(styles_, K::Style, list_boxes_ & SelStyle)) {
    FillStyles();
    order.push_back(styles_);
  }
  MakeButtons();
  for (int i = 1; i <= icon_count_; ++i) order.push_back(icons_[static_cast<size_t>(i)].Button);
  for (const auto& a : added_)
    if (a && order.size() < kMaxControls) order.push_back(a);
  controls_ = std::move(order);
  built_ = true;
  building_ = false;
  Flow();
}

int TWPToolBar::GroupOf(const QWidget* control) const {
  return control->property(kGroupIndexProperty).toInt() / 256;
}

void TWPToolBar::Flow() {
  int b = BevelSize();
  int x = b + 2, y = b + 2, row_height = 0;
  bool have_previous_button = false;
  int previous_group = 0;
  for (const auto& c : controls_) {
    if (!c) continue;
    QWidget* w = c;
    // A control keeps a size it was given (fixed or resized); otherwise it takes its natural one.
    QSize hint = w->sizeHint();
    bool sized = w->testAttribute(Qt::WA_Resized);
    int cw = w->minimumWidth() == w->maximumWidth() ? w->minimumWidth() : sized ? w->width() : hint.width();
    int ch = w->minimumHeight() == w->maximumHeight() ? w->minimumHeight()
             : sized                                  ? w->height()
                                                      : hint.height();
    bool speed_button = qobject_cast<QToolButton*>(w) != nullptr;
    if (x + cw > width() - b && x > 4) {
      x = b + 2;
      y += row_height + 4;
      row_height = 0;
    }
    if (speed_button) {
      int group = GroupOf(w);
      if ((!have_previous_button || group != previous_group) && x > 10) x += group_gap_;
      previous_group = group;
      have_previous_button = true;
    } else {
      x += 2;
    }
    w->setGeometry(x, speed_button ? y - 1 : y, cw, ch);
    row_height = std::max(row_height, ch);
    x += cw;
  }
  if (align_ != TToolAlign::alNone && y + row_height != height()) {
    int h = b + row_height + y + 2;
    if (h != height()) {
      setFixedHeight(h);
      if (parentWidget() && parentWidget()->layout()) parentWidget()->layout()->invalidate();
    }
  }
}

void TWPToolBar::showEvent(QShowEvent* e) {
  TWPCustomToolPanel::showEvent(e);
  if (!built_) Rebuild();
}

void TWPToolBar::resizeEvent(QResizeEvent* e) {
  TWPCustomToolPanel::resizeEvent(e);
  if (built_) Flow();
}

void TWPToolBar::changeEvent(QEvent* e) {
  // Qt keeps each button's own enabled state while the toolbar is disabled and restores it on
  // enabling; the lists draw their text grey while disabled.
  TWPCustomToolPanel::changeEvent(e);
  if (e->type() == QEvent::EnabledChange && isEnabled() && !built_ && isVisible()) Rebuild();
}

void TWPToolBar::paintEvent(QPaintEvent* e) {
  QFrame::paintEvent(e);
  if (bevel_outer_ == TBevel::bvNone && bevel_inner_ == TBevel::bvNone) return;
  QPainter p(this);
  QColor light = palette().color(QPalette::Light), dark = palette().color(QPalette::Dark);
  auto bevel = [&](QRect r, TBevel kind) {
    if (kind == TBevel::bvNone) return r;
    QColor tl = kind == TBevel::bvRaised ? light : dark, br = kind == TBevel::bvRaised ? dark : light;
    p.setPen(tl);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(br);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    return r.adjusted(1, 1, -1, -1);
  };
  QRect r = bevel(rect(), bevel_outer_);
  bevel(r, bevel_inner_);
}

// --- state shown from the editor ---

bool TWPToolBar::SetIconState(int id, int group, int number, bool down, bool& found) {
  int i = FindIcon(id, group, number);
  found = i != 0 && icons_[static_cast<size_t>(i)].Button;
  if (!found) return false;
  QToolButton* b = icons_[static_cast<size_t>(i)].Button;
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

bool TWPToolBar::EnableIconHere(int id, int group, int number, bool enabled, bool& found) {
  bool previous = false;
  found = false;
  for (int i = 1; i <= icon_count_; ++i) {
    const auto& e = icons_[static_cast<size_t>(i)];
    bool match = id != 0 ? e.Id == id : (e.Group == group && (number == 0 || e.Number == number));
    if (!match || !e.Button) continue;
    if (!found) previous = e.Button->isEnabledTo(this);
    found = true;
    e.Button->setEnabled(enabled);
  }
  return previous;
}

void TWPToolBar::ShowSelectionHere(TWpSelNr kind, const QString& text, int number) {
  switch (kind) {
    case kSelFontName:
      if (font_names_) {
        int i = font_names_->findText(text, Qt::MatchFixedString);  // ignoring case
        if (i >= 0)
          font_names_->setCurrentIndex(i);
        else if (!text.isEmpty())
          font_names_->setEditText(text);  // a face this machine lacks is still named
      }
      break;
    case kSelFontSize:
      if (font_sizes_ && number > 6) {
        for (int i = 0; i < font_sizes_->count(); ++i)
          if (TextToInt(font_sizes_->itemText(i)) == number) {
            font_sizes_->setCurrentIndex(i);
            break;
          }
      }
      break;
    case kSelTextColor:
    case kSelBackgroundColor:
    case kSelParColor: {
      TWPTBCombo* list = kind == kSelTextColor         ? text_colors_
                         : kind == kSelBackgroundColor ? back_colors_
                                                       : par_colors_;
      if (list && number >= 0 && number < list->count()) list->setCurrentIndex(number);
      break;
    }
    default:
      break;
  }
}

void TWPToolBar::DisplayFont(const QString& name, int point_size, const QColor& color, const QColor* brush) {
  ShowSelection(kSelFontName, name, 0);
  ShowSelection(kSelFontSize, QString(), point_size);
  const TWPPalette& pal = Palette();
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

void TWPToolBar::ShowAttributes(const TWPCaretAttributes& a) {
  QColor brush = a.HasBackground ? a.Background : QColor(Qt::white);
  DisplayFont(a.FontName, a.PointSize, a.TextColor, &brush);
  auto show = [&](int number, bool down) {
    if (down)
      SetIconDown(0, kGroupCharacter, number);
    else
      SetIconUp(0, kGroupCharacter, number);
  };
  show(2, a.Bold);
  show(3, a.Italic);
  show(4, a.Underline);
  show(5, a.Hyperlink);
  show(6, a.StrikeOut);
  show(7, a.Superscript);
  show(8, a.Subscript);
  show(9, a.Hidden);
  show(19, a.RtfCode);
  if (a.Alignment >= 1 && a.Alignment <= 4) SetIconDown(0, kGroupAlignment, a.Alignment);
}

// --- clicks ---

void TWPToolBar::UpdateTheObject(TWpSelNr kind, const QString& text, int number) {
  QWidget* w = update_object_;
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

void TWPToolBar::Deliver(const TWPToolCommand& command) {
  if (TWPEditorLink* editor = Editor()) {
    editor->FocusEditor();
    editor->ToolbarCommand(command);
  }
}

void TWPToolBar::IconClicked(int index) {
  if (index < 1 || index > icon_count_) return;
  TWPIconEntry entry = icons_[static_cast<size_t>(index)];
  QPointer<QToolButton> button = entry.Button;
  if (!button) return;
  TWpSelNr kind = button->isChecked() ? kSelIconDown : kSelIconUp;
  QPointer<TWPToolBar> self(this);
  if (OnIconSelection) OnIconSelection(*this, kind, entry.Name, entry.Group, entry.Number, entry.Id);
  if (!self) return;
  if (kind != 0) {
    if (entry.Group == kGroupCharacter) UpdateTheObject(kind, QString(), entry.Number);
    // Superscript and subscript exclude each other.
    if (kind == kSelIconDown && entry.Group == kGroupCharacter && (entry.Number == 7 || entry.Number == 8))
      SetIconUp(0, kGroupCharacter, entry.Number == 7 ? 8 : 7);
    TWPToolCommand command;
    command.Kind = kind;
    command.Group = entry.Group;
    command.Number = entry.Number;
    command.IconName = entry.Name;
    command.Id = entry.Id;
    Deliver(command);
    if (!self) return;
  }
  // Commands are push buttons: up again once delivered.
  if (button && (entry.Group == kGroupEdit || entry.Group == kGroupFile || entry.Group == kGroupPrint))
    button->setChecked(false);
}

void TWPToolBar::ListChosen(TWPTBCombo* list, int item) {
  using K = TWPTBCombo::TKind;
  TWpSelNr kind = 0;
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
  QPointer<TWPToolBar> self(this);
  UpdateTheObject(kind, text, number);
  if (OnSelection) OnSelection(*this, kind, text, number);
  if (!self || kind == 0) return;
  TWPToolCommand command;
  command.Kind = kind;
  command.Text = text;
  command.Number = number;
  Deliver(command);
}

}  // namespace inkwend
