#include "richtext/rtf/loader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "base/byte_source.h"
#include "richtext/model/progress.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {

// A read-only stream over a plain file, read in the reader's own chunks.
class FileReadStream : public WPStream {
 public:
  explicit FileReadStream(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}
  size_t Write(const void*, size_t) override { return 0; }
  size_t Read(void* data, size_t size) override {
    const uint64_t left = source_->Size() - std::min(position_, source_->Size());
    const auto n = static_cast<size_t>(std::min<uint64_t>(size, left));
    if (n == 0 || !source_->ReadAt(position_, n, data)) return 0;
    position_ += n;
    return n;
  }
  int64_t Position() const override { return static_cast<int64_t>(position_); }
  bool Seek(int64_t position) override {
    if (position < 0) return false;
    position_ = static_cast<uint64_t>(position);
    return true;
  }
  int64_t Size() const override { return static_cast<int64_t>(source_->Size()); }

 private:
  std::unique_ptr<ByteSource> source_;
  uint64_t position_ = 0;
};

bool IsHtmlTag(std::string_view name) {
  static constexpr std::string_view kTags[] = {"html", "b", "p", "br", "title", "body", "h1"};
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return std::find(std::begin(kTags), std::end(kTags), lower) != std::end(kTags);
}

// Every paragraph is left marked for layout; the caller lays the document out again.
void FinishLoad(WPRTFText& doc) {
  doc.header.UpdateTextArea();
  for (Paragraph* p = doc.FirstParagraph(); p; p = p->next) p->MarkDirty();
}

// `into_scratch`: the document is one of its own that the text is inserted from.
int RunReader(WPRTFText& doc, WPStream& stream, WPLoadFormat format, const LoadOptions& options,
              Status& status, bool into_scratch = false) {
  if (format == WPLoadFormat::FormatRTF) {
    WPRtfReader reader(&doc);
    reader.automaticText = options.automaticText;
    reader.keepLayout = options.keepLayout;
    reader.readColors = into_scratch;
    reader.pictureDecoder = options.pictureDecoder;
    const int result = reader.Read(stream);
    status = reader.GetStatus();
    return result;
  }
  WPTextReader reader(&doc);
  reader.automaticText = options.automaticText;
  const int result = reader.Read(stream);
  status = reader.GetStatus();
  return result;
}

// The load's result kept in the document and, with its details, in options.status. `status`
// is the reader's, when the result is the reader's.
int Report(WPRTFText& doc, const LoadOptions& options, int result, Status status) {
  if (options.status) {
    if (result == kResultOk) {
      status = Status::Ok();
    } else if (result == kResultOutOfMemory && status.Code() != StatusCode::OutOfMemory) {
      status = Status::Error(StatusCode::OutOfMemory, "There was not enough memory to read the text.");
    } else if (result == kResultStreamError && status.Code() != StatusCode::Damaged) {
      status = Status::Damaged("The text could not be read to its end.", Damage{-1, "the rest of the text"});
    }
    *options.status = std::move(status);
  }
  return doc.ioResult = result;
}

// What the indexes of `src` (read into a document of its own) become in `doc`: a character's
// colours the equal colour of doc's table (added to it when missing), a paragraph's the nearest
// of its first 16 (it keeps only those), fonts and tab stops slots of doc's tables, objects and
// footnotes doc's numbers. Building it adds src's fonts, objects and footnotes to doc (the
// objects' graphics are moved).
class IndexMap {
 public:
  IndexMap(WPRTFText& doc, WPRTFText& src) : doc_(doc), src_(src) {
    MapFonts();
    MoveObjects();
    CopyFootnotes();
  }

