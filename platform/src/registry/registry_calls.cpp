// Platform layer - the Win32 registry calls over the SQLite store: handles,
// access rights, buffer rules and enumeration.
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <winreg.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "store.h"

namespace reg = matrix::platform::registry;
using reg::Name;
using reg::Sql;
using reg::StmtUse;
using reg::Store;
using reg::Transaction;

namespace {

// What the last enumeration read ahead, valid while the store is unchanged
// (the same connection, no commit through it, the same data version).
struct Generation {
  std::uint64_t serial = 0;
  std::uint64_t own = 0;
  std::int64_t version = -1;
  std::array<unsigned char, reg::kWalHeaderBytes> header{};
  bool operator==(const Generation&) const = default;
};

// Enumeration reads ahead in chunks and resumes after the last row read,
// so walking n entries costs n steps rather than n^2 (no OFFSET scans).
// A chunk doubles while the store stays unchanged and shrinks to one row
// when it changes, so that a walk interleaved with writes (a copy) does
// not read ahead rows it must read again.
constexpr int kChunkRows = 64;
constexpr size_t kChunkBytes = 256 * 1024;

struct ValueRow {
  std::int64_t id = 0;
  std::wstring name;
  DWORD type = 0;
  std::vector<BYTE> data;
};
struct KeyRow {
  std::wstring name;
  std::string folded;
};
template <class Row>
struct Chunk {
  int limit = 1;                 // rows the next read-ahead takes
  std::uint64_t key_writes = 0;  // the key's own-commit count when read
  bool valid = false;
  Generation gen;
  DWORD first = 0;
  std::vector<Row> rows;
  bool end = false;  // the rows reach the last entry
};

struct Entry {
  int store = 0;
  std::int64_t key = 0;
  REGSAM access = 0;
  Chunk<ValueRow> values;
  Chunk<KeyRow> keys;
};

struct State {
  std::mutex mutex;
  Store stores[2];
  std::unordered_map<std::uintptr_t, Entry> handles;
  std::uintptr_t next = 0x10000;
  bool located = false;
};

State& Global() {
  // Never destroyed: handles may be closed from other static destructors.
  static State* state = [] {
    auto* s = new State();
    s->stores[0].label = "user";
    s->stores[1].label = "machine";
    s->stores[1].machine = true;
    // A fork() while another thread is inside a call must not leave the
    // child with a held lock: hold it across fork() in every process.
    pthread_atfork([] { Global().mutex.lock(); },
                   [] { Global().mutex.unlock(); },
                   [] {
                     reg::NoteFork();
                     Global().mutex.unlock();
                   });
    return s;
  }();
  return *state;
}

std::string HomeConfig() {
  const char* xdg = getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return xdg;
  const char* home = getenv("HOME");
  std::string h = home && *home ? home : "";
  if (h.empty()) {
    if (const passwd* pw = getpwuid(getuid())) h = pw->pw_dir ? pw->pw_dir : "";
  }
  return h + "/.config";
}

// Where the stores live, read once, at the first call.
void Locate(State& st) {
  if (st.located) return;
  st.located = true;
  const char* dir = getenv("MATRIX_REGISTRY_DIR");
  if (dir && *dir) {
    st.stores[0].path = std::string(dir) + "/user.sqlite3";
    st.stores[1].path = std::string(dir) + "/machine.sqlite3";
    st.stores[1].may_create = true;
  } else {
    st.stores[0].path = HomeConfig() + "/matrix/registry/user.sqlite3";
    st.stores[1].path = "/var/lib/matrix/registry/machine.sqlite3";
    st.stores[1].may_create = geteuid() == 0;
  }
}

constexpr REGSAM kAllAccess = 0xFFFFFFFFUL;

struct Target {
  Store* store = nullptr;
  std::int64_t key = 0;
  REGSAM access = 0;
  Entry* entry = nullptr;  // null for a predefined key
  int store_index = 0;
};

bool IsPredefined(HKEY h) {
  const auto v = reinterpret_cast<std::uintptr_t>(h);
  const auto first = reinterpret_cast<std::uintptr_t>(HKEY_CLASSES_ROOT);
  return v >= first && v <= first + 0x0F;
}

LONG Resolve(State& st, HKEY h, Target* t) {
  int index = -1;
  if (h == HKEY_CURRENT_USER) {
    index = 0;
    t->key = reg::kRootKey;
    t->access = kAllAccess;
  } else if (h == HKEY_LOCAL_MACHINE) {
    index = 1;
    t->key = reg::kRootKey;
    t->access = kAllAccess;
  } else if (IsPredefined(h)) {
    return ERROR_INVALID_HANDLE;  // not backed by a store
  } else {
    auto it = st.handles.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == st.handles.end()) return ERROR_INVALID_HANDLE;
    index = it->second.store;
    t->key = it->second.key;
    t->access = it->second.access;
    t->entry = &it->second;
  }
  Locate(st);
  t->store_index = index;
  t->store = &st.stores[index];
  return reg::Connect(*t->store);
}

