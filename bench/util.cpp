// Benchmark of the utilities: Crc32 on 64 B to 64 MiB beside zlib's crc32
// (when built with zlib), SortArray on 100 and 10000 random values beside
// std::sort, and GetProductAndFileVersion on a loaded module padded to
// 100 KB and to 100 MB beside the bare system calls of one look-up (open,
// fstat, two preads, close of the same file). Before timing, checks that
// the checksums agree and that the version reads back; prints the ratios.
//
//   bench_util [--benchmark_filter=...] [other Google Benchmark flags]
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <matrix/matrix.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
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

// ---- Version look-up ------------------------------------------------------

constexpr std::size_t kModuleSizes[] = {100u * 1000, 100u * 1000 * 1000};

// Copies of the version module padded to each size (the padding is a hole
// in the file, which costs nothing to make and would cost as much as data to
// read), loaded; removed again at exit.
struct Modules {
  std::string folder;
  std::vector<std::string> paths;
  std::vector<HINSTANCE> handles;

  Modules() {
    folder = (std::filesystem::temp_directory_path() / "matrix-bench-XXXXXX")
                 .string();
    if (mkdtemp(folder.data()) == nullptr) return;
    for (std::size_t size : kModuleSizes) {
      const std::string path =
          folder + "/module" + std::to_string(size) + ".so";
      std::filesystem::copy_file(MATRIX_BENCH_VERSION_MODULE, path);
      std::filesystem::resize_file(path, size);
      void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      paths.push_back(path);
      handles.push_back(
          handle ? AfxModuleHandleOf(dlsym(handle, "matrix_bench_module"))
                 : nullptr);
    }
  }
  ~Modules() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

Modules& TheModules() {
  static Modules modules;
  return modules;
}

void BM_GetProductAndFileVersion(benchmark::State& state) {
  const HINSTANCE module =
      TheModules().handles[static_cast<std::size_t>(state.range(0))];
  DWORD pms = 0, pls = 0, fms = 0, fls = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        GetProductAndFileVersion(module, pms, pls, fms, fls));
  }
  state.SetLabel(std::to_string(kModuleSizes[state.range(0)] / 1000) + " KB");
}

// What one look-up cannot do without: open, fstat, the file header, the
// program headers, close.
void BM_BareSystemCalls(benchmark::State& state) {
  const std::string& path =
      TheModules().paths[static_cast<std::size_t>(state.range(0))];
  unsigned char header[sizeof(ElfW(Ehdr))];
  std::vector<unsigned char> table(64 * sizeof(ElfW(Phdr)));
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    fstat(fd, &st);
    benchmark::DoNotOptimize(pread(fd, header, sizeof header, 0));
    ElfW(Ehdr) eh;
    std::memcpy(&eh, header, sizeof eh);
    benchmark::DoNotOptimize(pread(fd, table.data(),
                                   eh.e_phnum * sizeof(ElfW(Phdr)),
                                   static_cast<off_t>(eh.e_phoff)));
    close(fd);
  }
  state.SetLabel(std::to_string(kModuleSizes[state.range(0)] / 1000) + " KB");
}

BENCHMARK(BM_GetProductAndFileVersion)->DenseRange(0, 1);
BENCHMARK(BM_BareSystemCalls)->DenseRange(0, 1);

// The version reads back before its speed means anything.
bool VersionReadsBack() {
  for (std::size_t i = 0; i < std::size(kModuleSizes); ++i) {
    DWORD pms = 0, pls = 0, fms = 0, fls = 0;
    if (TheModules().handles.size() <= i ||
        GetProductAndFileVersion(TheModules().handles[i], pms, pls, fms, fls) !=
            1 ||
        pms != 131073 || pls != 5 || fms != 131073 || fls != 7) {
      std::fprintf(stderr, "the version of the %zu-byte module is unread\n",
                   kModuleSizes[i]);
      return false;
    }
  }
  return true;
}

// Prints as usual and keeps the CPU time of every run for the ratios: the
// median when the run is repeated, else the single run.
class Reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.str();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        times_[name] = run.GetAdjustedCPUTime();
        medians_[name] = true;
      } else if (run.run_type == Run::RT_Iteration && !medians_[name]) {
        times_[name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    const auto time = [this](const char* name) {
      const auto it = times_.find(name);
      return it == times_.end() ? 0.0 : it->second;
    };
    const double small = time("BM_GetProductAndFileVersion/0");
    const double large = time("BM_GetProductAndFileVersion/1");
    const double bare_small = time("BM_BareSystemCalls/0");
    const double bare_large = time("BM_BareSystemCalls/1");
    if (small > 0 && large > 0) {
      std::printf("\nGetProductAndFileVersion, 100 MB / 100 KB module: %.3f\n",
                  large / small);
    }
    if (small > 0 && bare_small > 0) {
      std::printf(
          "GetProductAndFileVersion / bare system calls, 100 KB: %.3f\n",
          small / bare_small);
    }
    if (large > 0 && bare_large > 0) {
      std::printf(
          "GetProductAndFileVersion / bare system calls, 100 MB: %.3f\n",
          large / bare_large);
    }
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, bool> medians_;
};

BENCHMARK(BM_Crc32)->Arg(64)->Arg(4 << 10)->Arg(1 << 20)->Arg(64 << 20);
#ifdef MATRIX_BENCH_HAVE_ZLIB
BENCHMARK(BM_Crc32_zlib)->Arg(64)->Arg(4 << 10)->Arg(1 << 20)->Arg(64 << 20);
#endif
BENCHMARK(BM_SortArray)->Arg(100)->Arg(10000);
BENCHMARK(BM_SortArray_std_sort)->Arg(100)->Arg(10000);

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
  if (!ChecksumsAgree() || !VersionReadsBack()) return EXIT_FAILURE;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return EXIT_FAILURE;
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return EXIT_SUCCESS;
}
