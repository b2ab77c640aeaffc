// The entry cipher's in-memory transform against memcpy of the same 64 MiB buffer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "store/cipher.h"

namespace {

constexpr size_t kSize = 64u << 20;

std::vector<uint8_t>& Input() {
  static std::vector<uint8_t> in = [] {
    std::vector<uint8_t> v(kSize);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i * 31 + (i >> 9));
    return v;
  }();
  return in;
}

void BM_CipherEncrypt(benchmark::State& state) {
  const auto& in = Input();
  std::vector<uint8_t> out(kSize);
  for (auto _ : state) {
    uint32_t seed = inkwend::PasswordSeed("Dear diary");
    inkwend::CipherTransform(inkwend::CipherDirection::Encrypt, seed, in.data(), out.data(), in.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_CipherEncrypt)->Unit(benchmark::kMillisecond);

// The one-byte-at-a-time definition, for comparison.
void BM_CipherSerialDefinition(benchmark::State& state) {
  const auto& in = Input();
  std::vector<uint8_t> out(kSize);
  for (auto _ : state) {
    inkwend::CipherStream stream(inkwend::PasswordSeed("Dear diary"));
    for (size_t i = 0; i < kSize; ++i) out[i] = static_cast<uint8_t>(in[i] + stream.Draw());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_CipherSerialDefinition)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& state) {
  const auto& in = Input();
  std::vector<uint8_t> out(kSize);
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), kSize);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

}  // namespace
