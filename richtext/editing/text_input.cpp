// The editing layer: positions, selection, typing, paragraphs and formatting.
#include "richtext/editing/text_input.h"

#include <algorithm>
#include <array>
#include <limits>

#include "richtext/editing/undo_step.h"
#include "richtext/model/symbol_font.h"
#include "richtext/rtf/loader.h"
#include "richtext/rtf/text_io.h"

namespace inkwend {

namespace {

constexpr int kKeep = -1000;
constexpr int kIndentIgnoreFrom = 65000;
// Text of one AppendParagraph is cut so that it fits into one line.
constexpr int kMaxAppendText = kMaxLineCapacity - 10;

bool IsObjectAnchor(char32_t c, const TCharAttr& a) {
  return (c == kCharObjectByTag || c == kCharObjectByNumber) && (a.CharFlags & kCharObject);
}

}  // namespace

const char* WPMessageText(TWPMessage message, TWPLanguage language) {
  const bool de = language == TWPLanguage::twpGerman;
  switch (message) {
    case TWPMessage::FileFilter:
      return de ? "Formatierte Texte|*.RTF|HTML Dateien|*.HTM|Textdateien|*.TXT|alle Dateien (*.*)|*.*"
                : "RTF files|*.RTF|HTML files|*.HTM|TXT files|*.TXT|all files (*.*)|*.*";
    case TWPMessage::AbortOperation:
      return de ? "Soll Operation abgebrochen werden?" : "Do you want to abort operation?";
    case TWPMessage::Ready:
      return de ? "Bereit" : "Ready";
    case TWPMessage::Reading:
      return de ? "beim lesen..." : "reading ...";
    case TWPMessage::Writing:
      return de ? "beim schreiben" : "writing ...";
    case TWPMessage::Formatting:
      return de ? "beim formatieren" : "formatting ...";
    case TWPMessage::InitializeMemory:
      return de ? "initialisiere speicher..." : "initialize memory";
    case TWPMessage::NoTextSelected:
      return de ? "keine Auswahl markiert" : "no text selected";
    case TWPMessage::Rich:
      return de ? "FMT" : "RICH";
    case TWPMessage::Plain:
      return de ? "NORM" : "PLAIN";
    case TWPMessage::InternalError:
      return de ? "Interner Fehler" : "Internal Error";
    case TWPMessage::DeleteAllTabstops:
      return de ? "Tabulatoren l\xC3\xB6schen" : "Delete all tabstops?";
  }
  return "";
}

EditController::EditController() {
  layout_.TrackCursor(&Caret, true);
  layout_.TrackCursor(&SelStart, false);
  layout_.TrackCursor(&SelEnd, false);
  doc_.onHighlightChange = [this] { DocumentChanged(); };
  Caret = TTextCursor{doc_.FirstParagraph(), 0, 0};
}

EditController::~EditController() = default;

void EditController::SetLanguage(TWPLanguage language) {
  language_ = language;
  layout_.DecimalSeparator = language == TWPLanguage::twpGerman ? U',' : U'.';
  for (TParagraph* p = doc_.FirstParagraph(); p; p = p->Next) {
    if (p->TabMask) p->MarkDirty();
  }
  layout_.Reformat();
}

bool EditController::CanEdit() {
  if (ReadOnly || !Ready) return false;
  Modified = true;
  return true;
}

void EditController::Changed() {
  if (OnChange) OnChange();
}

void EditController::DocumentChanged() {
  // Cursors must not point at paragraphs that a structural change freed; callers reset them
  // before such changes, so here only the layout runs.
  last_fast_par_ = nullptr;
  layout_.Reformat();
}

void EditController::SetWordWrap(bool on) {
  if (on && !layout_.WordWrap()) ScrollX = 0;
  layout_.SetWordWrap(on);
}

// --------------------------------------------------------------------------------------------
// Document

void EditController::Clear() {
  Caret = SelStart = SelEnd = TTextCursor{};
  last_fast_par_ = nullptr;
  typing_par_ = nullptr;
  doc_.Clear();
  DocumentChanged();
  Caret = TTextCursor{doc_.FirstParagraph(), 0, 0};
  file_name_.clear();
  ScrollX = ScrollY = 0;
  Modified = false;
  goal_x_ = -1;
  ClearUndo();
  walk_pos_ = 0;
  walk_word_.clear();
  walk_word_pos_ = -1;
  MarkAllDirty();
}

int EditController::LoadFromStream(TWPStream& stream) {
  return LoadWith([this, &stream](const TLoadOptions& options) {
    return inkwend::LoadFromStream(doc_, stream, options);
  });
}

int EditController::LoadWith(const std::function<int(const TLoadOptions&)>& load) {
  const bool was_empty = doc_.IsEmpty();
  if (!was_empty && !CanEdit()) return doc_.IoResult;
  if (!Ready) return doc_.IoResult;
  const int64_t caret = GetCaretPosition();
  const int first = ParagraphIndex(Caret.Par);
  if (!was_empty) BeginEdit(TEditKind::Other, first, first);
  TLoadOptions options;
  TDocPosition end;
  options.Caret = TDocPosition{Caret.Par, Caret.Line, Caret.Pos};
  options.InsertEnd = &end;
  options.pictureDecoder = pictureDecoder;
  options.status = &lastLoadStatus_;
  Caret = SelStart = SelEnd = TTextCursor{};
  last_fast_par_ = nullptr;
  typing_par_ = nullptr;
  Ready = false;
  int result;
  try {
    result = load(options);
  } catch (...) {
    Ready = true;
    Caret = TTextCursor{doc_.FirstParagraph(), 0, 0};
    throw;
  }
  Ready = true;
  if (was_empty) {
    Caret = TTextCursor{doc_.FirstParagraph(), 0, 0};
    ClearUndo();
    Modified = false;
  } else if (end.Par) {
    Caret = ToCursor(TParPos{end.Par, static_cast<int>(end.Par->Line(end.Line).Start) + end.Pos});
  } else {
    SetCaretPosition(caret);
  }
  if (!was_empty) EndEdit();
  DocumentChanged();
  MarkAllDirty();
  UpdateCurrentAttr();
  return result;
}

int EditController::LoadFromFile(const std::string& path) {
  const int result = LoadWith(
      [this, &path](const TLoadOptions& options) { return inkwend::LoadFromFile(doc_, path, options); });
  if (result == kResultOk) file_name_ = path;
  return result;
}

int EditController::SaveToStream(TWPStream& stream) {
  doc_.CollectObjects();
  return doc_.IoResult = inkwend::SaveToStream(doc_, stream, doc_.SaveFormat);
}

int EditController::SaveToFile(const std::string& path) {
  doc_.CollectObjects();
  const int result = doc_.IoResult = inkwend::SaveToFile(doc_, path, doc_.SaveFormat);
  if (result == kResultOk) file_name_ = path;
  return result;
}

int EditController::SaveSelectionToStream(TWPStream& stream) {
  if (!HasSelection()) {
    if (OnMessage) OnMessage(Message(TWPMessage::NoTextSelected));
    return doc_.IoResult = kResultNothingToWrite;
  }
  doc_.CollectObjects();
  return doc_.IoResult = inkwend::SaveSelectionToStream(doc_, stream, SelectionRange(), doc_.SaveFormat);
}

// --------------------------------------------------------------------------------------------
// Positions

void EditController::LineOf(const TParagraph* par, int offset, bool prefer_next, int& line,
                            int& index) const {
  const int count = par->LineCount();
  int lo = 0, hi = count - 1;
  while (lo < hi) {  // the first line whose end reaches the offset
    const int mid = (lo + hi) / 2;
    const TTextLine& l = par->Line(mid);
    if (static_cast<int>(l.Start + l.Length) >= offset)
      hi = mid;
    else
      lo = mid + 1;
  }
  line = lo;
  const TTextLine& l = par->Line(line);
  if (prefer_next && offset == static_cast<int>(l.Start + l.Length) && line + 1 < count && l.Length > 0) {
    ++line;
    index = 0;
    return;
  }
  index = std::clamp(offset - static_cast<int>(l.Start), 0, static_cast<int>(l.Length));
}

TParPos EditController::ToPos(const TTextCursor& c) const {
  if (!c.Par) return TParPos{doc_.FirstParagraph(), 0};
  const int line = std::clamp(c.Line, 0, c.Par->LineCount() - 1);
  const TTextLine& l = c.Par->Line(line);
  return TParPos{c.Par, static_cast<int>(l.Start) + std::clamp(c.Pos, 0, static_cast<int>(l.Length))};
}

TTextCursor EditController::ToCursor(TParPos p, bool caret) const {
  if (!p.Par) p = TParPos{doc_.FirstParagraph(), 0};
  p.Offset = std::clamp(p.Offset, 0, p.Par->CharCount());
  int line = 0, index = 0;
  LineOf(p.Par, p.Offset, caret, line, index);
  return TTextCursor{p.Par, line, index};
}

int EditController::ParagraphIndex(const TParagraph* par) const {
  int i = 0;
  for (const TParagraph* p = doc_.FirstParagraph(); p; p = p->Next, ++i) {
    if (p == par) return i;
  }
  return 0;
}

int64_t EditController::PositionOf(TParPos pos) const {
  int64_t n = 0;
  for (const TParagraph* p = doc_.FirstParagraph(); p && p != pos.Par; p = p->Next) n += p->CharCount() + 1;
  return n + pos.Offset;
}

TParPos EditController::PosAt(int64_t position) const {
  if (position < 0) position = 0;
  TParagraph* p = doc_.FirstParagraph();
  while (p) {
    if (position <= p->CharCount()) return TParPos{p, static_cast<int>(position)};
    if (!p->Next) return TParPos{p, p->CharCount()};
    position -= p->CharCount() + 1;
    p = p->Next;
  }
  return TParPos{doc_.FirstParagraph(), 0};
}

int64_t EditController::EndPosition() const {
  int64_t n = 0;
  for (const TParagraph* p = doc_.FirstParagraph(); p; p = p->Next) n += p->CharCount() + 1;
  return n - 1;
}

int64_t EditController::GetCaretPosition() const { return PositionOf(CaretPos()); }

void EditController::SetCaretPosition(int64_t position) { MoveCaretTo(PosAt(position), false); }

void EditController::SetCaretKeepAnchor(TParPos pos) { Caret = ToCursor(pos); }

void EditController::MoveCaretTo(TParPos pos, bool extend) {
  if (!pos.Par) pos = TParPos{doc_.FirstParagraph(), 0};
  const bool had_selection = HasSelection();
  if (extend) {
    if (!SelStart.Par) SelStart = ToCursor(CaretPos(), false);
    SelEnd = ToCursor(pos, false);
  } else {
    SelStart = SelEnd = TTextCursor{};
  }
  Caret = ToCursor(pos);
  if (had_selection || extend) {
    MarkAllDirty();
  }
  group_open_ = false;
  goal_x_ = -1;
  UpdateCurrentAttr();
}

// --------------------------------------------------------------------------------------------
// Selection

bool EditController::HasSelection() const {
  if (!SelStart.Par || !SelEnd.Par) return false;
  return !(ToPos(SelStart) == ToPos(SelEnd));
}

TParPos EditController::SelectionBegin() const {
  if (!HasSelection()) return CaretPos();
  const TParPos a = ToPos(SelStart), b = ToPos(SelEnd);
  if (a.Par == b.Par) return a.Offset <= b.Offset ? a : b;
  return ParagraphIndex(a.Par) < ParagraphIndex(b.Par) ? a : b;
}

TParPos EditController::SelectionEnd() const {
  if (!HasSelection()) return CaretPos();
  const TParPos a = ToPos(SelStart), b = ToPos(SelEnd);
  if (a.Par == b.Par) return a.Offset <= b.Offset ? b : a;
  return ParagraphIndex(a.Par) < ParagraphIndex(b.Par) ? b : a;
}

TTextRange EditController::SelectionRange() const {
  const TTextCursor a = ToCursor(SelectionBegin(), false), b = ToCursor(SelectionEnd(), false);
  return TTextRange{a.Par, a.Line, a.Pos, b.Par, b.Line, b.Pos};
}

void EditController::SelectRange(int64_t anchor, int64_t caret) {
  MoveCaretTo(PosAt(anchor), false);
  MoveCaretTo(PosAt(caret), true);
}

void EditController::SelectAll() { SelectRange(0, 0xFFFFFFF); }

void EditController::HideSelection() {
  if (!HasSelection() && !SelStart.Par) return;
  SelStart = SelEnd = TTextCursor{};
  MarkAllDirty();
}

std::u32string EditController::SelectedText() const {
  std::u32string out;
  if (!HasSelection()) return out;
  const TParPos a = SelectionBegin(), b = SelectionEnd();
  for (TParagraph* p = a.Par; p; p = p->Next) {
    const int from = p == a.Par ? a.Offset : 0;
    const int to = p == b.Par ? b.Offset : p->CharCount();
    auto text = p->Text();
    auto attrs = p->Attrs();
    for (int i = from; i < to; ++i) {
      const char32_t c = text[static_cast<size_t>(i)];
      if (p->HasAttributes() && IsObjectAnchor(c, attrs[static_cast<size_t>(i)])) continue;
      if (c < 32 && c != kCharTab && c != kCharLineBreak) continue;
      // Other programs get the bullet a Symbol-font byte draws, not its private-use code.
      out.push_back(p->HasAttributes() ? PlainTextChar(doc_.Header, c, attrs[static_cast<size_t>(i)]) : c);
    }
    if (p == b.Par) break;
    out.push_back(U'\n');
  }
  return out;
}

void EditController::DeleteSelection() {
  if (!HasSelection() || !CanEdit()) return;
  if ((ProtectedProp & ppProtectSelectedTextToo) && !RangeEditable(SelectionBegin(), SelectionEnd())) return;
  BeginEdit(TEditKind::Other, ParagraphIndex(SelectionBegin().Par), ParagraphIndex(SelectionEnd().Par));
  DeleteSelectionRaw();
  EndEdit();
  UpdateCurrentAttr();
  Finished(true);
}

void EditController::DeleteSelectionRaw() {
  const TParPos a = SelectionBegin(), b = SelectionEnd();
  SelStart = SelEnd = TTextCursor{};
  Caret = ToCursor(a);
  const TParPos at = RawDeleteRange(a, b);
  Caret = ToCursor(at);
}

// --------------------------------------------------------------------------------------------
// Raw edits

void EditController::RawInsert(TParPos at, std::u32string_view text, const TCharAttr& attr,
                               const TCharAttr* attrs) {
  TParagraph* par = at.Par;
  int off = std::clamp(at.Offset, 0, par->CharCount());
  size_t done = 0;
  while (done < text.size()) {
    int line = 0, index = 0;
    LineOf(par, off, false, line, index);
    const int len = par->Line(line).Length;
    int room = kMaxLineCapacity - 8 - len;
    if (room <= 0) {
      // The line is full: end it at the insertion point and continue in a new line after it.
      if (index < len) {
        std::vector<int> lengths;
        for (int l = 0; l < par->LineCount(); ++l) {
          if (l == line) {
            lengths.push_back(index);
            lengths.push_back(len - index);
          } else {
            lengths.push_back(par->Line(l).Length);
          }
        }
        doc_.SetLineLengths(par, lengths);
      }
      line = doc_.NewLine(par, line, 64);
      index = 0;
      room = kMaxLineCapacity - 8;
    }
    const int take = static_cast<int>(std::min<size_t>(static_cast<size_t>(room), text.size() - done));
    doc_.ReplaceRange(par, line, index, 0, text.data() + done, take, &attr);
    if (attrs && par->HasAttributes()) {
      std::copy(attrs + done, attrs + done + static_cast<size_t>(take), par->Attrs().begin() + off);
    }
    off += take;
    done += static_cast<size_t>(take);
  }
  par->MarkDirty();
}

void EditController::RawDelete(TParagraph* par, int from, int to) {
  from = std::clamp(from, 0, par->CharCount());
  to = std::clamp(to, from, par->CharCount());
  while (to > from) {
    int line = 0, index = 0;
    LineOf(par, from, true, line, index);
    const int len = par->Line(line).Length;
    const int n = std::min(to - from, len - index);
    if (n <= 0) {
      if (line + 1 >= par->LineCount()) break;
      if (len == 0)
        doc_.DeleteLine(par, line);
      else
        doc_.SetLineLengths(par, std::vector<int>{par->CharCount()});
      continue;
    }
    doc_.ReplaceRange(par, line, index, n, nullptr, 0, nullptr);
    to -= n;
  }
  par->MarkDirty();
}

TParagraph* EditController::RawSplit(TParPos at) {
  TParagraph* par = at.Par;
  const int n = par->CharCount();
  const int off = std::clamp(at.Offset, 0, n);
  std::u32string tail(par->Text().begin() + off, par->Text().end());
  std::vector<TCharAttr> tail_attrs;
  if (par->HasAttributes()) tail_attrs.assign(par->Attrs().begin() + off, par->Attrs().end());
  const TCharAttr end_attr = par->EndAttr;
  TParagraph* np =
      doc_.NewParagraph(par, std::max<int>(kNewParagraphCapacity, static_cast<int>(tail.size()) + 8));
  np->ParFlags &= static_cast<uint8_t>(~kParPageBreak);
  np->EndAttr = end_attr;
  if (!tail.empty()) {
    if (par->HasAttributes())
      doc_.AppendText(np, std::span<const char32_t>(tail.data(), tail.size()), tail_attrs);
    else
      doc_.AppendText(np, std::span<const char32_t>(tail.data(), tail.size()), std::span<const TCharAttr>());
    RawDelete(par, off, n);
    if (par->HasAttributes() && off > 0) par->EndAttr = par->Attrs()[static_cast<size_t>(off - 1)];
  }
  return np;
}

void EditController::RawJoinNext(TParagraph* par) {
  last_fast_par_ = nullptr;
  typing_par_ = nullptr;
  TParagraph* next = par->Next;
  if (!next) return;
  std::u32string text(next->Text().begin(), next->Text().end());
  std::vector<TCharAttr> attrs;
  if (next->HasAttributes()) attrs.assign(next->Attrs().begin(), next->Attrs().end());
  const TParPos end{par, par->CharCount()};
  if (!text.empty()) {
    RawInsert(end, text, doc_.DefaultAttr, attrs.empty() ? nullptr : attrs.data());
    par->EndAttr = next->EndAttr;
  }
  doc_.FreeParagraph(next);
  par->MarkDirty();
}

TParPos EditController::RawDeleteRange(TParPos a, TParPos b) {
  last_fast_par_ = nullptr;
  typing_par_ = nullptr;
  if (a.Par == b.Par) {
    RawDelete(a.Par, a.Offset, b.Offset);
    return a;
  }
  RawDelete(a.Par, a.Offset, a.Par->CharCount());
  while (a.Par->Next && a.Par->Next != b.Par) doc_.FreeParagraph(a.Par->Next);
  RawDelete(b.Par, 0, b.Offset);
  RawJoinNext(a.Par);
  return a;
}

// --------------------------------------------------------------------------------------------
// Protection

bool EditController::IsProtectedChar(const TCharAttr& a) const {
  const TProtectProps pp = ProtectedProp;
  return ((pp & ppProtected) && (a.CharFlags & kCharProtected)) ||
         ((pp & ppHidden) && (a.CharFlags & kCharHidden)) ||
         ((pp & ppIsInsertpoint) && (a.CharFlags & kCharInsertPoint)) ||
         ((pp & ppAutomatic) && (a.CharFlags & kCharAutomatic)) ||
         ((pp & ppIsInvisible) && a.Width == 0 && a.Height != 0);
}

bool EditController::ProtectedAt(TParagraph* par, int offset) const {
  if (ProtectedProp == 0 || !par->HasAttributes() || offset < 0 || offset >= par->CharCount()) return false;
  return IsProtectedChar(par->Attrs()[static_cast<size_t>(offset)]);
}

bool EditController::InsertAllowed(TParPos at) const {
  if (ProtectedProp == 0) return true;
  if ((ProtectedProp & ppParProtected) && at.Par->HasAttributes()) {
    for (const TCharAttr& a : at.Par->Attrs()) {
      if (IsProtectedChar(a)) return false;
    }
  }
  // Inside a protected run (protected text on both sides) nothing may be typed.
  return !(ProtectedAt(at.Par, at.Offset - 1) && ProtectedAt(at.Par, at.Offset));
}

bool EditController::RangeEditable(TParPos a, TParPos b) const {
  if (ProtectedProp == 0) return true;
  for (TParagraph* p = a.Par; p; p = p->Next) {
    const int from = p == a.Par ? a.Offset : 0;
    const int to = p == b.Par ? b.Offset : p->CharCount();
    for (int i = from; i < to; ++i) {
      if (ProtectedAt(p, i)) return false;
    }
    if (p == b.Par) break;
  }
  return true;
}

// --------------------------------------------------------------------------------------------
// Typing

bool EditController::InputChar(char32_t c, bool programmatic) {
  if (!CanEdit()) return false;
  const bool changed = InputCharRaw(c, programmatic);
  Finished(changed);
  return changed;
}

void EditController::InsertText(std::u32string_view text) {
  if (!CanEdit()) return;
  bool changed = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c == U'\r') {
      if (i + 1 < text.size() && text[i + 1] == U'\n') ++i;
      c = kKeyEnter;
    } else if (c == U'\n') {
      c = kKeyEnter;
    }
    changed |= InputCharRaw(c, false);
  }
  Finished(changed);
}

