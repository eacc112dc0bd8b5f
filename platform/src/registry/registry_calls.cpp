// Platform layer - the Win32 registry calls (winreg.h). Each checks its
// arguments and the handle's rights, makes one call into the storage layer
// (keys.h, read_ahead.h) and copies out under Win32's buffer rules.
#include <winreg.h>

#include <algorithm>
#include <cstring>

#include "handles.h"
#include "keys.h"
#include "names.h"
#include "read_ahead.h"

namespace reg = matrix::platform::registry;

namespace {

// The options this layer gives a meaning to; links and backup semantics
// have none here.
constexpr DWORD kKnownCreateOptions =
    REG_OPTION_VOLATILE | REG_OPTION_OPEN_LINK;
// The most bytes one value may hold.
constexpr DWORD kMostValueBytes = 0x7FFFFFFF;

// Copies `name` and its terminator to `out`, which has room for `room`
// characters; ERROR_MORE_DATA (nothing copied) when they do not fit.
LONG CopyName(const std::wstring& name, LPWSTR out, DWORD room) {
  if (name.size() + 1 > room) return ERROR_MORE_DATA;
  std::copy(name.begin(), name.end(), out);
  out[name.size()] = 0;
  return ERROR_SUCCESS;
}

// Copies `size` bytes of data out by Win32's rules: a size query when
// `data` is null, ERROR_MORE_DATA (buffer untouched) when they do not fit.
LONG CopyData(const void* bytes, size_t size, LPBYTE data, LPDWORD cb) {
  if (size > 0xFFFFFFFFu) return ERROR_INVALID_DATA;
  if (!cb) return ERROR_SUCCESS;
  const DWORD room = *cb;
  *cb = static_cast<DWORD>(size);
  if (!data) return ERROR_SUCCESS;
  if (size > room) return ERROR_MORE_DATA;
  if (size) std::memcpy(data, bytes, size);
  return ERROR_SUCCESS;
}

// The arguments of RegCreateKeyExW, checked: the levels of the path and
// what the keys it makes get.
struct CreateArguments {
  std::vector<reg::Name> levels;
  reg::KeyClass key_class;
  reg::NewKeyOptions options;
};
LONG CheckCreateArguments(LPCWSTR sub_key, LPWSTR key_class, DWORD options,
                          CreateArguments* out) {
  if ((options & ~kKnownCreateOptions) != 0) return ERROR_INVALID_PARAMETER;
  LONG rc = reg::MakeKeyClass(key_class, &out->key_class);
  if (rc == ERROR_SUCCESS) rc = reg::SplitPath(sub_key, &out->levels);
  if (rc != ERROR_SUCCESS) return rc;
  if (out->levels.size() > reg::kMaxLevelsPerCall)
    return ERROR_INVALID_PARAMETER;
  out->options.key_class = &out->key_class;
  out->options.is_volatile = (options & REG_OPTION_VOLATILE) != 0;
  return ERROR_SUCCESS;
}

// The class of a key out by RegQueryInfoKeyW's rule: ERROR_MORE_DATA, with
// the length needed, when it does not fit.
LONG CopyClass(const std::wstring& key_class, LPWSTR out, LPDWORD room) {
  const auto length = static_cast<DWORD>(key_class.size());
  if (out) {
    if (length + 1 > *room) {
      *room = length;
      return ERROR_MORE_DATA;
    }
    std::copy(key_class.begin(), key_class.end(), out);
    out[length] = 0;
  }
  if (room) *room = length;
  return ERROR_SUCCESS;
}

void Put(LPDWORD out, std::int64_t value) {
  if (out) *out = static_cast<DWORD>(value);
}

}  // namespace

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/,
                     LPWSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                     const SECURITY_ATTRIBUTES* /*lpSecurityAttributes*/,
                     PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  CreateArguments args;
  LONG rc = CheckCreateArguments(lpSubKey, lpClass, dwOptions, &args);
  if (rc != ERROR_SUCCESS) return rc;
  reg::KeyCall call(hKey);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  std::int64_t key = 0;
  bool created = false;
  rc = reg::CreateKeyPath(*call.key.store, call.key.key, args.levels,
                          args.options, &key, &created);
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = reg::NewHandle(call.registry, call.key, key, samDesired);
  if (lpdwDisposition)
    *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/,
                   REGSAM samDesired, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  reg::PathCall path(hKey, lpSubKey);
  if (path.rc != ERROR_SUCCESS) return path.rc;
  const reg::ResolvedKey& from = path.call->key;
  if (!lpSubKey && !from.open) {
    *phkResult = hKey;  // a predefined key opens as itself
    return ERROR_SUCCESS;
  }
  std::int64_t key = 0;
  const LONG rc = reg::OpenKeyPath(*from.store, from.key, path.levels, &key);
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = reg::NewHandle(path.call->registry, from, key, samDesired);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
  if (reg::IsPredefined(hKey)) return ERROR_SUCCESS;
  reg::RegistryState& registry = reg::Registry();
  std::lock_guard<std::recursive_mutex> lock(registry.mutex);
  return reg::CloseHandle(registry, hKey);
}

