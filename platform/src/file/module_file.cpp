// Platform layer - the file names of loaded modules.
#include <link.h>
#include <unistd.h>
#include <utf8codec.h>
#include <winbase.h>

#include <climits>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>

#include "file_names.h"

namespace {

struct Search {
  std::uintptr_t handle;
  bool found = false;
  bool is_program = false;
  std::string name;
  // The loader's counts of loads and unloads when the module was found.
  unsigned long long adds = 0, subs = 0;
};

// The resolved path of the module last asked for on this thread. The loader
// counts every load and unload, so while both counts stay as they were the
// same file is loaded at the handle and its path is not resolved again (a
// resolution costs a system call per level of the path). As on Windows, a
// module's name is the path it was loaded from.
struct LastModule {
  bool valid = false;
  std::uintptr_t handle = 0;
  unsigned long long adds = 0, subs = 0;
  std::string name;
  std::wstring path;
};

thread_local LastModule t_last_module;

// A module's handle is the start of its first mapped page, the base that
// dladdr reports and AfxModuleHandleOf hands out.
int Visit(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  auto* search = static_cast<Search*>(data);
  const std::uintptr_t page =
      static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    const std::uintptr_t start = (info->dlpi_addr + ph.p_vaddr) & ~(page - 1);
    if (start != search->handle) return 0;
    search->found = true;
    search->adds = info->dlpi_adds;
    search->subs = info->dlpi_subs;
    search->is_program =
        info->dlpi_name == nullptr || info->dlpi_name[0] == '\0';
    if (!search->is_program) search->name = info->dlpi_name;
    return 1;
  }
  return 0;
}

}  // namespace

DWORD GetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size) {
  using matrix::platform::TryToWide;
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Search search;
  search.handle = reinterpret_cast<std::uintptr_t>(module);
  if (module == nullptr) {
    search.found = search.is_program = true;
  } else {
    dl_iterate_phdr(Visit, &search);
  }
  if (!search.found) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  LastModule& last = t_last_module;
  const bool known = module != nullptr && last.valid &&
                     last.handle == search.handle && last.adds == search.adds &&
                     last.subs == search.subs && last.name == search.name;
  if (!known) {
    last.valid = false;
    const std::string file = search.is_program ? "/proc/self/exe" : search.name;
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        realpath(file.c_str(), nullptr), &std::free);
    if (!resolved) {
      // A module without a file of its own (the kernel's vDSO) or one whose
      // file is gone.
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    if (!TryToWide(resolved.get(), last.path)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    if (module != nullptr) {
      last.handle = search.handle;
      last.adds = search.adds;
      last.subs = search.subs;
      last.name = search.name;
      last.valid = true;
    }
  }
  const std::wstring& wide = last.path;
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (wide.size() >= size) {
    std::wmemcpy(name, wide.c_str(), size - 1);
    name[size - 1] = L'\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::wmemcpy(name, wide.c_str(), wide.size() + 1);
  return static_cast<DWORD>(wide.size());
}
