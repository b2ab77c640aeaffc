#include "operations/search/diary_search.h"

namespace inkwend {
DiarySearch::DiarySearch(const DiarySession& session, std::u32string text)
    : session_(session), matcher_(std::move(text)) {}

std::vector<Date> DiarySearch::EntryDaysBetween(Date from, Date to) const {
  return session_.Store().EntryDaysBetween(from, to);
}

std::optional<SearchHit> DiarySearch::SearchDay(Date day) {
  if (onEntry) onEntry(day);
  std::optional<TextHit> found;
  Status read_status;
  const Status loaded = session_.LoadListedDay(day, [&](std::string rtf) {
    found = matcher_.Find(rtf, &read_status);
    return read_status;
  });
  // What could be read of a damaged entry has been searched; an entry that could not be read
  // at all is said, and the walk goes on.
  if (!loaded.IsOk() && loaded.Code() != StatusCode::Damaged && onUnreadable) onUnreadable(day, loaded);
  if (!found) return std::nullopt;
  return SearchHit{day, *found};
}

std::optional<SearchHit> DiarySearch::FindFirst(Date from, Date to) {
  for (const Date day : EntryDaysBetween(from, to)) {
    if (std::optional<SearchHit> hit = SearchDay(day)) return hit;
  }
  return std::nullopt;
}

void DiarySearch::FindAll(Date from, Date to, const std::function<bool(const SearchHit&)>& on_hit) {
  for (const Date day : EntryDaysBetween(from, to)) {
    if (std::optional<SearchHit> hit = SearchDay(day); hit && !on_hit(*hit)) return;
  }
}

}  // namespace inkwend
