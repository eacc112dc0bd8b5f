// The pipeline host's services from the system.
#include "host.h"

#include <matrix/matrix.h>

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
  // The user's regional settings, through the library's registry export; a
  // point whenever the setting is missing or not one character.
  CString text;
  if (GetControlPanelProp(CString(L"sDecimal"), nullptr, &text) == 0 &&
      text.GetLength() == 1) {
    return text[0];
  }
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
  CIntFileA file;
  fs::path temp;
  for (int attempt = 0; attempt < 16 && !file.IsOpen(); ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "%016llx",
                  static_cast<unsigned long long>(random()));
    temp = folder / ("." + name + "." + suffix + ".tmp");
    if (fs::exists(temp, ec)) continue;
    // The library opens the preferred name as it stands, and only when
    // that fails a numbered name of the pattern in its product folder. The
    // empty pattern names that folder itself, which never opens as a file:
    // so a stream held means the preferred name, and a failure is ours to
    // report, with the system's reason from opening the name once more.
    if (OpenTempFile(file, CString(DecodeUtf8(temp.string()).c_str()),
                     CString(L"")) &&
        file.IsOpen() && fs::exists(temp, ec)) {
      break;
    }
    file.Close();
    errno = 0;
    std::FILE* probe = std::fopen(temp.c_str(), "wbx");
    const int open_errno = errno;
    if (probe != nullptr) {
      // The library could not open it (its product folder missing, say),
      // the system can: write through the system's stream.
      file.m_pStream = probe;
      break;
    }
    throw OutputError("cannot write " + final_path.string() + ": " +
                      std::strerror(open_errno ? open_errno : EIO));
  }
  if (!file.IsOpen()) {
    throw OutputError("cannot write " + final_path.string() +
                      ": no free temporary name");
  }
  errno = 0;
  const bool written = std::fwrite(content.data(), 1, content.size(),
                                   file.m_pStream) == content.size();
  int write_errno = written ? 0 : (errno ? errno : EIO);
  if (std::fflush(file.m_pStream) != 0 && write_errno == 0)
    write_errno = errno ? errno : EIO;
  file.Close();
  if (write_errno != 0) {
    fs::remove(temp, ec);
    throw OutputError("cannot write " + final_path.string() + ": " +
                      std::strerror(write_errno));
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

namespace {

std::string VersionWords(DWORD ms, DWORD ls) {
  char text[48];
  std::snprintf(
      text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(ms >> 16),
      static_cast<unsigned>(ms & 0xFFFF), static_cast<unsigned>(ls >> 16),
      static_cast<unsigned>(ls & 0xFFFF));
  return text;
}

// "file F, product P" from a module's version resource, or an empty
// string when it has none.
std::string ModuleVersion(HINSTANCE module) {
  DWORD product_ms = 0, product_ls = 0, file_ms = 0, file_ls = 0;
  if (!GetProductAndFileVersion(module, product_ms, product_ls, file_ms,
                                file_ls)) {
    return std::string();
  }
  const std::string file = VersionWords(file_ms, file_ls);
  const std::string product = VersionWords(product_ms, product_ls);
  return file == product ? file : "file " + file + ", product " + product;
}

}  // namespace

std::string VersionText() {
  // The program's own version resource (a null module), and the library's,
  // found by the address of one of its functions.
  std::string program = ModuleVersion(nullptr);
  std::string library = ModuleVersion(
      AfxModuleHandleOf(reinterpret_cast<const void*>(&CompileStrV)));
  if (program.empty())
    program = PIPELINE_VERSION " (built as; no version resource)";
  if (library.empty()) library = "(no version resource)";
  return "pipeline " + program + ", library matrix " + library;
}

}  // namespace pipeline
