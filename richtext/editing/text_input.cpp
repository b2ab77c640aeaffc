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

bool IsObjectAnchor(char32_t c, const CharAttr& a) {
  return (c == kCharObjectByTag || c == kCharObjectByNumber) && (a.charFlags & kCharObject);
}

}  // namespace

const char* WPMessageText(WPMessage message, WPLanguage language) {
  const bool de = language == WPLanguage::German;
  switch (message) {
    case WPMessage::FileFilter:
      return de ? "Formatierte Texte|*.RTF|HTML Dateien|*.HTM|Textdateien|*.TXT|alle Dateien (*.*)|*.*"
                : "RTF files|*.RTF|HTML files|*.HTM|TXT files|*.TXT|all files (*.*)|*.*";
    case WPMessage::AbortOperation:
      return de ? "Soll Operation abgebrochen werden?" : "Do you want to abort operation?";
    case WPMessage::Ready:
      return de ? "Bereit" : "Ready";
    case WPMessage::Reading:
      return de ? "beim lesen..." : "reading ...";
    case WPMessage::Writing:
      return de ? "beim schreiben" : "writing ...";
    case WPMessage::Formatting:
      return de ? "beim formatieren" : "formatting ...";
    case WPMessage::InitializeMemory:
      return de ? "initialisiere speicher..." : "initialize memory";
    case WPMessage::NoTextSelected:
      return de ? "keine Auswahl markiert" : "no text selected";
    case WPMessage::Rich:
      return de ? "FMT" : "RICH";
    case WPMessage::Plain:
      return de ? "NORM" : "PLAIN";
    case WPMessage::InternalError:
      return de ? "Interner Fehler" : "Internal Error";
    case WPMessage::DeleteAllTabstops:
      return de ? "Tabulatoren l\xC3\xB6schen" : "Delete all tabstops?";
  }
  return "";
}

EditController::EditController() {
  layout_.TrackCursor(&caret, true);
  layout_.TrackCursor(&selStart, false);
  layout_.TrackCursor(&selEnd, false);
  doc_.onHighlightChange = [this] { DocumentChanged(); };
  caret = TextCursor{doc_.FirstParagraph(), 0, 0};
}

EditController::~EditController() = default;

void EditController::SetLanguage(WPLanguage language) {
  language_ = language;
  layout_.decimalSeparator = language == WPLanguage::German ? U',' : U'.';
  for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
    if (p->tabMask) p->MarkDirty();
  }
  layout_.Reformat();
}

bool EditController::CanEdit() {
  if (readOnly || !ready) return false;
  modified = true;
  return true;
}

void EditController::Changed() {
  if (onChange) onChange();
}

void EditController::DocumentChanged() {
  // Cursors must not point at paragraphs that a structural change freed; callers reset them
  // before such changes, so here only the layout runs.
  lastFastPar_ = nullptr;
  layout_.Reformat();
}

void EditController::SetWordWrap(bool on) {
  if (on && !layout_.WordWrap()) scrollX = 0;
  layout_.SetWordWrap(on);
}

// --------------------------------------------------------------------------------------------
// Document

void EditController::Clear() {
  caret = selStart = selEnd = TextCursor{};
  lastFastPar_ = nullptr;
  typingPar_ = nullptr;
  doc_.Clear();
  DocumentChanged();
  caret = TextCursor{doc_.FirstParagraph(), 0, 0};
  fileName_.clear();
  scrollX = scrollY = 0;
  modified = false;
  goalX_ = -1;
  ClearUndo();
  walkPos_ = 0;
  walkWord_.clear();
  walkWordPos_ = -1;
  MarkAllDirty();
}

int EditController::LoadFromStream(WPStream& stream) {
  return LoadWith(
      [this, &stream](const LoadOptions& options) { return inkwend::LoadFromStream(doc_, stream, options); });
}

int EditController::LoadWith(const std::function<int(const LoadOptions&)>& load) {
  const bool was_empty = doc_.IsEmpty();
  if (!was_empty && !CanEdit()) return doc_.ioResult;
  if (!ready) return doc_.ioResult;
  const int64_t caret = GetCaretPosition();
  const int first = ParagraphIndex(this->caret.par);
  if (!was_empty) BeginEdit(EditKind::Other, first, first);
  LoadOptions options;
  DocPosition end;
  options.caret = DocPosition{this->caret.par, this->caret.line, this->caret.pos};
  options.insertEnd = &end;
  options.pictureDecoder = pictureDecoder;
  options.status = &lastLoadStatus_;
  this->caret = selStart = selEnd = TextCursor{};
  lastFastPar_ = nullptr;
  typingPar_ = nullptr;
  ready = false;
  int result;
  try {
    result = load(options);
  } catch (...) {
    ready = true;
    this->caret = TextCursor{doc_.FirstParagraph(), 0, 0};
    throw;
  }
  ready = true;
  if (was_empty) {
    this->caret = TextCursor{doc_.FirstParagraph(), 0, 0};
    ClearUndo();
    modified = false;
  } else if (end.par) {
    this->caret = ToCursor(ParPos{end.par, static_cast<int>(end.par->Line(end.line).start) + end.pos});
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
      [this, &path](const LoadOptions& options) { return inkwend::LoadFromFile(doc_, path, options); });
  if (result == kResultOk) fileName_ = path;
  return result;
}

int EditController::SaveToStream(WPStream& stream) {
  doc_.CollectObjects();
  return doc_.ioResult = inkwend::SaveToStream(doc_, stream, doc_.saveFormat);
}

int EditController::SaveToFile(const std::string& path) {
  doc_.CollectObjects();
  const int result = doc_.ioResult = inkwend::SaveToFile(doc_, path, doc_.saveFormat);
  if (result == kResultOk) fileName_ = path;
  return result;
}

