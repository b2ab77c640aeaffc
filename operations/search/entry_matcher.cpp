#include "operations/search/entry_matcher.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "operations/search/rtf_ascii_filter.h"
#include "richtext/editing/text_input.h"
#include "richtext/model/document.h"
#include "richtext/model/stream.h"
#include "richtext/rtf/loader.h"

namespace inkwend {
namespace {

constexpr int kContextChars = 40;

bool IsBlank(char32_t c) { return c <= U' ' || c == 0xA0; }

// The match with up to kContextChars characters on either side, cut at word boundaries.
TextHit WithContext(std::span<const char32_t> chars, int offset, int length, int paragraph) {
  TextHit hit{paragraph, offset, length, {}, 0};
  int from = std::max(0, offset - kContextChars);
  int to = std::min(static_cast<int>(chars.size()), offset + length + kContextChars);
  if (from > 0) {
    while (from < offset && !IsBlank(chars[static_cast<size_t>(from) - 1])) ++from;
  }
  if (to < static_cast<int>(chars.size())) {
    while (to > offset + length && !IsBlank(chars[static_cast<size_t>(to)])) --to;
  }
  for (int i = from; i < to; ++i) {
    if (i == offset) hit.contextMatch = static_cast<int>(hit.context.size());
    const char32_t c = chars[static_cast<size_t>(i)];
    const bool in_match = i >= offset && i < offset + length;
    if (!in_match && IsBlank(c)) {
      if (!hit.context.empty() && hit.context.back() != U' ') hit.context.push_back(U' ');
      continue;
    }
    hit.context.push_back(IsBlank(c) ? U' ' : c);
  }
  return hit;
}

// How rare a character is in running text: letters by their frequency in English, the space as
// the commonest, everything else in between. The search looks for the rarest one first.
int Rarity(char c) {
  static constexpr std::string_view kLettersByFrequency = "etaoinshrdlucmfwypvbgkjqxz";
  if (c == ' ') return 0;
  const size_t rank = kLettersByFrequency.find(c);
  return rank == std::string_view::npos ? 13 : static_cast<int>(rank) + 1;
}

Status LoadStatus(WPRTFText& doc, std::string_view rtf) {
  Status status;
  try {
    MemoryStream stream{std::string(rtf)};
    LoadOptions options;
    options.status = &status;
    LoadFromStream(doc, stream, options);
  } catch (const std::bad_alloc&) {
    return Status::Error(StatusCode::OutOfMemory, "It is too large for the memory available.");
  } catch (const std::exception& e) {
    return Status::Error(StatusCode::Damaged, e.what());
  }
  return status;
}

}  // namespace

EntryMatcher::EntryMatcher(std::u32string text) : text_(std::move(text)), core_(AsciiCore(text_)) {
  for (size_t i = 1; i < core_.size(); ++i)
    if (Rarity(core_[i]) > Rarity(core_[anchor_])) anchor_ = i;
}

bool EntryMatcher::ReducedHoldsCore() const {
  const size_t n = core_.size();
  if (reduced_.size() < n) return false;
  const char* begin = reduced_.data();
  // Where the anchor character can stand: the core must fit around it.
  const char* from = begin + anchor_;
  const char* const last = begin + (reduced_.size() - n) + anchor_;
  while (from <= last) {
    const auto* at =
        static_cast<const char*>(std::memchr(from, core_[anchor_], static_cast<size_t>(last - from) + 1));
    if (!at) return false;
    if (std::memcmp(at - anchor_, core_.data(), n) == 0) return true;
    from = at + 1;
  }
  return false;
}

std::optional<TextHit> EntryMatcher::Find(std::string_view rtf, Status* read) const {
  if (text_.empty()) return std::nullopt;
  if (!core_.empty() && ReduceRtfToAscii(rtf, reduced_) && !ReducedHoldsCore()) {
    ++ruledOut_;
    return std::nullopt;
  }
  ++readWhole_;
  WPRTFText doc;
  const Status loaded = LoadStatus(doc, rtf);
  if (read) *read = loaded;
  if (!loaded.IsOk() && loaded.Code() != StatusCode::Damaged) return std::nullopt;
  const FindOptions options;  // the scratch editor's: any case, anywhere
  const size_t length = text_.size();
  int index = 0;
  for (const Paragraph* p = doc.FirstParagraph(); p; p = p->next, ++index) {
    const std::span<const char32_t> chars = p->Text();
    for (size_t i = 0; i + length <= chars.size(); ++i) {
      if (TextMatchesAt(chars, i, text_, options))
        return WithContext(chars, static_cast<int>(i), static_cast<int>(length), index);
    }
  }
  return std::nullopt;
}

}  // namespace inkwend
