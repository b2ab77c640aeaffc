#include "richtext/rtf/loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <vector>

#include "richtext/model/progress.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {

// A read-only stream over a file, read in the reader's own chunks.
class TFileReadStream : public TWPStream {
 public:
  explicit TFileReadStream(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_ && std::fseek(file_, 0, SEEK_END) == 0) {
      size_ = std::ftell(file_);
      std::fseek(file_, 0, SEEK_SET);
    }
  }
  ~TFileReadStream() override {
    if (file_) std::fclose(file_);
  }
  TFileReadStream(const TFileReadStream&) = delete;
  TFileReadStream& operator=(const TFileReadStream&) = delete;
  bool IsOpen() const { return file_ != nullptr; }
  size_t Write(const void*, size_t) override { return 0; }
  size_t Read(void* data, size_t size) override { return file_ ? std::fread(data, 1, size, file_) : 0; }
  int64_t Position() const override { return file_ ? std::ftell(file_) : 0; }
  bool Seek(int64_t position) override {
    return file_ && std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
  }
  int64_t Size() const override { return size_; }

 private:
  std::FILE* file_;
  int64_t size_ = 0;
};

bool IsHtmlTag(std::string_view name) {
  static constexpr std::string_view kTags[] = {"html", "b", "p", "br", "title", "body", "h1"};
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return std::find(std::begin(kTags), std::end(kTags), lower) != std::end(kTags);
}

