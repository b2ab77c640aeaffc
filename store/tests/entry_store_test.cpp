#include "store/entry_store.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "base/faulty_file_system.h"
#include "base/tests/temp_dir.h"
#include "store/cipher.h"

namespace inkwend {
namespace {

using namespace std::chrono;
using testing::FinishesPromptly;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr Date kToday{year(2026), month(12), day(10)};
const std::string kRtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 Dear diary\\par }";

TEST(DateKey, KeysAndStod) {
  EXPECT_EQ(DateKey(Date{year(2024), month(3), day(5)}), "20240305");
  EXPECT_EQ(DateKey(Date{year(999), month(1), day(1)}), "09990101");
  struct Case {
    const char* key;
    Date expected;
  } cases[] = {
      {"20240229", Date{year(2024), month(2), day(29)}},
      {"20240230", kToday},
      {"20231329", kToday},
      {"2024022", kToday},
      {"2024022x", kToday},
      {"NOTES", kToday},
      {"", kToday},
      {"00000000", kToday},
      {"00000312", kToday},  // a real month and day, but the year 0 no calendar shows
      {"20991231", Date{year(2099), month(12), day(31)}},
  };
  for (const Case& c : cases) EXPECT_EQ(STOD(c.key, kToday), c.expected) << c.key;
}

TEST(EntryStore, PlainEntryIsExactlyTheRtf) {
  TempDir dir;
  EntryStore store(dir.path() + "nested/program");
  const Date d{year(2024), month(3), day(5)};
  EXPECT_FALSE(store.HasEntry(d));
  ASSERT_TRUE(store.WriteEntry(d, kRtf, "").IsOk());  // creates Entries/ with missing parents
  EXPECT_EQ(store.EntryPath(d), dir.path() + "nested/program/Entries/20240305.KWE");
  EXPECT_EQ(ReadFile(store.EntryPath(d)), kRtf);
  std::string back;
  ASSERT_TRUE(store.ReadEntry(d, "", back).IsOk());
  EXPECT_EQ(back, kRtf);
}

TEST(EntryStore, EncipheredEntryHasSameLengthAndNoPlaintextOnDisk) {
  TempDir dir;
  EntryStore store(dir.path());
  const Date d{year(2024), month(3), day(5)};
  ASSERT_TRUE(store.WriteEntry(d, kRtf, "Secret").IsOk());
  const std::string on_disk = ReadFile(store.EntryPath(d));
  EXPECT_EQ(on_disk.size(), kRtf.size());
  EXPECT_EQ(on_disk, EncryptBytes(kRtf, "Secret"));
  std::string back;
  ASSERT_TRUE(store.ReadEntry(d, "SECRET", back).IsOk());  // the seed ignores letter case
  EXPECT_EQ(back, kRtf);
  // Nothing but the entry file was written anywhere below the program directory.
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
    if (e.is_regular_file()) {
      EXPECT_EQ(e.path().string(), store.EntryPath(d));
      EXPECT_EQ(ReadFile(e.path().string()).find("Dear diary"), std::string::npos);
    }
  }
}

TEST(EntryStore, RemoveAndMissingEntries) {
  TempDir dir;
  EntryStore store(dir.path());
  const Date d{year(2024), month(3), day(5)};
  std::string rtf;
  EXPECT_FALSE(store.ReadEntry(d, "", rtf).IsOk());
  EXPECT_TRUE(store.RemoveEntry(d).IsOk());
  ASSERT_TRUE(store.WriteEntry(d, kRtf, "").IsOk());
  ASSERT_TRUE(store.RemoveEntry(d).IsOk());
  EXPECT_FALSE(store.HasEntry(d));
}

// A save that fails (a full disk, midway or at once; a rename the system refuses), with or
// without a password, reports the entry's file and leaves the old text as it was.
TEST(EntryStore, FailedSaveKeepsTheOldEntry) {
  const std::string kNew = "{\\rtf1 " + std::string(10000, 'n') + "}";
  struct Case {
    const char* name;
    uint64_t room;  // bytes the disk takes; UINT64_MAX: the rename fails instead
    const char* password;
  } cases[] = {
      {"disk full", 0, ""}, {"disk full midway", 4096, "secret"}, {"rename refused", UINT64_MAX, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    FaultyFileSystem fs;
    EntryStore store(dir.path(), fs);
    const Date d{year(2024), month(3), day(5)};
    ASSERT_TRUE(store.WriteEntry(d, kRtf, c.password).IsOk());
    const std::string old_bytes = ReadFile(store.EntryPath(d));
    if (c.room == UINT64_MAX) {
      fs.FailRenames(store.EntriesDirectory());
    } else {
      fs.FailWrites(store.EntriesDirectory(), c.room);
    }
    const Status s = store.WriteEntry(d, kNew, c.password);
    EXPECT_FALSE(s.IsOk());
    EXPECT_NE(s.Message().find(store.EntryPath(d)), std::string::npos) << s.Message();
    EXPECT_GE(fs.FaultsInjected(), 1);
    EXPECT_EQ(ReadFile(store.EntryPath(d)), old_bytes);
    std::string rtf;
    ASSERT_TRUE(store.ReadEntry(d, c.password, rtf).IsOk());
    EXPECT_EQ(rtf, kRtf);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(store.EntriesDirectory()), {}), 1);
  }
}

TEST(EntryStore, FailedReadGivesNoText) {
  TempDir dir;
  FaultyFileSystem fs;
  EntryStore store(dir.path(), fs);
  const Date d{year(2024), month(3), day(5)};
  ASSERT_TRUE(store.WriteEntry(d, kRtf, "").IsOk());
  fs.FailReads(store.EntryPath(d));
  std::string rtf = "stale";
  const Status s = store.ReadEntry(d, "", rtf);
  EXPECT_FALSE(s.IsOk());
  EXPECT_NE(s.Message().find(store.EntryPath(d)), std::string::npos) << s.Message();
  EXPECT_TRUE(rtf.empty());
}