  static std::array<int16_t, kMaxColors> Unmapped() {
    std::array<int16_t, kMaxColors> a;
    a.fill(-1);
    return a;
  }
  uint8_t ParagraphColor(int index) const {
    return static_cast<uint8_t>(doc_.header.NearestColor(src_.header.Color(index & 15), 16));
  }
  uint8_t ParagraphColors(uint8_t pair) const {
    return static_cast<uint8_t>(ParagraphColor(pair & 15) | ParagraphColor(pair >> 4) << 4);
  }
  // Colours are added only as text uses them: a table of another program holds many it does
  // not use.
  uint8_t TextColor(uint8_t index) {
    int16_t& m = textColors_[index];
    if (m < 0) m = static_cast<int16_t>(MapColor(index, 0));
    return static_cast<uint8_t>(m);
  }
  uint8_t BackgroundColor(uint8_t index) {
    if (index == 0) return 0;  // none
    int16_t& m = backgroundColors_[index];
    // Index 0 means no background, so a background is an equal colour from index 1 on.
    if (m < 0) m = static_cast<int16_t>(MapColor(index, 1));
    return static_cast<uint8_t>(m);
  }
  // The same index where both tables hold the same colour there (text copied within the
  // diary keeps its indexes), else the first equal colour, added when the document has none.
  int MapColor(uint8_t index, int first) const {
    const ColorRef c = src_.header.Color(index);
    if (index < doc_.header.ColorCount() && doc_.header.Color(index) == c) return index;
    return doc_.header.ColorIndexOf(c, first);
  }

  uint64_t Tabs(uint64_t mask) {
    uint64_t out = 0;
    for (int s = 0; s < kTabSlots; ++s) {
      if (!((mask >> s) & 1)) continue;
      const TabSlot& t = src_.header.tabs[static_cast<size_t>(s)];
      if (t.position > 0) out |= doc_.header.AddTab(t.position, t.kind, t.leader);
    }
    return out;
  }

  // The record of character `c` in doc.
  CharAttr Attr(const CharAttr& original, char32_t c) {
    CharAttr a = original;
    a.fontIndex = a.fontIndex < kFontSlots ? fonts_[a.fontIndex] : 0;
    a.SetTextColor(TextColor(original.TextColor()));
    a.SetBackgroundColor(BackgroundColor(original.BackgroundColor()));
    if ((a.charFlags & kCharObject) && c == kCharObjectByNumber)
      a.tagNumber = static_cast<uint16_t>(numbers_[a.tagNumber]);
    if ((a.charFlags & kCharObject) && c == kCharObjectByTag)
      a.tagNumber = static_cast<uint16_t>(tags_[a.tagNumber]);
    if (a.charFlags & kCharFootnote) a.tagNumber = static_cast<uint16_t>(footnotes_[a.tagNumber]);
    return a;
  }

 private:
  void MapFonts() {
    for (int i = 0; i <= kFontSlots; ++i) fonts_[i] = 0;
    for (int i = 0; i < kFontSlots && !src_.header.fonts[static_cast<size_t>(i)].name.empty(); ++i) {
      const FontSlot& f = src_.header.fonts[static_cast<size_t>(i)];
      const bool is_new = doc_.header.FindFont(f.name) < 0;
      int slot = doc_.header.FontIndexOf(f.name);
      if (slot >= kFontSlots) slot = 0;
      if (is_new && slot > 0) {
        doc_.header.fonts[static_cast<size_t>(slot)].pitchFamily = f.pitchFamily;
        doc_.header.fonts[static_cast<size_t>(slot)].charSet = f.charSet;
      }
      fonts_[i] = static_cast<uint8_t>(slot);
    }
  }

  void MoveObjects() {
    for (const auto& o : src_.Objects()) {
      DocObject* n = nullptr;
      if (!o->fileName.empty()) n = doc_.FindObjectByFileName(o->fileName);
      if (!n) {
        n = doc_.AddObject(std::move(o->graphic), o->tagged ? o->tag : (o->fileName.empty() ? 0 : -1));
        n->tagged = o->tagged;
        n->width = o->width;
        n->height = o->height;
        n->fileName = o->fileName;
      }
      numbers_[o->number] = n->number;
      tags_[o->tag] = n->tag;
    }
  }

  void CopyFootnotes() {
    for (const auto& f : src_.Footnotes()) {
      FootnoteRec* n = doc_.AddFootnote(f->mark, f->number, f->text);
      n->markOnly = f->markOnly;
      n->text2 = f->text2;
      footnotes_[f->id] = n->id;
    }
  }

