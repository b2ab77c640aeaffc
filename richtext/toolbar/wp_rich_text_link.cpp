#include "richtext/toolbar/wp_rich_text_link.h"

#include <QEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "richtext/toolbar/wp_ruler.h"
#include "richtext/toolbar/wp_toolbar.h"
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

namespace {

QColor ToQColor(ColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

// Toolbar alignment numbers: 1 left, 2 right, 3 justified, 4 centred.
uint8_t AlignmentOf(int number) {
  switch (number) {
    case 2:
      return kAlignRight;
    case 3:
      return kAlignJustify;
    case 4:
      return kAlignCenter;
    default:
      return kAlignLeft;
  }
}
int AlignmentNumber(uint8_t alignment) {
  switch (alignment) {
    case kAlignRight:
      return 2;
    case kAlignJustify:
      return 3;
    case kAlignCenter:
      return 4;
    default:
      return 1;
  }
}

// The paragraphs of the selection, or the caret's paragraph.
template <typename F>
void ForSelectedParagraphs(EditController& doc, F&& f) {
  ParPos a = doc.SelectionBegin(), b = doc.SelectionEnd();
  for (Paragraph* p = a.par; p; p = p->next) {
    f(p);
    if (p == b.par) break;
  }
}

}  // namespace

WPRichTextLink::WPRichTextLink(WPRichText& editor, WPToolBar* toolbar, WPRuler* ruler)
    : QObject(&editor), editor_(editor), toolbar_(toolbar), ruler_(ruler) {
  if (toolbar_) {
    WPPalette palette;
    for (int i = 0; i < 16; ++i) palette[static_cast<size_t>(i)] = ToQColor(editor_.PaletteColor(i));
    toolbar_->SetPalette(palette);
    toolbar_->SetEditor(this);
  }
  if (ruler_) ruler_->SetEditor(this);
  editor_.installEventFilter(this);
  editor_.viewport()->installEventFilter(this);
  connect(editor_.horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int x) {
    if (ruler_) ruler_->SetXOffset(-x);
  });
  ScheduleUpdate();
}

WPRichTextLink::~WPRichTextLink() {
  if (toolbar_ && toolbar_->Editor() == this) toolbar_->SetEditor(nullptr);
  if (ruler_ && ruler_->Editor() == this) ruler_->SetEditor(nullptr);
}

bool WPRichTextLink::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyRelease:
    case QEvent::KeyPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn:
    case QEvent::Resize:
    case QEvent::Show:
      ScheduleUpdate();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void WPRichTextLink::ScheduleUpdate() {
  // After the editor has handled the event, once per burst of events.
  if (updatePosted_) return;
  updatePosted_ = true;
  QTimer::singleShot(0, this, [this] {
    updatePosted_ = false;
    EditorStateChanged();
  });
}

WPCaretAttributes WPRichTextLink::CaretAttributes() const {
  const EditController& doc = editor_.Memo();
  CharAttr attr = doc.GetCurrentAttr();
  WPCaretAttributes a;
  if (attr.fontIndex < kFontSlots) {
    const std::u32string& name = doc.Document().header.fonts[attr.fontIndex].name;
    a.fontName = QString::fromUcs4(name.data(), static_cast<qsizetype>(name.size()));
  }
  a.pointSize = attr.EffectivePointSize();
  a.textColor = ToQColor(editor_.PaletteColor(attr.TextColor()));
  a.hasBackground = attr.BackgroundColor() != 0;
  if (a.hasBackground) a.background = ToQColor(editor_.PaletteColor(attr.BackgroundColor()));
  a.bold = attr.styleBits & kStyleBold;
  a.italic = attr.styleBits & kStyleItalic;
  a.underline = attr.styleBits & kStyleUnderline;
  a.strikeOut = attr.styleBits & kStyleStrikeOut;
  a.hyperlink = attr.styleBits & kStyleDoubleUnderline;
  a.superscript = attr.styleBits & kStyleSuperscript;
  a.subscript = attr.styleBits & kStyleSubscript;
  a.hidden = attr.charFlags & kCharHidden;
  a.rtfCode = attr.charFlags & kCharRtfCode;
  if (const Paragraph* par = doc.CaretPos().par) a.alignment = AlignmentNumber(par->alignment);
  return a;
}