int EditController::SaveSelectionToStream(WPStream& stream) {
  if (!HasSelection()) {
    if (onMessage) onMessage(Message(WPMessage::NoTextSelected));
    return doc_.ioResult = kResultNothingToWrite;
  }
  doc_.CollectObjects();
  return doc_.ioResult = inkwend::SaveSelectionToStream(doc_, stream, SelectionRange(), doc_.saveFormat);
}

// --------------------------------------------------------------------------------------------
// Positions

void EditController::LineOf(const Paragraph* par, int offset, bool prefer_next, int& line, int& index) const {
  const int count = par->LineCount();
  int lo = 0, hi = count - 1;
  while (lo < hi) {  // the first line whose end reaches the offset
    const int mid = (lo + hi) / 2;
    const TextLine& l = par->Line(mid);
    if (static_cast<int>(l.start + l.length) >= offset)
      hi = mid;
    else
      lo = mid + 1;
  }
  line = lo;
  const TextLine& l = par->Line(line);
  if (prefer_next && offset == static_cast<int>(l.start + l.length) && line + 1 < count && l.length > 0) {
    ++line;
    index = 0;
    return;
  }
  index = std::clamp(offset - static_cast<int>(l.start), 0, static_cast<int>(l.length));
}

ParPos EditController::ToPos(const TextCursor& c) const {
  if (!c.par) return ParPos{doc_.FirstParagraph(), 0};
  const int line = std::clamp(c.line, 0, c.par->LineCount() - 1);
  const TextLine& l = c.par->Line(line);
  return ParPos{c.par, static_cast<int>(l.start) + std::clamp(c.pos, 0, static_cast<int>(l.length))};
}

TextCursor EditController::ToCursor(ParPos p, bool caret) const {
  if (!p.par) p = ParPos{doc_.FirstParagraph(), 0};
  p.offset = std::clamp(p.offset, 0, p.par->CharCount());
  int line = 0, index = 0;
  LineOf(p.par, p.offset, caret, line, index);
  return TextCursor{p.par, line, index};
}

int EditController::ParagraphIndex(const Paragraph* par) const {
  int i = 0;
  for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next, ++i) {
    if (p == par) return i;
  }
  return 0;
}

int64_t EditController::PositionOf(ParPos pos) const {
  int64_t n = 0;
  for (const Paragraph* p = doc_.FirstParagraph(); p && p != pos.par; p = p->next) n += p->CharCount() + 1;
  return n + pos.offset;
}

ParPos EditController::PosAt(int64_t position) const {
  if (position < 0) position = 0;
  Paragraph* p = doc_.FirstParagraph();
  while (p) {
    if (position <= p->CharCount()) return ParPos{p, static_cast<int>(position)};
    if (!p->next) return ParPos{p, p->CharCount()};
    position -= p->CharCount() + 1;
    p = p->next;
  }
  return ParPos{doc_.FirstParagraph(), 0};
}

int64_t EditController::EndPosition() const {
  int64_t n = 0;
  for (const Paragraph* p = doc_.FirstParagraph(); p; p = p->next) n += p->CharCount() + 1;
  return n - 1;
}

int64_t EditController::GetCaretPosition() const { return PositionOf(CaretPos()); }

void EditController::SetCaretPosition(int64_t position) { MoveCaretTo(PosAt(position), false); }

void EditController::SetCaretKeepAnchor(ParPos pos) { caret = ToCursor(pos); }

void EditController::MoveCaretTo(ParPos pos, bool extend) {
  if (!pos.par) pos = ParPos{doc_.FirstParagraph(), 0};
  const bool had_selection = HasSelection();
  if (extend) {
    if (!selStart.par) selStart = ToCursor(CaretPos(), false);
    selEnd = ToCursor(pos, false);
  } else {
    selStart = selEnd = TextCursor{};
  }
  caret = ToCursor(pos);
  if (had_selection || extend) {
    MarkAllDirty();
  }
  groupOpen_ = false;
  goalX_ = -1;
  UpdateCurrentAttr();
}

// --------------------------------------------------------------------------------------------
// Selection

bool EditController::HasSelection() const {
  if (!selStart.par || !selEnd.par) return false;
  return !(ToPos(selStart) == ToPos(selEnd));
}

ParPos EditController::SelectionBegin() const {
  if (!HasSelection()) return CaretPos();
  const ParPos a = ToPos(selStart), b = ToPos(selEnd);
  if (a.par == b.par) return a.offset <= b.offset ? a : b;
  return ParagraphIndex(a.par) < ParagraphIndex(b.par) ? a : b;
}

ParPos EditController::SelectionEnd() const {
  if (!HasSelection()) return CaretPos();
  const ParPos a = ToPos(selStart), b = ToPos(selEnd);
  if (a.par == b.par) return a.offset <= b.offset ? b : a;
  return ParagraphIndex(a.par) < ParagraphIndex(b.par) ? b : a;
}

TextRange EditController::SelectionRange() const {
  const TextCursor a = ToCursor(SelectionBegin(), false), b = ToCursor(SelectionEnd(), false);
  return TextRange{a.par, a.line, a.pos, b.par, b.line, b.pos};
}

void EditController::SelectRange(int64_t anchor, int64_t caret) {
  MoveCaretTo(PosAt(anchor), false);
  MoveCaretTo(PosAt(caret), true);
}

void EditController::SelectAll() { SelectRange(0, 0xFFFFFFF); }

void EditController::HideSelection() {
  if (!HasSelection() && !selStart.par) return;
  selStart = selEnd = TextCursor{};
  MarkAllDirty();
}

