#include "operations/export/entry_markdown.h"

#include <algorithm>

#include "base/text_encoding.h"
#include "operations/export/png_writer.h"
#include "richtext/model/paragraph.h"
#include "richtext/model/symbol_font.h"

namespace inkwend {
namespace {

// One shown character of a paragraph with what Markdown can say about it.
struct Piece {
  char32_t c = 0;
  bool bold = false;
  bool italic = false;
  bool link = false;
  int pointSize = 10;
  const DocObject* object = nullptr;  // a picture's anchor; owned by the document
};

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == 0xA0; }

std::vector<Piece> PiecesOf(const WPRTFText& doc, const Paragraph& p) {
  std::vector<Piece> pieces;
  std::vector<CharAttr> attrs(static_cast<size_t>(p.CharCount()));
  p.CopyAttrs(0, attrs);
  const auto text = p.Text();
  for (size_t i = 0; i < text.size(); ++i) {
    const CharAttr& a = attrs[i];
    if (a.charFlags & kCharHidden) continue;
    Piece piece;
    if (a.charFlags & kCharObject) {
      piece.object = text[i] == kCharObjectByTag ? doc.FindObjectByTag(a.tagNumber)
                                                 : doc.FindObjectByNumber(a.tagNumber);
      if (!piece.object) continue;
    } else if (text[i] < 4 || text[i] == kCharSoftHyphen) {
      continue;
    }
    piece.c = piece.object ? 0 : PlainTextChar(doc.header, text[i], a);
    piece.bold = (a.styleBits & kStyleBold) != 0;
    piece.italic = (a.styleBits & kStyleItalic) != 0;
    piece.link = (a.styleBits & kStyleDoubleUnderline) != 0;
    piece.pointSize = a.EffectivePointSize();
    pieces.push_back(piece);
  }
  return pieces;
}

void TrimBlanks(std::vector<Piece>& pieces) {
  const auto blank = [](const Piece& p) { return !p.object && (IsBlank(p.c) || p.c == kCharLineBreak); };
  while (!pieces.empty() && blank(pieces.back())) pieces.pop_back();
  const auto first = std::find_if_not(pieces.begin(), pieces.end(), blank);
  pieces.erase(pieces.begin(), first);
}

// "# " or "## " for a paragraph bold throughout in a large size (its bold then goes without
// saying); empty otherwise.
std::string HeadingPrefix(std::vector<Piece>& pieces) {
  int smallest = 1000;
  for (const Piece& p : pieces) {
    if (p.object || p.c == kCharLineBreak) return {};
    if (IsBlank(p.c)) continue;
    if (!p.bold) return {};
    smallest = std::min(smallest, p.pointSize);
  }
  if (smallest < 14 || smallest == 1000) return {};
  for (Piece& p : pieces) p.bold = false;
  return smallest >= 18 ? "# " : "## ";
}

bool IsBullet(char32_t c) {
  return c == 0x2022 || c == 0x00B7 || c == 0x25AA || c == 0x25CF || c == 0x25E6 || c == 0x2023 ||
         c == U'-' || c == U'*' || c == 0x2013;
}

// "- " or "N. " for a paragraph that starts with a bullet or a number and a blank; the marker
// and the blanks after it are taken off the pieces.
std::string ListPrefix(std::vector<Piece>& pieces) {
  size_t digits = 0;
  while (digits < pieces.size() && digits < 9 && pieces[digits].c >= U'0' && pieces[digits].c <= U'9')
    ++digits;
  size_t marker_end = 0;
  std::string prefix;
  if (!pieces.empty() && IsBullet(pieces[0].c)) {
    marker_end = 1;
    prefix = "- ";
  } else if (digits > 0 && digits < pieces.size() && (pieces[digits].c == U'.' || pieces[digits].c == U')')) {
    marker_end = digits + 1;
    for (size_t i = 0; i < digits; ++i) prefix.push_back(static_cast<char>(pieces[i].c));
    prefix += ". ";
  }
  if (marker_end == 0 || marker_end >= pieces.size() || !IsBlank(pieces[marker_end].c)) return {};
  size_t rest = marker_end;
  while (rest < pieces.size() && IsBlank(pieces[rest].c)) ++rest;
  pieces.erase(pieces.begin(), pieces.begin() + static_cast<std::ptrdiff_t>(rest));
  return prefix;
}

// Characters Markdown (as pandoc reads it) would take as markup anywhere in a line.
bool NeedsEscape(char32_t c) {
  static constexpr std::u32string_view kMarkup = U"\\`*_[]<>~^$|&@#{}";
  return kMarkup.find(c) != std::u32string_view::npos;
}

// Characters that start a block at the beginning of a line.
bool StartsABlock(char32_t c) { return c == U'+' || c == U'-' || c == U'=' || c == U':' || c == U'%'; }

bool IsAddress(const std::u32string& text) {
  if (text.find_first_of(U" \t\n<>") != std::u32string::npos) return false;
  for (std::u32string_view scheme : {U"http://", U"https://", U"mailto:", U"ftp://"})
    if (text.size() > scheme.size() && text.compare(0, scheme.size(), scheme) == 0) return true;
  return false;
}

class InlineWriter {
 public:
  InlineWriter(std::string_view stem, std::vector<ExportedPicture>& pictures)
      : stem_(stem), pictures_(pictures) {}

