#include "base/byte_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>

#include "base/byte_source.h"
#include "base/tests/temp_dir.h"

namespace inkwend {
namespace {

constexpr uint8_t kBytes[] = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE, 0xFD, 0x80};

TEST(ByteReader, RandomAccessStopsAtTheEnd) {
  const ByteReader r(kBytes, sizeof kBytes);
  EXPECT_EQ(r.U8At(7), 0x80);
  EXPECT_EQ(r.U16At(0), 0x0201);
  EXPECT_EQ(r.U32At(0), 0x04030201u);
  EXPECT_EQ(r.U32BigEndianAt(0), 0x01020304u);
  EXPECT_EQ(r.I16At(4), static_cast<int16_t>(0xFEFF));
  EXPECT_EQ(r.I32At(4), static_cast<int32_t>(0x80FDFEFFu));
  EXPECT_EQ(r.U64At(0), 0x80FDFEFF04030201ull);
  // A value reaching one byte past the end is not read at all.
  struct Case {
    uint64_t offset;
    uint64_t length;
    bool inside;
  } cases[] = {{0, 8, true},  {8, 0, true},  {7, 1, true},           {7, 2, false},
               {8, 1, false}, {9, 0, false}, {UINT64_MAX, 2, false}, {2, UINT64_MAX - 1, false},
               {4, 4, true},  {5, 4, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.offset << "+" << c.length);
    EXPECT_EQ(r.Holds(c.offset, c.length), c.inside);
  }
  EXPECT_EQ(r.U16At(7), 0);
  EXPECT_EQ(r.U32At(5), 0u);
  EXPECT_EQ(r.U64At(1), 0u);
  EXPECT_EQ(r.U8At(UINT64_MAX), 0);
  EXPECT_EQ(r.Slice(6, 3).Size(), 0u);
  EXPECT_EQ(r.Slice(6, 2).U16At(0), 0x80FD);
  EXPECT_EQ(ByteReader().U32At(0), 0u);
}

TEST(ByteReader, CursorNeverMovesPastTheEnd) {
  ByteReader r(kBytes, sizeof kBytes);
  EXPECT_EQ(r.ReadU16(), 0x0201);
  EXPECT_EQ(r.ReadU8(), 0x03);
  EXPECT_EQ(r.ReadI32(), static_cast<int32_t>(0xFDFEFF04u));
  EXPECT_EQ(r.Offset(), 7u);
  // A value cut off by the end is refused and the cursor stays.
  EXPECT_FALSE(r.ReadU16());
  EXPECT_FALSE(r.ReadBytes(2));
  EXPECT_FALSE(r.Skip(2));
  EXPECT_EQ(r.Offset(), 7u);
  EXPECT_EQ(r.ReadBytes(1), std::string_view("\x80", 1));
  EXPECT_TRUE(r.AtEnd());
  EXPECT_FALSE(r.ReadU8());
  EXPECT_FALSE(r.Seek(9));
  EXPECT_TRUE(r.Seek(8));
  EXPECT_TRUE(r.Seek(4));
  EXPECT_EQ(r.ReadU32(), 0x80FDFEFFu);
  EXPECT_TRUE(r.Seek(0));
  EXPECT_FALSE(r.Skip(UINT64_MAX));
  EXPECT_EQ(r.Remaining(), 8u);
}

TEST(ByteSource, ReadsOnlyWhatLiesInside) {
  testing::TempDir dir;
  testing::WriteFile(dir / "f", "0123456789");
  Result<std::unique_ptr<ByteSource>> file = OpenFileSource(dir / "f");
  ASSERT_TRUE(file.IsOk()) << file.GetStatus().Message();
  const std::string text = "0123456789";
  const std::unique_ptr<ByteSource> sources[] = {
      file.TakeValue(), MemorySource(text), MemoryView(text),
      MemorySource(std::vector<uint8_t>(text.begin(), text.end()))};
  for (const auto& source : sources) {
    ASSERT_EQ(source->Size(), 10u);
    char piece[4] = {};
    EXPECT_TRUE(source->ReadAt(6, 4, piece));
    EXPECT_EQ(std::string_view(piece, 4), "6789");
    EXPECT_FALSE(source->ReadAt(7, 4, piece));
    EXPECT_FALSE(source->ReadAt(UINT64_MAX, 1, piece));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(source->ReadVector(10, 0, &bytes));
    EXPECT_FALSE(source->ReadVector(9, 2, &bytes));
  }
}

TEST(ByteSource, OpeningRefusesWhatIsNoPlainFile) {
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  Result<std::unique_ptr<ByteSource>> pipe = Status::Ok();
  // Opening a pipe for reading would wait for a writer.
  EXPECT_TRUE(testing::FinishesPromptly([&] { pipe = OpenFileSource(dir / "pipe"); }, dir / "pipe"));
  ASSERT_FALSE(pipe.IsOk());
  EXPECT_EQ(pipe.GetStatus().Message(),
            "Cannot read \"" + (dir / "pipe") + "\": it is a named pipe, not a file");
  EXPECT_FALSE(OpenFileSource(dir.path()).IsOk());
  const Result<std::unique_ptr<ByteSource>> missing = OpenFileSource(dir / "missing");
  EXPECT_EQ(missing.GetStatus().Code(), StatusCode::NotFound);
  EXPECT_EQ(missing.GetStatus().Message(),
            "Cannot open \"" + (dir / "missing") + "\": No such file or directory");
}

}  // namespace
}  // namespace inkwend
