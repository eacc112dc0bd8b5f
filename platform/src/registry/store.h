// Platform layer (internal) - the registry's store: one SQLite file per
// predefined key and this process's connection to it, its transactions,
// the state that tells a reader whether the store has changed, and
// SQLite's results as Win32 codes. SQLite itself is seen only by the
// storage files (store, statement.h, rows, schema); this header names no
// SQLite call.
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_STORE_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_STORE_H_

#include <sys/types.h>
#include <windef.h>
#include <winerror.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace matrix::platform::registry {

// How long a call waits for another connection's lock before it gives
// ERROR_BUSY with nothing changed.
constexpr int kBusyTimeoutMilliseconds = 5000;

// The size of the header at the start of the log's shared index (SQLite's
// WAL-index header), which every commit of every process rewrites; the
// index file holds two copies of it, one after the other.
constexpr std::size_t kWalIndexHeaderBytes = 48;

// Which file a path names and how it stood: its device and inode, size
// and time of last change (size -1: no file).
struct FileStamp {
  std::uint64_t device = 0, inode = 0;
  std::int64_t size = -1, changed = 0;
  bool operator==(const FileStamp&) const = default;
  bool SameFile(const FileStamp& o) const {
    return size >= 0 && o.size >= 0 && device == o.device && inode == o.inode;
  }
};
FileStamp StampOf(const std::string& path);

// One store file and this process's connection to it.
struct Store {
  const char* label = "";  // "user" or "machine"
  std::string path;
  bool machine = false;
  bool may_create = true;  // a missing file may be created (else: empty)
  sqlite3* db = nullptr;
  pid_t pid = 0;           // the process that opened `db`
  bool read_only = false;  // writes give ERROR_ACCESS_DENIED
  bool in_memory = false;  // an empty stand-in for a store that is missing
  bool outer = false;      // a registry transaction is open on `db` (handles.h)
  // The largest key id when the outer transaction began: the keys above it
  // are the transaction's own, and their ids come back after a rollback.
  std::int64_t outer_base_key = 0;
  std::uint64_t serial = 0;      // bumped at every (re)connection
  std::uint64_t own_writes = 0;  // commits made through `db`
  // The statements prepared on `db`, by the address of their text.
  std::unordered_map<const char*, sqlite3_stmt*> statements;
  int wal_index_fd = -1;                     // the -shm file, read-only
  const unsigned char* wal_index = nullptr;  // its two header copies, mapped
  // Commits through `db` that changed a key's values or subkeys, by key.
  std::unordered_map<std::int64_t, std::uint64_t> key_writes;
  // The file found to be a whole store of ours by this process (or the
  // one it was forked from), which connecting again does not check again.
  FileStamp trusted;
  // The file and its log as they stood when found damaged: as long as
  // they stand so, connecting gives ERROR_REGISTRY_CORRUPT at once.
  FileStamp damaged, damaged_log;
};

// What a reader must compare to know whether the store still holds what it
// read: the connection, the commits made through it, and the commits of
// every process (the WAL-index header, or SQLite's data version where the
// index cannot be read).
struct StoreGeneration {
  std::uint64_t serial = 0;
  std::uint64_t own_writes = 0;
  std::int64_t data_version = -1;
  std::array<unsigned char, kWalIndexHeaderBytes> wal_index_header{};
  bool operator==(const StoreGeneration&) const = default;
};

// Win32's code for an SQLite result code.
LONG FromSqlite(int rc);

// The registry's code for the errno `error` of a call on its file `path`:
// a full disk and a refusal as they are, every other failure
// ERROR_REGISTRY_IO_FAILED.
LONG FromErrno(int error, const std::string& path);

// Tells the store that this is a new process (called in a fork() child).
void NoteFork();

// Closes this process's connection to `store` and forgets what it knew of
// its file (the check included), as a new process starts. For programs
// that open many stores in one process, such as the store's fuzz target.
void Reset(Store& store);

// Makes `store` usable in this process: connects (again, after fork()),
// creates and seeds a new store, clears stale volatile keys. ERROR_SUCCESS
// or the code of what failed. Before anything is written, the first
// connection of a process checks the file without changing it (its header
// and log, layout and journal, and its pages: store_check.h, schema.h): a
// file that is not a whole store of this layout gives
// ERROR_REGISTRY_CORRUPT, with its bytes as they were and no log or index
// file left beside it that was not there before.
LONG Connect(Store& store);

// Stores the state of `store` as of now in `*generation`.
LONG ReadGeneration(Store& store, StoreGeneration* generation);

// Makes what was committed to `store` survive a power loss: a syncing
// checkpoint, or a synced log where readers keep the checkpoint from
// finishing. Nothing to do for a store this process may not write.
LONG Flush(Store& store);

// The outer transaction of a registry transaction (handles.h) on `store`:
// begun at the store's first use inside it (a write lock, BEGIN IMMEDIATE,
// on a store this process may write), committed or rolled back at its end.
// While it is open each call's Transaction is a savepoint inside it.
LONG BeginOuterTransaction(Store& store);
LONG CommitOuterTransaction(Store& store);
// Rolls back what the outer transaction holds; what this connection read
// ahead is then out of date (its generation and every key's count move on).
void RollbackOuterTransaction(Store& store);

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
  bool nested_ = false;  // a savepoint inside a registry transaction
  std::vector<std::int64_t> changed_;
};

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_STORE_H_
