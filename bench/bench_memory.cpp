// Memory of a large entry held open, in bytes per character of its text, beside QTextDocument
// holding and laying out the same text (same fonts, sizes, bold and width; Qt's offscreen
// platform, so no display is needed).
//   model, layout  what the paragraphs' buffers and the layout's per-paragraph data hold once the
//                  entry is read and laid out, counted from the structures (the same under any
//                  allocator, so also in a sanitizer build);
//   laid_out       heap growth (what malloc hands out, mallinfo2, so Qt's allocations count as
//                  ours do) once the entry is read and laid out at the editor's width,
//   scrolled       after painting it from top to bottom, a screen at a time,
//   typed          after typing a few hundred keys into its middle through the edit controller.
// The peer's figures: its document built and laid out, then painted from top to bottom.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <random>
#include <string>
#include <vector>

#include "bench/mixed_runs_text.h"
#include "platform/qt_canvas.h"
#include "platform/qt_text_metrics.h"
#include "richtext/editing/text_input.h"
#include "richtext/layout/layout.h"
#include "richtext/model/stream.h"

namespace {

using namespace inkwend;
using inkwend::bench::kFontNames;
using inkwend::bench::MakeText;
using inkwend::bench::ParagraphRuns;
using inkwend::bench::Rtf;
using inkwend::bench::Run;

constexpr int kWidth = 700;
constexpr int kScreen = 900;

void EnsureApp() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_memory";
  static char* argv[] = {name, nullptr};
  new QGuiApplication(argc, argv);  // never destroyed, as in the layout benchmark
}

int64_t HeapBytes() {
  malloc_trim(0);
  const struct mallinfo2 m = mallinfo2();
  return static_cast<int64_t>(m.uordblks + m.hblkhd);
}

size_t Characters(const std::vector<ParagraphRuns>& text) {
  size_t n = 0;
  for (const ParagraphRuns& par : text) {
    for (const Run& run : par) n += run.text.size();
  }
  return n;
}

void PaintAll(TextLayout& layout) {
  QImage image(kWidth, kScreen, QImage::Format_RGB32);
  for (int y = 0; y < layout.DocumentHeight(); y += kScreen) {
    QPainter painter(&image);
    QtCanvas canvas(painter, SharedTextMetrics());
    PaintContext context(canvas, {0, 0, kWidth, kScreen});
    context.scrollY = y;
    layout.Paint(context);
  }
}

void BM_EntryMemory_Inkwend(benchmark::State& state) {
  EnsureApp();
  const std::vector<ParagraphRuns> text = MakeText(static_cast<size_t>(state.range(0)) * 1000000);
  const std::string rtf = Rtf(text);
  const auto chars = static_cast<double>(Characters(text));
  SharedTextMetrics();  // the fonts' own caches are not the document's
  for (auto _ : state) {
    const int64_t empty = HeapBytes();
    auto edit = std::make_unique<EditController>();
    TextLayout& layout = edit->Layout();
    layout.SetDevice(&SharedTextMetrics(), 96, 96);
    layout.SetWordWrap(true);
    layout.SetWindowWidth(kWidth);
    const int64_t before = HeapBytes();
    MemoryStream stream(rtf);
    edit->LoadFromStream(stream);
    layout.Reformat();
    const int64_t laid_out = HeapBytes();
    int64_t model = 0;
    for (const Paragraph* p = edit->Document().FirstParagraph(); p; p = p->next)
      model += static_cast<int64_t>(p->AllocatedBytes());
    const auto layout_bytes = static_cast<double>(layout.AllocatedBytes());
    PaintAll(layout);
    const int64_t scrolled = HeapBytes();
    edit->SetCaretPosition(static_cast<int64_t>(chars / 2));
    for (int k = 0; k < 300; ++k) edit->InputChar(k % 60 == 59 ? kKeyEnter : U"today we walked "[k % 16]);
    layout.Reformat();
    const int64_t typed = HeapBytes();
    state.counters["model_B_per_char"] = static_cast<double>(model) / chars;
    state.counters["layout_B_per_char"] = layout_bytes / chars;
    state.counters["laid_out_B_per_char"] = static_cast<double>(laid_out - before) / chars;
    state.counters["scrolled_B_per_char"] = static_cast<double>(scrolled - before) / chars;
    state.counters["typed_B_per_char"] = static_cast<double>(typed - before) / chars;
    state.counters["typed_MB"] = static_cast<double>(typed - empty) / 1e6;
    edit.reset();
  }
}
BENCHMARK(BM_EntryMemory_Inkwend)
    ->Arg(1)
    ->Arg(5)
    ->ArgNames({"MB"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_EntryMemory_QTextDocument(benchmark::State& state) {
  EnsureApp();
  const std::vector<ParagraphRuns> text = MakeText(static_cast<size_t>(state.range(0)) * 1000000);
  const auto chars = static_cast<double>(Characters(text));
  for (auto _ : state) {
    const int64_t before = HeapBytes();
    auto doc = std::make_unique<QTextDocument>();
    doc->setDocumentMargin(0);
    QTextCursor cursor(doc.get());
    bool first = true;
    for (const ParagraphRuns& par : text) {
      if (!first) cursor.insertBlock();
      first = false;
      for (const Run& run : par) {
        QTextCharFormat format;
        QFont font(QString::fromLatin1(kFontNames[run.font]));
        font.setPixelSize((run.size * 96 + 36) / 72);
        font.setBold(run.bold);
        format.setFont(font);
        cursor.insertText(QString::fromStdString(run.text), format);
      }
    }
    doc->setTextWidth(kWidth);
    const qreal height = doc->documentLayout()->documentSize().height();
    const int64_t laid_out = HeapBytes();
    QImage image(kWidth, kScreen, QImage::Format_RGB32);
    for (qreal y = 0; y < height; y += kScreen) {
      QPainter painter(&image);
      painter.translate(0, -y);
      doc->drawContents(&painter, QRectF(0, y, kWidth, kScreen));
    }
    const int64_t scrolled = HeapBytes();
    state.counters["laid_out_B_per_char"] = static_cast<double>(laid_out - before) / chars;
    state.counters["scrolled_B_per_char"] = static_cast<double>(scrolled - before) / chars;
    doc.reset();
  }
}
BENCHMARK(BM_EntryMemory_QTextDocument)
    ->Arg(1)
    ->Arg(5)
    ->ArgNames({"MB"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