uint8_t NearestColor(const TTextHeader& to, TColorRef c) {
  int best = 0;
  int64_t best_d = std::numeric_limits<int64_t>::max();
  for (int i = 0; i < 16; ++i) {
    const TColorRef d = to.Colors[static_cast<size_t>(i)];
    const int64_t dr = RedOf(c) - RedOf(d), dg = GreenOf(c) - GreenOf(d), db = BlueOf(c) - BlueOf(d);
    const int64_t dist = dr * dr + dg * dg + db * db;
    if (dist < best_d) {
      best_d = dist;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

// Every paragraph is left marked for layout; the caller lays the document out again.
void FinishLoad(TWPRTFText& doc) {
  doc.Header.UpdateTextArea();
  for (TParagraph* p = doc.FirstParagraph(); p; p = p->Next) p->MarkDirty();
}

int RunReader(TWPRTFText& doc, TWPStream& stream, TWPLoadFormat format, const TLoadOptions& options,
              Status& status) {
  if (format == TWPLoadFormat::FormatRTF) {
    TWPRtfReader reader(&doc);
    reader.AutomaticText = options.AutomaticText;
    reader.KeepLayout = options.KeepLayout;
    reader.pictureDecoder = options.pictureDecoder;
    const int result = reader.Read(stream);
    status = reader.GetStatus();
    return result;
  }
  TWPTextReader reader(&doc);
  reader.AutomaticText = options.AutomaticText;
  const int result = reader.Read(stream);
  status = reader.GetStatus();
  return result;
}

// The load's result kept in the document and, with its details, in options.status. `status`
// is the reader's, when the result is the reader's.
int Report(TWPRTFText& doc, const TLoadOptions& options, int result, Status status) {
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
  return doc.IoResult = result;
}

// What the indexes of `src` (read into a document of its own) become in `doc`: colours take the
// nearest colour of doc's table, fonts and tab stops slots of doc's tables, objects and
// footnotes doc's numbers. Building it adds src's fonts, objects and footnotes to doc (the
// objects' graphics are moved).
class IndexMap {
 public:
  IndexMap(TWPRTFText& doc, TWPRTFText& src) : doc_(doc), src_(src) {
    for (int i = 0; i < 16; ++i)
      colors_[i] = NearestColor(doc.Header, src.Header.Colors[static_cast<size_t>(i)]);
    MapFonts();
    MoveObjects();
    CopyFootnotes();
  }

  uint8_t Color(int index) const { return colors_[index & 15]; }
  uint8_t Colors(uint8_t pair) const {
    return static_cast<uint8_t>(colors_[pair & 15] | colors_[pair >> 4] << 4);
  }

  uint64_t Tabs(uint64_t mask) {
    uint64_t out = 0;
    for (int s = 0; s < kTabSlots; ++s) {
      if (!((mask >> s) & 1)) continue;
      const TTabSlot& t = src_.Header.Tabs[static_cast<size_t>(s)];
      if (t.Position > 0) out |= doc_.Header.AddTab(t.Position, t.Kind);
    }
    return out;
  }

  // The record of character `c` in doc.
  TCharAttr Attr(const TCharAttr& original, char32_t c) {
    TCharAttr a = original;
    a.FontIndex = a.FontIndex < kFontSlots ? fonts_[a.FontIndex] : 0;
    a.ColorIndexes = Colors(a.ColorIndexes);
    if (a.ColorIndexes >> 4 == 0 && (a.ColorIndexes & 0xF0) == 0) a.SetBackgroundColor(0);
    if ((a.CharFlags & kCharObject) && c == kCharObjectByNumber)
      a.TagNumber = static_cast<uint16_t>(numbers_[a.TagNumber]);
    if ((a.CharFlags & kCharObject) && c == kCharObjectByTag)
      a.TagNumber = static_cast<uint16_t>(tags_[a.TagNumber]);
    if (a.CharFlags & kCharFootnote) a.TagNumber = static_cast<uint16_t>(footnotes_[a.TagNumber]);
    // A background colour of 0 means none and stays 0.
    if (original.BackgroundColor() == 0) a.SetBackgroundColor(0);
    return a;
  }

 private:
  void MapFonts() {
    for (int i = 0; i <= kFontSlots; ++i) fonts_[i] = 0;
    for (int i = 0; i < kFontSlots && !src_.Header.Fonts[static_cast<size_t>(i)].Name.empty(); ++i) {
      const TFontSlot& f = src_.Header.Fonts[static_cast<size_t>(i)];
      const bool is_new = doc_.Header.FindFont(f.Name) < 0;
      int slot = doc_.Header.FontIndexOf(f.Name);
      if (slot >= kFontSlots) slot = 0;
      if (is_new && slot > 0) {
        doc_.Header.Fonts[static_cast<size_t>(slot)].PitchFamily = f.PitchFamily;
        doc_.Header.Fonts[static_cast<size_t>(slot)].CharSet = f.CharSet;
      }
      fonts_[i] = static_cast<uint8_t>(slot);
    }
  }

  void MoveObjects() {
    for (const auto& o : src_.Objects()) {
      TDocObject* n = nullptr;
      if (!o->FileName.empty()) n = doc_.FindObjectByFileName(o->FileName);
      if (!n) {
        n = doc_.AddObject(std::move(o->Graphic), o->Tagged ? o->Tag : (o->FileName.empty() ? 0 : -1));
        n->Tagged = o->Tagged;
        n->Width = o->Width;
        n->Height = o->Height;
        n->FileName = o->FileName;
      }
      numbers_[o->Number] = n->Number;
      tags_[o->Tag] = n->Tag;
    }
  }

  void CopyFootnotes() {
    for (const auto& f : src_.Footnotes()) {
      TFootnoteRec* n = doc_.AddFootnote(f->Mark, f->Number, f->Text);
      n->MarkOnly = f->MarkOnly;
      n->Text2 = f->Text2;
      footnotes_[f->Id] = n->Id;
    }
  }

  TWPRTFText& doc_;
  TWPRTFText& src_;
  uint8_t colors_[16];
  uint8_t fonts_[kFontSlots + 1];
  std::map<int, int> numbers_, tags_, footnotes_;
};

// The text after the caret, which moves to the end of the inserted text.
struct TextAfterCaret {
  std::vector<char32_t> text;
  std::vector<TCharAttr> attrs;
};

// Cuts the caret's paragraph at the caret (the end of the document when unset); returns the
// paragraph, which now ends at the caret.
TParagraph* CutAtCaret(TWPRTFText& doc, const TDocPosition& caret_in, TextAfterCaret& after) {
  TDocPosition caret = caret_in;
  if (!caret.Par) {
    caret.Par = doc.LastParagraph();
    caret.Line = caret.Par->LineCount() - 1;
    caret.Pos = caret.Par->Line(caret.Line).Length;
  }
  TParagraph* par = caret.Par;
  caret.Line = std::clamp(caret.Line, 0, par->LineCount() - 1);
  caret.Pos = std::clamp(caret.Pos, 0, static_cast<int>(par->Line(caret.Line).Length));
  const size_t offset = par->Line(caret.Line).Start + static_cast<size_t>(caret.Pos);
  after.text.assign(par->Text().begin() + static_cast<ptrdiff_t>(offset), par->Text().end());
  if (par->HasAttributes())
    after.attrs.assign(par->Attrs().begin() + static_cast<ptrdiff_t>(offset), par->Attrs().end());
  for (int l = par->LineCount() - 1; l > caret.Line; --l) doc.DeleteLine(par, l);
  const int len = par->Line(caret.Line).Length;
  if (len > caret.Pos) doc.ReplaceRange(par, caret.Line, caret.Pos, len - caret.Pos, nullptr, 0, nullptr);
  return par;
}

// Moves what `src` read into `doc` at the caret; `end` receives the position after it.
void Insert(TWPRTFText& doc, TWPRTFText& src, const TDocPosition& caret, TDocPosition* end) {
  const bool attrs = doc.AttributeMode();
  IndexMap map(doc, src);
  TextAfterCaret after;
  TParagraph* target = CutAtCaret(doc, caret, after);
  bool first = true;
  std::vector<TCharAttr> mapped;
  for (TParagraph* s = src.FirstParagraph(); s; s = s->Next) {
    if (!first) {
      target = doc.NewParagraph(target, 60);
      target->CopyPropertiesFrom(*s);
      target->TabMask = map.Tabs(s->TabMask);
      target->BorderColor = static_cast<uint8_t>((s->BorderColor & 0xF0) | map.Color(s->BorderColor));
      target->ShadingColors = map.Colors(s->ShadingColors);
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
    end->Par = target;
    end->Line = target->LineCount() - 1;
    end->Pos = target->Line(end->Line).Length;
  }
  doc.AppendText(target, after.text, after.attrs);
}

}  // namespace

TWPLoadFormat DetectFormat(TWPStream& stream) {
  const int64_t start = stream.Position();
  char buf[2000];
  const size_t n = stream.Read(buf, sizeof buf);
  stream.Seek(start);
  size_t i = 0;
  while (i < n && (buf[i] == ' ' || buf[i] == '\n' || buf[i] == '\r' || buf[i] == '\t' || buf[i] == 8)) ++i;
  if (n - i >= 5 && std::memcmp(buf + i, "{\\rtf", 5) == 0) return TWPLoadFormat::FormatRTF;
  for (size_t k = 0; k < n; ++k) {
    if (buf[k] != '<') continue;
    size_t e = k + 1;
    while (e < n && e - k <= 10 && buf[e] != '>') ++e;
    if (e < n && buf[e] == '>' && e - k - 1 >= 1 && e - k - 1 <= 9 &&
        IsHtmlTag(std::string_view(buf + k + 1, e - k - 1))) {
      return TWPLoadFormat::FormatHTML;
    }
  }
  return TWPLoadFormat::FormatANSI;
}

int LoadFromStream(TWPRTFText& doc, TWPStream& stream, const TLoadOptions& options) {
  TWPLoadFormat format = doc.LoadFormat;
  if (format == TWPLoadFormat::AutomaticFormat || format == TWPLoadFormat::LastFormat)
    format = DetectFormat(stream);
  doc.LastFormat = format;
  // HTML is read as the plain text it is.
  const TWPLoadFormat reader_format = format == TWPLoadFormat::FormatRTF ? format : TWPLoadFormat::FormatANSI;
  TProgressFrame progress(100);
  int result = kResultOk;
  Status status;

  if (doc.IsEmpty()) {
    if (reader_format == TWPLoadFormat::FormatANSI &&
        stream.Size() - stream.Position() > kPlainModeThreshold) {
      doc.SetAttributeMode(false);
    }
    doc.Header.Title.clear();
    doc.Header.Subject.clear();
    doc.Header.Comment.clear();
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
    TWPRTFText scratch;
    scratch.Header = doc.Header;
    scratch.Header.Colors = kDefaultColors;
    scratch.DefaultAttr = doc.DefaultAttr;
    scratch.HTMLFilePath = doc.HTMLFilePath;
    scratch.ProvideObjectEvent = doc.ProvideObjectEvent;
    scratch.SetAttributeMode(doc.AttributeMode());
    TLoadOptions scratch_options = options;
    result = RunReader(scratch, stream, reader_format, scratch_options, status);
    progress.Advance(50);
    if (result == kResultOutOfMemory) return Report(doc, options, result, std::move(status));
    if (scratch.IsEmpty() && scratch.Objects().empty())
      return Report(doc, options, result, std::move(status));
    if (options.OnLoad && !options.OnLoad()) return Report(doc, options, result, std::move(status));
    // The inserted text does not change the document's page.
    Insert(doc, scratch, options.Caret, options.InsertEnd);
  } catch (const std::bad_alloc&) {
    return Report(doc, options, kResultOutOfMemory, Status());
  } catch (const std::exception&) {
    return Report(doc, options, kResultStreamError, Status());
  }
  FinishLoad(doc);
  return Report(doc, options, result, std::move(status));
}

int LoadFromFile(TWPRTFText& doc, const std::string& path, const TLoadOptions& options) {
  TFileReadStream stream(path);
  if (!stream.IsOpen()) {
    if (options.status)
      *options.status = Status::Error(StatusCode::NotFound, "The file " + path + " cannot be opened.");
    return doc.IoResult = kResultStreamError;
  }
  return LoadFromStream(doc, stream, options);
}

}  // namespace inkwend
