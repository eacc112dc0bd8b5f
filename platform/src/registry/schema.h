// Platform layer (internal) - the registry store's layout: its tables, the
// check that a file holds a store of ours, the laying out and seeding of a
// new store, and the clearing of stale volatile keys.
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_SCHEMA_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_SCHEMA_H_

#include <string>
#include <utility>
#include <vector>

#include "store.h"

namespace matrix::platform::registry {

// The layout this code writes (SQLite's user_version); a store with a
// higher number is refused.
constexpr int kSchemaVersion = 1;

// Looks at the connected file without changing it: ERROR_SUCCESS with
// `*empty` telling whether it holds nothing yet, or ERROR_REGISTRY_CORRUPT
// when it holds tables that are not a store of ours or a later layout.
LONG CheckLayout(Store& store, bool* empty);

// Lays out an empty store in one transaction, with its root key and, for a
// user's store, the regional settings of the environment. Another process
// may be doing the same: the write lock decides, and the loser finds the
// layout made.
LONG LayOut(Store& store);

// Volatile keys of an earlier boot are gone by now, as on Windows: deletes
// them (with their values) from a store this process may write.
LONG DropStaleVolatileKeys(Store& store);

// The regional settings of the environment's locale, as REG_SZ texts:
// (value name, text) pairs in the order they are written
// (regional_settings.cpp).
std::vector<std::pair<std::wstring, std::wstring>> InternationalSettings();

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_SCHEMA_H_