bool EditController::InputCharRaw(char32_t c, bool programmatic) {
  if (HasSelection()) {
    if ((ProtectedProp & ppProtectSelectedTextToo) && !RangeEditable(SelectionBegin(), SelectionEnd()))
      return false;
    BeginEdit(TEditKind::Other, ParagraphIndex(SelectionBegin().Par), ParagraphIndex(SelectionEnd().Par));
    DeleteSelectionRaw();
    EndEdit();
    if (c == kKeyBackspace || c == kKeyDelete) return true;
  }
  switch (c) {
    case kKeyBackspace:
      return Backspace();
    case kKeyDelete:
      return DeleteForward();
    case kKeyEnter:
      return Enter();
    case kKeyPageBreak:
      return PageBreak();
    default:
      return TypeChar(c, programmatic);
  }
}

bool EditController::Backspace() {
  const TParPos at = CaretPos();
  if (at.Offset == 0 && (!at.Par->Prev || at.Par->IsTableCell() || at.Par->Prev->IsTableCell())) return false;
  if (at.Offset > 0) {
    if (ProtectedAt(at.Par, at.Offset - 1)) return false;
    BeginTyping(at.Par);
    RawDelete(at.Par, at.Offset - 1, at.Offset);
    Caret = ToCursor(TParPos{at.Par, at.Offset - 1});
    EndTyping();
  } else {
    TParagraph* prev = at.Par->Prev;
    if ((ProtectedProp & ppParProtected) && (!InsertAllowed(TParPos{prev, 0}) || !InsertAllowed(at)))
      return false;
    const int index = ParagraphIndex(prev);
    BeginEdit(TEditKind::Other, index, index + 1);
    const int join = prev->CharCount();
    Caret = ToCursor(TParPos{prev, join});
    RawJoinNext(prev);
    Caret = ToCursor(TParPos{prev, join});
    EndEdit();
  }
  UpdateCurrentAttr();
  return true;
}

