// Fuzz target for matrix-reg's reader of registry-editor files: the input
// is a file. One that is accepted is applied to a scratch store, and both
// roots are exported; each export must be read back, and importing the
// exports into an emptied store must export the same bytes again. Any
// other outcome is a fault; the sanitizers catch the rest.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "reg_file.h"

namespace {

const wchar_t* const kRoots[] = {L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE"};

// Both roots emptied of their subkeys and values.
void Empty() {
  RegDeleteTreeW(HKEY_CURRENT_USER, nullptr);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, nullptr);
}

// The exports of both roots.
std::vector<std::string> ExportRoots() {
  std::vector<std::string> files;
  for (const wchar_t* root : kRoots) {
    matrix_reg::KeyPath path;
    std::string bytes;
    if (!matrix_reg::ParseKeyPath(root, &path) ||
        matrix_reg::ExportKey(path, &bytes) != ERROR_SUCCESS)
      std::abort();
    files.push_back(bytes);
  }
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  matrix::fuzz::ScratchFolder();
  const std::string file(reinterpret_cast<const char*>(data), size);
  std::vector<matrix_reg::Change> changes;
  std::string error;
  if (!matrix_reg::ParseRegFile(file, &changes, &error)) return 0;
  Empty();
  std::wstring failed;
  matrix_reg::ApplyChanges(changes, &failed);  // may stop at a refused change
  const std::vector<std::string> first = ExportRoots();
  std::vector<std::vector<matrix_reg::Change>> exported;
  for (const std::string& bytes : first) {
    exported.emplace_back();
    if (!matrix_reg::ParseRegFile(bytes, &exported.back(), &error))
      std::abort();  // an export the reader refuses
  }
  Empty();
  for (const auto& parsed : exported) {
    if (matrix_reg::ApplyChanges(parsed, &failed) != ERROR_SUCCESS)
      std::abort();  // an export that does not import
  }
  if (ExportRoots() != first) std::abort();  // not the same tree again
  return 0;
}
