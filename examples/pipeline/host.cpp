// The pipeline host's services from the system.
#include "host.h"

#include <crtio.h>
#include <intfile.h>
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

namespace {

namespace fs = std::filesystem;

// The output folder, created when missing.
fs::path OutputFolder(const std::string& dir) {
  const fs::path folder = dir.empty() ? fs::path(".") : fs::path(dir);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec) {
      throw OutputError("cannot create the folder " + folder.string() + ": " +
                        ec.message());
    }
  }
  return folder;
}

// Opens a temporary file of our own beside `final_path` into `file` and
// returns its path: in the same folder, so that the rename cannot cross
// file systems, and created exclusively ("x"), so that a concurrent run
// never writes into it. The library's OpenTempFile is not used: it opens a
// name without exclusivity, needs its product folder even for a name
// elsewhere, and on failure falls back to a numbered name it does not
// report, where this program must know the file it renames into place.
fs::path OpenTemporary(const fs::path& final_path, CIntFileA* file) {
  std::random_device device;
  std::mt19937_64 random(
      device() ^
      static_cast<std::uint64_t>(
          std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::string name = final_path.filename().string();
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "%016llx",
                  static_cast<unsigned long long>(random()));
    const fs::path temp =
        final_path.parent_path() / ("." + name + "." + suffix + ".tmp");
    FILE* stream = nullptr;
    const errno_t error =
        _wfopen_s(&stream, DecodeUtf8(temp.string()).c_str(), L"wbx");
    if (error == 0) {
      file->m_pStream = stream;
      return temp;
    }
    if (error != EEXIST) {
      throw OutputError("cannot write " + final_path.string() + ": " +
                        std::strerror(error));
    }
  }
  throw OutputError("cannot write " + final_path.string() +
                    ": no free temporary name");
}

// Writes `content` to the stream held and closes it; returns 0 or the
// errno of the first failure.
int WriteAndClose(const std::string& content, CIntFileA* file) {
  errno = 0;
  const bool written = std::fwrite(content.data(), 1, content.size(),
                                   file->m_pStream) == content.size();
  int error = written ? 0 : (errno ? errno : EIO);
  if (std::fflush(file->m_pStream) != 0 && error == 0)
    error = errno ? errno : EIO;
  // Some file systems report a write that failed only when the file is
  // closed.
  errno = 0;
  if (std::fclose(file->m_pStream) != 0 && error == 0)
    error = errno ? errno : EIO;
  file->m_pStream = nullptr;
  return error;
}

}  // namespace

std::string WriteOutputFile(const std::string& dir, const std::string& name,
                            const std::string& content) {
  const fs::path final_path = OutputFolder(dir) / name;
  CIntFileA file;
  const fs::path temp = OpenTemporary(final_path, &file);
  std::error_code ec;
  if (const int error = WriteAndClose(content, &file)) {
    fs::remove(temp, ec);
    throw OutputError("cannot write " + final_path.string() + ": " +
                      std::strerror(error));
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