bool EditController::DeleteForward() {
  const TParPos at = CaretPos();
  if (at.Offset < at.Par->CharCount()) {
    if (ProtectedAt(at.Par, at.Offset)) return false;
    BeginTyping(at.Par);
    RawDelete(at.Par, at.Offset, at.Offset + 1);
    Caret = ToCursor(at);
    EndTyping();
    UpdateCurrentAttr();
    return true;
  }
  const int index = ParagraphIndex(at.Par);
  if (at.Par->Next) {
    if (at.Par->IsTableCell() || at.Par->Next->IsTableCell()) return false;
    if ((ProtectedProp & ppParProtected) && (!InsertAllowed(at) || !InsertAllowed(TParPos{at.Par->Next, 0})))
      return false;
    BeginEdit(TEditKind::Other, index, index + 1);
    RawJoinNext(at.Par);
    Caret = ToCursor(at);
    EndEdit();
  } else {
    // At the very end of the document: the last paragraph loses its borders, shading and flags.
    TParagraph* p = at.Par;
    if (!p->HasBorder() && !p->HasShading() && p->ParFlags == 0 && p->BorderFlags[1] == 0) return false;
    BeginEdit(TEditKind::Other, index, index);
    p->BorderFlags[0] = p->BorderFlags[1] = 0;
    p->BorderWidth = p->BorderColor = 0;
    p->ShadingColors = p->ShadingPercent = 0;
    p->ParFlags = 0;
    p->MarkDirty();
    EndEdit();
  }
  UpdateCurrentAttr();
  return true;
}

