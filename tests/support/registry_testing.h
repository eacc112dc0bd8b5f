// Test support: a registry store of the test process's own, and scratch keys.
#ifndef MATRIX_TESTS_SUPPORT_REGISTRY_TESTING_H_
#define MATRIX_TESTS_SUPPORT_REGISTRY_TESTING_H_

#include <stdlib.h>
#include <unistd.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace matrix::testing {

// A fresh folder for this process's stores, named in MATRIX_REGISTRY_DIR
// before the first registry call and removed at exit. Call it before any
// registry call of the process.
inline const std::string& RegistryFolder() {
  static const std::string* folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "matrix-registry-XXXXXX")
            .string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    const char* made = mkdtemp(buffer.data());
    auto* path = new std::string(made ? made : "");
    setenv("MATRIX_REGISTRY_DIR", path->c_str(), 1);
    static const pid_t owner = getpid();
    std::atexit([] {
      if (getpid() != owner) return;  // a forked child leaves it to the parent
      std::error_code ignored;
      std::filesystem::remove_all(RegistryFolder(), ignored);
    });
    return path;
  }();
  return *folder;
}

// Deletes every subkey of `key`, depth first, by the layer's own calls
// (independent of the library's tree functions).
inline void EmptyKey(HKEY key) {
  WCHAR name[300];
  while (RegEnumKeyW(key, 0, name, 300) == ERROR_SUCCESS) {
    HKEY child = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_ALL_ACCESS, &child) != ERROR_SUCCESS)
      return;
    EmptyKey(child);
    RegCloseKey(child);
    if (RegDeleteKeyW(key, name) != ERROR_SUCCESS) return;
  }
}

// Deletes `path` below `root` with everything below it.
inline void RemoveTree(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) !=
      ERROR_SUCCESS)
    return;
  EmptyKey(key);
  RegCloseKey(key);
  RegDeleteKeyW(root, path.c_str());
}

// A new, empty key HKEY_CURRENT_USER\Software\matrix-tests\<n>, opened with
// every right; removed with its subtree at the end of the test.
class ScratchKey {
 public:
  ScratchKey() {
    RegistryFolder();
    static std::atomic<int> counter{0};
    path_ = L"Software\\matrix-tests\\k" + std::to_wstring(counter++);
    RemoveTree(HKEY_CURRENT_USER, path_);
    status_ = RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  ~ScratchKey() {
    if (key_) RegCloseKey(key_);
    RemoveTree(HKEY_CURRENT_USER, path_);
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  HKEY get() const { return key_; }
  LONG status() const { return status_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
  LONG status_ = ERROR_SUCCESS;
};

// Creates (or opens) `path` below `parent` with every right.
inline HKEY MakeKey(HKEY parent, const std::wstring& path,
                    const wchar_t* cls = nullptr) {
  HKEY key = nullptr;
  RegCreateKeyExW(parent, path.c_str(), 0, const_cast<LPWSTR>(cls), 0,
                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

// Stores text as REG_SZ data, terminator included.
inline LONG SetString(HKEY key, const wchar_t* name, const std::wstring& text,
                      DWORD type = REG_SZ) {
  return RegSetValueExW(
      key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

inline LONG SetDword(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The bytes and type of a value; `status` is the read's code.
struct ValueBytes {
  LONG status = ERROR_SUCCESS;
  DWORD type = 0;
  std::vector<BYTE> bytes;
};
inline ValueBytes ReadValue(HKEY key, const wchar_t* name) {
  ValueBytes v;
  DWORD size = 0;
  v.status = RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size);
  if (v.status != ERROR_SUCCESS) return v;
  v.bytes.resize(size);
  v.status =
      RegQueryValueExW(key, name, nullptr, &v.type, v.bytes.data(), &size);
  v.bytes.resize(size);
  return v;
}

// The names of the subkeys of `key`, in enumeration order.
inline std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  WCHAR name[300];
  for (DWORD i = 0; RegEnumKeyW(key, i, name, 300) == ERROR_SUCCESS; ++i)
    names.push_back(name);
  return names;
}

// The names of the values of `key`, in enumeration order.
inline std::vector<std::wstring> ValueNames(HKEY key) {
  std::vector<std::wstring> names;
  for (DWORD i = 0;; ++i) {
    WCHAR name[16384];
    DWORD length = 16384;
    if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

}  // namespace matrix::testing

#endif  // MATRIX_TESTS_SUPPORT_REGISTRY_TESTING_H_
