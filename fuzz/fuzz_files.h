// Fuzz targets' shared files: a scratch folder of the process's own, which
// also holds its registry stores, and whole files written and read.
#ifndef MATRIX_FUZZ_FUZZ_FILES_H_
#define MATRIX_FUZZ_FUZZ_FILES_H_

#include <stdlib.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace matrix::fuzz {

// A new folder for this run (in memory where /dev/shm is there, since the
// targets write a file for every input), named in MATRIX_REGISTRY_DIR so
// that no registry call reaches the user's own stores; removed at exit.
// Call it before the process's first registry call.
inline const std::string& ScratchFolder() {
  static const std::string* folder = [] {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec)
                              ? fs::path("/dev/shm")
                              : fs::temp_directory_path();
    std::mt19937_64 random(static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::path made;
    do {
      made = base / ("matrix-fuzz-" + std::to_string(random()));
    } while (!fs::create_directory(made, ec) && !ec);
    auto* path = new std::string(made.string());
    setenv("MATRIX_REGISTRY_DIR", path->c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return path;
  }();
  return *folder;
}

inline void WriteFile(const std::string& path, const void* data,
                      std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

}  // namespace matrix::fuzz

#endif  // MATRIX_FUZZ_FUZZ_FILES_H_
