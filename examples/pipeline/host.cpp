// The pipeline host's services from the system.
#include "host.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "run.h"

#ifndef PIPELINE_VERSION
#define PIPELINE_VERSION "0.0.0"
#endif

namespace pipeline {

wchar_t DecimalSeparator() {
  // The regional settings come through the library's registry functions
  // once they are there; until then numbers are written with a point.
  return L'.';
}

std::string WriteOutputFile(const std::string& dir, const std::string& name,
                            const std::string& content) {
  namespace fs = std::filesystem;
  const fs::path folder = dir.empty() ? fs::path(".") : fs::path(dir);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec) {
      throw OutputError("cannot create the folder " + folder.string() + ": " +
                        ec.message());
    }
  }
  const fs::path final_path = folder / name;
  // A name of our own beside the final one: same folder, so the rename
  // cannot cross file systems; opened exclusively, so a concurrent run
  // never writes into it.
  std::random_device device;
  std::mt19937_64 random(
      device() ^
      static_cast<std::uint64_t>(
          std::chrono::steady_clock::now().time_since_epoch().count()));
  std::FILE* file = nullptr;
  fs::path temp;
  int open_errno = 0;
  for (int attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "%016llx",
                  static_cast<unsigned long long>(random()));
    temp = folder / ("." + name + "." + suffix + ".tmp");
    errno = 0;
    file = std::fopen(temp.c_str(), "wbx");
    open_errno = errno;
    if (file == nullptr && open_errno != EEXIST) break;
  }
  if (file == nullptr) {
    throw OutputError("cannot write " + final_path.string() + ": " +
                      std::strerror(open_errno ? open_errno : EIO));
  }
  errno = 0;
  const bool written =
      std::fwrite(content.data(), 1, content.size(), file) == content.size();
  int write_errno = errno;
  if (std::fflush(file) != 0 && write_errno == 0) write_errno = errno;
  const bool flushed = written && write_errno == 0;
  if (std::fclose(file) != 0 && write_errno == 0) write_errno = errno;
  if (!flushed || write_errno != 0) {
    fs::remove(temp, ec);
    throw OutputError("cannot write " + final_path.string() + ": " +
                      std::strerror(write_errno ? write_errno : EIO));
  }
  fs::rename(temp, final_path, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw OutputError("cannot write " + final_path.string() + ": " +
                      ec.message());
  }
  return final_path.string();
}

std::string VersionText() {
  // The library's version resource is read through the library once it
  // offers that; until then the version the project was built as.
  return std::string("pipeline ") + PIPELINE_VERSION + " (library matrix " +
         PIPELINE_VERSION + ")";
}

}  // namespace pipeline
