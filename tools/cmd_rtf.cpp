// inkwend-tool rtf FILE --text|--rtf|--dump
//   --text  the document's text as UTF-8, one line per paragraph
//   --rtf   the document read and written again as the diary stores it
//   --dump  paragraphs, lines, runs and their attributes, objects, footnotes and the header
#include <cstdio>
#include <string>
#include <vector>

#include "platform/qt_picture_decoder.h"
#include "richtext/model/charset.h"
#include "richtext/model/dump.h"
#include "richtext/model/symbol_font.h"
#include "richtext/rtf/loader.h"
#include "richtext/rtf/writer.h"
#include "tools/command_registry.h"

namespace {

using namespace inkwend;

const char* ResultText(int result) {
  switch (result) {
    case kResultOk:
      return "ok";
    case kResultOutOfMemory:
      return "out of memory";
    case kResultStreamError:
      return "the file is damaged or cut short; what could be read was kept";
    case kResultNothingToWrite:
      return "the file is empty";
    default:
      return "unknown result";
  }
}

// The text a reader sees: paragraphs on lines of their own, line breaks as new lines, tabs
// kept; object anchors and soft hyphens are left out; Symbol-font characters as the Unicode they draw.
std::string PlainText(const WPRTFText& doc) {
  std::u32string out;
  // One paragraph's records at a time, copied from the runs a read paragraph keeps: asking
  // for Attrs() would turn every paragraph into 16 bytes per character for nothing.
  std::vector<CharAttr> attrs;
  for (const Paragraph* p = doc.FirstParagraph(); p; p = p->next) {
    // The empty paragraph after a document's last paragraph end is not a line of its text.
    if (!p->next && p->prev && p->CharCount() == 0) break;
    const auto text = p->Text();
    attrs.resize(p->HasAttributes() ? text.size() : 0);
    p->CopyAttrs(0, attrs);
    for (size_t i = 0; i < text.size(); ++i) {
      const char32_t c = text[i];
      if (!attrs.empty() && (attrs[i].charFlags & kCharObject)) continue;
      if (c < 4 || c == kCharSoftHyphen) continue;  // a soft hyphen shows only at a line's end
      out.push_back(attrs.empty() ? c : PlainTextChar(doc.header, c, attrs[i]));
    }
    out.push_back(U'\n');
  }
  return ToUtf8(out);
}

std::string Dump(const WPRTFText& doc) {
  const TextHeader& h = doc.header;
  std::string out = "page " + std::to_string(h.pageWidth) + "x" + std::to_string(h.pageHeight) + " margins " +
                    std::to_string(h.marginLeft) + "/" + std::to_string(h.marginRight) + "/" +
                    std::to_string(h.marginTop) + "/" + std::to_string(h.marginBottom) + "\n";
  if (!h.title.empty()) out += "title " + ToUtf8(h.title) + "\n";
  if (!h.subject.empty()) out += "subject " + ToUtf8(h.subject) + "\n";
  if (!h.comment.empty()) out += "comment " + ToUtf8(h.comment) + "\n";
  for (int i = 0; i < kFontSlots && !h.fonts[static_cast<size_t>(i)].name.empty(); ++i) {
    const FontSlot& f = h.fonts[static_cast<size_t>(i)];
    char buf[64];
    std::snprintf(buf, sizeof buf, "font %d family %02x charset %d ", i, f.pitchFamily, f.charSet);
    out += buf + ToUtf8(f.name) + "\n";
  }
  for (int i = 0; i < 16; ++i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "color %d #%02x%02x%02x\n", i, RedOf(h.colors[static_cast<size_t>(i)]),
                  GreenOf(h.colors[static_cast<size_t>(i)]), BlueOf(h.colors[static_cast<size_t>(i)]));
    out += buf;
  }
  for (int i = 0; i < kTabSlots; ++i) {
    const TabSlot& t = h.tabs[static_cast<size_t>(i)];
    if (t.position != 0)
      out += "tab " + std::to_string(i) + " at " + std::to_string(t.position) + " kind " +
             std::to_string(t.kind) + "\n";
  }
  out += DumpDocument(doc);
  for (const auto& o : doc.Objects()) {
    const DocGraphic& g = o->graphic;
    std::string kind = g.Bitmap() ? "bitmap " + std::to_string(g.Bitmap()->width) + "x" +
                                        std::to_string(g.Bitmap()->height) + "x" +
                                        std::to_string(g.Bitmap()->bitsPerPixel)
                       : g.Metafile() ? "metafile " + std::to_string(g.Metafile()->bytes.size()) + " bytes"
                                      : "empty";
    out += "object number " + std::to_string(o->number) + " tag " + std::to_string(o->tag) + " " +
           std::to_string(o->width) + "x" + std::to_string(o->height) + " twips " + kind +
           (o->tagged ? " tagged" : "") + (o->fileName.empty() ? "" : " file " + ToUtf8(o->fileName)) + "\n";
  }
  for (const auto& f : doc.Footnotes()) {
    out += "footnote " + std::to_string(f->id) + " mark " + ToUtf8(std::u32string(1, f->mark)) + " number " +
           std::to_string(f->number) + ": " + ToUtf8(f->text) + "\n";
  }
  return out;
}

int RunRtf(const std::vector<std::string>& args) {
  std::string file, mode;
  for (const std::string& a : args) {
    if (a == "--text" || a == "--rtf" || a == "--dump")
      mode = a;
    else if (file.empty())
      file = a;
    else
      mode = "?";
  }
  if (file.empty() || mode.empty() || mode == "?") {
    std::fprintf(stderr, "usage: inkwend-tool rtf FILE --text|--rtf|--dump\n");
    return 2;
  }
  WPRTFText doc;
  LoadOptions options;
  options.pictureDecoder = &QtPictureDecoderInstance();
  Status status;
  options.status = &status;
  const int result = LoadFromFile(doc, file, options);
  if (result == kResultStreamError && doc.IsEmpty()) {
    // The system's reason (missing, a folder, a pipe, no permission) names the file itself.
    const std::string why = status.Message().empty() ? ResultText(result) : status.Message();
    if (why.find(file) != std::string::npos)
      std::fprintf(stderr, "inkwend-tool: %s\n", why.c_str());
    else
      std::fprintf(stderr, "inkwend-tool: cannot read %s: %s\n", file.c_str(), why.c_str());
    return 1;
  }
  // What could be read of a damaged file is still given, and the damage told.
  if (status.Code() == StatusCode::Damaged)
    std::fprintf(stderr, "inkwend-tool: %s: %s\n", file.c_str(), status.Message().c_str());
  std::string out;
  if (mode == "--text") {
    out = PlainText(doc);
  } else if (mode == "--dump") {
    out = Dump(doc);
  } else {
    MemoryStream stream;
    doc.CollectObjects();
    const int written = WriteDocument(doc, stream, WPLoadFormat::FormatRTF, nullptr, true);
    if (written != kResultOk) {
      std::fprintf(stderr, "inkwend-tool: writing failed (%d)\n", written);
      return 1;
    }
    out = stream.Bytes();
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (result != kResultOk) {
    std::fprintf(stderr, "inkwend-tool: %s: %s\n", file.c_str(), ResultText(result));
    return 1;
  }
  return 0;
}

const inkwend::tool::ToolCommand kRtf("rtf", "rtf FILE --text|--rtf|--dump", RunRtf);

}  // namespace