LONG RegEnumKeyW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD cchName) {
  reg::KeyCall call(hKey, KEY_ENUMERATE_SUB_KEYS);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  if (!lpName) return ERROR_INVALID_PARAMETER;
  const reg::ResolvedKey& k = call.key;
  reg::ReadAhead<reg::SubkeyEntry> once;  // a predefined key keeps none
  const reg::SubkeyEntry* entry = nullptr;
  const LONG rc = reg::SubkeyAt(*k.store, k.key, dwIndex,
                                k.open ? k.open->subkeys : once, &entry);
  if (rc != ERROR_SUCCESS) return rc;
  return CopyName(entry->name, lpName, cchName);
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName,
                   LPDWORD lpcchValueName, LPDWORD /*lpReserved*/,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  reg::KeyCall call(hKey, KEY_QUERY_VALUE);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  if (!lpValueName || !lpcchValueName || (lpData && !lpcbData))
    return ERROR_INVALID_PARAMETER;
  const reg::ResolvedKey& k = call.key;
  reg::ReadAhead<reg::ValueEntry> once;  // a predefined key keeps none
  const reg::ValueEntry* entry = nullptr;
  LONG rc = reg::ValueAt(*k.store, k.key, dwIndex,
                         k.open ? k.open->values : once, &entry);
  if (rc != ERROR_SUCCESS) return rc;
  // The type and the data's size are reported whether or not the name fits;
  // a name that does not fit leaves both buffers and the name count alone.
  if (lpType) *lpType = entry->type;
  rc = CopyName(entry->name, lpValueName, *lpcchValueName);
  if (rc != ERROR_SUCCESS) {
    const LONG size_rc =
        CopyData(nullptr, entry->data.size(), nullptr, lpcbData);
    return size_rc != ERROR_SUCCESS ? size_rc : rc;
  }
  *lpcchValueName = static_cast<DWORD>(entry->name.size());
  return CopyData(entry->data.data(), entry->data.size(), lpData, lpcbData);
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD /*lpReserved*/,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  reg::Name name;
  const LONG rc = reg::MakeValueName(lpValueName, &name);
  if (rc != ERROR_SUCCESS) return rc;
  reg::KeyCall call(hKey, KEY_QUERY_VALUE);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  return reg::GetValue(*call.key.store, call.key.key, name,
                       [&](DWORD type, const BYTE* bytes, size_t size) -> LONG {
                         if (lpType) *lpType = type;
                         return CopyData(bytes, size, lpData, lpcbData);
                       });
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/,
                    DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData != 0) return ERROR_INVALID_PARAMETER;
  if (cbData > kMostValueBytes) return ERROR_INVALID_PARAMETER;
  reg::Name name;
  const LONG rc = reg::MakeValueName(lpValueName, &name);
  if (rc != ERROR_SUCCESS) return rc;
  reg::KeyCall call(hKey, KEY_SET_VALUE);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  return reg::SetValue(*call.key.store, call.key.key, name, dwType, lpData,
                       cbData);
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  reg::PathCall path(hKey, lpSubKey);
  if (path.rc != ERROR_SUCCESS) return path.rc;
  const reg::ResolvedKey& from = path.call->key;
  return reg::DeleteKeyPath(*from.store, from.key, path.levels);
}

LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
  reg::PathCall path(hKey, lpSubKey);
  if (path.rc != ERROR_SUCCESS) return path.rc;
  const reg::ResolvedKey& from = path.call->key;
  const bool keep_key = lpSubKey == nullptr;
  const bool may_delete_values = (from.access & KEY_SET_VALUE) != 0;
  return reg::DeleteKeyTree(*from.store, from.key, path.levels, keep_key,
                            !may_delete_values);
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  reg::Name name;
  const LONG rc = reg::MakeValueName(lpValueName, &name);
  if (rc != ERROR_SUCCESS) return rc;
  reg::KeyCall call(hKey, KEY_SET_VALUE);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  return reg::DeleteValue(*call.key.store, call.key.key, name);
}

LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass,
                      LPDWORD /*lpReserved*/, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                      LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                      PFILETIME lpftLastWriteTime) {
  if (lpClass && !lpcchClass) return ERROR_INVALID_PARAMETER;
  reg::KeyCall call(hKey, KEY_QUERY_VALUE);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  reg::DescriptionWanted wanted;
  wanted.subkey_lengths = lpcbMaxSubKeyLen || lpcbMaxClassLen;
  wanted.subkeys = lpcSubKeys != nullptr;
  wanted.value_lengths = lpcbMaxValueNameLen || lpcbMaxValueLen;
  wanted.values = lpcValues != nullptr;
  reg::KeyDescription d;
  LONG rc = reg::DescribeKey(*call.key.store, call.key.key, wanted, &d);
  if (rc == ERROR_SUCCESS)
    rc = CopyClass(d.facts.key_class, lpClass, lpcchClass);
  if (rc != ERROR_SUCCESS) return rc;
  Put(lpcSubKeys, d.counts.subkeys);
  Put(lpcbMaxSubKeyLen, d.counts.longest_subkey);
  Put(lpcbMaxClassLen, d.counts.longest_class);
  Put(lpcValues, d.counts.values);
  Put(lpcbMaxValueNameLen, d.counts.longest_value_name);
  Put(lpcbMaxValueLen, d.counts.longest_data);
  Put(lpcbSecurityDescriptor, 0);  // the store keeps no descriptors
  if (lpftLastWriteTime) {
    const auto written = static_cast<std::uint64_t>(d.facts.written);
    lpftLastWriteTime->dwLowDateTime = static_cast<DWORD>(written & 0xFFFFFFFF);
    lpftLastWriteTime->dwHighDateTime = static_cast<DWORD>(written >> 32);
  }
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY hKey) {
  reg::KeyCall call(hKey);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  return reg::FlushKey(*call.key.store, call.key.key);
}

LONG AfxRegIsKeyWithin(HKEY hOuter, HKEY hKey, BOOL* within) {
  if (!within) return ERROR_INVALID_PARAMETER;
  reg::RegistryState& registry = reg::Registry();
  std::lock_guard<std::recursive_mutex> lock(registry.mutex);
  reg::ResolvedKey outer, inner;
  LONG rc = reg::Resolve(registry, hOuter, &outer);
  if (rc == ERROR_SUCCESS) rc = reg::Resolve(registry, hKey, &inner);
  if (rc != ERROR_SUCCESS) return rc;
  *within = FALSE;
  if (outer.store != inner.store) return ERROR_SUCCESS;
  bool is_within = false;
  rc = reg::IsKeyWithin(*outer.store, outer.key, inner.key, &is_within);
  if (rc == ERROR_SUCCESS && is_within) *within = TRUE;
  return rc;
}

LONG AfxRegBeginTransaction() { return reg::BeginTransaction(reg::Registry()); }

LONG AfxRegCommitTransaction() {
  return reg::EndTransaction(reg::Registry(), true);
}

LONG AfxRegRollbackTransaction() {
  return reg::EndTransaction(reg::Registry(), false);
}
