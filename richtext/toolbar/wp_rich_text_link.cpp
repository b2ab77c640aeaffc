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

QColor ToQColor(TColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

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
  TParPos a = doc.SelectionBegin(), b = doc.SelectionEnd();
  for (TParagraph* p = a.Par; p; p = p->Next) {
    f(p);
    if (p == b.Par) break;
  }
}

}  // namespace

TWPRichTextLink::TWPRichTextLink(TWPRichText& editor, TWPToolBar* toolbar, TWPRuler* ruler)
    : QObject(&editor), editor_(editor), toolbar_(toolbar), ruler_(ruler) {
  if (toolbar_) {
    TWPPalette palette;
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

TWPRichTextLink::~TWPRichTextLink() {
  if (toolbar_ && toolbar_->Editor() == this) toolbar_->SetEditor(nullptr);
  if (ruler_ && ruler_->Editor() == this) ruler_->SetEditor(nullptr);
}

bool TWPRichTextLink::eventFilter(QObject* watched, QEvent* event) {
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

void TWPRichTextLink::ScheduleUpdate() {
  // After the editor has handled the event, once per burst of events.
  if (update_posted_) return;
  update_posted_ = true;
  QTimer::singleShot(0, this, [this] {
    update_posted_ = false;
    EditorStateChanged();
  });
}

TWPCaretAttributes TWPRichTextLink::CaretAttributes() const {
  const EditController& doc = editor_.Memo();
  TCharAttr attr = doc.GetCurrentAttr();
  TWPCaretAttributes a;
  if (attr.FontIndex < kFontSlots) {
    const std::u32string& name = doc.Document().Header.Fonts[attr.FontIndex].Name;
    a.FontName = QString::fromUcs4(name.data(), static_cast<qsizetype>(name.size()));
  }
  a.PointSize = attr.EffectivePointSize();
  a.TextColor = ToQColor(editor_.PaletteColor(attr.TextColor()));
  a.HasBackground = attr.BackgroundColor() != 0;
  if (a.HasBackground) a.Background = ToQColor(editor_.PaletteColor(attr.BackgroundColor()));
  a.Bold = attr.StyleBits & kStyleBold;
  a.Italic = attr.StyleBits & kStyleItalic;
  a.Underline = attr.StyleBits & kStyleUnderline;
  a.StrikeOut = attr.StyleBits & kStyleStrikeOut;
  a.Hyperlink = attr.StyleBits & kStyleDoubleUnderline;
  a.Superscript = attr.StyleBits & kStyleSuperscript;
  a.Subscript = attr.StyleBits & kStyleSubscript;
  a.Hidden = attr.CharFlags & kCharHidden;
  a.RtfCode = attr.CharFlags & kCharRtfCode;
  if (const TParagraph* par = doc.CaretPos().Par) a.Alignment = AlignmentNumber(par->Alignment);
  return a;
}

TWPRulerFormat TWPRichTextLink::RulerFormat() const {
  EditController& doc = const_cast<TWPRichText&>(editor_).Memo();
  TWPRulerFormat f;
  f.TextWidth = doc.Layout().LayoutWidth();
  f.PixelsPerInch = doc.Document().Header.XPixelsPerInch;
  if (const TParagraph* par = doc.CaretPos().Par) {
    f.FirstIndent = par->FirstIndent;
    f.LeftIndent = par->LeftIndent;
    f.RightIndent = par->RightIndent;
  }
  for (int slot = 0; slot < 64; ++slot) {
    const TTabSlot& tab = doc.Document().Header.Tabs[static_cast<size_t>(slot)];
    f.Tabs[static_cast<size_t>(slot)] = {tab.Position,
                                         static_cast<uint8_t>(std::min<int>(tab.Kind, kTabDecimal))};
  }
  uint64_t any = 0, every = ~uint64_t{0};
  ForSelectedParagraphs(doc, [&](TParagraph* p) {
    any |= p->TabMask;
    every &= p->TabMask;
  });
  f.TabsOfAny = any;
  f.TabsOfEvery = every & any;
  return f;
}

void TWPRichTextLink::EditorStateChanged() {
  if (toolbar_) toolbar_->ShowAttributes(CaretAttributes());
  if (ruler_) {
    // The ruler's origin is the left edge of the editor's text.
    QPoint origin = ruler_->mapFromGlobal(editor_.viewport()->mapToGlobal(QPoint(0, 0)));
    ruler_->SetLeftOffset(origin.x());
    ruler_->SetXOffset(-editor_.horizontalScrollBar()->value());
    ruler_->SetFormat(RulerFormat());
  }
}

void TWPRichTextLink::FocusEditor() { editor_.setFocus(Qt::OtherFocusReason); }

void TWPRichTextLink::CharacterCommand(bool down, int number) {
  uint8_t style = 0, flag = 0;
  switch (number) {
    case 1:  // plain text
      if (!down) return;
      editor_.Memo().ChangeSelectionAttr([](TCharAttr& a) {
        a.StyleBits = 0;
        a.CharFlags &= static_cast<uint8_t>(~(kCharHidden | kCharRtfCode));
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
  editor_.Memo().ChangeSelectionAttr([=](TCharAttr& a) {
    if (style) {
      a.StyleBits = static_cast<uint8_t>(down ? a.StyleBits | style : a.StyleBits & ~style);
      // Superscript and subscript exclude each other.
      if (down && style == kStyleSuperscript) a.StyleBits &= static_cast<uint8_t>(~kStyleSubscript);
      if (down && style == kStyleSubscript) a.StyleBits &= static_cast<uint8_t>(~kStyleSuperscript);
    }
    if (flag) a.CharFlags = static_cast<uint8_t>(down ? a.CharFlags | flag : a.CharFlags & ~flag);
  });
}

// A toolbar button pressed (down) or released; true when line heights may change.
bool TWPRichTextLink::IconCommand(bool down, int group, int number) {
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
void TWPRichTextLink::EditCommand(int number) {
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

void TWPRichTextLink::ToolbarCommand(const TWPToolCommand& c) {
  EditController& doc = editor_.Memo();
  bool relayout = false;  // line heights may change
  switch (c.Kind) {
    case kSelFontName: {
      int index = editor_.FontIndexOf(c.Text);
      if (index >= 0 && index < kFontSlots)
        doc.ChangeSelectionAttr([index](TCharAttr& a) { a.FontIndex = static_cast<uint8_t>(index); });
      relayout = true;
      break;
    }
    case kSelFontSize:
      if (c.Number > 0) {
        uint8_t size = static_cast<uint8_t>(std::clamp(c.Number, 1, 255));
        doc.ChangeSelectionAttr([size](TCharAttr& a) { a.PointSize = size; });
        relayout = true;
      }
      break;
    case kSelTextColor:
      if (c.Number >= 0 && c.Number < 16)
        doc.ChangeSelectionAttr([&c](TCharAttr& a) { a.SetTextColor(static_cast<uint8_t>(c.Number)); });
      break;
    case kSelBackgroundColor:
      if (c.Number >= 0 && c.Number < 16)
        doc.ChangeSelectionAttr([&c](TCharAttr& a) { a.SetBackgroundColor(static_cast<uint8_t>(c.Number)); });
      break;
    case kSelParColor:
      // The paragraph's background: a solid shading in that colour; 0 removes it.
      if (c.Number >= 0 && c.Number < 16)
        editor_.SetParShading(c.Number == 0 ? 0 : 100, static_cast<uint8_t>(c.Number << 4));
      break;
    case kSelIconDown:
    case kSelIconUp:
      relayout = IconCommand(c.Kind == kSelIconDown, c.Group, c.Number);
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

void TWPRichTextLink::RulerIndents(int, bool changing, int first, int left, int right) {
  editor_.SetParIndents(first, left, right);
  // At the end of a drag the ruler shows what the paragraph took (nothing when read-only).
  if (!changing) EditorStateChanged();
}

void TWPRichTextLink::RulerTabs(uint64_t changed, const TWPRulerFormat& format) {
  EditController& doc = editor_.Memo();
  if (!doc.CanEdit()) {
    EditorStateChanged();  // refused: the ruler shows the editor's stops again
    return;
  }
  uint64_t mask = 0;
  for (int slot = 0; slot < 64; ++slot) {
    if (!(changed & (uint64_t{1} << slot))) continue;
    const TWPRulerTab& tab = format.Tabs[static_cast<size_t>(slot)];
    TTabSlot& existing = doc.Document().Header.Tabs[static_cast<size_t>(slot)];
    if (existing.Position != 0 && existing.Position == tab.Twips) {
      existing.Kind = tab.Kind;  // a stop of the paragraphs changed its kind
      mask |= uint64_t{1} << slot;
    } else {
      mask |= doc.Document().Header.AddTab(tab.Twips, tab.Kind);
    }
  }
  ForSelectedParagraphs(doc, [&](TParagraph* p) {
    p->TabMask |= mask;
    p->MarkDirty();
  });
  editor_.Reformat();
  editor_.Changed();
  EditorStateChanged();
}

TWPParagraphValues TWPRichTextLink::CurrentParagraph() const {
  TWPParagraphValues v;
  if (const TParagraph* p = editor_.Memo().CaretPos().Par) {
    v.FirstIndent = p->FirstIndent;
    v.LeftIndent = p->LeftIndent;
    v.RightIndent = p->RightIndent;
    v.SpaceBefore = p->SpaceBefore;
    v.SpaceAfter = p->SpaceAfter;
    v.LineSpacing = p->LineSpacing;
  }
  return v;
}

void TWPRichTextLink::SetParSpacing(int before, int line_spacing, int after) {
  editor_.SetParSpacing(before, line_spacing, after);
  EditorStateChanged();
}

void TWPRichTextLink::SetParIndents(int first, int left, int right) {
  editor_.SetParIndents(first, left, right);
  EditorStateChanged();
}

}  // namespace inkwend
