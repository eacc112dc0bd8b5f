// Fuzz target for matrix-reg's reader of registry-editor files: the input
// is a file. One that is accepted is applied to a scratch store in one
// transaction (all of it or, when a change is refused, none), and both
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

// The exports of both roots into `*files`; false when an export refuses
// data the file format cannot hold (a documented refusal, not a fault).
bool ExportRoots(std::vector<std::string>* files) {
  files->clear();
  for (const wchar_t* root : kRoots) {
    matrix_reg::KeyPath path;
    std::string bytes, fault;
    if (!matrix_reg::ParseKeyPath(root, &path, &fault)) std::abort();
    const LONG rc = matrix_reg::ExportKey(path, &bytes, &fault);
    if (rc == ERROR_INVALID_DATA) return false;
    if (rc != ERROR_SUCCESS) std::abort();
    files->push_back(bytes);
  }
  return true;
}

bool Parse(const std::string& bytes, std::vector<matrix_reg::Change>* changes) {
  std::vector<std::string> warnings;
  std::string error;
  return matrix_reg::ParseRegFile(bytes, matrix_reg::ReadOptions(), changes,
                                  &warnings, &error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  matrix::fuzz::ScratchFolder();
  const std::string file(reinterpret_cast<const char*>(data), size);
  std::vector<matrix_reg::Change> changes;
  if (!Parse(file, &changes)) return 0;
  Empty();
  std::string failed;
  // One transaction: a refused change leaves nothing of the file applied.
  const LONG applied = matrix_reg::ApplyChanges(changes, &failed);
  std::vector<std::string> first;
  if (!ExportRoots(&first)) return 0;
  if (applied != ERROR_SUCCESS) {
    Empty();
    std::vector<std::string> empty;
    if (!ExportRoots(&empty) || empty != first) std::abort();  // half applied
    return 0;
  }
  std::vector<std::vector<matrix_reg::Change>> exported;
  for (const std::string& bytes : first) {
    exported.emplace_back();
    if (!Parse(bytes, &exported.back())) std::abort();  // export refused
  }
  Empty();
  for (const auto& parsed : exported) {
    if (matrix_reg::ApplyChanges(parsed, &failed) != ERROR_SUCCESS)
      std::abort();  // an export that does not import
  }
  std::vector<std::string> again;
  if (!ExportRoots(&again) || again != first) std::abort();  // not the same
  return 0;
}
