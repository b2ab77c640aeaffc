// RTF write throughput (MB of output per second) for a generated document of about 5 MB of
// mixed runs and paragraphs, beside the plain-text writer and a memcpy of the same output, and
// the model's memory per character for that document (target: at most 24 bytes).
//
// The machine is shared with other builds, so each figure comes twice: bytes_per_second is per
// second of this process's CPU time (what the writer costs), wall_MB/s per second of wall time.
// Every throughput benchmark runs in five repetitions; compare the medians.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "richtext/rtf/text_io.h"

namespace {

using namespace inkwend;

constexpr size_t kTargetOutput = 5u << 20;

struct Built {
  std::unique_ptr<WPRTFText> doc;
  size_t heapBytes = 0;  // what building it took from the allocator, overhead included
  int64_t chars = 0;
};

// Paragraphs of 80..1200 characters in runs of 3..60 characters with varied fonts, sizes,
// colours and styles, some tabs, accented letters, braces and a few characters outside
// Windows-1252; lines of about 80 characters as layout would leave them.
Built BuildDocument(int64_t chars_wanted) {
  Built b;
  const size_t before = mallinfo2().uordblks;
  auto doc = std::make_unique<WPRTFText>();
  std::mt19937 gen(20261210);
  const int fonts[] = {0, doc->header.FontIndexOf(U"Times New Roman"),
                       doc->header.FontIndexOf(U"Courier New")};
  const std::u32string words[] = {U"diary",    U"today",       U"we",         U"walked",   U"to",
                                  U"the",      U"caf\u00e9",   U"and",        U"{braces}", U"na\u00efve",
                                  U"\u20ac12", U"back\\slash", U"\u03a9mega", U"river"};
  Paragraph* par = doc->FirstParagraph();
  int64_t total = 0;
  std::u32string run;
  while (total < chars_wanted) {
    const int par_len = 80 + static_cast<int>(gen() % 1120);
    int written = 0;
    while (written < par_len) {
      CharAttr a = doc->defaultAttr;
      a.fontIndex = static_cast<uint8_t>(fonts[gen() % 3]);
      a.pointSize = static_cast<uint8_t>(std::array{10, 10, 12, 14}[gen() % 4]);
      a.colorIndexes = static_cast<uint8_t>(gen() % 5 == 0 ? gen() % 15 : 0);
      a.styleBits = static_cast<uint8_t>(
          std::array<int, 5>{0, 0, kStyleBold, kStyleItalic, kStyleUnderline}[gen() % 5]);
      const int run_len = 3 + static_cast<int>(gen() % 58);
      run.clear();
      while (static_cast<int>(run.size()) < run_len) {
        run += words[gen() % std::size(words)];
        run += gen() % 20 == 0 ? U'\t' : U' ';
      }
      doc->AppendText(par, run, a);
      written += static_cast<int>(run.size());
    }
    std::vector<int> lines;
    for (int left = par->CharCount(); left > 0; left -= 80) lines.push_back(std::min(left, 80));
    if (!lines.empty()) doc->SetLineLengths(par, lines);
    total += par->CharCount();
    if (total < chars_wanted) {
      par = doc->NewParagraph(par);
      par->alignment = static_cast<uint8_t>(gen() % 4);
      par->leftIndent = static_cast<int32_t>(gen() % 3) * 360;
      par->firstIndent = par->leftIndent + static_cast<int32_t>(gen() % 2) * 360;
      par->spaceAfter = gen() % 2 ? 120 : 0;
    }
  }
  b.heapBytes = mallinfo2().uordblks - before;
  b.chars = doc->CharCount();
  b.doc = std::move(doc);
  return b;
}

Built& Document() {
  static Built built = [] {
    // Size the document so that its RTF comes to about 5 MB.
    Built probe = BuildDocument(200000);
    MemoryStream out;
    probe.doc->saveFormat = WPLoadFormat::FormatRTF;
    SaveToStream(*probe.doc, out, probe.doc->saveFormat);
    const double bytes_per_char = static_cast<double>(out.Bytes().size()) / static_cast<double>(probe.chars);
    probe.doc.reset();
    return BuildDocument(static_cast<int64_t>(kTargetOutput / bytes_per_char));
  }();
  return built;
}

// Wall time of the timed part of a benchmark loop.
class WallClock {
 public:
  void Start() { start_ = std::chrono::steady_clock::now(); }
  void Stop() {
    seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  double Seconds() const { return seconds_; }

 private:
  std::chrono::steady_clock::time_point start_;
  double seconds_ = 0;
};

void ReportRates(benchmark::State& state, size_t output, const WallClock& wall) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * output));
  const double bytes = static_cast<double>(state.iterations() * output);
  state.counters["wall_MB/s"] = bytes / std::max(wall.Seconds(), 1e-9) / 1e6;
  state.counters["output_MB"] = static_cast<double>(output) / 1e6;
  state.counters["target_MB/s"] = 300;
}

