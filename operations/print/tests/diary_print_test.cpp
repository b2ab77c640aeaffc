// The print walk on a recording printer with fixed metrics (96 pixels per inch, a 10-point line
// 18 pixels high), over a diary of fixtures, plain and enciphered.
#include "operations/print/diary_print.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/tests/temp_dir.h"
#include "richtext/layout/tests/test_devices.h"
#include "store/cipher.h"

namespace inkwend {
namespace {

using namespace std::chrono;
using testing::FixedMetrics;
using testing::Op;
using testing::RecordingCanvas;
using testing::TempDir;
using testing::WriteFile;

constexpr Date kJan1{year(2023), month(1), day(1)};
constexpr Date kJan2{year(2023), month(1), day(2)};
constexpr Date kJan3{year(2023), month(1), day(3)};
constexpr Date kJan4{year(2023), month(1), day(4)};
constexpr Date kJan31{year(2023), month(1), day(31)};

std::string Rtf(const std::string& body) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs20 " + body + "}";
}
std::string Lines(int count, const std::string& word) {
  std::string body;
  for (int i = 1; i <= count; ++i) body += (i > 1 ? "\\par " : "") + word + std::to_string(i);
  return body;
}

// A Letter sheet at 96 pixels per inch, printable to its edges. One canvas records everything;
// where each page starts in its drawing is kept.
class RecordingPrinter : public WPPrintDevice {
 public:
  bool BeginJob() override {
    events.push_back("begin");
    pageStarts_.push_back(canvas_.ops.size());
    return true;
  }
  bool NewPage() override {
    events.push_back("page");
    pageStarts_.push_back(canvas_.ops.size());
    return !failNewPage;
  }
  bool EndJob() override {
    events.push_back("end");
    return true;
  }
  void AbortJob() override { events.push_back("abort"); }
  inkwend::Canvas& Canvas() override { return canvas_; }
  TextMetrics& Metrics() override { return metrics_; }
  int XPixelsPerInch() const override { return 96; }
  int YPixelsPerInch() const override { return 96; }
  int OffsetX() const override { return 0; }
  int OffsetY() const override { return 0; }
  int PrintableWidth() const override { return 816; }
  int PrintableHeight() const override { return 1056; }

  size_t Pages() const { return pageStarts_.size(); }
  // What was drawn on a page, of one kind, in drawing order.
  std::vector<Op> Of(size_t page, const std::string& kind) const {
    const size_t end = page + 1 < pageStarts_.size() ? pageStarts_[page + 1] : canvas_.ops.size();
    std::vector<Op> out;
    for (size_t i = pageStarts_[page]; i < end; ++i) {
      if (canvas_.ops[i].kind == kind) out.push_back(canvas_.ops[i]);
    }
    return out;
  }
  // The texts drawn on a page with their baselines.
  std::vector<std::pair<std::u32string, int>> Texts(size_t page) const {
    std::vector<std::pair<std::u32string, int>> out;
    for (const Op& op : Of(page, "text")) out.emplace_back(op.text, op.y);
    return out;
  }
  // The baseline of the first text that starts with `prefix` on a page, or -1.
  int BaselineOf(size_t page, const std::u32string& prefix) const {
    for (const auto& [text, y] : Texts(page)) {
      if (text.starts_with(prefix)) return y;
    }
    return -1;
  }

  std::vector<std::string> events;
  bool failNewPage = false;

 private:
  FixedMetrics metrics_;
  RecordingCanvas canvas_;
  std::vector<size_t> pageStarts_;
};

class RecordingDestination : public PrintDestination {
 public:
  Result<WPPrintDevice*> OpenJob(std::optional<Date> day) override {
    jobs.push_back(day);
    printers.emplace_back(std::make_unique<RecordingPrinter>());
    return static_cast<WPPrintDevice*>(printers.back().get());
  }
  Status CloseJob(bool completed) override {
    closed.push_back(completed);
    return Status::Ok();
  }
  RecordingPrinter& Printer(size_t job) { return *printers[job]; }

  std::vector<std::optional<Date>> jobs;
  std::vector<bool> closed;
  std::vector<std::unique_ptr<RecordingPrinter>> printers;
};

class DiaryPrintTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    session_.SetPassword(GetParam());
    std::filesystem::create_directories(dir_ / "Entries");
  }
  void Write(Date day, const std::string& rtf) const {
    const std::string& password = GetParam();
    WriteFile(session_.Store().EntryPath(day), password.empty() ? rtf : EncryptBytes(rtf, password));
  }

  TempDir dir_;
  DiarySession session_{dir_.path(), RealFileSystem()};
  RecordingDestination destination_;
};