HKEY NewHandle(State& st, int store, std::int64_t key, REGSAM access) {
  const std::uintptr_t value = st.next;
  st.next += 4;
  Entry& e = st.handles[value];
  e.store = store;
  e.key = key;
  e.access = access;
  return reinterpret_cast<HKEY>(value);
}

// What every call on one key begins with: the registry's lock, held until
// the call returns, and `h` resolved under it. `rc` is the call's first
// refusal: a bad handle, a store that cannot be opened, or
// ERROR_ACCESS_DENIED when `needed` is a right the handle was not opened
// with.
struct KeyCall {
  explicit KeyCall(HKEY h, REGSAM needed = 0)
      : st(Global()), lock(st.mutex), rc(Resolve(st, h, &t)) {
    if (rc == ERROR_SUCCESS && needed != 0 && (t.access & needed) == 0)
      rc = ERROR_ACCESS_DENIED;
  }
  State& st;
  std::lock_guard<std::mutex> lock;
  Target t;
  LONG rc;
};

// A call on a path of subkeys below an open key. A malformed path is
// refused before the handle is looked at; then the key is taken as KeyCall
// takes it, lock included.
struct PathCall {
  PathCall(HKEY h, LPCWSTR path) : rc(reg::SplitPath(path, &levels)) {
    if (rc != ERROR_SUCCESS) return;
    key.emplace(h);
    rc = key->rc;
  }
  std::vector<Name> levels;
  LONG rc;
  std::optional<KeyCall> key;
};

void BindText(sqlite3_stmt* s, int i, const std::string& text) {
  sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()),
                    SQLITE_STATIC);
}

// Facts about one key; ERROR_KEY_DELETED when it is gone.
struct KeyFacts {
  int depth = 0;
  bool is_volatile = false;
  std::wstring cls;
  std::int64_t mtime = 0;
};
LONG Facts(Store& s, std::int64_t key, KeyFacts* f) {
  StmtUse st(s, reg::kKeyInfo);
  if (!st.get()) return reg::FromSqlite(st.error());
  sqlite3_bind_int64(st.get(), 1, key);
  const int rc = sqlite3_step(st.get());
  if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return reg::FromSqlite(rc);
  f->depth = sqlite3_column_int(st.get(), 0);
  f->is_volatile = sqlite3_column_type(st.get(), 1) != SQLITE_NULL;
  f->cls = reg::FromUtf8(sqlite3_column_text(st.get(), 2),
                         sqlite3_column_bytes(st.get(), 2));
  f->mtime = sqlite3_column_int64(st.get(), 3);
  return ERROR_SUCCESS;
}

// The child `name` of `parent`: ERROR_FILE_NOT_FOUND when there is none.
LONG FindChild(Store& s, std::int64_t parent, const Name& name,
               std::int64_t* id, int* depth = nullptr,
               bool* is_volatile = nullptr) {
  StmtUse st(s, reg::kFindChild);
  if (!st.get()) return reg::FromSqlite(st.error());
  sqlite3_bind_int64(st.get(), 1, parent);
  BindText(st.get(), 2, name.folded);
  const int rc = sqlite3_step(st.get());
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return reg::FromSqlite(rc);
  *id = sqlite3_column_int64(st.get(), 0);
  if (depth) *depth = sqlite3_column_int(st.get(), 1);
  if (is_volatile)
    *is_volatile = sqlite3_column_type(st.get(), 2) != SQLITE_NULL;
  return ERROR_SUCCESS;
}