void Report(benchmark::State& state, size_t output, const WallClock& wall) {
  ReportRates(state, output, wall);
  state.counters["chars"] = static_cast<double>(Document().chars);
}

// Five repetitions of a throughput benchmark, shown as mean, median and spread.
void Repeated(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->Repetitions(5)->DisplayAggregatesOnly(true);
}

void BM_RtfWrite(benchmark::State& state) {
  Built& b = Document();
  b.doc->saveFormat = WPLoadFormat::FormatRTF;
  size_t output = 0;
  WallClock wall;
  for (auto _ : state) {
    MemoryStream out;
    out.Reserve(kTargetOutput + (kTargetOutput >> 2));
    wall.Start();
    if (SaveToStream(*b.doc, out, b.doc->saveFormat) != kResultOk) state.SkipWithError("save failed");
    wall.Stop();
    output = out.Bytes().size();
    benchmark::DoNotOptimize(out.Bytes().data());
  }
  Report(state, output, wall);
}
BENCHMARK(BM_RtfWrite)->Apply(Repeated);

// The same mix in a document of about 50 KB of RTF, a long diary entry, which stays in cache.
void BM_RtfWriteEntrySize(benchmark::State& state) {
  static Built entry = BuildDocument(25000);
  entry.doc->saveFormat = WPLoadFormat::FormatRTF;
  size_t output = 0;
  WallClock wall;
  for (auto _ : state) {
    MemoryStream out;
    out.Reserve(1 << 17);
    wall.Start();
    if (SaveToStream(*entry.doc, out, entry.doc->saveFormat) != kResultOk) state.SkipWithError("save failed");
    wall.Stop();
    output = out.Bytes().size();
    benchmark::DoNotOptimize(out.Bytes().data());
  }
  ReportRates(state, output, wall);
}
BENCHMARK(BM_RtfWriteEntrySize)->Apply(Repeated)->Unit(benchmark::kMicrosecond);

// Peer: the plain-text writer walking the same document.
void BM_PlainTextWrite(benchmark::State& state) {
  Built& b = Document();
  b.doc->saveFormat = WPLoadFormat::FormatANSI;
  size_t output = 0;
  WallClock wall;
  for (auto _ : state) {
    MemoryStream out;
    out.Reserve(kTargetOutput);
    wall.Start();
    SaveToStream(*b.doc, out, b.doc->saveFormat);
    wall.Stop();
    output = out.Bytes().size();
    benchmark::DoNotOptimize(out.Bytes().data());
  }
  Report(state, output, wall);
}
BENCHMARK(BM_PlainTextWrite)->Apply(Repeated);

// Peer: copying 5 MB, the ceiling for any writer.
void BM_MemcpyOutputSize(benchmark::State& state) {
  std::string src(kTargetOutput, 'x'), dst(kTargetOutput, '\0');
  WallClock wall;
  for (auto _ : state) {
    wall.Start();
    std::memcpy(dst.data(), src.data(), src.size());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
    wall.Stop();
  }
  Report(state, kTargetOutput, wall);
}
BENCHMARK(BM_MemcpyOutputSize)->Apply(Repeated);

// The model's memory for the document: the allocator's view (overhead included) and the
// buffers' own count, each per character, beside the 24-byte target.
void BM_ModelMemoryPerChar(benchmark::State& state) {
  Built& b = Document();
  for (auto _ : state) benchmark::DoNotOptimize(b.doc->ModelBytes());
  state.counters["heap_B/char"] = static_cast<double>(b.heapBytes) / static_cast<double>(b.chars);
  state.counters["model_B/char"] = static_cast<double>(b.doc->ModelBytes()) / static_cast<double>(b.chars);
  state.counters["target_B/char"] = 24;
  state.counters["chars"] = static_cast<double>(b.chars);
}
BENCHMARK(BM_ModelMemoryPerChar)->Iterations(1);

}  // namespace
