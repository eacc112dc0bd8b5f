// Platform layer (internal) - the registry store's layout: its tables, the
// check that a file holds a store of ours, the laying out and seeding of a
// new store, and the clearing of stale volatile keys.
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_SCHEMA_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_SCHEMA_H_

#include <cstdint>
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

// Checks the connected file, which it only reads, for CheckFiles
// (store.cpp): ERROR_SUCCESS when it is empty or a whole store of this
// layout; ERROR_REGISTRY_CORRUPT when its tables, their columns and
// indexes, or its journal (`write_ahead`: the file is in log mode) are not
// those of a store of ours, or when a page is found damaged. The pages of
// a store of `bytes` bytes (file and log) are checked as far as a bounded
// cost allows (kFullCheckBytes, kQuickCheckBytes). Else the code of a read
// that failed.
LONG CheckStore(Store& store, bool write_ahead, std::uint64_t bytes);

// Stores up to this size (file and log) have every page and every index
// entry checked against its row when a process first opens them (SQLite's
// integrity check, about 4 ms a MiB); up to kQuickCheckBytes the structure
// of every page (its quick check, about 1.5 ms a MiB); larger ones their
// layout alone, so that a large store does not make every start slow.
constexpr std::uint64_t kFullCheckBytes = std::uint64_t{8} << 20;
constexpr std::uint64_t kQuickCheckBytes = std::uint64_t{32} << 20;

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
