// Platform layer - loaded modules: their file names, their handles by
// name or address, and the references that keep them loaded.
#include <dlfcn.h>
#include <link.h>
#include <stringapiset.h>
#include <unistd.h>
#include <utf8codec.h>
#include <winbase.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

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
// same file is loaded at the handle and its path is not read again (from
// the kernel's list of the process's mappings). As on Windows, a
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
// dladdr reports and AfxModuleHandleOf hands out; 0 for a module that maps
// nothing.
std::uintptr_t HandleOf(const dl_phdr_info* info) {
  const std::uintptr_t page =
      static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type == PT_LOAD)
      return (info->dlpi_addr + ph.p_vaddr) & ~(page - 1);
  }
  return 0;
}

bool IsProgram(const dl_phdr_info* info) {
  return info->dlpi_name == nullptr || info->dlpi_name[0] == '\0';
}

int Visit(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  auto* search = static_cast<Search*>(data);
  if (HandleOf(info) != search->handle) return 0;
  search->found = true;
  search->adds = info->dlpi_adds;
  search->subs = info->dlpi_subs;
  search->is_program = IsProgram(info);
  if (!search->is_program) search->name = info->dlpi_name;
  return 1;
}

// A loaded module: its handle and the name the loader knows it by ("" for
// the program).
struct LoadedModule {
  std::uintptr_t handle = 0;
  std::string name;
};

std::vector<LoadedModule> LoadedModules() {
  std::vector<LoadedModule> modules;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        LoadedModule m;
        m.handle = HandleOf(info);
        if (!IsProgram(info)) m.name = info->dlpi_name;
        if (m.handle)
          static_cast<std::vector<LoadedModule>*>(data)->push_back(m);
        return 0;
      },
      &modules);
  return modules;
}