bool EditController::Enter() {
  const TParPos at = CaretPos();
  if (at.Par->IsTableCell()) return TypeChar(kCharLineBreak, true);
  if ((ProtectedProp & ppParProtected) && !InsertAllowed(at)) return false;
  if (ProtectedAt(at.Par, at.Offset - 1) && ProtectedAt(at.Par, at.Offset)) return false;
  const int index = ParagraphIndex(at.Par);
  BeginEdit(TEditKind::Other, index, index);
  if (at.Offset == 0 && !at.Par->Prev) {
    // At the very start: an empty paragraph before the first; the caret stays with the text.
    TParagraph* first = at.Par;
    Caret = TTextCursor{};
    TParagraph* np = doc_.NewParagraph(nullptr);
    np->CopyPropertiesFrom(*first);
    np->ParFlags &= static_cast<uint8_t>(~kParPageBreak);
    np->EndAttr = doc_.DefaultAttr;
    Caret = ToCursor(TParPos{first, 0});
  } else {
    TParagraph* np = RawSplit(at);
    Caret = ToCursor(TParPos{np, 0});
  }
  EndEdit();
  return true;
}

bool EditController::PageBreak() {
  const TParPos at = CaretPos();
  const int index = ParagraphIndex(at.Par);
  BeginEdit(TEditKind::Other, index, index);
  if (at.Offset == 0) {
    at.Par->ParFlags ^= kParPageBreak;
    at.Par->MarkDirty();
  } else {
    TParagraph* np = RawSplit(at);
    np->ParFlags |= kParPageBreak;
    Caret = ToCursor(TParPos{np, 0});
  }
  EndEdit();
  return true;
}

