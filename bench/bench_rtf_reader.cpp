// RTF read throughput on two 5 MB documents: one written by our writer, one written by
// LibreOffice Writer (the committed test file richtext/tests/data/libreoffice_writer.rtf, its body repeated
// to 5 MB). Beside each: `unrtf --text` on the same file in the same run.
//
// Counters of BM_ReadRtf:
// - peak_x_file: the highest heap use during one read (everything the reader and the document
//   allocate, counted by the allocation functions below, in one extra untimed read so that the
//   counting does not slow the timed ones) against the file size;
// - model_x_file: what the read document holds when the read is done (ModelBytes);
// - bytes_per_second is wall time; cpu_MB_per_s is the same figure over process CPU time, which
//   other work on a shared machine disturbs less.
// The timed part is the read alone: the input stream, a new document, and freeing the document
// afterwards are outside it.
//
// BM_ReadRtfTextOnly reads the same files into a document in plain mode (characters without
// attribute records): the distance between the two is what building the 16-byte records costs.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <new>
#include <random>
#include <sstream>
#include <string>

#include "richtext/rtf/reader.h"
#include "richtext/rtf/writer.h"

#ifndef INKWEND_SOURCE_DIR
#define INKWEND_SOURCE_DIR "."
#endif

// --- heap use, counted by replacing the global allocation functions -----------------------------

