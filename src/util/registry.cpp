// matrix - registry trees and regional settings: RegDeleteKeyWithSubkey,
// RegCopyKeyWithSubkey, GetControlPanelProp.
#include <matrix/util.h>

#include <memory>
#include <new>
#include <vector>

namespace {

// Names and classes are read into buffers of 261 characters, so each may
// hold 260 characters and the terminator.
constexpr DWORD kNameBuffer = 261;
// Value data are read into one buffer of 1 MiB.
constexpr DWORD kDataBuffer = 1048576;

constexpr REGSAM kDeleteAccess =
    KEY_WRITE | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
constexpr REGSAM kReadAccess = KEY_READ;
constexpr REGSAM kWriteAccess = KEY_WRITE;

// Handles opened by a walk, closed when the walk ends however it ends
// (a thrown CMemoryException* included).
class OpenKeys {
 public:
  OpenKeys() = default;
  OpenKeys(const OpenKeys&) = delete;
  OpenKeys& operator=(const OpenKeys&) = delete;
  ~OpenKeys() {
    while (!keys_.empty()) Pop();
  }
  void Push(HKEY key) {
    // A key that cannot be kept is closed here, or it would stay open. The
    // only exception is the memory one; catching it by its type would make
    // this library export that pointer type's type_info.
    try {
      matrix::platform::WithFrameworkMemory([&] { keys_.push_back(key); });
    } catch (...) {
      RegCloseKey(key);
      throw;
    }
  }
  void Pop() {
    RegCloseKey(keys_.back());
    keys_.pop_back();
  }
  HKEY Top() const { return keys_.back(); }
  bool Empty() const { return keys_.empty(); }

 private:
  std::vector<HKEY> keys_;
};

// One key being copied: where its subkey phase stands.
struct CopyLevel {
  HKEY source;
  HKEY destination;
  DWORD next_subkey;
};

// The values phase of one copy level: every value of `source` written to
// `destination` through a 1 MiB buffer allocated here, after the level's
// subkeys, and released before it returns.
LONG CopyValues(HKEY source, HKEY destination) {
  std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[kDataBuffer]);
  if (!data) AfxThrowMemoryException();
  WCHAR name[kNameBuffer];
  LONG rc = ERROR_SUCCESS;
  for (DWORD j = 0;; ++j) {
    DWORD name_length = kNameBuffer;
    DWORD size = kDataBuffer;
    DWORD type = 0;
    rc = RegEnumValueW(source, j, name, &name_length, nullptr, &type,
                       data.get(), &size);
    if (rc != ERROR_SUCCESS) break;
    rc = RegSetValueExW(destination, name, 0, type, data.get(), size);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return rc == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : rc;
}

}  // namespace

// Each pass reads subkey 0, because each pass deletes or empties the first
// subkey: a key with children is descended into and deleted by a later pass
// of its parent, once that pass meets it without children. The descent is
// kept in `open` rather than on the call stack.
LONG RegDeleteKeyWithSubkey(HKEY key) {
  OpenKeys open;
  WCHAR name[kNameBuffer];
  for (;;) {
    HKEY current = open.Empty() ? key : open.Top();
    LONG rc = RegEnumKeyW(current, 0, name, kNameBuffer);
    if (rc == ERROR_NO_MORE_ITEMS) {
      if (open.Empty()) return ERROR_SUCCESS;
      open.Pop();  // emptied; its parent's next pass deletes it
      continue;
    }
    if (rc != ERROR_SUCCESS) return rc;
    HKEY sub = nullptr;
    rc = RegOpenKeyExW(current, name, 0, kDeleteAccess, &sub);
    if (rc != ERROR_SUCCESS) return rc;
    DWORD subkeys = 0;
    rc = RegQueryInfoKeyW(sub, nullptr, nullptr, nullptr, &subkeys, nullptr,
                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) {
      RegCloseKey(sub);
      return rc;
    }
    if (subkeys == 0) {
      rc = RegDeleteKeyW(current, name);
      RegCloseKey(sub);
      if (rc != ERROR_SUCCESS) return rc;
    } else {
      open.Push(sub);
    }
  }
}

