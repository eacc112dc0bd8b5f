// Platform layer (internal) - enumeration read-ahead: RegEnumKeyW and
// RegEnumValueW read a key's entries in chunks kept with the handle, so that
// walking n entries costs n steps rather than n^2 (no OFFSET scans).
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_READ_AHEAD_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_READ_AHEAD_H_

#include <windef.h>

#include <cstdint>
#include <vector>

#include "rows.h"
#include "store.h"

namespace matrix::platform::registry {

// What one handle's last enumeration of subkeys or values read ahead: the
// entries from index `first` on, valid while the store is as `generation`
// says.
template <class Entry>
struct ReadAhead {
  int limit = 1;                 // entries the next read-ahead takes
  std::uint64_t key_writes = 0;  // the key's own-commit count when read
  bool valid = false;
  StoreGeneration generation;
  DWORD first = 0;
  std::vector<Entry> entries;
  bool end = false;  // the entries reach the last one
};

// Points `*entry` at subkey `index` of `key` (in folded-name order), served
// from `ahead` or read into it. ERROR_NO_MORE_ITEMS past the last subkey,
// ERROR_KEY_DELETED when the key is gone. `*entry` is valid until `ahead`
// is used again.
LONG SubkeyAt(Store& store, std::int64_t key, DWORD index,
              ReadAhead<SubkeyEntry>& ahead, const SubkeyEntry** entry);

// The same for value `index` of `key` (in creation order).
LONG ValueAt(Store& store, std::int64_t key, DWORD index,
             ReadAhead<ValueEntry>& ahead, const ValueEntry** entry);

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_READ_AHEAD_H_