TEST(EntryStore, FirstAndLastDiaryRecord) {
  TempDir dir;
  EntryStore store(dir.path());
  EXPECT_EQ(store.FirstDiaryRecord(kToday), kToday);  // no Entries/ at all
  ASSERT_TRUE(store.EnsureEntriesDirectory().IsOk());
  EXPECT_EQ(store.LastDiaryRecord(kToday), kToday);

  WriteFile(store.EntriesDirectory() + "20991231.KWE", "x");
  EXPECT_EQ(store.FirstDiaryRecord(kToday), kToday);
  EXPECT_EQ(store.LastDiaryRecord(kToday), (Date{year(2099), month(12), day(31)}));

  // Names that are not keys change nothing; a directory counts like a file; case is ignored.
  WriteFile(store.EntriesDirectory() + "notes.KWE", "x");
  WriteFile(store.EntriesDirectory() + "20240230.KWE", "x");
  WriteFile(store.EntriesDirectory() + "19990101.txt", "x");
  std::filesystem::create_directory(store.EntriesDirectory() + "20010203.kwe");
  EXPECT_EQ(store.FirstDiaryRecord(kToday), (Date{year(2001), month(2), day(3)}));
  EXPECT_EQ(store.LastDiaryRecord(kToday), (Date{year(2099), month(12), day(31)}));
  EXPECT_TRUE(store.OutOfRangeEntryNames().empty());

  // A key of the year 0 is passed by, and named for the window to tell once.
  WriteFile(store.EntriesDirectory() + "00000312.KWE", "x");
  WriteFile(store.EntriesDirectory() + "00001399.KWE", "x");  // no date at all: no key either
  EXPECT_EQ(store.FirstDiaryRecord(kToday), (Date{year(2001), month(2), day(3)}));
  EXPECT_EQ(store.OutOfRangeEntryNames(), std::vector<std::string>{"00000312.KWE"});
}

TEST(EntryStore, EntryDaysOfMonth) {
  TempDir dir;
  EntryStore store(dir.path());
  for (int dd : {1, 7, 21, 29})
    ASSERT_TRUE(
        store.WriteEntry(Date{year(2024), month(2), day(static_cast<unsigned>(dd))}, kRtf, "").IsOk());
  WriteFile(store.EntriesDirectory() + "20240230.KWE", "x");  // no such day
  EXPECT_EQ(store.EntryDays(2024, 2), (std::vector<int>{1, 7, 21, 29}));
  EXPECT_TRUE(store.EntryDays(2024, 3).empty());
  EXPECT_TRUE(store.EntryDays(2024, 13).empty());
}

// Binds a listening-less unix socket at `path`; the descriptor is closed, the name stays.
bool MakeSocket(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return bound;
}

TEST(EntryStore, NamesThatAreNoPlainFileAreNoEntries) {
  const Date d{year(2024), month(3), day(5)};
  const Date next{year(2024), month(3), day(6)};
  struct Case {
    const char* kind;  // as the message names it
    std::function<bool(const std::string& entry, const std::string& spare)> make;
    bool savable;  // a save of new text can take the name over
  } cases[] = {
      {"named pipe", [](const std::string& e, const std::string&) { return ::mkfifo(e.c_str(), 0600) == 0; },
       true},
      {"named pipe",  // a link to a pipe elsewhere
       [](const std::string& e, const std::string& spare) {
         return ::mkfifo(spare.c_str(), 0600) == 0 && ::symlink(spare.c_str(), e.c_str()) == 0;
       },
       true},
      {"device",
       [](const std::string& e, const std::string&) { return ::symlink("/dev/null", e.c_str()) == 0; }, true},
      {"socket", [](const std::string& e, const std::string&) { return MakeSocket(e); }, true},
      {"folder", [](const std::string& e, const std::string&) { return ::mkdir(e.c_str(), 0700) == 0; },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    TempDir dir;
    EntryStore store(dir.path());
    ASSERT_TRUE(store.WriteEntry(next, kRtf, "").IsOk());
    const std::string entry = store.EntryPath(d);
    ASSERT_TRUE(c.make(entry, dir / "spare")) << std::strerror(errno);

    EXPECT_FALSE(store.HasEntry(d));
    EXPECT_EQ(store.EntryDays(2024, 3), std::vector<int>{6});
    std::string rtf = "stale";
    Status read = Status::Ok();
    // A pipe at the far end of a link is freed through the link as well.
    EXPECT_TRUE(FinishesPromptly([&] { read = store.ReadEntry(d, "Secret", rtf); }, entry));
    EXPECT_FALSE(read.IsOk());
    EXPECT_NE(read.Message().find(c.kind), std::string::npos) << read.Message();
    EXPECT_NE(read.Message().find(entry), std::string::npos) << read.Message();
    EXPECT_TRUE(rtf.empty());

    const Status saved = store.WriteEntry(d, kRtf, "");
    EXPECT_EQ(saved.IsOk(), c.savable) << saved.Message();
    if (saved.IsOk()) {
      EXPECT_TRUE(store.HasEntry(d));
      ASSERT_TRUE(store.ReadEntry(d, "", rtf).IsOk());
      EXPECT_EQ(rtf, kRtf);
      EXPECT_EQ(store.EntryDays(2024, 3), (std::vector<int>{5, 6}));
    }
  }
}

}  // namespace
}  // namespace inkwend