std::u32string EditController::SelectedText() const {
  std::u32string out;
  if (!HasSelection()) return out;
  const ParPos a = SelectionBegin(), b = SelectionEnd();
  for (Paragraph* p = a.par; p; p = p->next) {
    const int from = p == a.par ? a.offset : 0;
    const int to = p == b.par ? b.offset : p->CharCount();
    auto text = p->Text();
    auto attrs = p->Attrs();
    for (int i = from; i < to; ++i) {
      const char32_t c = text[static_cast<size_t>(i)];
      if (p->HasAttributes() && IsObjectAnchor(c, attrs[static_cast<size_t>(i)])) continue;
      if (c < 32 && c != kCharTab && c != kCharLineBreak) continue;
      // Other programs get the bullet a Symbol-font byte draws, not its private-use code.
      out.push_back(p->HasAttributes() ? PlainTextChar(doc_.header, c, attrs[static_cast<size_t>(i)]) : c);
    }
    if (p == b.par) break;
    out.push_back(U'\n');
  }
  return out;
}

void EditController::DeleteSelection() {
  if (!HasSelection() || !CanEdit()) return;
  if ((protectedProp & kPpProtectSelectedTextToo) && !RangeEditable(SelectionBegin(), SelectionEnd())) {
    if (onProtectedChange) onProtectedChange();
    return;
  }
  BeginEdit(EditKind::Other, ParagraphIndex(SelectionBegin().par), ParagraphIndex(SelectionEnd().par));
  DeleteSelectionRaw();
  EndEdit();
  UpdateCurrentAttr();
  Finished(true);
}

void EditController::DeleteSelectionRaw() {
  const ParPos a = SelectionBegin(), b = SelectionEnd();
  selStart = selEnd = TextCursor{};
  caret = ToCursor(a);
  const ParPos at = RawDeleteRange(a, b);
  caret = ToCursor(at);
}

// --------------------------------------------------------------------------------------------
// Raw edits