bool EditController::TypeChar(char32_t c, bool programmatic) {
  if (c == 0 || c == kCharObjectByTag || c == kCharObjectByNumber || c == 3) return false;
  if ((doc_.DefaultAttr.CharFlags & kCharHidden) && !programmatic) return false;
  const TParPos at = CaretPos();
  if (!InsertAllowed(at)) return false;
  const bool overwrite = !Inserting && at.Offset < at.Par->CharCount();
  if (overwrite && ProtectedAt(at.Par, at.Offset)) return false;
  if (at.Par->CharCount() >= std::numeric_limits<int>::max() / 2) return false;
  BeginTyping(at.Par);
  const char32_t ch[1] = {c};
  if (overwrite) RawDelete(at.Par, at.Offset, at.Offset + 1);
  RawInsert(at, std::u32string_view(ch, 1), doc_.DefaultAttr);
  Caret = ToCursor(TParPos{at.Par, at.Offset + 1});
  EndTyping();
  return true;
}

void EditController::ReplaceSelection(std::u32string_view text) {
  if (!CanEdit()) return;
  TParPos a = SelectionBegin();
  const TParPos b = SelectionEnd();
  if ((ProtectedProp & ppProtectSelectedTextToo) && !RangeEditable(a, b)) return;
  TCharAttr attr = doc_.AttrAt(a.Par, ToCursor(a, false).Line, ToCursor(a, false).Pos);
  if (a.Offset >= a.Par->CharCount() && a.Offset > 0 && a.Par->HasAttributes()) {
    attr = a.Par->Attrs()[static_cast<size_t>(a.Offset - 1)];
  }
  attr.CharFlags &= static_cast<uint8_t>(~(kCharObject | kCharFootnote | kCharInsertPoint));
  BeginEdit(TEditKind::Other, ParagraphIndex(a.Par), ParagraphIndex(b.Par));
  SelStart = SelEnd = TTextCursor{};
  Caret = ToCursor(a);
  RawDeleteRange(a, b);
  std::u32string clean;
  for (char32_t c : text) {
    if (c >= 4 || c == 0) clean.push_back(c == 0 ? U' ' : c);
  }
  RawInsert(a, clean, attr);
  a.Offset += static_cast<int>(clean.size());
  Caret = ToCursor(a);
  EndEdit();
  Finished(true);
}

int EditController::InsertGraphic(TDocGraphic graphic, int width, int height) {
  if (!CanEdit()) return 0;
  if (graphic.Empty()) throw TWPError(kErrNoObject);
  if (HasSelection()) {
    BeginEdit(TEditKind::Other, ParagraphIndex(SelectionBegin().Par), ParagraphIndex(SelectionEnd().Par));
    DeleteSelectionRaw();
    EndEdit();
  }
  const TParPos at = CaretPos();
  if (!InsertAllowed(at)) return 0;
  const int index = ParagraphIndex(at.Par);
  BeginEdit(TEditKind::Other, index, index);
  TDocObject* object = doc_.AddObject(std::move(graphic), -1);
  object->Width = std::max(width, 0);
  object->Height = std::max(height, 0);
  doc_.ComputeObjectSize(*object);
  TCharAttr attr = doc_.DefaultAttr;
  attr.CharFlags |= kCharObject;
  attr.TagNumber = object->Number;
  layout_.MeasureChar(kCharObjectByNumber, attr);
  const char32_t anchor[1] = {kCharObjectByNumber};
  RawInsert(at, std::u32string_view(anchor, 1), attr);
  Caret = ToCursor(TParPos{at.Par, at.Offset + 1});
  EndEdit();
  Finished(true);
  return object->Tag;
}

std::string EditController::SelectionAsRtf() {
  if (!HasSelection()) return {};
  TMemoryStream memory;
  const bool drop = doc_.DropProtectedAttribute;
  doc_.DropProtectedAttribute = (ProtectedProp & ppDontCopyProtectedAttribute) != 0;
  const TTextRange range = SelectionRange();
  WriteDocument(doc_, memory, TWPLoadFormat::FormatRTF, &range);
  doc_.DropProtectedAttribute = drop;
  std::string bytes = memory.TakeBytes();
  while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  return bytes;
}

