#pragma once
// Recovery copies: the unsaved text of a day, kept beside its entry so that a crash or a power
// cut loses no more than the last few seconds of typing. A copy is stored exactly as the entry
// would be (enciphered with the diary's password when there is one, so no plaintext of a
// protected diary reaches the disk) and replaced atomically. Its name, "YYYYMMDD.KWE.recover"
// in Entries/, is taken by nothing that lists entries (they end in ".KWE"), and it cannot meet
// the store's temporary files ("<name>.tmp-XXXXXX") or the copies of damaged entries
// ("<name>.damaged"). The entry file itself is never touched: a copy is only offered back.
//
//   RecoveryFiles copies(store, fs);
//   copies.Write(day, rtf, password);       // while the text is unsaved
//   for (Date d : copies.Days()) Offer(d);  // at the next start
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "base/status.h"
#include "store/entry_store.h"

namespace inkwend {

class RecoveryFiles {
 public:
  static constexpr char kSuffix[] = ".KWE.recover";

  // `store` and `fs` outlive this object.
  RecoveryFiles(const EntryStore& store, FileSystem& fs) : store_(&store), fs_(&fs) {}

  // Entries/YYYYMMDD.KWE.recover
  std::string Path(Date day) const;
  // Replaces the day's copy with `rtf`, enciphered when `password` is not empty.
  Status Write(Date day, std::string_view rtf, std::string_view password) const;
  // The copy's RTF, deciphered with `password`; Refused when the bytes do not read as RTF (a
  // copy enciphered with another password, or not ours).
  Result<std::string> Read(Date day, std::string_view password) const;
  // A day without a copy is no error.
  Status Remove(Date day) const;
  // The days that have a copy (a plain file), earliest first. Names that are no key of a day
  // in the years 1 to 9999 are passed by.
  std::vector<Date> Days() const;

 private:
  const EntryStore* store_;  // not owned (see the constructor)
  FileSystem* fs_;           // not owned
};

// The store's test for bytes an editor could show: RTF after optional white space.
bool LooksLikeRtf(std::string_view bytes);

}  // namespace inkwend
