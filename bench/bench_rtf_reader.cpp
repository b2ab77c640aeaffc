// RTF read throughput on two 5 MB documents: one written by our writer, one written by
// LibreOffice Writer (the committed test file richtext/tests/data/libreoffice_writer.rtf, its body repeated
// to 5 MB). Beside each: `unrtf --text` on the same file in the same run. The counter
// model_x_file is the memory the read document holds (ModelBytes) against the file size; the
// reader itself adds only its 64 KiB buffer and the group stack.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "richtext/rtf/reader.h"
#include "richtext/rtf/writer.h"

#ifndef INKWEND_SOURCE_DIR
#define INKWEND_SOURCE_DIR "."
#endif

namespace {

using namespace inkwend;

constexpr size_t kTarget = 5u << 20;

// Diary-like text: paragraphs of words with a change of attribute every few words.
std::string OurDocument() {
  TWPRTFText doc;
  std::mt19937 rng(1);
  const char32_t* words[] = {U"today", U"the", U"garden", U"was", U"quiet", U"and", U"I", U"wrote", U"letters",
                             U"caf\xE9", U"morning", U"walk", U"river", U"friends", U"dinner", U"\x20AC" U"12"};
  TParagraph* p = doc.FirstParagraph();
  std::string out;
  for (int n = 0;; ++n) {
    if (n > 0) p = doc.NewParagraph(p);
    for (int r = 0; r < 8; ++r) {
      TCharAttr a;
      a.PointSize = static_cast<uint8_t>(10 + rng() % 4);
      a.StyleBits = static_cast<uint8_t>(rng() % 3 == 0 ? kStyleBold : rng() % 4 == 0 ? kStyleItalic : 0);
      a.SetTextColor(static_cast<uint8_t>(rng() % 3 == 0 ? 1 : 0));
      std::u32string run;
      for (int w = 0; w < 6; ++w) {
        run += words[rng() % std::size(words)];
        run += U' ';
      }
      doc.AppendText(p, run, a);
    }
    if (n % 200 == 199) {
      TMemoryStream s;
      WriteDocument(doc, s, TWPLoadFormat::FormatRTF, nullptr, true);
      if (s.Bytes().size() >= kTarget) return s.Bytes();
    }
  }
}

// LibreOffice's file, its body (between the first \pard and the last "}") repeated.
std::string LibreOfficeDocument() {
  std::ifstream in(std::string(INKWEND_SOURCE_DIR) + "/richtext/tests/data/libreoffice_writer.rtf", std::ios::binary);
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
  static const std::string ours = OurDocument();
  static const std::string lo = LibreOfficeDocument();
  return which == 0 ? ours : lo;
}

std::string FileOf(int which) {
  const std::string path = "/tmp/inkwend_bench_rtf_" + std::to_string(which) + ".rtf";
  std::ofstream(path, std::ios::binary) << Document(which);
  return path;
}

void BM_ReadRtf(benchmark::State& state) {
  const std::string& bytes = Document(static_cast<int>(state.range(0)));
  if (bytes.empty()) {
    state.SkipWithError("richtext/tests/data/libreoffice_writer.rtf not found");
    return;
  }
  size_t model = 0;
  for (auto _ : state) {
    TWPRTFText doc;
    TMemoryStream s(bytes);
    TWPRtfReader reader(&doc);
    if (reader.Read(s) != kResultOk) state.SkipWithError("read failed");
    model = doc.ModelBytes();
    benchmark::DoNotOptimize(doc.FirstParagraph());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["file_MB"] = static_cast<double>(bytes.size()) / (1 << 20);
  state.counters["model_x_file"] = static_cast<double>(model) / static_cast<double>(bytes.size());
}
BENCHMARK(BM_ReadRtf)->Arg(0)->Arg(1)->ArgNames({"libreoffice"})->UseRealTime()->Unit(benchmark::kMillisecond);

// The peer: unrtf --text on the same file.
void BM_UnrtfText(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::string path = FileOf(which);
  if (std::system("command -v unrtf >/dev/null 2>&1") != 0) {
    state.SkipWithError("unrtf is not installed (./dev.sh bench installs it)");
    return;
  }
  const std::string cmd = "unrtf --text " + path + " >/dev/null 2>&1";
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("unrtf failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Document(which).size()));
}
BENCHMARK(BM_UnrtfText)->Arg(0)->Arg(1)->ArgNames({"libreoffice"})->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