bool EditController::PasteBytes(const std::string& bytes_in, TWPLoadFormat format) {
  if (!CanEdit()) return false;
  // Clipboard data ends at its first 0 byte; data without one is taken whole.
  std::string bytes = bytes_in.substr(0, bytes_in.find('\0'));
  if (bytes.empty()) return false;
  bytes.push_back('\0');

  const int first = ParagraphIndex(SelectionBegin().Par);
  const int last = ParagraphIndex(SelectionEnd().Par);
  BeginEdit(TEditKind::Other, first, last);
  if (HasSelection()) DeleteSelectionRaw();

  // Pasting never replaces the whole document: an empty one gets a stand-in character that
  // the pasted text goes before and that is removed afterwards. So the veto, the kept page
  // layout and attribute mode hold for every paste.
  const bool stand_in = doc_.IsEmpty();
  if (stand_in) {
    if (OnBeforePasteEvent && !OnBeforePasteEvent()) {
      EndEdit();
      return false;
    }
    const char32_t x[1] = {U'x'};
    RawInsert(TParPos{doc_.FirstParagraph(), 0}, std::u32string_view(x, 1), doc_.DefaultAttr);
    Caret = TTextCursor{doc_.FirstParagraph(), 0, 0};
  }
  const TWPLoadFormat load_format = doc_.LoadFormat, last_format = doc_.LastFormat;
  const int io_result = doc_.IoResult;
  doc_.LoadFormat = format;
  TLoadOptions options;
  TDocPosition end;
  options.Caret = TDocPosition{Caret.Par, Caret.Line, Caret.Pos};
  options.InsertEnd = &end;
  options.KeepLayout = true;
  options.pictureDecoder = pictureDecoder;
  if (!stand_in && OnBeforePasteEvent) options.OnLoad = [this] { return OnBeforePasteEvent(); };
  const TParPos caret = CaretPos();
  Caret = SelStart = SelEnd = TTextCursor{};
  last_fast_par_ = nullptr;
  typing_par_ = nullptr;
  TMemoryStream stream(std::move(bytes));
  Ready = false;
  try {
    inkwend::LoadFromStream(doc_, stream, options);
  } catch (...) {
    // The loader reports failures as results; anything else leaves the text as it was.
  }
  Ready = true;
  doc_.LoadFormat = load_format;
  doc_.LastFormat = last_format;
  doc_.IoResult = io_result;
  TParPos after = caret;
  if (end.Par)
    after =
        TParPos{end.Par, static_cast<int>(end.Par->Line(std::min(end.Line, end.Par->LineCount() - 1)).Start) +
                             end.Pos};
  if (stand_in) {
    TParagraph* lastp = doc_.LastParagraph();
    RawDelete(lastp, lastp->CharCount() - 1, lastp->CharCount());
  }
  Caret = ToCursor(after);
  EndEdit();
  UpdateCurrentAttr();
  Finished(end.Par != nullptr);
  MarkAllDirty();
  return end.Par != nullptr;
}

// --------------------------------------------------------------------------------------------
// Current attribute

namespace {

// Whether typing next to `source` keeps the default attribute: the protection settings ask
// not to take over the attribute of protected, automatic, hidden or invisible text.
bool KeepsDefaultAttr(TProtectProps pp, const TCharAttr& source) {
  if (!(pp & ppDontUseAttrOfProtected)) return false;
  return ((pp & ppProtected) && (source.CharFlags & kCharProtected)) ||
         ((pp & ppIsInsertpoint) && (source.CharFlags & kCharInsertPoint)) ||
         ((pp & ppAutomatic) && (source.CharFlags & kCharAutomatic)) ||
         ((pp & ppHidden) && (source.CharFlags & kCharHidden)) ||
         ((pp & ppIsInvisible) && source.Width == 0 && source.Height != 0);
}

}  // namespace

void EditController::UpdateCurrentAttr() {
  const TParPos at = CaretPos();
  TParagraph* par = at.Par;
  TCharAttr source = doc_.DefaultAttr;
  bool found = true;
  if (!par->HasAttributes()) {
    found = false;
  } else if (at.Offset == 0) {
    if (par->Prev) {
      TParagraph* prev = par->Prev;
      source = prev->CharCount() > 0 ? prev->Attrs().back() : prev->EndAttr;
    } else {
      source = par->CharCount() > 0 ? par->Attrs().front() : par->EndAttr;
    }
  } else if (Caret.Pos == 0 && Caret.Line > 0 && Caret.Par == par && at.Offset < par->CharCount()) {
    source = par->Attrs()[static_cast<size_t>(at.Offset)];  // at the start of a line: its first character
  } else {
    source = par->Attrs()[static_cast<size_t>(at.Offset - 1)];
  }
  TCharAttr attr = doc_.DefaultAttr;
  if (found) {
    if (!KeepsDefaultAttr(ProtectedProp, source)) attr = source;
  }
  if (!InsertingSpecial) {
    uint8_t drop = kCharAutomatic | kCharInsertPoint | kCharObject | kCharFootnote | kCharHidden;
    if (ProtectedProp & ppProtected) drop |= kCharProtected;
    attr.CharFlags &= static_cast<uint8_t>(~drop);
    attr.LayoutFlags = 0;
    attr.MoreFlags = 0;
    attr.TagNumber = 0;
  }
  doc_.SetDefaultAttr(attr);
}

void EditController::SetCurrentAttr(const TCharAttr& attr) {
  if (!CanEdit()) return;
  doc_.SetDefaultAttr(attr);
  if (HasSelection()) {
    ChangeSelectionAttr([&attr](TCharAttr& a) {
      // Anchors keep what makes them anchors; everything else takes the new record.
      const uint8_t special = a.CharFlags & (kCharObject | kCharFootnote | kCharInsertPoint | kCharAutomatic);
      const uint16_t tag = a.TagNumber;
      a = attr;
      a.CharFlags =
          static_cast<uint8_t>((a.CharFlags & ~(kCharObject | kCharFootnote | kCharInsertPoint)) | special);
      a.TagNumber = special ? tag : attr.TagNumber;
    });
    return;
  }
  Changed();
}

