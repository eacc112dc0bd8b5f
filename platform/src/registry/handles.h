// Platform layer (internal) - the registry's handles: the two stores, the
// table of open keys, and the lock that every registry call holds while it
// runs.
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_HANDLES_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_HANDLES_H_

#include <winreg.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "names.h"
#include "read_ahead.h"
#include "store.h"

namespace matrix::platform::registry {

// What an open handle holds: its key, the rights it was opened with, and
// what its enumerations read ahead.
struct OpenKey {
  int store = 0;  // index into RegistryState::stores
  std::int64_t key = 0;
  REGSAM access = 0;
  ReadAhead<ValueEntry> values;
  ReadAhead<SubkeyEntry> subkeys;
};

// The process's registry: the user's and the machine's store and the open
// handles, guarded by `mutex`. A registry transaction (BeginTransaction)
// keeps `mutex` locked by its thread from its beginning to its end, so that
// the thread's calls run inside it and other threads' calls wait for it.
struct RegistryState {
  std::recursive_mutex mutex;
  bool transaction = false;  // a transaction is open (its thread holds mutex)
  Store stores[2];           // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE
  std::unordered_map<std::uintptr_t, OpenKey> handles;
  std::uintptr_t next = 0x10000;  // handle values are never reused
  bool located = false;           // the stores' paths are read
};

// The one registry of the process, made at the first call and never
// destroyed (handles may be closed from other static destructors).
RegistryState& Registry();

// Closes both stores' connections and every open handle, as a new process
// starts (see Reset in store.h); the stores' locations stay.
void ResetRegistry();

// A handle resolved under the lock: a predefined key (`open` null, every
// right) or an open one, and its store, connected.
struct ResolvedKey {
  Store* store = nullptr;
  int store_index = 0;
  std::int64_t key = 0;
  REGSAM access = 0;
  OpenKey* open = nullptr;
};

// True for the values of the predefined keys (HKEY_CLASSES_ROOT...).
bool IsPredefined(HKEY handle);

// Resolves `handle` and connects its store: ERROR_INVALID_HANDLE for a
// closed or unknown handle and for predefined keys without a store, else
// what connecting gives.
LONG Resolve(RegistryState& registry, HKEY handle, ResolvedKey* out);

// A new handle on `key` of `from`'s store with the rights `access`.
HKEY NewHandle(RegistryState& registry, const ResolvedKey& from,
               std::int64_t key, REGSAM access);

// Closes an open handle: ERROR_INVALID_HANDLE when it is not one.
LONG CloseHandle(RegistryState& registry, HKEY handle);

// What every call on one key begins with: the registry's lock, held until
// the call returns, and the handle resolved under it. `rc` is the call's
// first refusal: a bad handle, a store that cannot be opened, or
// ERROR_ACCESS_DENIED when `needed` is a right the handle lacks (any of
// its bits suffices).
struct KeyCall {
  explicit KeyCall(HKEY handle, REGSAM needed = 0);
  RegistryState& registry;
  std::lock_guard<std::recursive_mutex> lock;
  ResolvedKey key;
  LONG rc;
};

// Begins the calling thread's registry transaction: locks `registry.mutex`
// until EndTransaction, so that calls of other threads wait; each store
// joins it at its first use (Resolve). ERROR_INVALID_FUNCTION when the
// thread has one open already.
LONG BeginTransaction(RegistryState& registry);

// Ends the calling thread's transaction: commits it on every store it
// reached (the user's first), or, with `commit` false or after a failed
// commit, rolls back what is not committed yet; then unlocks the registry.
// ERROR_INVALID_FUNCTION when the thread has none; else the first failure.
LONG EndTransaction(RegistryState& registry, bool commit);

// A call on a path of subkeys below an open key. A malformed path is
// refused before the handle is looked at; then the key is taken as KeyCall
// takes it, lock included.
struct PathCall {
  PathCall(HKEY handle, LPCWSTR path);
  std::vector<Name> levels;
  LONG rc;
  std::optional<KeyCall> call;
};

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_HANDLES_H_