TEST_P(DiaryPrintTest, SeparateModePrintsEachEntryAsAJobUnderItsDateHeader) {
  Write(kJan1, Rtf("First day.\\par"));
  Write(kJan2, Rtf(""));  // empty: skipped, still counted
  Write(kJan3, Rtf(Lines(60, "Line ")));
  DiaryPrint print(session_, destination_);
  print.headerText = [](Date d) {
    return d == kJan1 ? U"Sunday, 1 January 2023" : U"Tuesday, 3 January 2023";
  };
  std::vector<Date> counted;
  print.onDay = [&](Date d) {
    counted.push_back(d);
    return true;
  };
  ASSERT_TRUE(print.Run(kJan1, kJan31, PrintMode::Separate).IsOk());

  EXPECT_EQ(counted, (std::vector<Date>{kJan1, kJan2, kJan3}));
  EXPECT_EQ(destination_.jobs, (std::vector<std::optional<Date>>{kJan1, kJan3}));
  EXPECT_EQ(destination_.closed, (std::vector<bool>{true, true}));
  const PrintSummary& s = print.Summary();
  EXPECT_EQ(s.printed, 2);
  EXPECT_EQ(s.empty, 1);
  EXPECT_EQ(s.entries, 3);

  // Margins of an inch, plus 0.3125 inch for the header and 0.25 for the footer: the text
  // starts 126 pixels down and ends 120 above the sheet's bottom.
  RecordingPrinter& first = destination_.Printer(0);
  ASSERT_EQ(first.Pages(), 1u);
  const std::vector<Op> texts = first.Of(0, "text");
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, U"Sunday, 1 January 2023");
  EXPECT_EQ(texts[0].font.name, U"Arial");
  EXPECT_TRUE(texts[0].font.bold && texts[0].font.italic);
  EXPECT_EQ(texts[0].font.pointSize, 12);
  EXPECT_EQ(texts[0].x, 96);
  EXPECT_EQ(texts[0].y, 63 + 17);  // top halfway down the band, baseline one ascent lower
  const std::vector<Op> lines = first.Of(0, "line");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].from, (Point{96, 126 - 31}));  // header rule
  EXPECT_EQ(lines[0].to, (Point{96 + 624, 126 - 31}));
  EXPECT_EQ(lines[1].from, (Point{96, 1056 - 120 + 24}));  // footer rule, a quarter inch below

  // The long entry takes two sheets, each under the header.
  RecordingPrinter& second = destination_.Printer(1);
  ASSERT_EQ(second.Pages(), 2u);
  EXPECT_EQ(second.Texts(1)[0].first, U"Tuesday, 3 January 2023");
  EXPECT_EQ(second.BaselineOf(0, U"Line 60"), -1);
  EXPECT_NE(second.BaselineOf(1, U"Line 60"), -1);
}

TEST_P(DiaryPrintTest, MergedModeSharesSheetsUnderHeadingsWithGapsBetweenEntries) {
  Write(kJan1, Rtf("Short one."));
  Write(kJan2, Rtf(Lines(70, "Long ")));  // longer than what is left of the sheet
  Write(kJan3, Rtf("Third."));
  DiaryPrint print(session_, destination_);
  ASSERT_TRUE(print.Run(kJan1, kJan31, PrintMode::Merged).IsOk());

  ASSERT_EQ(destination_.jobs, (std::vector<std::optional<Date>>{std::nullopt}));
  EXPECT_EQ(destination_.closed, (std::vector<bool>{true}));
  RecordingPrinter& p = destination_.Printer(0);
  EXPECT_EQ(p.events, (std::vector<std::string>{"begin", "page", "end"}));
  EXPECT_EQ(print.Summary().sheets, 2);

  // Headings in Arial 10 bold italic, underlined by the painter; entries in date order.
  const std::vector<Op> texts = p.Of(0, "text");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0].text, U"Sunday, January 1, 2023");
  EXPECT_EQ(texts[0].font.name, U"Arial");
  EXPECT_TRUE(texts[0].font.bold && texts[0].font.italic);
  EXPECT_EQ(texts[0].font.pointSize, 10);
  EXPECT_EQ(texts[0].x, 96 + 1);   // lines start a pixel inside the margin
  EXPECT_EQ(texts[0].y, 96 + 14);  // the first line at the top margin

  // The second entry starts a quarter to half an inch below the end of the first one: its
  // heading's top (baseline minus ascent) lies 24 to 48 pixels below the first entry's bottom.
  const int short_bottom = p.BaselineOf(0, U"Short one.") - 14 + 18;
  const int heading_top = p.BaselineOf(0, U"Monday, January 2, 2023") - 14;
  EXPECT_GE(heading_top - short_bottom, 24);
  EXPECT_LE(heading_top - short_bottom, 48);
  // It continues at the top of the next sheet, where the third follows it.
  EXPECT_NE(p.BaselineOf(0, U"Long 1"), -1);
  EXPECT_EQ(p.BaselineOf(0, U"Long 70"), -1);
  EXPECT_EQ(p.Texts(1)[0].second, 96 + 14);
  const int long_bottom = p.BaselineOf(1, U"Long 70") - 14 + 18;
  const int third_top = p.BaselineOf(1, U"Tuesday, January 3, 2023") - 14;
  EXPECT_GE(third_top - long_bottom, 24);
  EXPECT_LE(third_top - long_bottom, 48);
  // Every line once, in order.
  std::vector<std::u32string> all;
  for (size_t page = 0; page < p.Pages(); ++page)
    for (const auto& [text, y] : p.Texts(page)) all.push_back(text);
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const auto& t) { return t.starts_with(U"Long "); }), 70);
}