void EditController::ChangeSelectionAttr(const std::function<void(TCharAttr&)>& change) {
  if (!CanEdit()) return;
  TCharAttr current = doc_.DefaultAttr;
  change(current);
  doc_.SetDefaultAttr(current);
  if (!HasSelection()) {
    Changed();
    return;
  }
  const TParPos a = SelectionBegin(), b = SelectionEnd();
  BeginEdit(TEditKind::Other, ParagraphIndex(a.Par), ParagraphIndex(b.Par));
  for (TParagraph* p = a.Par; p; p = p->Next) {
    if (p->HasAttributes()) {
      const int from = p == a.Par ? a.Offset : 0;
      const int to = p == b.Par ? b.Offset : p->CharCount();
      auto attrs = p->Attrs();
      for (int i = from; i < to; ++i) change(attrs[static_cast<size_t>(i)]);
      if (to == p->CharCount()) change(p->EndAttr);
      p->MarkDirty();
    }
    if (p == b.Par) break;
  }
  EndEdit();
  doc_.SetDefaultAttr(current);
  Finished(true);
}

TColorRef EditController::PaletteColor(int index) const {
  return doc_.Header.Colors[static_cast<size_t>(std::clamp(index, 0, 127) & 15)];
}

// --------------------------------------------------------------------------------------------
// Paragraphs

template <typename F>
void EditController::ForEachSelectedParagraph(F&& f) {
  const TParPos a = SelectionBegin(), b = SelectionEnd();
  for (TParagraph* p = a.Par; p; p = p->Next) {
    f(p);
    p->MarkDirty();
    if (p == b.Par) break;
  }
}

void EditController::AppendParagraph(const TParagraphDescription& d) {
  if (!CanEdit()) return;
  TParagraph* at = CaretPos().Par;
  const bool reuse = at->CharCount() == 0 && at->LineCount() == 1 && !at->Prev && !at->Next;
  if (!reuse) {
    while (at->IsTableCell() && (at->ParFlags & kParMoreCells) && at->Next) at = at->Next;
  }
  const int index = ParagraphIndex(at);
  BeginEdit(TEditKind::Other, index, index);
  TParagraph* par = reuse ? at : doc_.NewParagraph(at);
  par->Alignment = d.Alignment <= kAlignJustify ? d.Alignment : kAlignLeft;
  par->FirstIndent = d.FirstIndent;
  par->LeftIndent = d.LeftIndent;
  par->RightIndent = d.RightIndent;
  par->SpaceBefore = d.SpaceBefore;
  par->SpaceAfter = d.SpaceAfter;
  par->LineSpacing = d.LineSpacing;
  par->BorderFlags[0] = d.BorderFlags[0];
  par->BorderFlags[1] = d.BorderFlags[1];
  par->BorderWidth = d.BorderWidth;
  par->BorderColor = d.BorderColor;
  par->TabMask = d.TabMask;
  par->ShadingColors = d.ShadingColors;
  par->ShadingPercent = std::min<uint8_t>(d.ShadingPercent, 100);
  par->ParFlags = (d.PageBreak && par->Prev) ? kParPageBreak : 0;
  par->CellStart = par->CellWidth = 0;
  par->EndAttr = d.CharAttr;
  std::u32string_view text = d.TextPtr ? std::u32string_view(d.TextPtr) : std::u32string_view(d.Text);
  if (text.size() > static_cast<size_t>(kMaxAppendText)) text = text.substr(0, kMaxAppendText);
  std::u32string clean;
  for (char32_t c : text) {
    if (c >= 4 && c != U'\r' && c != U'\n') clean.push_back(c);
  }
  if (reuse && par->CharCount() > 0) RawDelete(par, 0, par->CharCount());
  if (!clean.empty()) doc_.AppendText(par, clean, d.CharAttr);
  par->MarkDirty();
  SelStart = SelEnd = TTextCursor{};
  Caret = ToCursor(TParPos{par, par->CharCount()});
  EndEdit();
  layout_.Reformat();
}

void EditController::SetPageLayout(int left, int right, int page_height, int page_width, int bottom,
                                   int top) {
  if (!CanEdit()) return;
  auto keep = [](int value, int32_t current) { return value == kKeep ? current : std::max(value, 0); };
  doc_.Header.MarginLeft = keep(left, doc_.Header.MarginLeft);
  doc_.Header.MarginRight = keep(right, doc_.Header.MarginRight);
  doc_.Header.PageHeight = keep(page_height, doc_.Header.PageHeight);
  doc_.Header.PageWidth = keep(page_width, doc_.Header.PageWidth);
  doc_.Header.MarginBottom = keep(bottom, doc_.Header.MarginBottom);
  doc_.Header.MarginTop = keep(top, doc_.Header.MarginTop);
  doc_.Header.UpdateTextArea();
  if (!layout_.WordWrap()) layout_.PageLayoutChanged();
  MarkAllDirty();
}

void EditController::SetParSpacing(int before, int line_spacing, int after) {
  if (!CanEdit()) return;
  BeginEdit(TEditKind::Other, ParagraphIndex(SelectionBegin().Par), ParagraphIndex(SelectionEnd().Par));
  ForEachSelectedParagraph([&](TParagraph* p) {
    if (before != kKeep) p->SpaceBefore = before;
    if (line_spacing != kKeep) p->LineSpacing = line_spacing;
    if (after != kKeep) p->SpaceAfter = after;
  });
  EndEdit();
  Finished(true);
}

void EditController::SetParIndents(int first, int left, int right) {
  if (!CanEdit()) return;
  auto apply = [&](TParagraph* p) {
    if (first != kKeep && first < kIndentIgnoreFrom) p->FirstIndent = first;
    if (left != kKeep && left < kIndentIgnoreFrom) p->LeftIndent = left;
    if (right != kKeep && right < kIndentIgnoreFrom) p->RightIndent = right;
    p->MarkDirty();
  };
  TParPos a = SelectionBegin(), b = SelectionEnd();
  // Inside a table the whole row takes the same indents.
  TParagraph* from = a.Par;
  TParagraph* to = b.Par;
  while (from->IsTableCell() && (from->ParFlags & kParContinuesRow) && from->Prev) from = from->Prev;
  while (to->IsTableCell() && (to->ParFlags & kParMoreCells) && to->Next) to = to->Next;
  BeginEdit(TEditKind::Other, ParagraphIndex(from), ParagraphIndex(to));
  for (TParagraph* p = from; p; p = p->Next) {
    apply(p);
    if (p == to) break;
  }
  EndEdit();
  Finished(true);
}

