// Benchmark of the utilities: Crc32 on 64 B to 64 MiB beside zlib's crc32
// (when built with zlib), and SortArray on 100, 10 000 and 1 000 000 random
// values beside std::sort and the exchange sort SortArray once was (that one
// only up to 10 000 values: it is quadratic). Before timing, checks that
// the checksums agree.
//
//   bench_util [--benchmark_filter=...] [other Google Benchmark flags]
#include <benchmark/benchmark.h>
#include <matrix/matrix.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#ifdef MATRIX_BENCH_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

// One buffer of 64 MiB of random bytes, shared by all sizes.
const std::vector<unsigned char>& Bytes() {
  static std::vector<unsigned char> bytes = [] {
    std::vector<unsigned char> v(64u << 20);
    std::mt19937 rng(1);
    for (unsigned char& b : v) b = static_cast<unsigned char>(rng());
    return v;
  }();
  return bytes;
}

void BM_Crc32(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const unsigned char* p = Bytes().data();
  for (auto _ : state) {
    benchmark::DoNotOptimize(Crc32(p, static_cast<unsigned>(n)));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(n));
}

#ifdef MATRIX_BENCH_HAVE_ZLIB
void BM_Crc32_zlib(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const unsigned char* p = Bytes().data();
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc32(0L, p, static_cast<uInt>(n)));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(n));
}
#endif

std::vector<UINT> RandomValues(std::size_t n) {
  std::mt19937 rng(static_cast<unsigned>(n));
  std::vector<UINT> v(n);
  for (UINT& x : v) x = static_cast<UINT>(rng());
  return v;
}

// Both sorts pay the same copy of the unsorted values into their storage.
void BM_SortArray(benchmark::State& state) {
  const std::vector<UINT> source =
      RandomValues(static_cast<std::size_t>(state.range(0)));
  CUIntArray values;
  values.SetSize(static_cast<INT_PTR>(source.size()));
  for (auto _ : state) {
    std::memcpy(values.GetData(), source.data(), source.size() * sizeof(UINT));
    SortArray(1, values);
    benchmark::DoNotOptimize(values.GetData());
  }
}

void BM_SortArray_std_sort(benchmark::State& state) {
  const std::vector<UINT> source =
      RandomValues(static_cast<std::size_t>(state.range(0)));
  std::vector<UINT> values(source.size());
  for (auto _ : state) {
    std::memcpy(values.data(), source.data(), source.size() * sizeof(UINT));
    std::sort(values.begin(), values.end());
    benchmark::DoNotOptimize(values.data());
  }
}

// The exchange sort of the old design: every later element compared with
// position j in turn, swapped when out of order.
void BM_SortArray_exchange(benchmark::State& state) {
  const std::vector<UINT> source =
      RandomValues(static_cast<std::size_t>(state.range(0)));
  std::vector<UINT> values(source.size());
  for (auto _ : state) {
    std::memcpy(values.data(), source.data(), source.size() * sizeof(UINT));
    const std::size_t n = values.size();
    for (std::size_t j = 0; j < n; ++j) {
      for (std::size_t k = j + 1; k < n; ++k) {
        if (values[j] > values[k]) std::swap(values[j], values[k]);
      }
    }
    benchmark::DoNotOptimize(values.data());
  }
}

BENCHMARK(BM_Crc32)->Arg(64)->Arg(4 << 10)->Arg(1 << 20)->Arg(64 << 20);
#ifdef MATRIX_BENCH_HAVE_ZLIB
BENCHMARK(BM_Crc32_zlib)->Arg(64)->Arg(4 << 10)->Arg(1 << 20)->Arg(64 << 20);
#endif
BENCHMARK(BM_SortArray)->Arg(100)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_SortArray_std_sort)->Arg(100)->Arg(10000)->Arg(1000000);
BENCHMARK(BM_SortArray_exchange)->Arg(100)->Arg(10000);

// The checksums must agree before their speeds mean anything.
bool ChecksumsAgree() {
#ifdef MATRIX_BENCH_HAVE_ZLIB
  const std::vector<unsigned char>& b = Bytes();
  for (std::size_t n :
       {std::size_t{0}, std::size_t{1}, std::size_t{63}, std::size_t{64},
        std::size_t{4096 + 7}, std::size_t{1} << 20, b.size()}) {
    const unsigned ours = Crc32(b.data(), static_cast<unsigned>(n));
    const unsigned theirs =
        static_cast<unsigned>(crc32(0L, b.data(), static_cast<uInt>(n)));
    if (ours != theirs) {
      std::fprintf(stderr, "Crc32 differs from zlib at %zu bytes\n", n);
      return false;
    }
  }
#endif
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!ChecksumsAgree()) return EXIT_FAILURE;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return EXIT_FAILURE;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return EXIT_SUCCESS;
}