std::string RealPathOf(const std::string& name) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(
      realpath(name.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

// A path the kernel gives for a file that has since been deleted (or
// replaced, as by a package upgrade) ends so; the module was loaded from
// the path before it.
std::string WithoutDeletedMark(std::string path) {
  static const std::string kDeleted = " (deleted)";
  if (path.size() > kDeleted.size() &&
      path.compare(path.size() - kDeleted.size(), kDeleted.size(), kDeleted) ==
          0)
    path.resize(path.size() - kDeleted.size());
  return path;
}

// The file a module was loaded from: the program's from /proc/self/exe, a
// library's by its loader name when that is an absolute path to a file,
// else from the mapping at its handle in /proc/self/maps (slower). The
// kernel's paths are fixed at load time, where resolving a relative loader
// name ("./libplug.so") now would go by the current folder. "" for a
// module without a file (the kernel's vDSO).
std::string LoadedFileOf(bool is_program, std::uintptr_t handle,
                         const std::string& loader_name) {
  if (!is_program && !loader_name.empty() && loader_name[0] == '/') {
    const std::string real = RealPathOf(loader_name);
    if (!real.empty()) return real;
  }
  if (is_program) {
    std::string path(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size())
      return std::string();
    path.resize(static_cast<std::size_t>(n));
    return WithoutDeletedMark(path);
  }
  std::FILE* maps = std::fopen("/proc/self/maps", "re");
  if (!maps) return std::string();
  std::string found;
  char line[PATH_MAX + 128];
  while (found.empty() && std::fgets(line, sizeof line, maps)) {
    char* rest = nullptr;
    const std::uintptr_t start = std::strtoull(line, &rest, 16);
    const std::uintptr_t end = std::strtoull(rest + 1, &rest, 16);
    if (handle < start || handle >= end) continue;
    // perms, offset, device and inode, then the path.
    for (int field = 0; field < 4 && rest; ++field) {
      rest += std::strspn(rest, " ");
      rest += std::strcspn(rest, " \n");
    }
    rest += std::strspn(rest, " ");
    std::string path(rest, std::strcspn(rest, "\n"));
    if (path.empty() || path[0] != '/') break;
    found = WithoutDeletedMark(path);
  }
  std::fclose(maps);
  return found;
}

std::string LastLevel(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Module names are compared as Win32 compares them, case ignored.
bool SameName(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  const std::wstring wa = matrix::platform::ToWide(a);
  const std::wstring wb = matrix::platform::ToWide(b);
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()),
                              wb.c_str(), static_cast<int>(wb.size()),
                              TRUE) == CSTR_EQUAL;
}

// Whether `m` is the module named `wanted`: its file name alone, or with
// a folder the path it was loaded from or its resolved path.
bool IsNamed(const LoadedModule& m, const std::string& wanted,
             const std::string& wanted_real) {
  const std::string real = LoadedFileOf(m.name.empty(), m.handle, m.name);
  if (wanted.find('/') == std::string::npos)
    return SameName(LastLevel(m.name), wanted) ||
           SameName(LastLevel(real), wanted);
  return SameName(m.name, wanted) || SameName(real, wanted) ||
         SameName(real, wanted_real);
}

// The module named `name`; null with ERROR_MOD_NOT_FOUND when none is
// loaded. `*loaded_name` is the name to reach it by again (dlopen's).
HMODULE FindModule(LPCWSTR name, std::string* loaded_name) {
  std::string wanted;
  if (matrix::platform::file::ToFileSystemName(name, wanted)) {
    const std::string wanted_real = RealPathOf(wanted);
    for (const LoadedModule& m : LoadedModules()) {
      if (!IsNamed(m, wanted, wanted_real)) continue;
      *loaded_name = m.name;
      return reinterpret_cast<HMODULE>(m.handle);
    }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

// The loaded name of the module at `handle` ("" for the program); false
// when no module is loaded there.
bool NameOfHandle(HMODULE handle, std::string* name) {
  for (const LoadedModule& m : LoadedModules()) {
    if (reinterpret_cast<HMODULE>(m.handle) != handle) continue;
    *name = m.name;
    return true;
  }
  return false;
}

// Adds one to the loader's count of the module (`pin`: keeps it loaded for
// good), as Win32's module references do; the program is never unloaded.
void Reference(const std::string& name, bool pin) {
  if (name.empty()) return;
  // The handle is the reference: kept until FreeLibrary gives it back.
  dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | (pin ? RTLD_NODELETE : 0));
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
    const std::string file =
        LoadedFileOf(search.is_program, search.handle, search.name);
    if (file.empty()) {
      // A module without a file of its own (the kernel's vDSO).
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    if (!TryToWide(file, last.path)) {
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

HMODULE GetModuleHandleW(LPCWSTR lpModuleName) {
  std::string loaded_name;
  if (!lpModuleName) {
    const std::vector<LoadedModule> modules = LoadedModules();
    // The loader lists the program first.
    return modules.empty() ? nullptr
                           : reinterpret_cast<HMODULE>(modules.front().handle);
  }
  return FindModule(lpModuleName, &loaded_name);
}

BOOL GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName,
                        HMODULE* phModule) {
  constexpr DWORD kKnown = GET_MODULE_HANDLE_EX_FLAG_PIN |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                           GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
  const bool pin = (dwFlags & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0;
  const bool unchanged =
      (dwFlags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) != 0;
  if (phModule) *phModule = nullptr;
  if (!phModule || (dwFlags & ~kKnown) != 0 || (pin && unchanged)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HMODULE module = nullptr;
  std::string name;
  if ((dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) != 0) {
    Dl_info info;
    if (lpModuleName && dladdr(lpModuleName, &info) != 0)
      module = static_cast<HMODULE>(info.dli_fbase);
    if (!module || !NameOfHandle(module, &name)) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return FALSE;
    }
  } else if (!lpModuleName) {
    module = GetModuleHandleW(nullptr);
  } else {
    module = FindModule(lpModuleName, &name);
    if (!module) return FALSE;
  }
  if (!unchanged) Reference(name, pin);
  *phModule = module;
  return TRUE;
}

BOOL FreeLibrary(HMODULE hLibModule) {
  std::string name;
  if (!hLibModule || !NameOfHandle(hLibModule, &name)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (name.empty()) return TRUE;  // the program stays
  void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (!handle) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  // Gives back the reference just taken and the caller's.
  dlclose(handle);
  if (dlclose(handle) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
