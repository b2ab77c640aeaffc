// Layout and painting of the rich-text engine with real fonts, beside Qt's QTextDocument laying
// out the same text with the same fonts and width:
//   full layout of a 1 MB document (about 150000 words in mixed fonts and sizes) at 96 ppi,
//   re-wrap after one character typed in the middle of it,
//   painting one screen (about 50 lines).
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
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

void EnsureApp() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_layout";
  static char* argv[] = {name, nullptr};
  // Never destroyed: destroyed among the statics at exit, the application outlived parts of Qt
  // its destructor needs and crashed the program after the last benchmark.
  new QGuiApplication(argc, argv);
}

struct Run {
  std::u32string text;
  int font;  // 0 Arial, 1 Times New Roman, 2 Courier New
  int size;
  bool bold;
};
using ParagraphRuns = std::vector<Run>;

const char32_t* const kFonts[] = {U"Arial", U"Times New Roman", U"Courier New"};

// About 150000 words, 1 MB of text: paragraphs of 60 to 140 words, runs of 1 to 12 words.
const std::vector<ParagraphRuns>& Corpus() {
  static const std::vector<ParagraphRuns> kCorpus = [] {
    std::mt19937 rng(7);
    const std::vector<std::u32string> words = {
        U"the",    U"diary",        U"morning",    U"walked",     U"river",      U"quietly",
        U"garden", U"letters",      U"afterwards", U"we",         U"remembered", U"a",
        U"long",   U"conversation", U"about",      U"everything", U"rain"};
    std::vector<ParagraphRuns> out;
    size_t chars = 0;
    int total_words = 0;
    while (chars < 1000000) {
      ParagraphRuns par;
      const int n = 60 + static_cast<int>(rng() % 81);
      int done = 0;
      while (done < n) {
        Run run;
        run.font = static_cast<int>(rng() % 3);
        run.size = 10 + 2 * static_cast<int>(rng() % 3);
        run.bold = rng() % 5 == 0;
        const int k = std::min(n - done, 1 + static_cast<int>(rng() % 12));
        for (int i = 0; i < k; ++i) {
          run.text += words[rng() % words.size()];
          run.text += U' ';
        }
        done += k;
        chars += run.text.size();
        par.push_back(std::move(run));
      }
      total_words += n;
      out.push_back(std::move(par));
    }
    (void)total_words;
    return out;
  }();
  return kCorpus;
}

// A document with its layout.
struct LaidOutDocument {
  WPRTFText doc;
  TextLayout layout{doc};
};

std::unique_ptr<LaidOutDocument> BuildDocument() {
  auto doc = std::make_unique<LaidOutDocument>();
  doc->layout.SetDevice(&SharedTextMetrics(), 96, 96);
  doc->layout.SetWordWrap(true);
  doc->layout.SetWindowWidth(kWidth);
  int font_index[3];
  for (int f = 0; f < 3; ++f) font_index[f] = doc->doc.header.FontIndexOf(kFonts[f]);
  Paragraph* p = doc->doc.FirstParagraph();
  bool first = true;
  for (const ParagraphRuns& par : Corpus()) {
    if (!first) p = doc->doc.NewParagraph(p);
    first = false;
    for (const Run& run : par) {
      CharAttr a = doc->doc.defaultAttr;
      a.fontIndex = static_cast<uint8_t>(font_index[run.font]);
      a.pointSize = static_cast<uint8_t>(run.size);
      a.styleBits = run.bold ? kStyleBold : 0;
      doc->doc.AppendText(p, run.text, a);
    }
  }
  doc->layout.Reformat();
  return doc;
}

std::unique_ptr<QTextDocument> BuildQtDocument() {
  auto doc = std::make_unique<QTextDocument>();
  doc->setUndoRedoEnabled(false);
  doc->setDocumentMargin(0);
  QTextCursor cursor(doc.get());
  bool first = true;
  for (const ParagraphRuns& par : Corpus()) {
    if (!first) cursor.insertBlock();
    first = false;
    for (const Run& run : par) {
      QTextCharFormat format;
      QFont font(QString::fromStdU32String(kFonts[run.font]));
      font.setPixelSize((run.size * 96 + 36) / 72);
      font.setBold(run.bold);
      format.setFont(font);
      cursor.insertText(QString::fromStdU32String(run.text), format);
    }
  }
  doc->setTextWidth(kWidth);
  return doc;
}