TEST_P(DiaryPrintTest, AnEntryWithoutRoomBelowThePreviousOneStartsTheNextSheetWithItsHeading) {
  // The heading and 43 lines end 801 pixels below the top margin: after the gap, too little of
  // the 864-pixel text area is left for the next heading, which must not be cut off from its text.
  Write(kJan1, Rtf(Lines(43, "Fill ")));
  Write(kJan2, Rtf("Next sheet.\\par"));
  DiaryPrint print(session_, destination_);
  ASSERT_TRUE(print.Run(kJan1, kJan31, PrintMode::Merged).IsOk());
  RecordingPrinter& p = destination_.Printer(0);
  ASSERT_EQ(p.Pages(), 2u);
  EXPECT_NE(p.BaselineOf(0, U"Fill 43"), -1);
  EXPECT_EQ(p.BaselineOf(1, U"Monday, January 2, 2023"), 96 + 14);
}

TEST_P(DiaryPrintTest, UnreadableEntriesAreReportedAndTheWalkGoesOn) {
  Write(kJan1, Rtf("Before.\\par"));
  WriteFile(session_.Store().EntryPath(kJan2), "this is no entry at all");
  Write(kJan3, Rtf("After.\\par"));
  for (const PrintMode mode : {PrintMode::Separate, PrintMode::Merged}) {
    RecordingDestination destination;
    DiaryPrint print(session_, destination);
    std::vector<Date> reported;
    print.onUnreadable = [&](Date d, const Status& why) {
      reported.push_back(d);
      EXPECT_FALSE(why.Message().empty());
    };
    ASSERT_TRUE(print.Run(kJan1, kJan31, mode).IsOk());
    EXPECT_EQ(reported, (std::vector<Date>{kJan2}));
    EXPECT_EQ(print.Summary().printed, 2);
    ASSERT_EQ(print.Summary().unreadable.size(), 1u);
    EXPECT_EQ(print.Summary().unreadable[0].day, kJan2);
  }
}

TEST_P(DiaryPrintTest, CancelStopsAfterTheDayAndAbortsTheMergedJob) {
  for (int i = 1; i <= 4; ++i)
    Write(Date{year(2023), month(1), day(static_cast<unsigned>(i))}, Rtf("Entry.\\par"));
  for (const PrintMode mode : {PrintMode::Separate, PrintMode::Merged}) {
    RecordingDestination destination;
    DiaryPrint print(session_, destination);
    print.onDay = [](Date d) { return d != kJan2; };
    const Status done = print.Run(kJan1, kJan31, mode);
    EXPECT_EQ(done.Code(), StatusCode::Cancelled);
    EXPECT_TRUE(print.Summary().cancelled);
    EXPECT_EQ(print.Summary().entries, 2);
    if (mode == PrintMode::Separate) {
      EXPECT_EQ(destination.jobs, (std::vector<std::optional<Date>>{kJan1, kJan2}));
    } else {
      EXPECT_EQ(destination.closed, (std::vector<bool>{false}));
      EXPECT_EQ(destination.Printer(0).events.back(), "abort");
    }
  }
}

TEST_P(DiaryPrintTest, ARangeWithoutEntriesSendsNoJob) {
  Write(kJan4, Rtf(""));
  for (const PrintMode mode : {PrintMode::Separate, PrintMode::Merged}) {
    RecordingDestination destination;
    DiaryPrint print(session_, destination);
    EXPECT_TRUE(print.Run(kJan1, kJan31, mode).IsOk());
    EXPECT_EQ(print.Summary().empty, 1);
    for (const auto& printer : destination.printers) EXPECT_TRUE(printer->events.empty());
    // A start after the end prints nothing either.
    EXPECT_TRUE(print.Run(kJan31, kJan1, mode).IsOk());
    EXPECT_EQ(print.Summary().entries, 0);
  }
}

TEST_P(DiaryPrintTest, APrinterThatFailsEndsTheWalkNamingTheDay) {
  Write(kJan1, Rtf(Lines(120, "Many ")));
  // The first sheet is taken, the second refused.
  struct Refusing : RecordingDestination {
    Result<WPPrintDevice*> OpenJob(std::optional<Date> day) override {
      Result<WPPrintDevice*> device = RecordingDestination::OpenJob(day);
      printers.back()->failNewPage = true;
      return device;
    }
  } refusing;
  DiaryPrint failing(session_, refusing);
  const Status done = failing.Run(kJan1, kJan31, PrintMode::Merged);
  EXPECT_FALSE(done.IsOk());
  EXPECT_NE(done.Code(), StatusCode::Cancelled);
  EXPECT_EQ(failing.Summary().failedDay, kJan1);
  EXPECT_EQ(refusing.closed, (std::vector<bool>{false}));
}

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, DiaryPrintTest, ::testing::Values("", "secret"));

}  // namespace
}  // namespace inkwend