void EditController::RawInsert(ParPos at, std::u32string_view text, const CharAttr& attr,
                               const CharAttr* attrs) {
  Paragraph* par = at.par;
  int off = std::clamp(at.offset, 0, par->CharCount());
  size_t done = 0;
  while (done < text.size()) {
    int line = 0, index = 0;
    LineOf(par, off, false, line, index);
    const int len = par->Line(line).length;
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
            lengths.push_back(par->Line(l).length);
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

void EditController::RawDelete(Paragraph* par, int from, int to) {
  from = std::clamp(from, 0, par->CharCount());
  to = std::clamp(to, from, par->CharCount());
  while (to > from) {
    int line = 0, index = 0;
    LineOf(par, from, true, line, index);
    const int len = par->Line(line).length;
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

Paragraph* EditController::RawSplit(ParPos at) {
  Paragraph* par = at.par;
  const int n = par->CharCount();
  const int off = std::clamp(at.offset, 0, n);
  std::u32string tail(par->Text().begin() + off, par->Text().end());
  std::vector<CharAttr> tail_attrs;
  if (par->HasAttributes()) tail_attrs.assign(par->Attrs().begin() + off, par->Attrs().end());
  const CharAttr end_attr = par->endAttr;
  Paragraph* np =
      doc_.NewParagraph(par, std::max<int>(kNewParagraphCapacity, static_cast<int>(tail.size()) + 8));
  np->parFlags &= static_cast<uint8_t>(~kParPageBreak);
  np->endAttr = end_attr;
  if (!tail.empty()) {
    if (par->HasAttributes())
      doc_.AppendText(np, std::span<const char32_t>(tail.data(), tail.size()), tail_attrs);
    else
      doc_.AppendText(np, std::span<const char32_t>(tail.data(), tail.size()), std::span<const CharAttr>());
    RawDelete(par, off, n);
    if (par->HasAttributes() && off > 0) par->endAttr = par->Attrs()[static_cast<size_t>(off - 1)];
  }
  return np;
}

void EditController::RawJoinNext(Paragraph* par) {
  lastFastPar_ = nullptr;
  typingPar_ = nullptr;
  Paragraph* next = par->next;
  if (!next) return;
  std::u32string text(next->Text().begin(), next->Text().end());
  std::vector<CharAttr> attrs;
  if (next->HasAttributes()) attrs.assign(next->Attrs().begin(), next->Attrs().end());
  const ParPos end{par, par->CharCount()};
  if (!text.empty()) {
    RawInsert(end, text, doc_.defaultAttr, attrs.empty() ? nullptr : attrs.data());
    par->endAttr = next->endAttr;
  }
  doc_.FreeParagraph(next);
  par->MarkDirty();
}

ParPos EditController::RawDeleteRange(ParPos a, ParPos b) {
  lastFastPar_ = nullptr;
  typingPar_ = nullptr;
  if (a.par == b.par) {
    RawDelete(a.par, a.offset, b.offset);
    return a;
  }
  RawDelete(a.par, a.offset, a.par->CharCount());
  while (a.par->next && a.par->next != b.par) doc_.FreeParagraph(a.par->next);
  RawDelete(b.par, 0, b.offset);
  RawJoinNext(a.par);
  return a;
}

// --------------------------------------------------------------------------------------------
// Protection

bool EditController::IsProtectedChar(const CharAttr& a, bool invisible) const {
  const ProtectProps pp = protectedProp;
  return ((pp & kPpProtected) && (a.charFlags & kCharProtected)) ||
         ((pp & kPpHidden) && (a.charFlags & kCharHidden)) ||
         ((pp & kPpIsInsertpoint) && (a.charFlags & kCharInsertPoint)) ||
         ((pp & kPpAutomatic) && (a.charFlags & kCharAutomatic)) || ((pp & kPpIsInvisible) && invisible);
}

bool EditController::ProtectedAt(Paragraph* par, int offset) const {
  if (protectedProp == 0 || !par->HasAttributes() || offset < 0 || offset >= par->CharCount()) return false;
  const bool is_protected =
      IsProtectedChar(par->AttrAt(static_cast<size_t>(offset)),
                      (protectedProp & kPpIsInvisible) && layout_.Invisible(par, offset));
  refusedByProtection_ |= is_protected;
  return is_protected;
}

bool EditController::InsertAllowed(ParPos at) const {
  if (protectedProp == 0) return true;
  if ((protectedProp & kPpParProtected) && at.par->HasAttributes()) {
    for (int i = 0; i < at.par->CharCount(); ++i) {
      const bool invisible = (protectedProp & kPpIsInvisible) && layout_.Invisible(at.par, i);
      if (IsProtectedChar(at.par->AttrAt(static_cast<size_t>(i)), invisible)) {
        refusedByProtection_ = true;
        return false;
      }
    }
  }
  // Inside a protected run (protected text on both sides) nothing may be typed.
  return !(ProtectedAt(at.par, at.offset - 1) && ProtectedAt(at.par, at.offset));
}

bool EditController::RangeEditable(ParPos a, ParPos b) const {
  if (protectedProp == 0) return true;
  for (Paragraph* p = a.par; p; p = p->next) {
    const int from = p == a.par ? a.offset : 0;
    const int to = p == b.par ? b.offset : p->CharCount();
    for (int i = from; i < to; ++i) {
      if (ProtectedAt(p, i)) return false;
    }
    if (p == b.par) break;
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
  refusedByProtection_ = false;
  const bool done = InputCharChecked(c, programmatic);
  if (!done && refusedByProtection_ && onProtectedChange) onProtectedChange();
  return done;
}

void EditController::NewParagraphMade(Paragraph* par) {
  if (!onNewParCreated || !par || !onNewParCreated(*par)) return;
  par->MarkDirty();
  layout_.Reformat();
}

bool EditController::InputCharChecked(char32_t c, bool programmatic) {
  if (HasSelection()) {
    if ((protectedProp & kPpProtectSelectedTextToo) && !RangeEditable(SelectionBegin(), SelectionEnd()))
      return false;
    BeginEdit(EditKind::Other, ParagraphIndex(SelectionBegin().par), ParagraphIndex(SelectionEnd().par));
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
  const ParPos at = CaretPos();
  if (at.offset == 0 && (!at.par->prev || at.par->IsTableCell() || at.par->prev->IsTableCell())) return false;
  if (at.offset > 0) {
    if (ProtectedAt(at.par, at.offset - 1)) return false;
    // What a user sees as one character goes at once: a letter with its marks, an emoji sequence.
    const int from = PreviousClusterBoundary(at.par->Text(), at.offset);
    BeginTyping(at.par);
    RawDelete(at.par, from, at.offset);
    caret = ToCursor(ParPos{at.par, from});
    EndTyping();
  } else {
    Paragraph* prev = at.par->prev;
    if ((protectedProp & kPpParProtected) && (!InsertAllowed(ParPos{prev, 0}) || !InsertAllowed(at)))
      return false;
    const int index = ParagraphIndex(prev);
    BeginEdit(EditKind::Other, index, index + 1);
    const int join = prev->CharCount();
    caret = ToCursor(ParPos{prev, join});
    RawJoinNext(prev);
    caret = ToCursor(ParPos{prev, join});
    EndEdit();
  }
  UpdateCurrentAttr();
  return true;
}

bool EditController::DeleteForward() {
  const ParPos at = CaretPos();
  if (at.offset < at.par->CharCount()) {
    if (ProtectedAt(at.par, at.offset)) return false;
    BeginTyping(at.par);
    RawDelete(at.par, at.offset, NextClusterBoundary(at.par->Text(), at.offset));
    caret = ToCursor(at);
    EndTyping();
    UpdateCurrentAttr();
    return true;
  }
  const int index = ParagraphIndex(at.par);
  if (at.par->next) {
    if (at.par->IsTableCell() || at.par->next->IsTableCell()) return false;
    if ((protectedProp & kPpParProtected) && (!InsertAllowed(at) || !InsertAllowed(ParPos{at.par->next, 0})))
      return false;
    BeginEdit(EditKind::Other, index, index + 1);
    RawJoinNext(at.par);
    caret = ToCursor(at);
    EndEdit();
  } else {
    // At the very end of the document: the last paragraph loses its borders, shading and flags.
    Paragraph* p = at.par;
    // Its direction is not a flag to drop: the text would turn around.
    const auto direction = static_cast<uint8_t>(p->parFlags & (kParRightToLeft | kParLeftToRight));
    if (!p->HasBorder() && !p->HasShading() && p->parFlags == direction && p->borderFlags[1] == 0)
      return false;
    BeginEdit(EditKind::Other, index, index);
    p->borderFlags[0] = p->borderFlags[1] = 0;
    p->borderWidth = p->borderColor = 0;
    p->shadingColors = p->shadingPercent = 0;
    p->parFlags = direction;
    p->MarkDirty();
    EndEdit();
  }
  UpdateCurrentAttr();
  return true;
}

bool EditController::Enter() {
  const ParPos at = CaretPos();
  if (at.par->IsTableCell()) return TypeChar(kCharLineBreak, true);
  if ((protectedProp & kPpParProtected) && !InsertAllowed(at)) return false;
  if (ProtectedAt(at.par, at.offset - 1) && ProtectedAt(at.par, at.offset)) return false;
  const int index = ParagraphIndex(at.par);
  BeginEdit(EditKind::Other, index, index);
  Paragraph* np = nullptr;
  if (at.offset == 0 && !at.par->prev) {
    // At the very start: an empty paragraph before the first; the caret stays with the text.
    Paragraph* first = at.par;
    caret = TextCursor{};
    np = doc_.NewParagraph(nullptr);
    np->CopyPropertiesFrom(*first);
    np->parFlags &= static_cast<uint8_t>(~kParPageBreak);
    np->endAttr = doc_.defaultAttr;
    caret = ToCursor(ParPos{first, 0});
  } else {
    np = RawSplit(at);
    caret = ToCursor(ParPos{np, 0});
  }
  EndEdit();
  NewParagraphMade(np);
  return true;
}

bool EditController::PageBreak() {
  const ParPos at = CaretPos();
  const int index = ParagraphIndex(at.par);
  BeginEdit(EditKind::Other, index, index);
  if (at.offset == 0) {
    at.par->parFlags ^= kParPageBreak;
    at.par->MarkDirty();
  } else {
    Paragraph* np = RawSplit(at);
    np->parFlags |= kParPageBreak;
    caret = ToCursor(ParPos{np, 0});
    EndEdit();
    NewParagraphMade(np);
    return true;
  }
  EndEdit();
  return true;
}

bool EditController::TypeChar(char32_t c, bool programmatic) {
  if (c == 0 || c == kCharObjectByTag || c == kCharObjectByNumber || c == 3) return false;
  if ((doc_.defaultAttr.charFlags & kCharHidden) && !programmatic) return false;
  const ParPos at = CaretPos();
  if (!InsertAllowed(at)) return false;
  const bool overwrite = !inserting && at.offset < at.par->CharCount();
  if (overwrite && ProtectedAt(at.par, at.offset)) return false;
  if (at.par->CharCount() >= std::numeric_limits<int>::max() / 2) return false;
  BeginTyping(at.par);
  const char32_t ch[1] = {c};
  if (overwrite) RawDelete(at.par, at.offset, at.offset + 1);
  RawInsert(at, std::u32string_view(ch, 1), doc_.defaultAttr);
  caret = ToCursor(ParPos{at.par, at.offset + 1});
  EndTyping();
  return true;
}

void EditController::ReplaceSelection(std::u32string_view text) {
  if (!CanEdit()) return;
  ParPos a = SelectionBegin();
  const ParPos b = SelectionEnd();
  if ((protectedProp & kPpProtectSelectedTextToo) && !RangeEditable(a, b)) return;
  CharAttr attr = doc_.AttrAt(a.par, ToCursor(a, false).line, ToCursor(a, false).pos);
  if (a.offset >= a.par->CharCount() && a.offset > 0 && a.par->HasAttributes()) {
    attr = a.par->Attrs()[static_cast<size_t>(a.offset - 1)];
  }
  attr.charFlags &= static_cast<uint8_t>(~(kCharObject | kCharFootnote | kCharInsertPoint));
  BeginEdit(EditKind::Other, ParagraphIndex(a.par), ParagraphIndex(b.par));
  selStart = selEnd = TextCursor{};
  caret = ToCursor(a);
  RawDeleteRange(a, b);
  std::u32string clean;
  for (char32_t c : text) {
    if (c >= 4 || c == 0) clean.push_back(c == 0 ? U' ' : c);
  }
  RawInsert(a, clean, attr);
  a.offset += static_cast<int>(clean.size());
  caret = ToCursor(a);
  EndEdit();
  Finished(true);
}

int EditController::InsertGraphic(DocGraphic graphic, int width, int height) {
  if (!CanEdit()) return 0;
  if (graphic.Empty()) throw WPError(kErrNoObject);
  if (HasSelection()) {
    BeginEdit(EditKind::Other, ParagraphIndex(SelectionBegin().par), ParagraphIndex(SelectionEnd().par));
    DeleteSelectionRaw();
    EndEdit();
  }
  const ParPos at = CaretPos();
  if (!InsertAllowed(at)) return 0;
  const int index = ParagraphIndex(at.par);
  BeginEdit(EditKind::Other, index, index);
  DocObject* object = doc_.AddObject(std::move(graphic), -1);
  object->width = std::max(width, 0);
  object->height = std::max(height, 0);
  doc_.ComputeObjectSize(*object);
  CharAttr attr = doc_.defaultAttr;
  attr.charFlags |= kCharObject;
  attr.tagNumber = object->number;
  const char32_t anchor[1] = {kCharObjectByNumber};
  RawInsert(at, std::u32string_view(anchor, 1), attr);
  caret = ToCursor(ParPos{at.par, at.offset + 1});
  EndEdit();
  Finished(true);
  return object->tag;
}

std::string EditController::SelectionAsRtf() {
  if (!HasSelection()) return {};
  MemoryStream memory;
  const bool drop = doc_.dropProtectedAttribute;
  doc_.dropProtectedAttribute = (protectedProp & kPpDontCopyProtectedAttribute) != 0;
  const TextRange range = SelectionRange();
  // Other programs read the clipboard too: it says what they understand as well.
  WriteDocument(doc_, memory, WPLoadFormat::FormatRTF, &range, false, RtfFlavour::Clipboard);
  doc_.dropProtectedAttribute = drop;
  std::string bytes = memory.TakeBytes();
  while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  return bytes;
}

bool EditController::PasteBytes(const std::string& bytes_in, WPLoadFormat format) {
  if (!CanEdit()) return false;
  // Clipboard data ends at its first 0 byte; data without one is taken whole.
  std::string bytes = bytes_in.substr(0, bytes_in.find('\0'));
  if (bytes.empty()) return false;
  bytes.push_back('\0');

  const int first = ParagraphIndex(SelectionBegin().par);
  const int last = ParagraphIndex(SelectionEnd().par);
  BeginEdit(EditKind::Other, first, last);
  if (HasSelection()) DeleteSelectionRaw();

  // Pasting never replaces the whole document: an empty one gets a stand-in character that
  // the pasted text goes before and that is removed afterwards. So the veto, the kept page
  // layout and attribute mode hold for every paste.
  const bool stand_in = doc_.IsEmpty();
  if (stand_in) {
    const char32_t x[1] = {U'x'};
    RawInsert(ParPos{doc_.FirstParagraph(), 0}, std::u32string_view(x, 1), doc_.defaultAttr);
    this->caret = TextCursor{doc_.FirstParagraph(), 0, 0};
  }
  const WPLoadFormat load_format = doc_.loadFormat, last_format = doc_.lastFormat;
  const int io_result = doc_.ioResult;
  doc_.loadFormat = format;
  LoadOptions options;
  DocPosition end;
  options.caret = DocPosition{this->caret.par, this->caret.line, this->caret.pos};
  options.insertEnd = &end;
  options.keepLayout = true;
  options.pictureDecoder = pictureDecoder;
  if (onBeforePasteEvent)
    options.onLoad = [this](const WPRTFText& pasted) { return onBeforePasteEvent(pasted); };
  const ParPos caret = CaretPos();
  this->caret = selStart = selEnd = TextCursor{};
  lastFastPar_ = nullptr;
  typingPar_ = nullptr;
  MemoryStream stream(std::move(bytes));
  ready = false;
  try {
    inkwend::LoadFromStream(doc_, stream, options);
  } catch (...) {
    // The loader reports failures as results; anything else leaves the text as it was.
  }
  ready = true;
  doc_.loadFormat = load_format;
  doc_.lastFormat = last_format;
  doc_.ioResult = io_result;
  ParPos after = caret;
  if (end.par)
    after =
        ParPos{end.par,
               static_cast<int>(end.par->Line(std::min(end.line, end.par->LineCount() - 1)).start) + end.pos};
  if (stand_in) {
    Paragraph* lastp = doc_.LastParagraph();
    RawDelete(lastp, lastp->CharCount() - 1, lastp->CharCount());
  }
  this->caret = ToCursor(after);
  EndEdit();
  UpdateCurrentAttr();
  Finished(end.par != nullptr);
  MarkAllDirty();
  return end.par != nullptr;
}

// --------------------------------------------------------------------------------------------
// Current attribute

namespace {

// Whether typing next to `source` keeps the default attribute: the protection settings ask
// not to take over the attribute of protected, automatic, hidden or invisible text.
bool KeepsDefaultAttr(ProtectProps pp, const CharAttr& source, bool invisible) {
  if (!(pp & kPpDontUseAttrOfProtected)) return false;
  return ((pp & kPpProtected) && (source.charFlags & kCharProtected)) ||
         ((pp & kPpIsInsertpoint) && (source.charFlags & kCharInsertPoint)) ||
         ((pp & kPpAutomatic) && (source.charFlags & kCharAutomatic)) ||
         ((pp & kPpHidden) && (source.charFlags & kCharHidden)) || ((pp & kPpIsInvisible) && invisible);
}

}  // namespace

void EditController::UpdateCurrentAttr() {
  const ParPos at = CaretPos();
  Paragraph* par = at.par;
  CharAttr source = doc_.defaultAttr;
  ParPos from{nullptr, 0};  // the character the attribute comes from; none: an end record
  const bool found = par->HasAttributes();
  if (found && at.offset == 0) {
    Paragraph* p = par->prev ? par->prev : par;
    if (p->CharCount() == 0) source = p->endAttr;
    if (p->CharCount() > 0) from = ParPos{p, par->prev ? p->CharCount() - 1 : 0};
  } else if (found) {
    // At the start of a line the attribute is its first character's.
    const bool starts_line =
        caret.pos == 0 && caret.line > 0 && caret.par == par && at.offset < par->CharCount();
    from = ParPos{par, starts_line ? at.offset : at.offset - 1};
  }
  if (from.par) source = from.par->AttrAt(static_cast<size_t>(from.offset));
  CharAttr attr = doc_.defaultAttr;
  if (found && !KeepsDefaultAttr(protectedProp, source, from.par && layout_.Invisible(from.par, from.offset)))
    attr = source;
  if (!insertingSpecial) {
    uint8_t drop = kCharAutomatic | kCharInsertPoint | kCharObject | kCharFootnote | kCharHidden;
    if (protectedProp & kPpProtected) drop |= kCharProtected;
    attr.charFlags &= static_cast<uint8_t>(~drop);
    attr.layoutFlags = 0;
    attr.moreFlags = 0;
    attr.tagNumber = 0;
  }
  doc_.SetDefaultAttr(attr);
}

void EditController::SetCurrentAttr(const CharAttr& attr) {
  if (!CanEdit()) return;
  doc_.SetDefaultAttr(attr);
  if (HasSelection()) {
    ChangeSelectionAttr([&attr](CharAttr& a) {
      // Anchors keep what makes them anchors; everything else takes the new record.
      const uint8_t special = a.charFlags & (kCharObject | kCharFootnote | kCharInsertPoint | kCharAutomatic);
      const uint16_t tag = a.tagNumber;
      a = attr;
      a.charFlags =
          static_cast<uint8_t>((a.charFlags & ~(kCharObject | kCharFootnote | kCharInsertPoint)) | special);
      a.tagNumber = special ? tag : attr.tagNumber;
    });
    return;
  }
  Changed();
}

void EditController::ChangeSelectionAttr(const std::function<void(CharAttr&)>& change) {
  if (!CanEdit()) return;
  CharAttr current = doc_.defaultAttr;
  change(current);
  doc_.SetDefaultAttr(current);
  if (!HasSelection()) {
    Changed();
    return;
  }
  const ParPos a = SelectionBegin(), b = SelectionEnd();
  BeginEdit(EditKind::Other, ParagraphIndex(a.par), ParagraphIndex(b.par));
  for (Paragraph* p = a.par; p; p = p->next) {
    if (p->HasAttributes()) {
      const int from = p == a.par ? a.offset : 0;
      const int to = p == b.par ? b.offset : p->CharCount();
      auto attrs = p->Attrs();
      for (int i = from; i < to; ++i) change(attrs[static_cast<size_t>(i)]);
      if (to == p->CharCount()) change(p->endAttr);
      p->MarkDirty();
    }
    if (p == b.par) break;
  }
  EndEdit();
  doc_.SetDefaultAttr(current);
  Finished(true);
}

ColorRef EditController::PaletteColor(int index) const { return doc_.header.Color(index); }

// --------------------------------------------------------------------------------------------
// Paragraphs

template <typename F>
void EditController::ForEachSelectedParagraph(F&& f) {
  const ParPos a = SelectionBegin(), b = SelectionEnd();
  for (Paragraph* p = a.par; p; p = p->next) {
    f(p);
    p->MarkDirty();
    if (p == b.par) break;
  }
}

void EditController::AppendParagraph(const ParagraphDescription& d) {
  if (!CanEdit()) return;
  Paragraph* at = CaretPos().par;
  const bool reuse = at->CharCount() == 0 && at->LineCount() == 1 && !at->prev && !at->next;
  if (!reuse) {
    while (at->IsTableCell() && (at->parFlags & kParMoreCells) && at->next) at = at->next;
  }
  const int index = ParagraphIndex(at);
  BeginEdit(EditKind::Other, index, index);
  Paragraph* par = reuse ? at : doc_.NewParagraph(at);
  par->alignment = d.alignment <= kAlignJustify ? d.alignment : kAlignLeft;
  par->firstIndent = d.firstIndent;
  par->leftIndent = d.leftIndent;
  par->rightIndent = d.rightIndent;
  par->spaceBefore = d.spaceBefore;
  par->spaceAfter = d.spaceAfter;
  par->lineSpacing = d.lineSpacing;
  par->lineSpacingMultiple = false;
  par->borderFlags[0] = d.borderFlags[0];
  par->borderFlags[1] = d.borderFlags[1];
  par->borderWidth = d.borderWidth;
  par->borderColor = d.borderColor;
  par->tabMask = d.tabMask;
  par->shadingColors = d.shadingColors;
  par->shadingPercent = std::min<uint8_t>(d.shadingPercent, 100);
  par->parFlags = (d.pageBreak && par->prev) ? kParPageBreak : 0;
  par->cellStart = par->cellWidth = 0;
  par->endAttr = d.charAttr;
  std::u32string_view text = d.textPtr ? std::u32string_view(d.textPtr) : std::u32string_view(d.text);
  if (text.size() > static_cast<size_t>(kMaxAppendText)) text = text.substr(0, kMaxAppendText);
  std::u32string clean;
  for (char32_t c : text) {
    if (c >= 4 && c != U'\r' && c != U'\n') clean.push_back(c);
  }
  if (reuse && par->CharCount() > 0) RawDelete(par, 0, par->CharCount());
  if (!clean.empty()) doc_.AppendText(par, clean, d.charAttr);
  par->MarkDirty();
  selStart = selEnd = TextCursor{};
  caret = ToCursor(ParPos{par, par->CharCount()});
  EndEdit();
  layout_.Reformat();
  if (!reuse) NewParagraphMade(par);
}

void EditController::SetPageLayout(int left, int right, int page_height, int page_width, int bottom,
                                   int top) {
  if (!CanEdit()) return;
  auto keep = [](int value, int32_t current) { return value == kKeep ? current : std::max(value, 0); };
  doc_.header.marginLeft = keep(left, doc_.header.marginLeft);
  doc_.header.marginRight = keep(right, doc_.header.marginRight);
  doc_.header.pageHeight = keep(page_height, doc_.header.pageHeight);
  doc_.header.pageWidth = keep(page_width, doc_.header.pageWidth);
  doc_.header.marginBottom = keep(bottom, doc_.header.marginBottom);
  doc_.header.marginTop = keep(top, doc_.header.marginTop);
  doc_.header.UpdateTextArea();
  if (!layout_.WordWrap()) layout_.PageLayoutChanged();
  MarkAllDirty();
}

void EditController::SetParSpacing(int before, int line_spacing, int after) {
  if (!CanEdit()) return;
  BeginEdit(EditKind::Other, ParagraphIndex(SelectionBegin().par), ParagraphIndex(SelectionEnd().par));
  ForEachSelectedParagraph([&](Paragraph* p) {
    if (before != kKeep) p->spaceBefore = before;
    // A new value is in twips; an unchanged one keeps its kind (a multiple of the line read
    // from elsewhere stays one).
    if (line_spacing != kKeep && line_spacing != p->lineSpacing) {
      p->lineSpacing = line_spacing;
      p->lineSpacingMultiple = false;
    }
    if (after != kKeep) p->spaceAfter = after;
  });
  EndEdit();
  Finished(true);
}

void EditController::SetParIndents(int first, int left, int right) {
  if (!CanEdit()) return;
  auto apply = [&](Paragraph* p) {
    if (first != kKeep && first < kIndentIgnoreFrom) p->firstIndent = first;
    if (left != kKeep && left < kIndentIgnoreFrom) p->leftIndent = left;
    if (right != kKeep && right < kIndentIgnoreFrom) p->rightIndent = right;
    p->MarkDirty();
  };
  ParPos a = SelectionBegin(), b = SelectionEnd();
  // Inside a table the whole row takes the same indents.
  Paragraph* from = a.par;
  Paragraph* to = b.par;
  while (from->IsTableCell() && (from->parFlags & kParContinuesRow) && from->prev) from = from->prev;
  while (to->IsTableCell() && (to->parFlags & kParMoreCells) && to->next) to = to->next;
  BeginEdit(EditKind::Other, ParagraphIndex(from), ParagraphIndex(to));
  for (Paragraph* p = from; p; p = p->next) {
    apply(p);
    if (p == to) break;
  }
  EndEdit();
  Finished(true);
}

void EditController::SetParShading(int percent, uint8_t colors) {
  if (!CanEdit()) return;
  BeginEdit(EditKind::Other, ParagraphIndex(SelectionBegin().par), ParagraphIndex(SelectionEnd().par));
  ForEachSelectedParagraph([&](Paragraph* p) {
    p->shadingPercent = static_cast<uint8_t>(std::clamp(percent, 0, 100));
    p->shadingColors = colors;
  });
  EndEdit();
  Finished(true);
}

void EditController::AddParTabs(uint64_t mask) {
  if (!CanEdit()) return;
  BeginEdit(EditKind::Other, ParagraphIndex(SelectionBegin().par), ParagraphIndex(SelectionEnd().par));
  ForEachSelectedParagraph([mask](Paragraph* p) { p->tabMask |= mask; });
  EndEdit();
  Finished(true);
}

void EditController::SetParAlignment(uint8_t alignment) {
  if (!CanEdit() || alignment > kAlignJustify) return;
  BeginEdit(EditKind::Other, ParagraphIndex(SelectionBegin().par), ParagraphIndex(SelectionEnd().par));
  ForEachSelectedParagraph([&](Paragraph* p) { TextLayout::SetShownAlignment(p, alignment); });
  EndEdit();
  Finished(true);
}

void EditController::AssignHeaderFrom(const WPRTFText& other) {
  if (&other == &doc_) return;
  const int x = doc_.header.xPixelsPerInch, y = doc_.header.yPixelsPerInch;
  const bool attributes = doc_.header.attributesOn;
  auto on_full = doc_.header.onTabTableFull;
  doc_.header = other.header;
  doc_.header.attributesOn = attributes;
  doc_.header.onTabTableFull = on_full;
  doc_.header.SetResolution(x, y);
  doc_.header.UpdateTextArea();
  layout_.ReformatAll();
  MarkAllDirty();
}

namespace {

// Fonts, tabs and objects of a document appended to another get the slots and numbers of the
// receiving one; the other's objects are copied into it on construction.
class AppendMapping {
 public:
  AppendMapping(WPRTFText& to, const WPRTFText& from) : to_(to), from_(from) {
    for (int i = 0; i < kFontSlots; ++i) {
      const std::u32string& name = from.header.fonts[static_cast<size_t>(i)].name;
      int slot = name.empty() ? 0 : to.header.FontIndexOf(name);
      if (slot < 0 || slot >= kFontSlots) slot = 0;
      fonts_[static_cast<size_t>(i)] = static_cast<uint8_t>(slot);
    }
    for (const auto& o : from.Objects()) {
      DocGraphic copy;
      copy.image = o->graphic.image;
      copy.inPictureHolder = o->graphic.inPictureHolder;
      copy.compressed = o->graphic.compressed;
      DocObject* n = to.AddObject(std::move(copy), o->tagged ? o->tag : -1);
      n->tagged = o->tagged;
      n->width = o->width;
      n->height = o->height;
      n->fileName = o->fileName;
      numbers_.emplace_back(o->number, n->number);
      tags_.emplace_back(o->tag, n->tag);
    }
  }

  uint8_t Font(uint8_t index) const { return index < kFontSlots ? fonts_[index] : 0; }

  uint64_t Tabs(uint64_t mask) const {
    uint64_t out = 0;
    for (int s = 0; s < kTabSlots; ++s) {
      const TabSlot& t = from_.header.tabs[static_cast<size_t>(s)];
      if (((mask >> s) & 1) && t.position > 0) out |= to_.header.AddTab(t.position, t.kind, t.leader);
    }
    return out;
  }

  // The attributes of a paragraph's characters, with fonts and object references mapped.
  void Attributes(const Paragraph& par, const CharAttr& default_attr, std::vector<CharAttr>& out) const {
    const auto text = par.Text();
    for (size_t i = 0; i < text.size(); ++i) {
      CharAttr a = par.HasAttributes() ? par.AttrAt(i) : default_attr;
      a.fontIndex = Font(a.fontIndex);
      if (IsObjectAnchor(text[i], a)) {
        a.tagNumber = static_cast<uint16_t>(text[i] == kCharObjectByNumber ? Lookup(numbers_, a.tagNumber)
                                                                           : Lookup(tags_, a.tagNumber));
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

  WPRTFText& to_;
  const WPRTFText& from_;
  std::array<uint8_t, kFontSlots> fonts_{};
  std::vector<std::pair<int, int>> numbers_, tags_;  // other's -> ours
};

}  // namespace

void EditController::FastAppendText(EditController& other) {
  if (&other == this) throw WPError(kErrFastAppendSelf);
  if (!CanEdit()) return;
  const WPRTFText& src = other.doc_;
  AppendMapping map(doc_, src);

  Paragraph* last = doc_.LastParagraph();
  const int index = ParagraphIndex(last);
  BeginEdit(EditKind::Other, index, index);
  const bool reuse = doc_.IsEmpty();
  bool first = true;
  std::vector<CharAttr> mapped;
  for (Paragraph* s = src.FirstParagraph(); s; s = s->next) {
    Paragraph* par = (first && reuse) ? last : doc_.NewParagraph(doc_.LastParagraph());
    first = false;
    par->CopyPropertiesFrom(*s);
    par->tabMask = map.Tabs(s->tabMask);
    par->endAttr = s->endAttr;
    par->endAttr.fontIndex = map.Font(s->endAttr.fontIndex);
    mapped.clear();
    if (doc_.AttributeMode()) map.Attributes(*s, src.defaultAttr, mapped);
    doc_.AppendText(par, s->Text(), mapped);
    par->MarkDirty();
  }
  EndEdit();
  Finished(true);
}

}  // namespace inkwend