namespace {
std::atomic<int64_t> g_heap_live{0};
std::atomic<int64_t> g_heap_peak{0};
std::atomic<bool> g_counting{false};

void CountHeap(int64_t delta) {
  const int64_t live = g_heap_live.fetch_add(delta, std::memory_order_relaxed) + delta;
  int64_t peak = g_heap_peak.load(std::memory_order_relaxed);
  while (live > peak && !g_heap_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
}

void* CountedAlloc(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  if (g_counting.load(std::memory_order_relaxed)) CountHeap(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}

void CountedFree(void* p) noexcept {
  if (!p) return;
  if (g_counting.load(std::memory_order_relaxed)) CountHeap(-static_cast<int64_t>(malloc_usable_size(p)));
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }

namespace {

using namespace inkwend;

constexpr size_t kTarget = 5u << 20;

// Diary-like text: paragraphs of words with a change of attribute every few words.
std::string OurDocument() {
  WPRTFText doc;
  std::mt19937 rng(1);
  const char32_t* words[] = {U"today",
                             U"the",
                             U"garden",
                             U"was",
                             U"quiet",
                             U"and",
                             U"I",
                             U"wrote",
                             U"letters",
                             U"caf\xE9",
                             U"morning",
                             U"walk",
                             U"river",
                             U"friends",
                             U"dinner",
                             U"\x20AC"  // NOLINT(bugprone-suspicious-missing-comma): one word, split so that
                                        // the hex escape stops before the digits
                             U"12"};
  Paragraph* p = doc.FirstParagraph();
  std::string out;
  for (int n = 0;; ++n) {
    if (n > 0) p = doc.NewParagraph(p);
    for (int r = 0; r < 8; ++r) {
      CharAttr a;
      a.pointSize = static_cast<uint8_t>(10 + rng() % 4);
      a.styleBits = static_cast<uint8_t>(rng() % 3 == 0 ? kStyleBold : rng() % 4 == 0 ? kStyleItalic : 0);
      a.SetTextColor(static_cast<uint8_t>(rng() % 3 == 0 ? 1 : 0));
      std::u32string run;
      for (int w = 0; w < 6; ++w) {
        run += words[rng() % std::size(words)];
        run += U' ';
      }
      doc.AppendText(p, run, a);
    }
    if (n % 200 == 199) {
      MemoryStream s;
      WriteDocument(doc, s, WPLoadFormat::FormatRTF, nullptr, true);
      if (s.Bytes().size() >= kTarget) return s.Bytes();
    }
  }
}

// LibreOffice's file, its body (between the first \pard and the last "}") repeated.
std::string LibreOfficeDocument() {
  std::ifstream in(std::string(INKWEND_SOURCE_DIR) + "/richtext/tests/data/libreoffice_writer.rtf",
                   std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string src = ss.str();
  const size_t body = src.find("\\pard");
  const size_t end = src.rfind('}');
  if (body == std::string::npos || end == std::string::npos || end <= body) return {};
  std::string out = src.substr(0, body);
  const std::string piece = src.substr(body, end - body) + "\\par\n";
  while (out.size() < kTarget) out += piece;
  return out + "}";
}

const std::string& Document(int which) {
  static const std::string kOurs = OurDocument();
  static const std::string kLo = LibreOfficeDocument();
  return which == 0 ? kOurs : kLo;
}

std::string FileOf(int which) {
  const std::string path = "/tmp/inkwend_bench_rtf_" + std::to_string(which) + ".rtf";
  std::ofstream(path, std::ios::binary) << Document(which);
  return path;
}

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ChildrenCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return seconds(u.ru_utime) + seconds(u.ru_stime);
}

void ReadBench(benchmark::State& state, bool attributes) {
  const std::string& bytes = Document(static_cast<int>(state.range(0)));
  if (bytes.empty()) {
    state.SkipWithError("richtext/tests/data/libreoffice_writer.rtf not found");
    return;
  }
  MemoryStream stream(bytes);
  double cpu = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<WPRTFText>();
    if (!attributes) doc->SetAttributeMode(false);
    stream.Seek(0);
    const double cpu_start = ProcessCpuSeconds();
    state.ResumeTiming();

    WPRtfReader reader(doc.get());
    const int result = reader.Read(stream);

    state.PauseTiming();
    cpu += ProcessCpuSeconds() - cpu_start;
    if (result != kResultOk) state.SkipWithError("read failed");
    doc.reset();
    state.ResumeTiming();
  }
  // The heap of one more read, counted from the new document on.
  stream.Seek(0);
  g_heap_live.store(0);
  g_heap_peak.store(0);
  g_counting.store(true);
  auto doc = std::make_unique<WPRTFText>();
  if (!attributes) doc->SetAttributeMode(false);
  const int64_t before = g_heap_live.load();
  {
    WPRtfReader reader(doc.get());
    reader.Read(stream);
  }
  const int64_t peak = g_heap_peak.load() - before;
  const size_t model = doc->ModelBytes();
  g_counting.store(false);
  doc.reset();
  const auto size = static_cast<double>(bytes.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["file_MB"] = size / (1 << 20);
  state.counters["cpu_MB_per_s"] =
      cpu > 0 ? size * static_cast<double>(state.iterations()) / cpu / (1 << 20) : 0;
  state.counters["peak_x_file"] = static_cast<double>(peak) / size;
  state.counters["model_x_file"] = static_cast<double>(model) / size;
}

void BM_ReadRtf(benchmark::State& state) { ReadBench(state, true); }
BENCHMARK(BM_ReadRtf)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"libreoffice"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_ReadRtfTextOnly(benchmark::State& state) { ReadBench(state, false); }
BENCHMARK(BM_ReadRtfTextOnly)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"libreoffice"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The peer: unrtf --text on the same file.
void BM_UnrtfText(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::string path = FileOf(which);
  if (std::system("command -v unrtf >/dev/null 2>&1") != 0) {
    state.SkipWithError("unrtf is not installed (./dev.sh bench installs it)");
    return;
  }
  const std::string cmd = "unrtf --text " + path + " >/dev/null 2>&1";
  const double cpu_start = ChildrenCpuSeconds();
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("unrtf failed");
  }
  const double cpu = ChildrenCpuSeconds() - cpu_start;
  const auto size = static_cast<double>(Document(which).size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Document(which).size()));
  // The CPU time of the shell and unrtf, for comparison with cpu_MB_per_s of the reader.
  state.counters["cpu_MB_per_s"] =
      cpu > 0 ? size * static_cast<double>(state.iterations()) / cpu / (1 << 20) : 0;
}
BENCHMARK(BM_UnrtfText)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"libreoffice"})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
