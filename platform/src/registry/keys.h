// Platform layer (internal) - the registry's storage operations: what each
// Win32 call asks of a store, each one call in one transaction over the key
// and value rows. The calls (registry_calls.cpp) check their arguments and
// rights before and copy out under Win32's buffer rules after; they see
// neither rows nor SQLite. Each returns ERROR_SUCCESS or the Win32 code of
// what failed (ERROR_KEY_DELETED for a key that is gone).
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_KEYS_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_KEYS_H_

#include <windef.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "names.h"
#include "rows.h"
#include "store.h"

namespace matrix::platform::registry {

// ERROR_SUCCESS when `key` is there (a store's root always is).
LONG CheckKey(Store& store, std::int64_t key);

// What RegCreateKeyExW gives the keys it makes.
struct NewKeyOptions {
  const KeyClass* key_class = nullptr;
  bool is_volatile = false;
};

// Opens or creates the path `levels` below `base`, making every missing
// level (ERROR_ACCESS_DENIED for a store that may not be written,
// ERROR_CHILD_MUST_BE_VOLATILE below a volatile key, ERROR_INVALID_PARAMETER
// past kMaxDepth). Stores the key reached in `*key` and whether a level was
// made in `*created`.
LONG CreateKeyPath(Store& store, std::int64_t base,
                   const std::vector<Name>& levels,
                   const NewKeyOptions& options, std::int64_t* key,
                   bool* created);

// The existing key at the path `levels` below `base`, in `*key`;
// ERROR_FILE_NOT_FOUND when a level is missing.
LONG OpenKeyPath(Store& store, std::int64_t base,
                 const std::vector<Name>& levels, std::int64_t* key);

// Deletes the key at `levels` below `base` with its values:
// ERROR_ACCESS_DENIED when it has subkeys or is the store's root.
LONG DeleteKeyPath(Store& store, std::int64_t base,
                   const std::vector<Name>& levels);

// Deletes everything below the key at `levels` below `base`, with its
// values, and the key itself unless `keep_key`. A store's root is only ever
// emptied (ERROR_ACCESS_DENIED). With `refuse_values` a kept key that has
// values gives ERROR_ACCESS_DENIED with nothing deleted (the handle may not
// delete values).
LONG DeleteKeyTree(Store& store, std::int64_t base,
                   const std::vector<Name>& levels, bool keep_key,
                   bool refuse_values);

// Hands the value `name` of `key` to `sink`; ERROR_FILE_NOT_FOUND when the
// key has no such value.
LONG GetValue(Store& store, std::int64_t key, const Name& name, ValueSink sink);
// Creates or overwrites the value `name` of `key`.
LONG SetValue(Store& store, std::int64_t key, const Name& name, DWORD type,
              const BYTE* data, std::size_t size);
// ERROR_FILE_NOT_FOUND when the key has no value `name`.
LONG DeleteValue(Store& store, std::int64_t key, const Name& name);

// What RegQueryInfoKeyW reports of a key.
struct KeyDescription {
  KeyFacts facts;
  KeyCounts counts;
};
// Which counts are wanted: the counts alone come from the indexes, the
// longest names and data need the rows.
struct DescriptionWanted {
  bool subkeys = false, subkey_lengths = false;
  bool values = false, value_lengths = false;
};
LONG DescribeKey(Store& store, std::int64_t key,
                 const DescriptionWanted& wanted, KeyDescription* out);

// Makes what `key`'s store committed survive a power loss (store.h's
// Flush); ERROR_KEY_DELETED when `key` is gone.
LONG FlushKey(Store& store, std::int64_t key);

// Whether `inner` is `outer` or lies below it.
LONG IsKeyWithin(Store& store, std::int64_t outer, std::int64_t inner,
                 bool* within);

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_KEYS_H_
