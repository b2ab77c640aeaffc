// Layout and painting of text in the scripts that need shaping and right-to-left ordering,
// beside Qt's QTextDocument on the same text, fonts and width:
//   full layout of 1 MB of Arabic, Hebrew, Hindi and Thai paragraphs with emoji sequences and
//   Latin words among them,
//   re-wrap after one character typed in the middle of it,
//   painting one screen.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/qt_canvas.h"
#include "platform/qt_text_metrics.h"
#include "richtext/layout/layout.h"

namespace {

using namespace inkwend;

constexpr int kWidth = 700;
constexpr int kPixelSize = 16;  // 12 points at 96 ppi

void EnsureApp() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_scripts";
  static char* argv[] = {name, nullptr};
  // Never destroyed: destroyed among the statics at exit, the application outlives parts of Qt
  // its destructor needs and crashes the program after the last benchmark.
  new QGuiApplication(argc, argv);
}

// Words of each script; a paragraph is written in one of them with an emoji or a Latin word
// now and then, as a diary in any of these languages is.
const std::vector<std::vector<std::u32string>>& Scripts() {
  static const std::vector<std::vector<std::u32string>> kScripts = {
      {U"\u0627\u0644\u064A\u0648\u0645", U"\u0630\u0647\u0628\u062A", U"\u0625\u0644\u0649",
       U"\u0627\u0644\u0633\u0648\u0642", U"\u0645\u0639", U"\u0635\u062F\u064A\u0642\u064A",
       U"\u0648\u0643\u0627\u0646", U"\u0627\u0644\u062C\u0648", U"\u062C\u0645\u064A\u0644\u0627\u064B",
       U"\u0643\u062A\u0628\u062A", U"\u0631\u0633\u0627\u0644\u0629"},
      {U"\u05D4\u05D9\u05D5\u05DD", U"\u05D4\u05DC\u05DB\u05EA\u05D9", U"\u05DC\u05E9\u05D5\u05E7",
       U"\u05E2\u05DD", U"\u05D7\u05D1\u05E8", U"\u05D5\u05D4\u05D9\u05D4", U"\u05D9\u05E4\u05D4",
       U"\u05DB\u05EA\u05D1\u05EA\u05D9", U"\u05DE\u05DB\u05EA\u05D1", U"\u05D1\u05D1\u05D5\u05E7\u05E8"},
      {U"\u0906\u091C", U"\u092E\u0948\u0902", U"\u092C\u093E\u091C\u093C\u093E\u0930", U"\u0917\u092F\u093E",
       U"\u0926\u094B\u0938\u094D\u0924", U"\u0915\u0947", U"\u0938\u093E\u0925", U"\u092E\u094C\u0938\u092E",
       U"\u0905\u091A\u094D\u091B\u093E", U"\u0925\u093E",
       U"\u0915\u094D\u0937\u0924\u094D\u0930\u093F\u092F"},
      {U"\u0E27\u0E31\u0E19\u0E19\u0E35\u0E49", U"\u0E09\u0E31\u0E19\u0E44\u0E1B",
       U"\u0E15\u0E25\u0E32\u0E14", U"\u0E01\u0E31\u0E1A\u0E40\u0E1E\u0E37\u0E48\u0E2D\u0E19",
       U"\u0E2D\u0E32\u0E01\u0E32\u0E28\u0E14\u0E35", U"\u0E19\u0E49\u0E33",
       U"\u0E40\u0E02\u0E35\u0E22\u0E19\u0E08\u0E14\u0E2B\u0E21\u0E32\u0E22"},
  };
  return kScripts;
}

const std::vector<std::u32string> kExtras = {U"\U0001F44D\U0001F3FD",
                                             U"\u2764\uFE0F",
                                             U"\U0001F468\u200D\U0001F469\u200D\U0001F467",
                                             U"\U0001F1EB\U0001F1F7",
                                             U"\U0001F600",
                                             U"diary",
                                             U"Paris",
                                             U"2024"};

// About 1 MB of characters in paragraphs of 60 to 140 words.
const std::vector<std::u32string>& Corpus() {
  static const std::vector<std::u32string> kCorpus = [] {
    std::mt19937 rng(11);
    std::vector<std::u32string> out;
    size_t chars = 0;
    while (chars < 1000000) {
      const auto& words = Scripts()[rng() % Scripts().size()];
      const int n = 60 + static_cast<int>(rng() % 81);
      std::u32string par;
      for (int i = 0; i < n; ++i) {
        par += rng() % 10 == 0 ? kExtras[rng() % kExtras.size()] : words[rng() % words.size()];
        par += U' ';
      }
      chars += par.size();
      out.push_back(std::move(par));
    }
    return out;
  }();
  return kCorpus;
}

size_t CorpusChars() {
  size_t n = 0;
  for (const auto& par : Corpus()) n += par.size();
  return n;
}

