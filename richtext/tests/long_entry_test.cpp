// Entries through the diary session and the RTF reader and writer: whatever the writer writes
// reads back whole, however long; an entry file cut short opens as damaged, never silently.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/file_system.h"
#include "base/tests/temp_dir.h"
#include "richtext/model/stream.h"
#include "richtext/rtf/loader.h"
#include "richtext/rtf/writer.h"
#include "store/diary_session.h"

namespace inkwend {
namespace {

constexpr Date kDay{std::chrono::year(2024), std::chrono::month(9), std::chrono::day(1)};

// The day's entry read into `doc` as the editor reads it; the session's verdict.
Status LoadInto(DiarySession& session, WPRTFText& doc) {
  session.FindEntry();
  return session.Load([&doc](std::string rtf) {
    MemoryStream in(std::move(rtf));
    Status status;
    LoadOptions options;
    options.status = &status;
    LoadFromStream(doc, in, options);
    return status;
  });
}

Status SaveFrom(DiarySession& session, const WPRTFText& doc) {
  return session.Save(
      [&doc]() -> Result<std::string> {
        MemoryStream out;
        if (WriteDocument(doc, out, WPLoadFormat::FormatRTF) != kResultOk)
          return Status::Error("not written");
        return out.TakeBytes();
      },
      false);
}

TEST(LongEntry, TwentyMebiCharactersSaveAndReopenWhole) {
  constexpr int64_t kChars = int64_t{20} << 20;
  constexpr int kParagraphChars = 8192;  // a few thousand paragraphs of text with accents
  std::u32string line;
  for (int i = 0; static_cast<int>(line.size()) < kParagraphChars; ++i) line += i % 7 == 0 ? U"é " : U"word ";
  line.resize(kParagraphChars);

  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  for (int64_t written = 0; written < kChars; written += kParagraphChars) {
    if (written > 0) p = doc.NewParagraph(p);
    doc.AppendText(p, line, doc.defaultAttr);
  }
  ASSERT_GE(doc.CharCount(), kChars);

  testing::TempDir dir;
  DiarySession session(dir.path(), RealFileSystem());
  ASSERT_TRUE(session.EnsureEntriesDirectory().IsOk());
  session.SetCurrentDate(kDay);
  session.FindEntry();
  ASSERT_TRUE(SaveFrom(session, doc).IsOk());

  WPRTFText read;
  const Status loaded = LoadInto(session, read);
  ASSERT_TRUE(loaded.IsOk()) << loaded.Message();
  EXPECT_FALSE(session.EntryDamaged());
  EXPECT_EQ(read.CharCount(), doc.CharCount());
  int paragraphs = 0;
  for (const Paragraph *a = doc.FirstParagraph(), *b = read.FirstParagraph(); a; a = a->next, b = b->next) {
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(std::ranges::equal(a->Text(), b->Text())) << "paragraph " << paragraphs;
    ++paragraphs;
  }
}

// An entry file cut short (a full disk, a copy broken off), plain or enciphered, opens with what
// could be read and says it is damaged.
TEST(CutShortEntry, OpensAsDamaged) {
  WPRTFText doc;
  Paragraph* p = doc.FirstParagraph();
  doc.AppendText(p, U"First paragraph of the day.", doc.defaultAttr);
  doc.AppendText(doc.NewParagraph(p), U"Second paragraph, cut short.", doc.defaultAttr);
  for (const char* password : {"", "Secret"}) {
    testing::TempDir dir;
    DiarySession session(dir.path(), RealFileSystem());
    ASSERT_TRUE(session.EnsureEntriesDirectory().IsOk());
    session.SetPassword(password);
    session.SetCurrentDate(kDay);
    ASSERT_TRUE(SaveFrom(session, doc).IsOk());
    const std::string whole = testing::ReadFile(session.EntryPath());
    // Enciphering keeps every byte in its place, so the cuts fall where they do in the RTF.
    MemoryStream rtf;
    ASSERT_EQ(WriteDocument(doc, rtf, WPLoadFormat::FormatRTF), kResultOk);
    ASSERT_EQ(rtf.Bytes().size(), whole.size());
    const size_t last_brace = rtf.Bytes().rfind('}');
    for (const size_t kept : {whole.size() / 2, last_brace - 1, last_brace}) {
      SCOPED_TRACE(std::string(password) + ", " + std::to_string(kept) + " of " +
                   std::to_string(whole.size()));
      testing::WriteFile(session.EntryPath(), whole.substr(0, kept));
      WPRTFText read;
      EXPECT_EQ(LoadInto(session, read).Code(), StatusCode::Damaged);
      EXPECT_TRUE(session.EntryDamaged());
    }
  }
}

}  // namespace
}  // namespace inkwend
