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

int RunReader(TWPRTFText& doc, TWPStream& stream, TWPLoadFormat format, const TLoadOptions& options) {
  if (format == TWPLoadFormat::FormatRTF) {
    TWPRtfReader reader(&doc);
    reader.AutomaticText = options.AutomaticText;
    reader.KeepLayout = options.KeepLayout;
    return reader.Read(stream);
  }
  TWPTextReader reader(&doc);
  reader.AutomaticText = options.AutomaticText;
  return reader.Read(stream);
}

// Moves what `src` read into `doc` at the caret: objects and footnotes get numbers of `doc`,
// colours the nearest colour of `doc`'s table, fonts and tabs slots of `doc`'s tables.
void Insert(TWPRTFText& doc, TWPRTFText& src, const TDocPosition& caret_in, TDocPosition* end) {
  const bool attrs = doc.AttributeMode();
  // Colour, font and tab indexes of src refer to src's header.
  uint8_t colors[16];
  for (int i = 0; i < 16; ++i)
    colors[i] = NearestColor(doc.Header, src.Header.Colors[static_cast<size_t>(i)]);
  uint8_t fonts[kFontSlots + 1];
  for (int i = 0; i <= kFontSlots; ++i) fonts[i] = 0;
  for (int i = 0; i < kFontSlots && !src.Header.Fonts[static_cast<size_t>(i)].Name.empty(); ++i) {
    const TFontSlot& f = src.Header.Fonts[static_cast<size_t>(i)];
    const bool is_new = doc.Header.FindFont(f.Name) < 0;
    int slot = doc.Header.FontIndexOf(f.Name);
    if (slot >= kFontSlots) slot = 0;
    if (is_new && slot > 0) {
      doc.Header.Fonts[static_cast<size_t>(slot)].PitchFamily = f.PitchFamily;
      doc.Header.Fonts[static_cast<size_t>(slot)].CharSet = f.CharSet;
    }
    fonts[i] = static_cast<uint8_t>(slot);
  }
  auto map_tabs = [&](uint64_t mask) {
    uint64_t out = 0;
    for (int s = 0; s < kTabSlots; ++s) {
      if (!((mask >> s) & 1)) continue;
      const TTabSlot& t = src.Header.Tabs[static_cast<size_t>(s)];
      if (t.Position > 0) out |= doc.Header.AddTab(t.Position, t.Kind);
    }
    return out;
  };
  std::map<int, int> numbers, tags, footnotes;
  for (const auto& o : src.Objects()) {
    TDocObject* n = nullptr;
    if (!o->FileName.empty()) n = doc.FindObjectByFileName(o->FileName);
    if (!n) {
      n = doc.AddObject(std::move(o->Graphic), o->Tagged ? o->Tag : (o->FileName.empty() ? 0 : -1));
      n->Tagged = o->Tagged;
      n->Width = o->Width;
      n->Height = o->Height;
      n->FileName = o->FileName;
    }
    numbers[o->Number] = n->Number;
    tags[o->Tag] = n->Tag;
  }
  for (const auto& f : src.Footnotes()) {
    TFootnoteRec* n = doc.AddFootnote(f->Mark, f->Number, f->Text);
    n->MarkOnly = f->MarkOnly;
    n->Text2 = f->Text2;
    footnotes[f->Id] = n->Id;
  }
  auto map_attr = [&](TCharAttr a, char32_t c) {
    a.FontIndex = a.FontIndex < kFontSlots ? fonts[a.FontIndex] : 0;
    a.ColorIndexes = static_cast<uint8_t>(colors[a.ColorIndexes & 15] | colors[a.ColorIndexes >> 4] << 4);
    if (a.ColorIndexes >> 4 == 0 && (a.ColorIndexes & 0xF0) == 0) a.SetBackgroundColor(0);
    if ((a.CharFlags & kCharObject) && c == kCharObjectByNumber)
      a.TagNumber = static_cast<uint16_t>(numbers[a.TagNumber]);
    if ((a.CharFlags & kCharObject) && c == kCharObjectByTag)
      a.TagNumber = static_cast<uint16_t>(tags[a.TagNumber]);
    if (a.CharFlags & kCharFootnote) a.TagNumber = static_cast<uint16_t>(footnotes[a.TagNumber]);
    return a;
  };
  // A background colour of 0 means none and stays 0.
  auto map_background = [&](TCharAttr& a, const TCharAttr& original) {
    if (original.BackgroundColor() == 0) a.SetBackgroundColor(0);
  };

  TDocPosition caret = caret_in;
  if (!caret.Par) {
    caret.Par = doc.LastParagraph();
    caret.Line = caret.Par->LineCount() - 1;
    caret.Pos = caret.Par->Line(caret.Line).Length;
  }
  TParagraph* par = caret.Par;
  caret.Line = std::clamp(caret.Line, 0, par->LineCount() - 1);
  caret.Pos = std::clamp(caret.Pos, 0, static_cast<int>(par->Line(caret.Line).Length));
  // The text after the caret moves to the end of the inserted text.
  const size_t offset = par->Line(caret.Line).Start + static_cast<size_t>(caret.Pos);
  std::vector<char32_t> tail_text(par->Text().begin() + static_cast<ptrdiff_t>(offset), par->Text().end());
  std::vector<TCharAttr> tail_attrs;
  if (par->HasAttributes())
    tail_attrs.assign(par->Attrs().begin() + static_cast<ptrdiff_t>(offset), par->Attrs().end());
  for (int l = par->LineCount() - 1; l > caret.Line; --l) doc.DeleteLine(par, l);
  const int len = par->Line(caret.Line).Length;
  if (len > caret.Pos) doc.ReplaceRange(par, caret.Line, caret.Pos, len - caret.Pos, nullptr, 0, nullptr);

  TParagraph* target = par;
  bool first = true;
  std::vector<TCharAttr> mapped;
  for (TParagraph* s = src.FirstParagraph(); s; s = s->Next) {
    if (!first) {
      target = doc.NewParagraph(target, 60);
      target->CopyPropertiesFrom(*s);
      target->TabMask = map_tabs(s->TabMask);
      target->BorderColor = static_cast<uint8_t>((s->BorderColor & 0xF0) | colors[s->BorderColor & 15]);
      target->ShadingColors =
          static_cast<uint8_t>(colors[s->ShadingColors & 15] | colors[s->ShadingColors >> 4] << 4);
    }
    first = false;
    mapped.clear();
    if (attrs) {
      const auto text = s->Text();
      const auto a = s->Attrs();
      for (size_t i = 0; i < text.size(); ++i) {
        mapped.push_back(map_attr(a[i], text[i]));
        map_background(mapped.back(), a[i]);
      }
    }
    doc.AppendText(target, s->Text(), mapped);
  }
  if (end) {
    end->Par = target;
    end->Line = target->LineCount() - 1;
    end->Pos = target->Line(end->Line).Length;
  }
  doc.AppendText(target, tail_text, tail_attrs);
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
      result = RunReader(doc, stream, reader_format, options);
    } catch (const std::exception&) {
      result = kResultStreamError;
    }
    progress.Advance(50);
    if (result == kResultOutOfMemory) doc.Clear();
    FinishLoad(doc);
    return doc.IoResult = result;
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
    result = RunReader(scratch, stream, reader_format, scratch_options);
    progress.Advance(50);
    if (result == kResultOutOfMemory) return doc.IoResult = result;
    if (scratch.IsEmpty() && scratch.Objects().empty()) return doc.IoResult = result;
    if (options.OnLoad && !options.OnLoad()) return doc.IoResult = result;
    // The inserted text does not change the document's page.
    Insert(doc, scratch, options.Caret, options.InsertEnd);
  } catch (const std::bad_alloc&) {
    return doc.IoResult = kResultOutOfMemory;
  } catch (const std::exception&) {
    return doc.IoResult = kResultStreamError;
  }
  FinishLoad(doc);
  return doc.IoResult = result;
}

int LoadFromFile(TWPRTFText& doc, const std::string& path, const TLoadOptions& options) {
  TFileReadStream stream(path);
  if (!stream.IsOpen()) return doc.IoResult = kResultStreamError;
  return LoadFromStream(doc, stream, options);
}

}  // namespace inkwend
