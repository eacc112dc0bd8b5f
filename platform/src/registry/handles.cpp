// Platform layer - the registry's handles and stores: where the stores
// live, the table of open keys, the lock.
#include "handles.h"

#include <pthread.h>
#include <stdlib.h>
#include <unistd.h>

#include <iterator>
#include <new>
#include <string>

#include "../file/file_names.h"
#include "rows.h"

namespace matrix::platform::registry {
namespace {

// The rights of a predefined key: every one.
constexpr REGSAM kAllRights = 0xFFFFFFFFUL;
// The predefined keys' values run from HKEY_CLASSES_ROOT up to this many
// above it.
constexpr std::uintptr_t kPredefinedKeys = 0x0F;
// Handle values step by 4, as Win32's do.
constexpr std::uintptr_t kHandleStep = 4;

constexpr int kUserStore = 0;
constexpr int kMachineStore = 1;

// Where the stores live, read once, at the first call.
void Locate(RegistryState& r) {
  if (r.located) return;
  r.located = true;
  Store& user = r.stores[kUserStore];
  Store& machine = r.stores[kMachineStore];
  const std::string folder = file::UserSettingsFolder();
  user.path = folder + "/user.sqlite3";
  const char* dir = getenv("MATRIX_REGISTRY_DIR");
  if (dir && *dir) {
    machine.path = folder + "/machine.sqlite3";
    machine.may_create = true;
  } else {
    machine.path = "/var/lib/matrix/registry/machine.sqlite3";
    machine.may_create = geteuid() == 0;
  }
}

// Begins the outer transaction on `s` and notes where the ids of the keys
// it makes begin.
LONG JoinTransaction(Store& s) {
  LONG rc = BeginOuterTransaction(s);
  if (rc == ERROR_SUCCESS) rc = LargestKeyId(s, &s.outer_base_key);
  if (rc != ERROR_SUCCESS && s.outer) RollbackOuterTransaction(s);
  return rc;
}

// After a rollback SQLite hands the ids of the keys the transaction made to
// the next keys made, so a handle still open on one of them would reach an
// unrelated key: such handles now name no key (ERROR_KEY_DELETED), as a
// handle on a deleted key does.
void OrphanHandles(RegistryState& r, int store, std::int64_t base_key) {
  for (auto& [value, open] : r.handles) {
    if (open.store != store || open.key <= base_key) continue;
    open.key = kNoKey;
    open.values = {};
    open.subkeys = {};
  }
}

}  // namespace

RegistryState& Registry() {
  static RegistryState* registry = [] {
    auto* r = new RegistryState();
    r->stores[kUserStore].label = "user";
    r->stores[kMachineStore].label = "machine";
    r->stores[kMachineStore].machine = true;
    // A fork() while another thread is inside a call must not leave the
    // child with a held lock: hold it across fork() in every process. The
    // child's one thread has an identity of its own, which the lock does
    // not know, so the child starts with a new, free lock and without the
    // transaction its parent may have had open (its connections are new).
    pthread_atfork([] { Registry().mutex.lock(); },
                   [] { Registry().mutex.unlock(); },
                   [] {
                     NoteFork();
                     RegistryState& child = Registry();
                     new (&child.mutex) std::recursive_mutex();
                     child.transaction = false;
                   });
    return r;
  }();
  return *registry;
}

void ResetRegistry() {
  RegistryState& r = Registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  for (Store& store : r.stores) Reset(store);
  r.handles.clear();
}

bool IsPredefined(HKEY handle) {
  const auto v = reinterpret_cast<std::uintptr_t>(handle);
  const auto first = reinterpret_cast<std::uintptr_t>(HKEY_CLASSES_ROOT);
  return v >= first && v <= first + kPredefinedKeys;
}

LONG Resolve(RegistryState& r, HKEY handle, ResolvedKey* out) {
  if (handle == HKEY_CURRENT_USER || handle == HKEY_LOCAL_MACHINE) {
    out->store_index = handle == HKEY_CURRENT_USER ? kUserStore : kMachineStore;
    out->key = kRootKey;
    out->access = kAllRights;
  } else if (IsPredefined(handle)) {
    return ERROR_INVALID_HANDLE;  // not backed by a store
  } else {
    auto it = r.handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == r.handles.end()) return ERROR_INVALID_HANDLE;
    out->store_index = it->second.store;
    out->key = it->second.key;
    out->access = it->second.access;
    out->open = &it->second;
  }
  Locate(r);
  out->store = &r.stores[out->store_index];
  LONG rc = Connect(*out->store);
  if (rc == ERROR_SUCCESS && r.transaction && !out->store->outer)
    rc = JoinTransaction(*out->store);
  return rc;
}

LONG BeginTransaction(RegistryState& r) {
  r.mutex.lock();  // unlocked by EndTransaction
  if (r.transaction) {
    r.mutex.unlock();
    return ERROR_INVALID_FUNCTION;
  }
  r.transaction = true;
  return ERROR_SUCCESS;
}

LONG EndTransaction(RegistryState& r, bool commit) {
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  if (!r.transaction) return ERROR_INVALID_FUNCTION;
  LONG rc = ERROR_SUCCESS;
  for (int i = 0; i < static_cast<int>(std::size(r.stores)); ++i) {
    Store& store = r.stores[i];
    if (!store.outer) continue;
    if (commit && rc == ERROR_SUCCESS) {
      rc = CommitOuterTransaction(store);  // rolls back when it fails
      if (rc != ERROR_SUCCESS) OrphanHandles(r, i, store.outer_base_key);
    } else {
      RollbackOuterTransaction(store);
      OrphanHandles(r, i, store.outer_base_key);
    }
  }
  r.transaction = false;
  r.mutex.unlock();  // BeginTransaction's lock
  return rc;
}

HKEY NewHandle(RegistryState& r, const ResolvedKey& from, std::int64_t key,
               REGSAM access) {
  const std::uintptr_t value = r.next;
  r.next += kHandleStep;
  OpenKey& open = r.handles[value];
  open.store = from.store_index;
  open.key = key;
  open.access = access;
  return reinterpret_cast<HKEY>(value);
}

LONG CloseHandle(RegistryState& r, HKEY handle) {
  return r.handles.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1
             ? ERROR_SUCCESS
             : ERROR_INVALID_HANDLE;
}

KeyCall::KeyCall(HKEY handle, REGSAM needed)
    : registry(Registry()),
      lock(registry.mutex),
      rc(Resolve(registry, handle, &key)) {
  if (rc == ERROR_SUCCESS && needed != 0 && (key.access & needed) == 0)
    rc = ERROR_ACCESS_DENIED;
}

PathCall::PathCall(HKEY handle, LPCWSTR path) : rc(SplitPath(path, &levels)) {
  if (rc != ERROR_SUCCESS) return;
  call.emplace(handle, 0);
  rc = call->rc;
}

}  // namespace matrix::platform::registry