// Depth first, subkeys before values, each in index order. The subkey
// phase ends only at the end of the subkeys: any other failure of the name
// read (a handle without KEY_ENUMERATE_SUB_KEYS, a busy store, a key
// deleted meanwhile) is returned rather than dropped, so that a partial
// copy is never reported as a whole one.
LONG RegCopyKeyWithSubkey(HKEY source, HKEY destination) {
  // A destination inside the source's subtree would be copied into itself
  // again and again, down to the depth limit.
  BOOL inside = FALSE, contains = FALSE;
  LONG rc = AfxRegIsKeyWithin(source, destination, &inside);
  if (rc == ERROR_SUCCESS && inside)
    rc = AfxRegIsKeyWithin(destination, source, &contains);
  if (rc != ERROR_SUCCESS) return rc;
  if (inside && !contains) return ERROR_INVALID_PARAMETER;

  OpenKeys open;  // source and destination subkeys, in pairs
  std::vector<CopyLevel> levels;
  auto push = [&levels](CopyLevel level) {
    matrix::platform::WithFrameworkMemory([&] { levels.push_back(level); });
  };
  push({source, destination, 0});
  WCHAR name[kNameBuffer];
  WCHAR cls[kNameBuffer];
  while (!levels.empty()) {
    CopyLevel& level = levels.back();
    rc = RegEnumKeyW(level.source, level.next_subkey, name, kNameBuffer);
    if (rc == ERROR_SUCCESS) {
      ++level.next_subkey;
      HKEY source_sub = nullptr;
      rc = RegOpenKeyExW(level.source, name, 0, kReadAccess, &source_sub);
      if (rc != ERROR_SUCCESS) return rc;
      open.Push(source_sub);
      DWORD class_length = kNameBuffer;
      rc = RegQueryInfoKeyW(source_sub, cls, &class_length, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr);
      if (rc != ERROR_SUCCESS) return rc;
      HKEY destination_sub = nullptr;
      rc = RegCreateKeyExW(level.destination, name, 0, cls,
                           REG_OPTION_NON_VOLATILE, kWriteAccess, nullptr,
                           &destination_sub, nullptr);
      if (rc != ERROR_SUCCESS) return rc;
      open.Push(destination_sub);
      push({source_sub, destination_sub, 0});
      continue;
    }
    if (rc != ERROR_NO_MORE_ITEMS) return rc;
    rc = CopyValues(level.source, level.destination);
    if (rc != ERROR_SUCCESS) return rc;
    levels.pop_back();
    if (!levels.empty()) {  // the finished pair of subkeys
      open.Pop();
      open.Pop();
    }
  }
  return ERROR_SUCCESS;
}

LONG GetControlPanelProp(CString valueName, DWORD* dwordOut,
                         CString* stringOut) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\International", 0,
                    kReadAccess, &key) != ERROR_SUCCESS)
    return ERROR_SUCCESS;
  OpenKeys open;
  open.Push(key);
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS) return rc;
  if (type == REG_DWORD && dwordOut) {
    // Anything but 4 bytes is no DWORD: storing part of it would be a
    // number nobody wrote.
    if (size != sizeof(DWORD)) return ERROR_INVALID_DATA;
    DWORD value = 0;
    DWORD cb = sizeof value;
    rc = RegQueryValueExW(key, valueName, nullptr, &type,
                          reinterpret_cast<LPBYTE>(&value), &cb);
    // The value may have changed between the two reads.
    if (rc == ERROR_SUCCESS && (type != REG_DWORD || cb != sizeof value))
      rc = ERROR_INVALID_DATA;
    if (rc == ERROR_SUCCESS) *dwordOut = value;
    return rc;
  }
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && stringOut) {
    // Room for the size in bytes plus one characters, as the data may lack
    // a terminator.
    std::vector<WCHAR> text;
    matrix::platform::WithFrameworkMemory(
        [&] { text.assign(static_cast<size_t>(size) / sizeof(WCHAR) + 1, 0); });
    DWORD cb = size;
    rc = RegQueryValueExW(key, valueName, nullptr, &type,
                          reinterpret_cast<LPBYTE>(text.data()), &cb);
    if (rc != ERROR_SUCCESS) return rc;
    // Whole characters only, up to the first zero.
    size_t length = 0;
    const size_t whole = cb / sizeof(WCHAR);
    while (length < whole && text[length] != 0) ++length;
    *stringOut = CString(text.data(), static_cast<int>(length));
    return ERROR_SUCCESS;
  }
  return ERROR_SUCCESS;
}
