// Platform layer (internal) - the registry's key and value rows: every SQL
// statement on the store's two tables, each written once, beside its
// binding. Callers hold the transaction; each function returns
// ERROR_SUCCESS or the Win32 code of what failed.
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_ROWS_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_ROWS_H_

#include <windef.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "names.h"
#include "store.h"

namespace matrix::platform::registry {

// The id of every store's root key (the schema makes it).
constexpr std::int64_t kRootKey = 1;
// An id that no key row has: what a handle holds once its key can no
// longer be told apart from keys made later.
constexpr std::int64_t kNoKey = -1;

// The current time as a FILETIME count (100 ns since 1601).
std::int64_t NowFiletime();
// This boot's identity ("" when the system does not say), which marks the
// rows of volatile keys.
const std::string& BootId();

// --- Key rows ---------------------------------------------------------------

// Facts about one key.
struct KeyFacts {
  int depth = 0;
  bool is_volatile = false;
  std::wstring key_class;
  std::int64_t written = 0;  // FILETIME count
};
// ERROR_KEY_DELETED when the key is gone.
LONG ReadKeyFacts(Store& store, std::int64_t key, KeyFacts* facts);

// The child `name` of `parent`; ERROR_FILE_NOT_FOUND when there is none.
struct ChildKey {
  std::int64_t id = 0;
  int depth = 0;
  bool is_volatile = false;
};
LONG FindChildKey(Store& store, std::int64_t parent, const Name& name,
                  ChildKey* child);

// A key row to insert below `parent`.
struct NewKey {
  std::int64_t parent = 0;
  const Name* name = nullptr;
  const KeyClass* key_class = nullptr;  // null: none
  int depth = 0;
  bool is_volatile = false;
  std::int64_t written = 0;
};
LONG InsertKeyRow(Store& store, const NewKey& key, std::int64_t* id);

// Marks `key` written now; ERROR_KEY_DELETED when it is gone.
LONG TouchKeyRow(Store& store, std::int64_t key);

// Whether `key` has a subkey.
LONG HasChildKey(Store& store, std::int64_t key, bool* has);

// Deletes the row of `key` with its values (its subkeys must be gone).
LONG DeleteKeyRow(Store& store, std::int64_t key);

// Deletes every key below `key`, with their values; `key` stays.
LONG DeleteSubtreeRows(Store& store, std::int64_t key);

// The parent of `key`; 0 for a store's root and for a key that is gone.
LONG ParentOfKey(Store& store, std::int64_t key, std::int64_t* parent);

// The largest id of the keys the store holds now.
LONG LargestKeyId(Store& store, std::int64_t* id);

// --- Value rows -------------------------------------------------------------

// What a value read hands the value's type and bytes to, while they are
// valid; borrowed for one call, never kept.
class ValueSink {
 public:
  template <class F>
  ValueSink(const F& f)  // NOLINT(runtime/explicit): made from a lambda
      : object_(&f),
        call_([](const void* o, DWORD type, const BYTE* bytes,
                 std::size_t size) -> LONG {
          return (*static_cast<const F*>(o))(type, bytes, size);
        }) {}
  LONG operator()(DWORD type, const BYTE* bytes, std::size_t size) const {
    return call_(object_, type, bytes, size);
  }

 private:
  const void* object_;
  LONG (*call_)(const void*, DWORD, const BYTE*, std::size_t);
};

// Hands the value `name` of `key` to `sink` and returns what it returns;
// ERROR_FILE_NOT_FOUND when there is none.
LONG ReadValueRow(Store& store, std::int64_t key, const Name& name,
                  ValueSink sink);
// Creates or overwrites the value `name` of `key` (an overwritten value keeps
// its place in the creation order).
LONG WriteValueRow(Store& store, std::int64_t key, const Name& name, DWORD type,
                   const BYTE* data, std::size_t size);
// ERROR_FILE_NOT_FOUND when there is no value `name`.
LONG DeleteValueRow(Store& store, std::int64_t key, const Name& name);
// Deletes every value of `key`.
LONG DeleteValueRows(Store& store, std::int64_t key);

// --- Counts -----------------------------------------------------------------

// How many subkeys and values a key has and how long their longest names,
// classes and data are (characters; data in bytes).
struct KeyCounts {
  std::int64_t subkeys = 0;
  std::int64_t longest_subkey = 0;
  std::int64_t longest_class = 0;
  std::int64_t values = 0;
  std::int64_t longest_value_name = 0;
  std::int64_t longest_data = 0;
};
// The counts alone come from the indexes; `longest` reads the rows too.
LONG CountSubkeys(Store& store, std::int64_t key, bool longest,
                  KeyCounts* counts);
LONG CountValues(Store& store, std::int64_t key, bool longest,
                 KeyCounts* counts);

// --- Pages of entries, for enumeration --------------------------------------

struct SubkeyEntry {
  std::wstring name;
  std::string folded;
};
struct ValueEntry {
  std::int64_t id = 0;  // its place in the creation order
  std::wstring name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

// Up to `limit` subkeys of `key` in folded-name order: after `after` when
// given, else from the one at `index`. `*end` tells that they reach the
// last subkey.
LONG ReadSubkeyPage(Store& store, std::int64_t key, const SubkeyEntry* after,
                    DWORD index, int limit, std::vector<SubkeyEntry>* page,
                    bool* end);
// The same for values in creation order, stopping early once the page holds
// `byte_budget` bytes of names and data.
LONG ReadValuePage(Store& store, std::int64_t key, const ValueEntry* after,
                   DWORD index, int limit, std::size_t byte_budget,
                   std::vector<ValueEntry>* page, bool* end);

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_ROWS_H_
