// Styles of the RTF reader. The style sheet is kept as each style's formatting words; where the
// text names a style (\sN for a paragraph, \csN for characters) its words are performed there,
// those of the style it is based on first, and the words that follow in the text then change
// what they state. Files that state everything again after naming the style read as before;
// files that rely on the style sheet get its fonts, sizes, spacing and indents.
#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {

// Bounds on what a style sheet may hold: beyond them words and styles are dropped.
constexpr size_t kMaxStyles = 4096;
constexpr size_t kMaxStyleWords = 256;
constexpr int kMaxBasedOnDepth = 8;

// The formatting words a style keeps: character attributes and paragraph properties, but not
// what changes more than the formatting (\plain and \pard reset it, \wprtf starts code text,
// \inspnt and \inaut mark the diary's own fields, a page break belongs to one paragraph).
bool StyleKeeps(RtfAction a) {
  using A = RtfAction;
  switch (a) {
    case A::Plain:
    case A::InsPnt:
    case A::InAut:
    case A::WpRtf:
    case A::Pard:
    case A::PageBreak:
      return false;
    default:
      return (a >= A::Font && a <= A::Cb) || (a >= A::Li && a <= A::Cfpat);
  }
}

// Words whose whole effect is on the character attribute, the code page and the paragraph
// properties in force (what StyleMemo compares and restores).
bool OnlyChangesState(RtfAction a) {
  using A = RtfAction;
  return (a >= A::Font && a <= A::Cb) || (a >= A::Li && a <= A::Align) || a == A::SlMult;
}

}  // namespace

void WPRtfReader::BeginStyleDefinition() { definingStyle_ = RtfStyle{}; }

void WPRtfReader::StyleSheetWord(const RtfKeyword& k, int32_t n) {
  if (k.action == RtfAction::StyleNumber) {
    definingStyle_.number = n;
    definingStyle_.kind = static_cast<uint8_t>(k.arg);
  } else if (k.action == RtfAction::BasedOn) {
    definingStyle_.basedOn = n;
  } else if (StyleKeeps(k.action) && definingStyle_.words.size() < kMaxStyleWords) {
    definingStyle_.words.push_back(StyleWord{&k, n});
  }
}

void WPRtfReader::EndStyleDefinition() {
  RtfStyle& s = definingStyle_;
  if (s.kind > 1) return;  // section and table styles: nothing of them is kept
  for (RtfStyle& known : styles_) {
    if (known.number == s.number && known.kind == s.kind) {
      known = std::move(s);
      return;
    }
  }
  if (styles_.size() < kMaxStyles) styles_.push_back(std::move(s));
}

bool WPRtfReader::DoStyle(const RtfKeyword& k, int32_t n) {
  // (In the style sheet the words define styles: StyleSheetWord takes them there.)
  if (k.action != RtfAction::StyleNumber || k.arg > 1) return true;
  if (f_.dest == Destination::Text || f_.dest == Destination::FootnoteText)
    ApplyStyle(n, static_cast<uint8_t>(k.arg));
  return true;
}

WPRtfReader::RtfStyle* WPRtfReader::FindStyle(int32_t number, uint8_t kind) {
  for (RtfStyle& s : styles_) {
    if (s.number == number && s.kind == kind) return &s;
  }
  return nullptr;
}

void WPRtfReader::ApplyStyle(int32_t number, uint8_t kind) {
  RtfStyle* style = FindStyle(number, kind);
  if (!style) return;
  StyleMemo& m = style->memo;
  if (m.valid && m.attrBefore == attr_ && m.propsBefore == f_.props && m.codePageBefore == f_.codePage) {
    ChangeAttr([&](CharAttr& a) { a = m.attrAfter; });
    if (!(m.propsAfter == m.propsBefore)) Prop([&](ParProps& p) { p = m.propsAfter; });
    if (m.codePageAfter != m.codePageBefore) {
      f_.codePage = m.codePageAfter;
      SetDecoder(f_.codePage);
    }
    return;
  }
  m.attrBefore = attr_;
  m.propsBefore = f_.props;
  m.codePageBefore = f_.codePage;
  m.valid = PerformStyleWords(*style, 0);
  m.attrAfter = attr_;
  m.propsAfter = f_.props;
  m.codePageAfter = f_.codePage;
}

bool WPRtfReader::PerformStyleWords(const RtfStyle& style, int depth) {
  bool only_state = true;
  if (style.basedOn >= 0 && style.basedOn != style.number && depth < kMaxBasedOnDepth) {
    if (const RtfStyle* base = FindStyle(style.basedOn, style.kind))
      only_state = PerformStyleWords(*base, depth + 1);
  }
  for (const StyleWord& w : style.words) {
    Perform(*w.keyword, w.value);
    only_state = only_state && OnlyChangesState(w.keyword->action);
  }
  return only_state;
}

}  // namespace inkwend
