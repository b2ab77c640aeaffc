#pragma once
// DiarySearch: the walk of the diary-wide search. It goes through the days that have an entry
// between two dates in date order, deciphers each entry in memory and asks an EntryMatcher
// whether it holds the text; the day shown is not touched. An entry that cannot be read (a file
// error, or bytes that are no RTF with the diary's password) is reported through onUnreadable
// with its date and the walk goes on; a damaged entry is searched in what can be read of it.
//
//   DiarySearch search(session, U"holiday");
//   search.onEntry = [&](Date day) { ShowProgress(day); };
//   std::optional<SearchHit> hit = search.FindFirst(session.FirstEntryDay(today).Value(), end);
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "operations/search/entry_matcher.h"
#include "store/diary_session.h"

namespace inkwend {

struct SearchHit {
  Date day;
  TextHit where;
};

class DiarySearch {
 public:
  // `session` outlives the search.
  DiarySearch(const DiarySession& session, std::u32string text);

  // Before each entry is read (the status window shows the day in progress).
  std::function<void(Date day)> onEntry;
  // An entry that could not be read, with why; the walk goes on.
  std::function<void(Date day, const Status& why)> onUnreadable;

  // The days from `from` to `to` (inclusive) whose entry file exists, earliest first.
  std::vector<Date> EntryDaysBetween(Date from, Date to) const;

  // The earliest day from `from` to `to` whose entry holds the text.
  std::optional<SearchHit> FindFirst(Date from, Date to);
  // Every such day in date order; `on_hit` returns false to stop the walk.
  void FindAll(Date from, Date to, const std::function<bool(const SearchHit&)>& on_hit);

  const EntryMatcher& Matcher() const { return matcher_; }

 private:
  // The day's hit, if any; unreadable entries are reported.
  std::optional<SearchHit> SearchDay(Date day);

  const DiarySession& session_;  // outlives the search (see the constructor)
  EntryMatcher matcher_;
};

}  // namespace inkwend
