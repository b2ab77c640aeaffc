// Pictures, objects and footnotes of the RTF writer: each in the form its reader takes back
// (a metafile, a device-dependent or -independent bitmap, a linked file, a tagged object), and
// footnotes as Word writes them.
#include <cstring>
#include <string_view>
#include <vector>

#include "richtext/model/charset.h"
#include "richtext/picture/bitmap_codec.h"
#include "richtext/rtf/codepage.h"
#include "richtext/rtf/writer.h"

namespace inkwend {

namespace {
constexpr char kHexDigits[] = "0123456789abcdef";
}  // namespace

void WPRTFWriter::WriteHex(const uint8_t* data, size_t size) {
  char* out = PendingEnd();
  for (size_t i = 0; i < size; ++i) {
    *out++ = kHexDigits[data[i] >> 4];
    *out++ = kHexDigits[data[i] & 15];
    out = Commit(out);
    if (Failed()) return;
  }
}

bool WPRTFWriter::WritesObject(char32_t anchor, int key) const {
  const DocObject* obj =
      anchor == kCharObjectByTag ? doc_.FindObjectByTag(key) : doc_.FindObjectByNumber(key);
  if (!obj) return true;  // a record that is gone still writes the anchor's block, as it always did
  if (!obj->fileName.empty() || (obj->tagged && obj->tag != 0) || obj->graphic.Metafile()) return true;
  const Bitmap* bmp = obj->graphic.Bitmap();
  return bmp && bmp->Valid();
}

void WPRTFWriter::WriteObject(char32_t anchor, int key) {
  EndCode();
  DocObject* obj = anchor == kCharObjectByTag ? doc_.FindObjectByTag(key) : doc_.FindObjectByNumber(key);
  if (!obj) return;
  doc_.ComputeObjectSize(*obj);
  const DocGraphic& g = obj->graphic;
  auto goal = [&] {
    Put("\\picwgoal");
    PutInt(obj->width);
    Put("\\pichgoal");
    PutInt(obj->height);
  };
  // Every embedded picture ends alike: its pixel size, the size shown, then its data in hex.
  auto size_and_data = [&](int64_t width, int64_t height, const uint8_t* data, size_t size) {
    Put("\\picw");
    PutInt(width);
    Put("\\pich");
    PutInt(height);
    goal();
    Put("\r\n");
    WriteHex(data, size);
    Put('}');
  };
  if (!obj->fileName.empty()) {
    if (linkedPicturesShort_) {
      Put("\\{bmc ");
      WriteInfoText(obj->fileName);
      Put("\\}");
      return;
    }
    Put("{\\*\\picfile");
    if (g.Bitmap() || g.Metafile()) {
      Put("\\picw");
      PutInt(g.PixelWidth());
      Put("\\pich");
      PutInt(g.PixelHeight());
    }
    goal();
    Put(" \"");
    WriteInfoText(obj->fileName);
    Put("\"}");
    return;
  }
  if (obj->tagged && obj->tag != 0) {
    Put("\\wpobjtag");
    PutInt(obj->tag);
    Put("\\wpobjw");
    PutInt(obj->width);
    Put("\\wpobjh");
    PutInt(obj->height);
    Put(" \\'01");
    return;
  }
  if (const Metafile* mf = g.Metafile()) {
    Put("{\\pict\\wmetafile8");
    size_and_data(mf->width, mf->height, mf->bytes.data(), mf->bytes.size());
    return;
  }
  const Bitmap* bmp = g.Bitmap();
  if (!bmp || !bmp->Valid()) return;
  if (g.compressed && !g.compressed->bytes.empty()) {
    Put(g.compressed->format == PictureFormat::Png ? "{\\pict\\pngblip" : "{\\pict\\jpegblip");
    size_and_data(bmp->width, bmp->height, g.compressed->bytes.data(), g.compressed->bytes.size());
    return;
  }
  if (!writeBitmapAsDib_ && !g.inPictureHolder) {
    const DdbImage ddb = EncodeDdb(*bmp);
    Put("{\\pict\\wbitmap0\\wbmbitspixel");
    PutInt(ddb.bitsPerPixel);
    Put("\\wbmplanes");
    PutInt(ddb.planes);
    Put("\\wbmwidthbytes");
    PutInt(ddb.widthBytes);
    size_and_data(bmp->width, bmp->height, ddb.bits.data(), ddb.bits.size());
    return;
  }
  const std::vector<uint8_t> dib = EncodeDib(*bmp);
  Put("{\\pict\\dibitmap0\\wbmbitspixel");
  PutInt(bmp->bitsPerPixel);
  Put("\\wbmplanes");
  PutInt(bmp->planes);
  Put("\\wbmwidthbytes");
  PutInt((static_cast<int64_t>(bmp->width) * bmp->bitsPerPixel + 7) / 8);
  size_and_data(bmp->width, bmp->height, dib.data(), dib.size());
}

void WPRTFWriter::WriteFootnote(int id) {
  EndCode();
  const FootnoteRec* fn = doc_.FindFootnote(id);
  if (!fn) return;
  const std::u32string_view mark(&fn->mark, 1);
  // The note's text is read in font 4's code page, the mark before it in the run's.
  const FontSlot& note_font = doc_.header.fonts[4];
  const CodePageEncoder* note_encoder =
      note_font.name.empty() ? nullptr : CodePageEncoder::For(CodePageOfCharSet(note_font.charSet));
  const bool note_symbols = !note_font.name.empty() && note_font.charSet == kSymbolCharSet;
  Put("{\\cs16\\super ");
  WriteInfoText(mark, runEncoder_, symbolRun_);
  if (fn->number == 0 || fn->markOnly) {
    Put("{\\*\\footnote \\pard\\plain \\s15\\widctlpar \\f4\\fs20\\lang1031 {\\cs16\\super ");
  } else {
    Put("{\\*\\footnote \\wpfnnr");
    PutInt(fn->number);
    Put(" \\pard\\plain \\s15\\widctlpar \\f4\\fs20\\lang1031 {\\cs16\\super\t");
  }
  WriteInfoText(mark, note_encoder, note_symbols);
  Put("} ");
  // A tab as a raw byte would be white space to the reader.
  size_t from = 0;
  for (size_t tab = fn->text.find(U'\t'); tab != std::u32string::npos; tab = fn->text.find(U'\t', from)) {
    WriteInfoText(std::u32string_view(fn->text).substr(from, tab - from), note_encoder, note_symbols);
    Put("\\tab ");
    from = tab + 1;
  }
  WriteInfoText(std::u32string_view(fn->text).substr(from), note_encoder, note_symbols);
  Put("}}");
}

}  // namespace inkwend