WPRulerFormat WPRichTextLink::RulerFormat() const {
  EditController& doc = const_cast<WPRichText&>(editor_).Memo();
  WPRulerFormat f;
  f.textWidth = doc.Layout().LayoutWidth();
  // Wrapping to a window wider than the page still wraps at the page's text width.
  if (doc.Layout().WordWrap()) f.wrapWidth = doc.Document().header.textAreaWidth;
  f.pixelsPerInch = doc.Document().header.xPixelsPerInch;
  if (const Paragraph* par = doc.CaretPos().par) {
    f.firstIndent = par->firstIndent;
    f.leftIndent = par->leftIndent;
    f.rightIndent = par->rightIndent;
  }
  for (int slot = 0; slot < 64; ++slot) {
    const TabSlot& tab = doc.Document().header.tabs[static_cast<size_t>(slot)];
    f.tabs[static_cast<size_t>(slot)] = {tab.position,
                                         static_cast<uint8_t>(std::min<int>(tab.kind, kTabDecimal))};
  }
  uint64_t any = 0, every = ~uint64_t{0};
  ForSelectedParagraphs(doc, [&](Paragraph* p) {
    any |= p->tabMask;
    every &= p->tabMask;
  });
  f.tabsOfAny = any;
  f.tabsOfEvery = every & any;
  return f;
}

void WPRichTextLink::EditorStateChanged() {
  if (toolbar_) toolbar_->ShowAttributes(CaretAttributes());
  if (ruler_) {
    // The ruler's origin is the left edge of the editor's text.
    QPoint origin = ruler_->mapFromGlobal(editor_.viewport()->mapToGlobal(QPoint(0, 0)));
    ruler_->SetLeftOffset(origin.x());
    ruler_->SetXOffset(-editor_.horizontalScrollBar()->value());
    ruler_->SetFormat(RulerFormat());
  }
}

void WPRichTextLink::FocusEditor() { editor_.setFocus(Qt::OtherFocusReason); }

void WPRichTextLink::CharacterCommand(bool down, int number) {
  uint8_t style = 0, flag = 0;
  switch (number) {
    case 1:  // plain text
      if (!down) return;
      editor_.Memo().ChangeSelectionAttr([](CharAttr& a) {
        a.styleBits = 0;
        a.charFlags &= static_cast<uint8_t>(~(kCharHidden | kCharRtfCode));
      });
      return;
    case 2:
      style = kStyleBold;
      break;
    case 3:
      style = kStyleItalic;
      break;
    case 4:
      style = kStyleUnderline;
      break;
    case 5:
      style = kStyleDoubleUnderline;
      break;
    case 6:
      style = kStyleStrikeOut;
      break;
    case 7:
      style = kStyleSuperscript;
      break;
    case 8:
      style = kStyleSubscript;
      break;
    case 9:
      flag = kCharHidden;
      break;
    case 19:
      flag = kCharRtfCode;
      break;
    default:
      return;
  }
  editor_.Memo().ChangeSelectionAttr([=](CharAttr& a) {
    if (style) {
      a.styleBits = static_cast<uint8_t>(down ? a.styleBits | style : a.styleBits & ~style);
      // Superscript and subscript exclude each other.
      if (down && style == kStyleSuperscript) a.styleBits &= static_cast<uint8_t>(~kStyleSubscript);
      if (down && style == kStyleSubscript) a.styleBits &= static_cast<uint8_t>(~kStyleSuperscript);
    }
    if (flag) a.charFlags = static_cast<uint8_t>(down ? a.charFlags | flag : a.charFlags & ~flag);
  });
}

// A toolbar button pressed (down) or released; true when line heights may change.
bool WPRichTextLink::IconCommand(bool down, int group, int number) {
  switch (group) {
    case kGroupCharacter:
      CharacterCommand(down, number);
      return number == 7 || number == 8;  // superscript and subscript change line heights
    case kGroupAlignment:
      if (down) editor_.Memo().SetParAlignment(AlignmentOf(number));
      break;
    case kGroupEdit:
      if (down) EditCommand(number);
      break;
    case kGroupFile:
      if (down && number == 2) editor_.Clear();  // New; the others are the application's
      break;
    case kGroupPrint:
      if (down && number == 1) editor_.Print();
      break;
    default:
      break;
  }
  return false;
}

// The edit group: clipboard, selection and the search dialogs.
void WPRichTextLink::EditCommand(int number) {
  switch (number) {
    case 1:
      editor_.CopyToClipboard();
      break;
    case 2:
      editor_.CutToClipboard();
      break;
    case 3:
      editor_.PasteFromClipboard();
      break;
    case 4:
      editor_.SelectAll();
      break;
    case 5:
      editor_.HideSelection();
      break;
    case 6:
      editor_.FindDialog();
      break;
    case 7:
      editor_.ReplaceDialog();
      break;
    default:
      break;  // spelling: the application's own dialog
  }
}