  std::string Write(const std::vector<Piece>& pieces, bool at_line_start) {
    out_.clear();
    lineStart_ = at_line_start;
    for (size_t i = 0; i < pieces.size();) {
      size_t end = i + 1;
      while (end < pieces.size() && SameRun(pieces[i], pieces[end])) ++end;
      if (pieces[i].object)
        Picture(*pieces[i].object);
      else
        Run(pieces, i, end);
      i = end;
    }
    return std::move(out_);
  }

 private:
  static bool SameRun(const Piece& a, const Piece& b) {
    return !a.object && !b.object && a.bold == b.bold && a.italic == b.italic && a.link == b.link;
  }

  void Run(const std::vector<Piece>& pieces, size_t from, size_t to) {
    size_t core_from = from, core_to = to;
    while (core_from < to && IsBlank(pieces[core_from].c)) ++core_from;
    while (core_to > core_from && IsBlank(pieces[core_to - 1].c)) --core_to;
    Text(pieces, from, core_from);
    const std::string marker = pieces[from].bold     ? (pieces[from].italic ? "***" : "**")
                               : pieces[from].italic ? "*"
                                                     : "";
    std::u32string core;
    for (size_t i = core_from; i < core_to; ++i) core.push_back(pieces[i].c);
    out_ += marker;
    if (pieces[from].link && IsAddress(core)) {
      out_ += "<" + ToUtf8(core) + ">";
      lineStart_ = false;
    } else {
      Text(pieces, core_from, core_to);
    }
    out_ += marker;
    Text(pieces, core_to, to);
  }

  void Text(const std::vector<Piece>& pieces, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      const char32_t c = pieces[i].c;
      if (c == kCharLineBreak) {
        out_ += "\\\n";  // a hard line break
        lineStart_ = true;
        continue;
      }
      const bool number_end =
          (c == U'.' || c == U')') && i > from && pieces[i - 1].c >= U'0' && pieces[i - 1].c <= U'9';
      if (NeedsEscape(c) || (lineStart_ && StartsABlock(c)) || number_end) out_ += '\\';
      out_ += ToUtf8(std::u32string(1, c));
      lineStart_ = false;
    }
  }

  void Picture(const DocObject& object) {
    const Bitmap* bitmap = object.graphic.Bitmap();
    const std::string png = bitmap ? EncodePng(*bitmap) : std::string();
    if (png.empty()) return;  // a metafile or an empty object has no PNG form
    const std::string name = std::string(stem_) + "-" + std::to_string(pictures_.size() + 1) + ".png";
    pictures_.push_back({name, png});
    out_ += "![picture](" + name + ")";
    lineStart_ = false;
  }

  std::string_view stem_;
  std::vector<ExportedPicture>& pictures_;
  std::string out_;
  bool lineStart_ = true;
};

}  // namespace

MarkdownEntry EntryMarkdown(const WPRTFText& doc, std::string_view picture_stem) {
  MarkdownEntry entry;
  InlineWriter writer(picture_stem, entry.pictures);
  std::string last_prefix;
  for (const Paragraph* p = doc.FirstParagraph(); p; p = p->next) {
    std::vector<Piece> pieces = PiecesOf(doc, *p);
    TrimBlanks(pieces);
    if (pieces.empty()) continue;
    std::string prefix = HeadingPrefix(pieces);
    if (prefix.empty()) prefix = ListPrefix(pieces);
    const std::string body = writer.Write(pieces, prefix.empty());
    if (body.empty()) continue;
    // Items of one list follow each other without a blank line; a bullet after a number (or the
    // other way round) starts a list of its own.
    const auto kind = [](const std::string& prefix) {
      return prefix.empty() || prefix[0] == '#' ? 'p' : prefix[0] == '-' ? '-' : '1';
    };
    const bool same_list = kind(prefix) != 'p' && kind(prefix) == kind(last_prefix);
    if (!entry.text.empty()) entry.text += same_list ? "\n" : "\n\n";
    entry.text += prefix + body;
    last_prefix = prefix;
  }
  if (!entry.text.empty()) entry.text += "\n";
  return entry;
}

}  // namespace inkwend