  WPRTFText& doc_;
  WPRTFText& src_;
  // Document index of each source index, -1 until asked for.
  std::array<int16_t, kMaxColors> textColors_ = Unmapped(), backgroundColors_ = Unmapped();
  uint8_t fonts_[kFontSlots + 1];
  std::map<int, int> numbers_, tags_, footnotes_;
};

// The text after the caret, which moves to the end of the inserted text.
struct TextAfterCaret {
  std::vector<char32_t> text;
  std::vector<CharAttr> attrs;
};

// Cuts the caret's paragraph at the caret (the end of the document when unset); returns the
// paragraph, which now ends at the caret.
Paragraph* CutAtCaret(WPRTFText& doc, const DocPosition& caret_in, TextAfterCaret& after) {
  DocPosition caret = caret_in;
  if (!caret.par) {
    caret.par = doc.LastParagraph();
    caret.line = caret.par->LineCount() - 1;
    caret.pos = caret.par->Line(caret.line).length;
  }
  Paragraph* par = caret.par;
  caret.line = std::clamp(caret.line, 0, par->LineCount() - 1);
  caret.pos = std::clamp(caret.pos, 0, static_cast<int>(par->Line(caret.line).length));
  const size_t offset = par->Line(caret.line).start + static_cast<size_t>(caret.pos);
  after.text.assign(par->Text().begin() + static_cast<ptrdiff_t>(offset), par->Text().end());
  if (par->HasAttributes())
    after.attrs.assign(par->Attrs().begin() + static_cast<ptrdiff_t>(offset), par->Attrs().end());
  for (int l = par->LineCount() - 1; l > caret.line; --l) doc.DeleteLine(par, l);
  const int len = par->Line(caret.line).length;
  if (len > caret.pos) doc.ReplaceRange(par, caret.line, caret.pos, len - caret.pos, nullptr, 0, nullptr);
  return par;
}

// Moves what `src` read into `doc` at the caret; `end` receives the position after it.
void Insert(WPRTFText& doc, WPRTFText& src, const DocPosition& caret, DocPosition* end) {
  const bool attrs = doc.AttributeMode();
  IndexMap map(doc, src);
  TextAfterCaret after;
  Paragraph* target = CutAtCaret(doc, caret, after);
  bool first = true;
  std::vector<CharAttr> mapped;
  for (Paragraph* s = src.FirstParagraph(); s; s = s->next) {
    if (!first) {
      target = doc.NewParagraph(target, 60);
      target->CopyPropertiesFrom(*s);
      target->tabMask = map.Tabs(s->tabMask);
      target->borderColor =
          static_cast<uint8_t>((s->borderColor & 0xF0) | map.ParagraphColor(s->borderColor));
      target->shadingColors = map.ParagraphColors(s->shadingColors);
    }
    first = false;
    mapped.clear();
    if (attrs) {
      const auto text = s->Text();
      const auto a = s->Attrs();
      for (size_t i = 0; i < text.size(); ++i) mapped.push_back(map.Attr(a[i], text[i]));
    }
    doc.AppendText(target, s->Text(), mapped);
  }
  if (end) {
    end->par = target;
    end->line = target->LineCount() - 1;
    end->pos = target->Line(end->line).length;
  }
  doc.AppendText(target, after.text, after.attrs);
}

}  // namespace

WPLoadFormat DetectFormat(WPStream& stream) {
  const int64_t start = stream.Position();
  char buf[2000];
  const size_t n = stream.Read(buf, sizeof buf);
  stream.Seek(start);
  size_t i = 0;
  while (i < n && (buf[i] == ' ' || buf[i] == '\n' || buf[i] == '\r' || buf[i] == '\t' || buf[i] == 8)) ++i;
  if (n - i >= 5 && std::memcmp(buf + i, "{\\rtf", 5) == 0) return WPLoadFormat::FormatRTF;
  for (size_t k = 0; k < n; ++k) {
    if (buf[k] != '<') continue;
    size_t e = k + 1;
    while (e < n && e - k <= 10 && buf[e] != '>') ++e;
    if (e < n && buf[e] == '>' && e - k - 1 >= 1 && e - k - 1 <= 9 &&
        IsHtmlTag(std::string_view(buf + k + 1, e - k - 1))) {
      return WPLoadFormat::FormatHTML;
    }
  }
  return WPLoadFormat::FormatANSI;
}