// Marks a key written now; ERROR_KEY_DELETED when it is gone. The time is
// kept to the second: rewriting the key's row at every value write would
// double what each commit writes.
LONG Touch(Store& s, std::int64_t key) {
  std::int64_t written = 0;
  {
    StmtUse st(s, reg::kKeyTime);
    if (!st.get()) return reg::FromSqlite(st.error());
    sqlite3_bind_int64(st.get(), 1, key);
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
    if (rc != SQLITE_ROW) return reg::FromSqlite(rc);
    written = sqlite3_column_int64(st.get(), 0);
  }
  const std::int64_t now = reg::NowFiletime();
  constexpr std::int64_t kOneSecond = 10000000;  // in 100 ns
  if (now >= written && now - written < kOneSecond) return ERROR_SUCCESS;
  StmtUse st(s, reg::kTouchKey);
  if (!st.get()) return reg::FromSqlite(st.error());
  sqlite3_bind_int64(st.get(), 1, key);
  sqlite3_bind_int64(st.get(), 2, now);
  const int rc = sqlite3_step(st.get());
  if (rc != SQLITE_DONE) return reg::FromSqlite(rc);
  return sqlite3_changes(s.db) == 0 ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

// Begins `txn`, the write transaction of a change to `key`, and marks the
// key written; ERROR_ACCESS_DENIED when the store is read-only.
LONG BeginChange(Store& s, Transaction& txn, std::int64_t key) {
  if (s.read_only) return ERROR_ACCESS_DENIED;
  LONG rc = txn.Begin();
  if (rc == ERROR_SUCCESS) rc = Touch(s, key);
  return rc;
}

// The store's state as of now. Where the log's shared index is mapped, its
// header (which every commit of every process rewrites) says it without a
// read transaction and its file locks; else SQLite's data version does.
LONG Current(Store& s, Generation* g) {
  g->serial = s.serial;
  g->own = s.own_writes;
  if (reg::ReadWalHeader(s, g->header.data())) {
    g->version = 0;
    return ERROR_SUCCESS;
  }
  g->header.fill(0);
  StmtUse st(s, reg::kDataVersion);
  if (!st.get()) return reg::FromSqlite(st.error());
  const int rc = sqlite3_step(st.get());
  if (rc != SQLITE_ROW) return reg::FromSqlite(rc);
  g->version = sqlite3_column_int64(st.get(), 0);
  return ERROR_SUCCESS;
}

LONG ValueName(const wchar_t* text, Name* name) {
  const size_t length = text ? std::wcslen(text) : 0;
  return reg::MakeName(text ? text : L"", length, reg::kMaxValueNameLength,
                       false, name)
             ? ERROR_SUCCESS
             : ERROR_INVALID_PARAMETER;
}

// A change to the value named `value_name` of `h`: the name checked, the
// key resolved with KEY_SET_VALUE, then `change(store, key, name)` run in
// one write transaction, which commits when it returns ERROR_SUCCESS.
template <class Change>
LONG ChangeValue(HKEY h, LPCWSTR value_name, Change change) {
  Name name;
  LONG rc = ValueName(value_name, &name);
  if (rc != ERROR_SUCCESS) return rc;
  KeyCall call(h, KEY_SET_VALUE);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  Store& s = *call.t.store;
  Transaction txn(s, true);
  rc = BeginChange(s, txn, call.t.key);
  if (rc != ERROR_SUCCESS) return rc;
  txn.Changes(call.t.key);
  rc = change(s, call.t.key, name);
  return rc == ERROR_SUCCESS ? txn.Commit() : rc;
}

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

// One read-ahead into `c` of the entries of `key` from `index` on, in one
// read transaction. `read(resume)` runs the query and stores the rows;
// `resume` says whether it continues after the rows already in `c`.
template <class Row, class Read>
LONG ReadAhead(Store& s, std::int64_t key, DWORD index, Chunk<Row>& c,
               Read read) {
  // The state is taken first: a commit after it only makes the rows newer
  // than it says, which the next call notices.
  Generation g;
  LONG rc = Current(s, &g);
  Transaction txn(s, false);
  if (rc == ERROR_SUCCESS) rc = txn.Begin();
  KeyFacts f;
  if (rc == ERROR_SUCCESS && key != reg::kRootKey) rc = Facts(s, key, &f);
  if (rc != ERROR_SUCCESS) return rc;
  // Resuming after the last row read is exact while this process has not
  // changed the key since (changes by others race with any walk anyway).
  const auto found = s.key_writes.find(key);
  const std::uint64_t own = found == s.key_writes.end() ? 0 : found->second;
  const bool resume = c.valid && !c.rows.empty() &&
                      index == c.first + c.rows.size() &&
                      (c.gen == g || c.key_writes == own);
  c.limit = !c.valid || c.gen != g ? 1
            : resume               ? std::min(2 * c.limit, kChunkRows)
                                   : c.limit;
  c.key_writes = own;
  rc = read(resume);
  if (rc == ERROR_SUCCESS) rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  c.gen = g;
  c.valid = true;
  return ERROR_SUCCESS;
}

// Fills `c` with the values of `key` from index `index` on, resuming
// after the rows already read when that is where `index` lies.
LONG FillValues(Store& s, std::int64_t key, DWORD index, Chunk<ValueRow>& c) {
  return ReadAhead(s, key, index, c, [&](bool resume) -> LONG {
    const std::int64_t after = resume ? c.rows.back().id : 0;
    StmtUse st(s, resume || index == 0 ? reg::kValuesFrom : reg::kValuesOffset);
    if (!st.get()) return reg::FromSqlite(st.error());
    sqlite3_bind_int64(st.get(), 1, key);
    sqlite3_bind_int64(
        st.get(), 2,
        resume || index == 0 ? after : static_cast<std::int64_t>(index));
    sqlite3_bind_int(st.get(), 3, c.limit);
    c.valid = false;
    c.rows.clear();
    c.first = index;
    c.end = false;
    size_t bytes = 0;
    int step = SQLITE_ROW;
    while (c.rows.size() < static_cast<size_t>(c.limit) &&
           bytes < kChunkBytes &&
           (step = sqlite3_step(st.get())) == SQLITE_ROW) {
      ValueRow row;
      row.id = sqlite3_column_int64(st.get(), 0);
      row.name = reg::FromUtf8(sqlite3_column_text(st.get(), 1),
                               sqlite3_column_bytes(st.get(), 1));
      row.type = static_cast<DWORD>(sqlite3_column_int64(st.get(), 2));
      const auto* p =
          static_cast<const BYTE*>(sqlite3_column_blob(st.get(), 3));
      const int n = sqlite3_column_bytes(st.get(), 3);
      row.data.assign(p, p + n);
      bytes += static_cast<size_t>(n) + row.name.size() * sizeof(wchar_t);
      c.rows.push_back(std::move(row));
    }
    if (step != SQLITE_ROW && step != SQLITE_DONE) return reg::FromSqlite(step);
    c.end = step == SQLITE_DONE;
    return ERROR_SUCCESS;
  });
}

// The same for the subkeys of `key`, resuming after the last folded name.
LONG FillKeys(Store& s, std::int64_t key, DWORD index, Chunk<KeyRow>& c) {
  return ReadAhead(s, key, index, c, [&](bool resume) -> LONG {
    const bool from = resume || index == 0;
    StmtUse st(s, from ? reg::kChildrenFrom : reg::kChildrenOffset);
    if (!st.get()) return reg::FromSqlite(st.error());
    sqlite3_bind_int64(st.get(), 1, key);
    const std::string after = resume ? c.rows.back().folded : std::string();
    if (from)
      BindText(st.get(), 2, after);
    else
      sqlite3_bind_int64(st.get(), 2, index);
    sqlite3_bind_int(st.get(), 3, c.limit);
    c.valid = false;
    c.first = index;
    std::vector<KeyRow> rows;
    int step;
    while ((step = sqlite3_step(st.get())) == SQLITE_ROW) {
      KeyRow row;
      row.name = reg::FromUtf8(sqlite3_column_text(st.get(), 0),
                               sqlite3_column_bytes(st.get(), 0));
      const auto* f8 = sqlite3_column_text(st.get(), 1);
      row.folded.assign(reinterpret_cast<const char*>(f8),
                        static_cast<size_t>(sqlite3_column_bytes(st.get(), 1)));
      rows.push_back(std::move(row));
    }
    if (step != SQLITE_DONE) return reg::FromSqlite(step);
    c.rows = std::move(rows);
    c.end = c.rows.size() < static_cast<size_t>(c.limit);
    return ERROR_SUCCESS;
  });
}

// Serves entry `index` from `c`, refilling it when the store has changed or
// the index lies outside it. ERROR_NO_MORE_ITEMS past the last entry.
template <class Row, class Fill>
LONG Lookup(Store& s, std::int64_t key, DWORD index, Chunk<Row>& c, Fill fill,
            const Row** row) {
  Generation g;
  LONG rc = Current(s, &g);
  if (rc != ERROR_SUCCESS) return rc;
  const bool fresh = c.valid && c.gen == g;
  const DWORD held = static_cast<DWORD>(c.rows.size());
  if (fresh && index >= c.first && index - c.first < held) {
    *row = &c.rows[index - c.first];
    return ERROR_SUCCESS;
  }
  if (fresh && c.end && index >= c.first) return ERROR_NO_MORE_ITEMS;
  rc = fill(s, key, index, c);
  if (rc != ERROR_SUCCESS) return rc;
  if (c.rows.empty()) return ERROR_NO_MORE_ITEMS;
  *row = &c.rows[0];
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/,
                     LPWSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                     const SECURITY_ATTRIBUTES* /*lpSecurityAttributes*/,
                     PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  if ((dwOptions & ~(REG_OPTION_VOLATILE | REG_OPTION_OPEN_LINK)) != 0)
    return ERROR_INVALID_PARAMETER;  // links and backup semantics: none here
  std::string cls;
  size_t class_length = 0;
  if (lpClass) {
    class_length = std::wcslen(lpClass);
    if (class_length > reg::kMaxClassLength ||
        !reg::ToUtf8(lpClass, class_length, &cls))
      return ERROR_INVALID_PARAMETER;
  }
  std::vector<Name> levels;
  LONG rc = reg::SplitPath(lpSubKey, &levels);
  if (rc != ERROR_SUCCESS) return rc;
  if (levels.size() > reg::kMaxLevelsPerCall) return ERROR_INVALID_PARAMETER;
  const bool make_volatile = (dwOptions & REG_OPTION_VOLATILE) != 0;

  KeyCall call(hKey);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  const Target& t = call.t;
  Store& s = *t.store;
  if (levels.empty()) {
    KeyFacts f;
    if (t.key != reg::kRootKey) {
      rc = Facts(s, t.key, &f);
      if (rc != ERROR_SUCCESS) return rc;
    }
    *phkResult = NewHandle(call.st, t.store_index, t.key, samDesired);
    if (lpdwDisposition) *lpdwDisposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  }
  Transaction txn(s, !s.read_only);
  rc = txn.Begin();
  KeyFacts base;
  if (rc == ERROR_SUCCESS) rc = Facts(s, t.key, &base);
  if (rc != ERROR_SUCCESS) return rc;
  std::int64_t current = t.key;
  int depth = base.depth;
  bool is_volatile = base.is_volatile;
  bool created = false;
  const std::int64_t now = reg::NowFiletime();
  for (const Name& level : levels) {
    std::int64_t child = 0;
    int child_depth = 0;
    bool child_volatile = false;
    rc = FindChild(s, current, level, &child, &child_depth, &child_volatile);
    if (rc == ERROR_SUCCESS) {
      current = child;
      depth = child_depth;
      is_volatile = child_volatile;
      continue;
    }
    if (rc != ERROR_FILE_NOT_FOUND) return rc;
    if (s.read_only) return ERROR_ACCESS_DENIED;
    if (depth + 1 > reg::kMaxDepth) return ERROR_INVALID_PARAMETER;
    if (is_volatile && !make_volatile) return ERROR_CHILD_MUST_BE_VOLATILE;
    txn.Changes(current);
    StmtUse ins(s, reg::kInsertKey);
    if (!ins.get()) return reg::FromSqlite(ins.error());
    sqlite3_bind_int64(ins.get(), 1, current);
    BindText(ins.get(), 2, level.folded);
    BindText(ins.get(), 3, level.utf8);
    sqlite3_bind_int64(ins.get(), 4, static_cast<std::int64_t>(level.length));
    if (lpClass)
      BindText(ins.get(), 5, cls);
    else
      sqlite3_bind_null(ins.get(), 5);
    sqlite3_bind_int64(ins.get(), 6, static_cast<std::int64_t>(class_length));
    sqlite3_bind_int(ins.get(), 7, depth + 1);
    if (make_volatile)
      BindText(ins.get(), 8, reg::BootId());
    else
      sqlite3_bind_null(ins.get(), 8);
    sqlite3_bind_int64(ins.get(), 9, now);
    const int step = sqlite3_step(ins.get());
    if (step != SQLITE_DONE) return reg::FromSqlite(step);
    current = sqlite3_last_insert_rowid(s.db);
    depth += 1;
    is_volatile = make_volatile;
    created = true;
  }
  rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = NewHandle(call.st, t.store_index, current, samDesired);
  if (lpdwDisposition)
    *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/,
                   REGSAM samDesired, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  PathCall call(hKey, lpSubKey);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  const std::vector<Name>& levels = call.levels;
  const Target& t = call.key->t;
  Store& s = *t.store;
  LONG rc = ERROR_SUCCESS;
  if (!lpSubKey && !t.entry) {
    *phkResult = hKey;  // a predefined key opens as itself
    return ERROR_SUCCESS;
  }
  std::int64_t current = t.key;
  if (levels.size() <= 1 && t.key == reg::kRootKey) {
    // One lookup needs no transaction of its own.
    if (!levels.empty()) rc = FindChild(s, current, levels[0], &current);
  } else {
    Transaction txn(s, false);
    rc = txn.Begin();
    KeyFacts f;
    if (rc == ERROR_SUCCESS && t.key != reg::kRootKey) rc = Facts(s, t.key, &f);
    for (size_t i = 0; rc == ERROR_SUCCESS && i < levels.size(); ++i)
      rc = FindChild(s, current, levels[i], &current);
    if (rc == ERROR_SUCCESS) rc = txn.Commit();
  }
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = NewHandle(call.key->st, t.store_index, current, samDesired);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
  if (IsPredefined(hKey)) return ERROR_SUCCESS;
  State& st = Global();
  std::lock_guard<std::mutex> lock(st.mutex);
  return st.handles.erase(reinterpret_cast<std::uintptr_t>(hKey)) == 1
             ? ERROR_SUCCESS
             : ERROR_INVALID_HANDLE;
}

LONG RegEnumKeyW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD cchName) {
  KeyCall call(hKey, KEY_ENUMERATE_SUB_KEYS);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  const Target& t = call.t;
  if (!lpName) return ERROR_INVALID_PARAMETER;
  Chunk<KeyRow> local;
  Chunk<KeyRow>& chunk = t.entry ? t.entry->keys : local;
  const KeyRow* row = nullptr;
  LONG rc = Lookup(*t.store, t.key, dwIndex, chunk, FillKeys, &row);
  if (rc != ERROR_SUCCESS) return rc;
  return CopyName(row->name, lpName, cchName);
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName,
                   LPDWORD lpcchValueName, LPDWORD /*lpReserved*/,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  KeyCall call(hKey, KEY_QUERY_VALUE);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  const Target& t = call.t;
  if (!lpValueName || !lpcchValueName || (lpData && !lpcbData))
    return ERROR_INVALID_PARAMETER;
  Chunk<ValueRow> local;
  Chunk<ValueRow>& chunk = t.entry ? t.entry->values : local;
  const ValueRow* row = nullptr;
  LONG rc = Lookup(*t.store, t.key, dwIndex, chunk, FillValues, &row);
  if (rc != ERROR_SUCCESS) return rc;
  rc = CopyName(row->name, lpValueName, *lpcchValueName);
  if (rc != ERROR_SUCCESS) return rc;
  *lpcchValueName = static_cast<DWORD>(row->name.size());
  if (lpType) *lpType = row->type;
  return CopyData(row->data.data(), row->data.size(), lpData, lpcbData);
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD /*lpReserved*/,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  Name name;
  LONG rc = ValueName(lpValueName, &name);
  if (rc != ERROR_SUCCESS) return rc;
  KeyCall call(hKey, KEY_QUERY_VALUE);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  const Target& t = call.t;
  Store& s = *t.store;
  {
    StmtUse q(s, reg::kQueryValue);
    if (!q.get()) return reg::FromSqlite(q.error());
    sqlite3_bind_int64(q.get(), 1, t.key);
    BindText(q.get(), 2, name.folded);
    const int step = sqlite3_step(q.get());
    if (step == SQLITE_ROW) {
      if (lpType)
        *lpType = static_cast<DWORD>(sqlite3_column_int64(q.get(), 0));
      const void* bytes = sqlite3_column_blob(q.get(), 1);
      const int size = sqlite3_column_bytes(q.get(), 1);
      return CopyData(bytes, static_cast<size_t>(size), lpData, lpcbData);
    }
    if (step != SQLITE_DONE) return reg::FromSqlite(step);
  }
  if (t.key == reg::kRootKey) return ERROR_FILE_NOT_FOUND;
  KeyFacts f;
  rc = Facts(s, t.key, &f);  // a missing value, or the whole key gone?
  return rc == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : rc;
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/,
                    DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData != 0) return ERROR_INVALID_PARAMETER;
  if (cbData > static_cast<DWORD>(0x7FFFFFFF)) return ERROR_INVALID_PARAMETER;
  return ChangeValue(
      hKey, lpValueName,
      [&](Store& s, std::int64_t key, const Name& name) -> LONG {
        StmtUse up(s, reg::kUpsertValue);
        if (!up.get()) return reg::FromSqlite(up.error());
        static const BYTE kNoBytes = 0;  // a zero-length blob, never NULL
        sqlite3_bind_int64(up.get(), 1, key);
        BindText(up.get(), 2, name.folded);
        BindText(up.get(), 3, name.utf8);
        sqlite3_bind_int64(up.get(), 4, static_cast<std::int64_t>(name.length));
        sqlite3_bind_int64(up.get(), 5, dwType);
        sqlite3_bind_blob(up.get(), 6, cbData ? lpData : &kNoBytes,
                          static_cast<int>(cbData), SQLITE_STATIC);
        const int step = sqlite3_step(up.get());
        return step == SQLITE_DONE ? ERROR_SUCCESS : reg::FromSqlite(step);
      });
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  PathCall call(hKey, lpSubKey);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  const std::vector<Name>& levels = call.levels;
  const Target& t = call.key->t;
  Store& s = *t.store;
  Transaction txn(s, true);
  LONG rc = BeginChange(s, txn, t.key);
  if (rc != ERROR_SUCCESS) return rc;
  std::int64_t parent = t.key, target = t.key;
  for (size_t i = 0; i < levels.size(); ++i) {
    parent = target;
    rc = FindChild(s, parent, levels[i], &target);
    if (rc != ERROR_SUCCESS) return rc;
  }
  if (target == reg::kRootKey)
    return ERROR_ACCESS_DENIED;  // a store's root stays
  txn.Changes(parent);
  txn.Changes(target);
  {
    StmtUse has(s, reg::kHasChild);
    if (!has.get()) return reg::FromSqlite(has.error());
    sqlite3_bind_int64(has.get(), 1, target);
    const int step = sqlite3_step(has.get());
    if (step == SQLITE_ROW) return ERROR_ACCESS_DENIED;  // subkeys first
    if (step != SQLITE_DONE) return reg::FromSqlite(step);
  }
  for (Sql which : {reg::kDeleteValues, reg::kDeleteKey}) {
    StmtUse del(s, which);
    if (!del.get()) return reg::FromSqlite(del.error());
    sqlite3_bind_int64(del.get(), 1, target);
    const int step = sqlite3_step(del.get());
    if (step != SQLITE_DONE) return reg::FromSqlite(step);
  }
  if (parent != t.key) {
    rc = Touch(s, parent);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return txn.Commit();
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  return ChangeValue(hKey, lpValueName,
                     [](Store& s, std::int64_t key, const Name& name) -> LONG {
                       StmtUse del(s, reg::kDeleteValue);
                       if (!del.get()) return reg::FromSqlite(del.error());
                       sqlite3_bind_int64(del.get(), 1, key);
                       BindText(del.get(), 2, name.folded);
                       const int step = sqlite3_step(del.get());
                       if (step != SQLITE_DONE) return reg::FromSqlite(step);
                       return sqlite3_changes(s.db) == 0 ? ERROR_FILE_NOT_FOUND
                                                         : ERROR_SUCCESS;
                     });
}

LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass,
                      LPDWORD /*lpReserved*/, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                      LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                      PFILETIME lpftLastWriteTime) {
  if (lpClass && !lpcchClass) return ERROR_INVALID_PARAMETER;
  KeyCall call(hKey, KEY_QUERY_VALUE);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  const Target& t = call.t;
  Store& s = *t.store;
  Transaction txn(s, false);
  LONG rc = txn.Begin();
  KeyFacts f;
  if (rc == ERROR_SUCCESS) rc = Facts(s, t.key, &f);
  if (rc != ERROR_SUCCESS) return rc;
  std::int64_t counts[6] = {0, 0, 0, 0, 0, 0};
  // Only what is asked for is computed: the counts alone come from the
  // indexes, the longest names and data need the rows.
  const bool key_stats = lpcbMaxSubKeyLen || lpcbMaxClassLen;
  const bool value_stats = lpcbMaxValueNameLen || lpcbMaxValueLen;
  struct Query {
    bool wanted;
    Sql sql;
    int columns;
    std::int64_t* out;
  } queries[] = {
      {lpcSubKeys || key_stats,
       key_stats ? reg::kChildStats : reg::kCountChildren, key_stats ? 3 : 1,
       counts},
      {lpcValues || value_stats,
       value_stats ? reg::kValueStats : reg::kCountValues, value_stats ? 3 : 1,
       counts + 3},
  };
  for (const Query& q : queries) {
    if (!q.wanted) continue;
    StmtUse use(s, q.sql);
    if (!use.get()) return reg::FromSqlite(use.error());
    sqlite3_bind_int64(use.get(), 1, t.key);
    const int step = sqlite3_step(use.get());
    if (step != SQLITE_ROW) return reg::FromSqlite(step);
    for (int c = 0; c < q.columns; ++c)
      q.out[c] = sqlite3_column_int64(use.get(), c);
  }
  rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  const DWORD class_length = static_cast<DWORD>(f.cls.size());
  if (lpClass) {
    if (class_length + 1 > *lpcchClass) {
      *lpcchClass = class_length;
      return ERROR_MORE_DATA;
    }
    std::copy(f.cls.begin(), f.cls.end(), lpClass);
    lpClass[class_length] = 0;
  }
  if (lpcchClass) *lpcchClass = class_length;
  if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(counts[0]);
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = static_cast<DWORD>(counts[1]);
  if (lpcbMaxClassLen) *lpcbMaxClassLen = static_cast<DWORD>(counts[2]);
  if (lpcValues) *lpcValues = static_cast<DWORD>(counts[3]);
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = static_cast<DWORD>(counts[4]);
  if (lpcbMaxValueLen) *lpcbMaxValueLen = static_cast<DWORD>(counts[5]);
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  if (lpftLastWriteTime) {
    lpftLastWriteTime->dwLowDateTime = static_cast<DWORD>(f.mtime & 0xFFFFFFFF);
    lpftLastWriteTime->dwHighDateTime =
        static_cast<DWORD>(static_cast<std::uint64_t>(f.mtime) >> 32);
  }
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY hKey) {
  KeyCall call(hKey);
  if (call.rc != ERROR_SUCCESS) return call.rc;
  Store& s = *call.t.store;
  if (s.read_only) return ERROR_SUCCESS;  // nothing of ours to write out
  const int ck = sqlite3_wal_checkpoint_v2(s.db, "main", SQLITE_CHECKPOINT_FULL,
                                           nullptr, nullptr);
  if (ck == SQLITE_OK) return ERROR_SUCCESS;
  if ((ck & 0xff) != SQLITE_BUSY) return reg::FromSqlite(ck);
  // Readers kept the checkpoint from finishing: the log itself then holds
  // the commits, so make the log durable.
  const std::string wal = s.path + "-wal";
  const int fd = open(wal.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ERROR_REGISTRY_IO_FAILED;
  const int synced = fdatasync(fd);
  close(fd);
  return synced == 0 ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

LONG AfxRegIsKeyWithin(HKEY hOuter, HKEY hKey, BOOL* within) {
  if (!within) return ERROR_INVALID_PARAMETER;
  State& st = Global();
  std::lock_guard<std::mutex> lock(st.mutex);
  Target outer, inner;
  LONG rc = Resolve(st, hOuter, &outer);
  if (rc == ERROR_SUCCESS) rc = Resolve(st, hKey, &inner);
  if (rc != ERROR_SUCCESS) return rc;
  *within = FALSE;
  if (outer.store != inner.store) return ERROR_SUCCESS;
  Store& s = *outer.store;
  Transaction txn(s, false);
  rc = txn.Begin();
  KeyFacts f;
  if (rc == ERROR_SUCCESS) rc = Facts(s, outer.key, &f);
  if (rc == ERROR_SUCCESS) rc = Facts(s, inner.key, &f);
  if (rc != ERROR_SUCCESS) return rc;
  // Up from the inner key; a key's depth bounds the walk.
  std::int64_t k = inner.key;
  for (int steps = 0; steps <= reg::kMaxDepth + 1 && k != 0; ++steps) {
    if (k == outer.key) {
      *within = TRUE;
      break;
    }
    StmtUse up(s, reg::kParentOf);
    if (!up.get()) return reg::FromSqlite(up.error());
    sqlite3_bind_int64(up.get(), 1, k);
    const int step = sqlite3_step(up.get());
    if (step == SQLITE_DONE) break;
    if (step != SQLITE_ROW) return reg::FromSqlite(step);
    k = sqlite3_column_int64(up.get(), 0);
  }
  return txn.Commit();
}