void WPRichTextLink::ToolbarCommand(const WPToolCommand& c) {
  EditController& doc = editor_.Memo();
  bool relayout = false;  // line heights may change
  switch (c.kind) {
    case kSelFontName: {
      int index = editor_.FontIndexOf(c.text);
      if (index >= 0 && index < kFontSlots)
        doc.ChangeSelectionAttr([index](CharAttr& a) { a.fontIndex = static_cast<uint8_t>(index); });
      relayout = true;
      break;
    }
    case kSelFontSize:
      if (c.number > 0) {
        uint8_t size = static_cast<uint8_t>(std::clamp(c.number, 1, 255));
        doc.ChangeSelectionAttr([size](CharAttr& a) { a.pointSize = size; });
        relayout = true;
      }
      break;
    case kSelTextColor:
      if (c.number >= 0 && c.number < 16)
        doc.ChangeSelectionAttr([&c](CharAttr& a) { a.SetTextColor(static_cast<uint8_t>(c.number)); });
      break;
    case kSelBackgroundColor:
      if (c.number >= 0 && c.number < 16)
        doc.ChangeSelectionAttr([&c](CharAttr& a) { a.SetBackgroundColor(static_cast<uint8_t>(c.number)); });
      break;
    case kSelParColor:
      // The paragraph's background: a solid shading in that colour; 0 removes it.
      if (c.number >= 0 && c.number < 16)
        editor_.SetParShading(c.number == 0 ? 0 : 100, static_cast<uint8_t>(c.number << 4));
      break;
    case kSelIconDown:
    case kSelIconUp:
      relayout = IconCommand(c.kind == kSelIconDown, c.group, c.number);
      break;
    default:
      break;
  }
  if (relayout)
    editor_.Reformat();
  else
    editor_.Refresh();
  EditorStateChanged();
}

void WPRichTextLink::RulerIndents(int, bool changing, int first, int left, int right) {
  if (changing && !rulerDragging_) {
    rulerDragging_ = true;
    editor_.Memo().BeginUndoGroup();
  }
  editor_.SetParIndents(first, left, right);
  if (changing) return;
  if (rulerDragging_) {
    rulerDragging_ = false;
    editor_.Memo().EndUndoGroup();
  }
  // At the end of a drag the ruler shows what the paragraph took (nothing when read-only).
  EditorStateChanged();
}

void WPRichTextLink::RulerTabs(uint64_t changed, const WPRulerFormat& format) {
  EditController& doc = editor_.Memo();
  if (!doc.CanEdit()) {
    EditorStateChanged();  // refused: the ruler shows the editor's stops again
    return;
  }
  uint64_t mask = 0;
  for (int slot = 0; slot < 64; ++slot) {
    if (!(changed & (uint64_t{1} << slot))) continue;
    const WPRulerTab& tab = format.tabs[static_cast<size_t>(slot)];
    TabSlot& existing = doc.Document().header.tabs[static_cast<size_t>(slot)];
    if (existing.position != 0 && existing.position == tab.twips) {
      existing.kind = tab.kind;  // a stop of the paragraphs changed its kind
      mask |= uint64_t{1} << slot;
    } else {
      mask |= doc.Document().header.AddTab(tab.twips, tab.kind);
    }
  }
  doc.AddParTabs(mask);  // undoable, and reports the change
  editor_.Reformat();
  EditorStateChanged();
}

void WPRichTextLink::BeginChange() { editor_.Memo().BeginUndoGroup(); }

void WPRichTextLink::EndChange() { editor_.Memo().EndUndoGroup(); }

WPParagraphValues WPRichTextLink::CurrentParagraph() const {
  WPParagraphValues v;
  if (const Paragraph* p = editor_.Memo().CaretPos().par) {
    v.firstIndent = p->firstIndent;
    v.leftIndent = p->leftIndent;
    v.rightIndent = p->rightIndent;
    v.spaceBefore = p->spaceBefore;
    v.spaceAfter = p->spaceAfter;
    v.lineSpacing = p->lineSpacing;
  }
  return v;
}

void WPRichTextLink::SetParSpacing(int before, int line_spacing, int after) {
  editor_.SetParSpacing(before, line_spacing, after);
  EditorStateChanged();
}

void WPRichTextLink::SetParIndents(int first, int left, int right) {
  editor_.SetParIndents(first, left, right);
  EditorStateChanged();
}

}  // namespace inkwend