int LoadFromStream(WPRTFText& doc, WPStream& stream, const LoadOptions& options) {
  WPLoadFormat format = doc.loadFormat;
  if (format == WPLoadFormat::AutomaticFormat || format == WPLoadFormat::LastFormat)
    format = DetectFormat(stream);
  doc.lastFormat = format;
  // HTML is read as the plain text it is.
  const WPLoadFormat reader_format = format == WPLoadFormat::FormatRTF ? format : WPLoadFormat::FormatANSI;
  ProgressFrame progress(100);
  int result = kResultOk;
  Status status;

  if (doc.IsEmpty()) {
    if (reader_format == WPLoadFormat::FormatANSI &&
        stream.Size() - stream.Position() > kPlainModeThreshold) {
      doc.SetAttributeMode(false);
    }
    doc.header.title.clear();
    doc.header.subject.clear();
    doc.header.comment.clear();
    if (!options.keepLayout) {
      // The colours past the toolbar's belonged to the text that is gone.
      doc.header.colors[15] = kDefaultColors[15];
      doc.header.moreColors.clear();
      // The default tab distance belongs to the file read (one from elsewhere states it).
      doc.header.defaultTabTwips = 0;
    }
    doc.CollectObjects();
    doc.FreeFootnotes();
    try {
      result = RunReader(doc, stream, reader_format, options, status);
    } catch (const std::exception&) {
      result = kResultStreamError;
    }
    progress.Advance(50);
    if (result == kResultOutOfMemory) doc.Clear();
    FinishLoad(doc);
    return Report(doc, options, result, std::move(status));
  }

  // Into a non-empty document: read into a document of its own, then insert.
  try {
    WPRTFText scratch;
    scratch.header = doc.header;
    scratch.header.ResetColors();
    scratch.defaultAttr = doc.defaultAttr;
    scratch.htmlFilePath = doc.htmlFilePath;
    scratch.provideObjectEvent = doc.provideObjectEvent;
    scratch.htmlBitmapRequest = doc.htmlBitmapRequest;
    scratch.SetAttributeMode(doc.AttributeMode());
    LoadOptions scratch_options = options;
    // The scratch document reads the text's own colour table: its colours are mapped into the
    // document's table, so that the document's are kept.
    result = RunReader(scratch, stream, reader_format, scratch_options, status, true);
    progress.Advance(50);
    if (result == kResultOutOfMemory) return Report(doc, options, result, std::move(status));
    if (scratch.IsEmpty() && scratch.Objects().empty())
      return Report(doc, options, result, std::move(status));
    if (options.onLoad && !options.onLoad(scratch)) return Report(doc, options, result, std::move(status));
    // The inserted text does not change the document's page.
    Insert(doc, scratch, options.caret, options.insertEnd);
  } catch (const std::bad_alloc&) {
    return Report(doc, options, kResultOutOfMemory, Status());
  } catch (const std::exception&) {
    return Report(doc, options, kResultStreamError, Status());
  }
  FinishLoad(doc);
  return Report(doc, options, result, std::move(status));
}

int LoadFromFile(WPRTFText& doc, const std::string& path, const LoadOptions& options) {
  // A pipe, a device or a folder is refused at once (never read without end), with the reason.
  Result<std::unique_ptr<ByteSource>> opened = OpenFileSource(path);
  if (!opened.IsOk()) {
    if (options.status) *options.status = opened.GetStatus();
    return doc.ioResult = kResultStreamError;
  }
  FileReadStream stream(opened.TakeValue());
  return LoadFromStream(doc, stream, options);
}

}  // namespace inkwend