struct LaidOutDocument {
  WPRTFText doc;
  TextLayout layout{doc};
};

std::unique_ptr<LaidOutDocument> BuildDocument() {
  auto doc = std::make_unique<LaidOutDocument>();
  doc->layout.SetDevice(&SharedTextMetrics(), 96, 96);
  doc->layout.SetWordWrap(true);
  doc->layout.SetWindowWidth(kWidth);
  CharAttr a = doc->doc.defaultAttr;
  a.fontIndex = static_cast<uint8_t>(doc->doc.header.FontIndexOf(U"Arial"));
  a.pointSize = 12;
  Paragraph* p = doc->doc.FirstParagraph();
  for (const std::u32string& par : Corpus()) {
    if (p->CharCount() > 0) p = doc->doc.NewParagraph(p);
    doc->doc.AppendText(p, par, a);
  }
  doc->layout.Reformat();
  return doc;
}

std::unique_ptr<QTextDocument> BuildQtDocument() {
  auto doc = std::make_unique<QTextDocument>();
  doc->setUndoRedoEnabled(false);
  doc->setDocumentMargin(0);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(kPixelSize);
  doc->setDefaultFont(font);
  QTextCursor cursor(doc.get());
  bool first = true;
  for (const std::u32string& par : Corpus()) {
    if (!first) cursor.insertBlock();
    first = false;
    cursor.insertText(QString::fromStdU32String(par));
  }
  doc->setTextWidth(kWidth);
  return doc;
}

void BM_ScriptsFullLayout_Inkwend(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildDocument();
  for (auto _ : state) {
    doc->layout.ReformatAll();
    benchmark::DoNotOptimize(doc->layout.DocumentHeight());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * CorpusChars()));
  state.counters["lines"] = doc->layout.TotalLines();
}
BENCHMARK(BM_ScriptsFullLayout_Inkwend)->Unit(benchmark::kMillisecond);

void BM_ScriptsFullLayout_QTextDocument(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildQtDocument();
  benchmark::DoNotOptimize(doc->size());
  for (auto _ : state) {
    doc->markContentsDirty(0, doc->characterCount());
    benchmark::DoNotOptimize(doc->size());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * CorpusChars()));
  state.counters["lines"] =
      doc->documentLayout()->documentSize().height() / QFontMetricsF(doc->defaultFont()).lineSpacing();
}
BENCHMARK(BM_ScriptsFullLayout_QTextDocument)->Unit(benchmark::kMillisecond);

void BM_ScriptsRewrapAfterTyping_Inkwend(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildDocument();
  Paragraph* p = doc->doc.ParagraphAt(doc->doc.ParagraphCount() / 2);
  const CharAttr a = *doc->doc.AttribPtr(p, 0, 10);
  const char32_t typed = U'\u0628';
  bool insert = true;
  for (auto _ : state) {
    if (insert)
      doc->doc.ReplaceRange(p, 0, 10, 0, &typed, 1, &a);
    else
      doc->doc.ReplaceRange(p, 0, 10, 1, nullptr, 0, nullptr);
    insert = !insert;
    doc->layout.Reformat();
  }
}
BENCHMARK(BM_ScriptsRewrapAfterTyping_Inkwend)->Unit(benchmark::kMicrosecond);

void BM_ScriptsRewrapAfterTyping_QTextDocument(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildQtDocument();
  benchmark::DoNotOptimize(doc->size());
  QTextCursor cursor(doc->findBlockByNumber(doc->blockCount() / 2));
  cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10);
  bool insert = true;
  for (auto _ : state) {
    if (insert)
      cursor.insertText(QStringLiteral("\u0628"));
    else
      cursor.deletePreviousChar();
    insert = !insert;
    benchmark::DoNotOptimize(doc->size());
  }
}
BENCHMARK(BM_ScriptsRewrapAfterTyping_QTextDocument)->Unit(benchmark::kMicrosecond);

void BM_ScriptsPaintScreen_Inkwend(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildDocument();
  QImage image(kWidth, 900, QImage::Format_RGB32);
  const int scroll_y = doc->layout.DocumentHeight() / 2;
  for (auto _ : state) {
    QPainter painter(&image);
    QtCanvas canvas(painter, SharedTextMetrics());
    PaintContext context(canvas, {0, 0, kWidth, 900});
    context.scrollY = scroll_y;
    doc->layout.Paint(context);
  }
}
BENCHMARK(BM_ScriptsPaintScreen_Inkwend)->Unit(benchmark::kMillisecond);

void BM_ScriptsPaintScreen_QTextDocument(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildQtDocument();
  const double top = doc->size().height() / 2;
  QImage image(kWidth, 900, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    painter.translate(0, -top);
    doc->drawContents(&painter, QRectF(0, top, kWidth, 900));
  }
}
BENCHMARK(BM_ScriptsPaintScreen_QTextDocument)->Unit(benchmark::kMillisecond);

}  // namespace