void EditController::SetParShading(int percent, uint8_t colors) {
  if (!CanEdit()) return;
  BeginEdit(TEditKind::Other, ParagraphIndex(SelectionBegin().Par), ParagraphIndex(SelectionEnd().Par));
  ForEachSelectedParagraph([&](TParagraph* p) {
    p->ShadingPercent = static_cast<uint8_t>(std::clamp(percent, 0, 100));
    p->ShadingColors = colors;
  });
  EndEdit();
  Finished(true);
}

void EditController::SetParAlignment(uint8_t alignment) {
  if (!CanEdit() || alignment > kAlignJustify) return;
  BeginEdit(TEditKind::Other, ParagraphIndex(SelectionBegin().Par), ParagraphIndex(SelectionEnd().Par));
  ForEachSelectedParagraph([&](TParagraph* p) { p->Alignment = alignment; });
  EndEdit();
  Finished(true);
}

void EditController::AssignHeaderFrom(const TWPRTFText& other) {
  if (&other == &doc_) return;
  const int x = doc_.Header.XPixelsPerInch, y = doc_.Header.YPixelsPerInch;
  const bool attributes = doc_.Header.AttributesOn;
  auto on_full = doc_.Header.OnTabTableFull;
  doc_.Header = other.Header;
  doc_.Header.AttributesOn = attributes;
  doc_.Header.OnTabTableFull = on_full;
  doc_.Header.SetResolution(x, y);
  doc_.Header.UpdateTextArea();
  layout_.ReformatAll();
  MarkAllDirty();
}

namespace {

// Fonts, tabs and objects of a document appended to another get the slots and numbers of the
// receiving one; the other's objects are copied into it on construction.
class AppendMapping {
 public:
  AppendMapping(TWPRTFText& to, const TWPRTFText& from) : to_(to), from_(from) {
    for (int i = 0; i < kFontSlots; ++i) {
      const std::u32string& name = from.Header.Fonts[static_cast<size_t>(i)].Name;
      int slot = name.empty() ? 0 : to.Header.FontIndexOf(name);
      if (slot < 0 || slot >= kFontSlots) slot = 0;
      fonts_[static_cast<size_t>(i)] = static_cast<uint8_t>(slot);
    }
    for (const auto& o : from.Objects()) {
      TDocGraphic copy;
      copy.Image = o->Graphic.Image;
      copy.InPictureHolder = o->Graphic.InPictureHolder;
      TDocObject* n = to.AddObject(std::move(copy), o->Tagged ? o->Tag : -1);
      n->Tagged = o->Tagged;
      n->Width = o->Width;
      n->Height = o->Height;
      n->FileName = o->FileName;
      numbers_.emplace_back(o->Number, n->Number);
      tags_.emplace_back(o->Tag, n->Tag);
    }
  }

  uint8_t Font(uint8_t index) const { return index < kFontSlots ? fonts_[index] : 0; }

  uint64_t Tabs(uint64_t mask) const {
    uint64_t out = 0;
    for (int s = 0; s < kTabSlots; ++s) {
      const TTabSlot& t = from_.Header.Tabs[static_cast<size_t>(s)];
      if (((mask >> s) & 1) && t.Position > 0) out |= to_.Header.AddTab(t.Position, t.Kind);
    }
    return out;
  }

  // The attributes of a paragraph's characters, with fonts and object references mapped.
  void Attributes(const TParagraph& par, const TCharAttr& default_attr, std::vector<TCharAttr>& out) const {
    const auto text = par.Text();
    for (size_t i = 0; i < text.size(); ++i) {
      TCharAttr a = par.HasAttributes() ? par.Attrs()[i] : default_attr;
      a.FontIndex = Font(a.FontIndex);
      if (IsObjectAnchor(text[i], a)) {
        a.TagNumber = static_cast<uint16_t>(text[i] == kCharObjectByNumber ? Lookup(numbers_, a.TagNumber)
                                                                           : Lookup(tags_, a.TagNumber));
      }
      out.push_back(a);
    }
  }

 private:
  static int Lookup(const std::vector<std::pair<int, int>>& map, int key) {
    for (const auto& [k, v] : map) {
      if (k == key) return v;
    }
    return 0;
  }

  TWPRTFText& to_;
  const TWPRTFText& from_;
  std::array<uint8_t, kFontSlots> fonts_{};
  std::vector<std::pair<int, int>> numbers_, tags_;  // other's -> ours
};

}  // namespace

void EditController::FastAppendText(EditController& other) {
  if (&other == this) throw TWPError(kErrFastAppendSelf);
  if (!CanEdit()) return;
  const TWPRTFText& src = other.doc_;
  AppendMapping map(doc_, src);

  TParagraph* last = doc_.LastParagraph();
  const int index = ParagraphIndex(last);
  BeginEdit(TEditKind::Other, index, index);
  const bool reuse = doc_.IsEmpty();
  bool first = true;
  std::vector<TCharAttr> mapped;
  for (TParagraph* s = src.FirstParagraph(); s; s = s->Next) {
    TParagraph* par = (first && reuse) ? last : doc_.NewParagraph(doc_.LastParagraph());
    first = false;
    par->CopyPropertiesFrom(*s);
    par->TabMask = map.Tabs(s->TabMask);
    par->EndAttr = s->EndAttr;
    par->EndAttr.FontIndex = map.Font(s->EndAttr.FontIndex);
    mapped.clear();
    if (doc_.AttributeMode()) map.Attributes(*s, src.DefaultAttr, mapped);
    doc_.AppendText(par, s->Text(), mapped);
    par->MarkDirty();
  }
  EndEdit();
  Finished(true);
}

}  // namespace inkwend
