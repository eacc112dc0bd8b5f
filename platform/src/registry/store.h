// Platform layer - the registry store: one SQLite file per predefined key,
// its connection, schema, statements and name rules. Internal to the layer.
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_STORE_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_STORE_H_

#include <sqlite3.h>
#include <sys/types.h>
#include <windef.h>
#include <winerror.h>

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace matrix::platform::registry {

// Win32's limits, in characters.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxClassLength = 255;
constexpr int kMaxDepth = 512;
constexpr size_t kMaxLevelsPerCall = 32;
// The root key of every store.
constexpr std::int64_t kRootKey = 1;
// The layout this code writes; a store with a higher number is refused.
constexpr int kSchemaVersion = 1;
// The header of the log's shared index (SQLite's WAL file format): one
// copy, which every commit rewrites.
constexpr size_t kWalHeaderBytes = 48;

// Prepared statements, by purpose; the SQL lives beside the table in
// registry_store.cpp.
enum Sql : int {
  kBeginRead,
  kBeginWrite,
  kCommit,
  kRollback,
  kDataVersion,
  kKeyInfo,       // depth, boot, class, mtime of a key
  kFindChild,     // id of parent's child by folded name
  kInsertKey,     // parent, folded, name, nlen, class, clen, depth, boot, mtime
  kTouchKey,      // mtime of a key; no row: the key is gone
  kHasChild,      // any child of a key
  kDeleteValues,  // every value of a key
  kDeleteKey,     // the key row
  kChildrenFrom,  // children after a folded name, in order
  kChildrenOffset,  // children from an index, in order
  kCountChildren,
  kChildStats,  // count, longest name, longest class
  kCountValues,
  kValueStats,  // count, longest name, longest data
  kQueryValue,  // type, data by folded name
  kUpsertValue,
  kDeleteValue,
  kValuesFrom,    // values after a row id, in creation order
  kValuesOffset,  // values from an index, in creation order
  kParentOf,      // parent of a key
  kKeyTime,       // last write time of a key
  kSqlCount
};

// One store file and this process's connection to it.
struct Store {
  const char* label = "";  // "user" or "machine"
  std::string path;
  bool machine = false;
  bool may_create = true;  // a missing file may be created (else: empty)
  sqlite3* db = nullptr;
  pid_t pid = 0;             // the process that opened `db`
  bool read_only = false;    // writes give ERROR_ACCESS_DENIED
  bool in_memory = false;    // an empty stand-in for a store that is missing
  std::uint64_t serial = 0;  // bumped at every (re)connection
  std::uint64_t own_writes = 0;  // commits made through `db`
  std::array<sqlite3_stmt*, kSqlCount> stmts{};
  int shm_fd = -1;  // the log's shared index (-shm), read-only
  const unsigned char* shm = nullptr;  // its header copies, mapped
  // Commits through `db` that changed a key's values or subkeys, by key.
  std::unordered_map<std::int64_t, std::uint64_t> key_writes;
};

// Win32's code for an SQLite result.
LONG FromSqlite(int rc);

// Tells the store that this is a new process (called in a fork() child).
void NoteFork();

// Makes `store` usable in this process: connects (again, after fork()),
// creates and seeds a new store, clears stale volatile keys. ERROR_SUCCESS
// or the code of what failed; a damaged file is never rewritten.
LONG Connect(Store& store);

// Copies the log index's header into `out` when it can be read and both of
// its copies agree (a writer is not half-way through it); false otherwise.
bool ReadWalHeader(const Store& store, unsigned char* out);

// The prepared statement for `which`, reset and unbound; null when it
// cannot be prepared (`*rc` says why).
sqlite3_stmt* Prepare(Store& store, Sql which, int* rc);

// Resets a statement when it goes out of scope.
class StmtUse {
 public:
  StmtUse(Store& store, Sql which) : stmt_(Prepare(store, which, &rc_)) {}
  ~StmtUse() {
    if (stmt_) {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
    }
  }
  StmtUse(const StmtUse&) = delete;
  StmtUse& operator=(const StmtUse&) = delete;
  sqlite3_stmt* get() const { return stmt_; }
  int error() const { return rc_; }

 private:
  sqlite3_stmt* stmt_;
  int rc_ = SQLITE_OK;
};

// A transaction that rolls back unless committed. Writes take the write
// lock at the start (BEGIN IMMEDIATE), so they never fail half-way for a
// lock.
class Transaction {
 public:
  Transaction(Store& store, bool write) : store_(store), write_(write) {}
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  LONG Begin();
  LONG Commit();
  // Notes that the transaction changes `key`'s values or subkeys.
  void Changes(std::int64_t key) { changed_.push_back(key); }

 private:
  Store& store_;
  bool write_;
  bool open_ = false;
  std::vector<std::int64_t> changed_;
};

// Name rules. A name is valid when it holds no surrogate, nothing above
// U+10FFFF and no more than `limit` characters (and, for key names, no
// '\'). `Utf8` is the text as stored, `Folded` its case-insensitive form.
struct Name {
  std::string utf8;
  std::string folded;
  size_t length = 0;  // in characters
};
bool MakeName(const wchar_t* text, size_t length, size_t limit, bool key_level,
              Name* out);
std::wstring FromUtf8(const unsigned char* text, int bytes);
bool ToUtf8(const wchar_t* text, size_t length, std::string* out);

// Splits a '\' path into levels (a trailing '\' is allowed). Returns
// ERROR_SUCCESS, ERROR_BAD_PATHNAME for a leading '\' or an empty level, or
// ERROR_INVALID_PARAMETER for a level that breaks the name rules.
LONG SplitPath(const wchar_t* path, std::vector<Name>* levels);

// The current time as a FILETIME count (100 ns since 1601).
std::int64_t NowFiletime();
// This boot's identity ("" when the system does not say).
const std::string& BootId();

// The regional settings of the environment's locale, as REG_SZ texts:
// (value name, text) pairs in the order they are written.
std::vector<std::pair<std::wstring, std::wstring>> InternationalSettings();

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_STORE_H_