size_t CorpusBytes() {
  size_t n = 0;
  for (const auto& par : Corpus()) {
    for (const auto& run : par) n += run.text.size();
  }
  return n;
}

void BM_FullLayout_Inkwend(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildDocument();
  for (auto _ : state) {
    doc->layout.ReformatAll();
    benchmark::DoNotOptimize(doc->layout.DocumentHeight());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * CorpusBytes()));
  state.counters["lines"] = doc->layout.TotalLines();
}
BENCHMARK(BM_FullLayout_Inkwend)->Unit(benchmark::kMillisecond);

void BM_FullLayout_QTextDocument(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildQtDocument();
  benchmark::DoNotOptimize(doc->size());
  for (auto _ : state) {
    doc->markContentsDirty(0, doc->characterCount());
    benchmark::DoNotOptimize(doc->size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * CorpusBytes()));
  state.counters["height_px"] = doc->documentLayout()->documentSize().height();
}
BENCHMARK(BM_FullLayout_QTextDocument)->Unit(benchmark::kMillisecond);

void BM_RewrapAfterTyping_Inkwend(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildDocument();
  Paragraph* p = doc->doc.ParagraphAt(doc->doc.ParagraphCount() / 2);
  const CharAttr a = *doc->doc.AttribPtr(p, 0, 10);
  const char32_t typed = U'x';
  bool insert = true;
  for (auto _ : state) {
    // Typing and deleting a character in turn keeps the document the same size.
    if (insert)
      doc->doc.ReplaceRange(p, 0, 10, 0, &typed, 1, &a);
    else
      doc->doc.ReplaceRange(p, 0, 10, 1, nullptr, 0, nullptr);
    insert = !insert;
    doc->layout.Reformat();
  }
}
BENCHMARK(BM_RewrapAfterTyping_Inkwend)->Unit(benchmark::kMicrosecond);

void BM_RewrapAfterTyping_QTextDocument(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildQtDocument();
  benchmark::DoNotOptimize(doc->size());
  QTextCursor cursor(doc->findBlockByNumber(doc->blockCount() / 2));
  cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10);
  bool insert = true;
  for (auto _ : state) {
    if (insert)
      cursor.insertText(QStringLiteral("x"));
    else
      cursor.deletePreviousChar();
    insert = !insert;
    benchmark::DoNotOptimize(doc->size());
  }
}
BENCHMARK(BM_RewrapAfterTyping_QTextDocument)->Unit(benchmark::kMicrosecond);

void BM_PaintScreen_Inkwend(benchmark::State& state) {
  EnsureApp();
  auto doc = BuildDocument();
  QImage image(kWidth, 900, QImage::Format_RGB32);
  const int scroll_y = doc->layout.DocumentHeight() / 2;
  int lines = 0;
  for (auto _ : state) {
    QPainter painter(&image);
    QtCanvas canvas(painter, SharedTextMetrics());
    PaintContext context(canvas, {0, 0, kWidth, 900});
    context.scrollY = scroll_y;
    doc->layout.Paint(context);
  }
  for (Paragraph* p = doc->doc.FirstParagraph(); p; p = p->next) {
    for (int l = 0; l < p->LineCount(); ++l) {
      const int y = doc->layout.Box(p, l).top - scroll_y;
      if (y + doc->layout.Box(p, l).height > 0 && y < 900) ++lines;
    }
  }
  state.counters["lines"] = lines;
}
BENCHMARK(BM_PaintScreen_Inkwend)->Unit(benchmark::kMillisecond);

void BM_PaintScreen_QTextDocument(benchmark::State& state) {
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
BENCHMARK(BM_PaintScreen_QTextDocument)->Unit(benchmark::kMillisecond);

}  // namespace
