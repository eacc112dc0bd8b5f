// Platform layer - the registry's store: connecting to the SQLite files,
// the WAL-index read, transactions, the prepared statements and SQLite's
// results as Win32 codes.
#include "store.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "../file/file_names.h"
#include "schema.h"
#include "statement.h"
#include "store_check.h"

namespace matrix::platform::registry {
namespace {

// Connections a forked child inherited: never used, never closed (closing
// would act on the parent's locks), kept reachable.
std::vector<sqlite3*>* g_abandoned = nullptr;

// The process that the connections belong to (0 until the first call).
std::atomic<pid_t> g_pid{0};

std::string DirOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Creates the store's folder and its missing parents with `mode`;
// something that is no folder in the way gives ERROR_PATH_NOT_FOUND.
LONG MakeStoreFolder(const std::string& dir, mode_t mode) {
  if (dir.empty()) return ERROR_SUCCESS;
  const int error = file::MakeFolderPath(dir, mode);
  if (error == 0) return ERROR_SUCCESS;
  return error == EEXIST ? ERROR_PATH_NOT_FOUND : FromErrno(error, dir);
}

// --- The WAL index
// ------------------------------------------------------------
//
// Whether any process has committed since a read is told by the header of
// the log's shared index, the -shm file, without a read transaction and its
// file locks. This reads SQLite's shared-memory layout, which SQLite
// documents as transient (its own, not a file format it promises to keep):
// the file starts with two copies of a 48-byte header that every commit
// rewrites, the first copy first, and byte 12 (isInit) is set once the
// header is valid. Where the layout is not as expected (no -shm file, a
// short one, copies that never agree) the read fails and the store falls
// back on SQLite's data version, so a changed layout costs speed, never
// correctness; tests/platform/registry checks the layout against the SQLite
// the layer is built with.

constexpr std::size_t kWalIndexIsInit = 12;

// Opens and maps the start of the store's -shm file (the two copies of the
// header). The descriptor stays open as long as the connection: SQLite
// holds shared locks on the file that keep other processes from truncating
// it under the mapping, and closing any descriptor of the file would drop
// them.
void OpenWalIndex(Store& s) {
  const std::string path = s.path + "-shm";
  s.wal_index_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (s.wal_index_fd < 0) return;
  struct stat st;
  if (fstat(s.wal_index_fd, &st) == 0 &&
      static_cast<size_t>(st.st_size) >= 2 * kWalIndexHeaderBytes) {
    void* p = mmap(nullptr, 2 * kWalIndexHeaderBytes, PROT_READ, MAP_SHARED,
                   s.wal_index_fd, 0);
    if (p != MAP_FAILED) s.wal_index = static_cast<const unsigned char*>(p);
  }
}

// Copies the WAL-index header into `out` when it can be read and both of
// its copies agree (a writer is not half-way through it); false otherwise.
bool ReadWalIndexHeader(const Store& s, unsigned char* out) {
  unsigned char both[2 * kWalIndexHeaderBytes];
  if (s.wal_index) {
    std::atomic_thread_fence(std::memory_order_acquire);
    std::memcpy(both, s.wal_index, sizeof both);
    std::atomic_thread_fence(std::memory_order_acquire);
  } else if (s.wal_index_fd < 0 ||
             pread(s.wal_index_fd, both, sizeof both, 0) !=
                 static_cast<ssize_t>(sizeof both)) {
    return false;
  }
  std::memcpy(out, both, kWalIndexHeaderBytes);
  return out[kWalIndexIsInit] != 0 &&
         std::memcmp(both, both + kWalIndexHeaderBytes, kWalIndexHeaderBytes) ==
             0;
}

// --- Connections
// ----------------------------------------------------------------

// Closes the connection, then the -shm descriptor: closing any descriptor
// of a file drops all of this process's POSIX locks on it, SQLite's too,
// so it may only be closed once SQLite is done with the file.
void Disconnect(Store& s) {
  for (auto& [sql, stmt] : s.statements) sqlite3_finalize(stmt);
  s.statements.clear();
  sqlite3_close_v2(s.db);
  s.db = nullptr;
  if (s.wal_index) {
    munmap(const_cast<unsigned char*>(s.wal_index), 2 * kWalIndexHeaderBytes);
    s.wal_index = nullptr;
  }
  if (s.wal_index_fd >= 0) {
    close(s.wal_index_fd);
    s.wal_index_fd = -1;
  }
}

// How a store's file is opened: SQLite's flags, or as an empty stand-in in
// memory.
struct OpenMode {
  bool writable = false;
  bool memory = false;
};

// Creates the missing file of a store that may be created. A machine's
// store that this process may not create reads as empty (`memory`), as
// when it may not be written.
LONG CreateStoreFile(Store& s, OpenMode* mode) {
  const mode_t dir_mode = s.machine ? 0755 : 0700;
  const mode_t file_mode = s.machine ? 0644 : 0600;
  const LONG rc = MakeStoreFolder(DirOf(s.path), dir_mode);
  if (rc != ERROR_SUCCESS && !(s.machine && rc == ERROR_ACCESS_DENIED))
    return rc;
  const int fd =
      open(s.path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, file_mode);
  const int error = errno;
  if (fd < 0 && error != EEXIST) {
    const LONG code = FromErrno(error, s.path);
    if (!s.machine || code != ERROR_ACCESS_DENIED) return code;
    mode->memory = true;
    return ERROR_SUCCESS;
  }
  if (fd >= 0) close(fd);
  mode->writable = true;
  return ERROR_SUCCESS;
}

// How this process may open the store's file, creating it where it may.
LONG ChooseOpenMode(Store& s, OpenMode* mode) {
  if (access(s.path.c_str(), F_OK) != 0) {
    if (s.may_create) return CreateStoreFile(s, mode);
    mode->memory = true;  // a machine store nobody has written yet is empty
    return ERROR_SUCCESS;
  }
  mode->writable = access(s.path.c_str(), W_OK) == 0 &&
                   access(DirOf(s.path).c_str(), W_OK) == 0;
  return ERROR_SUCCESS;
}

// Opens `s.db` on the file, or in memory for `memory`.
LONG OpenDatabase(Store& s, bool writable, bool memory) {
  int flags = SQLITE_OPEN_NOMUTEX;
  if (memory) {
    flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY;
  } else {
    flags |= writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  }
  const int rc = sqlite3_open_v2(memory ? ":memory:" : s.path.c_str(), &s.db,
                                 flags, nullptr);
  if (rc != SQLITE_OK) {
    const LONG code = FromSqlite(rc);
    Disconnect(s);
    return code;
  }
  sqlite3_busy_timeout(s.db, kBusyTimeoutMilliseconds);
  return ERROR_SUCCESS;
}

// WAL with synchronous=NORMAL. Keeps -wal and -shm after the last writer
// closes, so that processes that may only read the store can still open it
// in WAL mode.
LONG UseWriteAheadLog(Store& s) {
  int persist = 1;
  sqlite3_file_control(s.db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  LONG rc = Execute(s, "PRAGMA journal_mode=WAL");
  if (rc == ERROR_SUCCESS) rc = Execute(s, "PRAGMA synchronous=NORMAL");
  return rc;
}

// Lays out an empty store; an empty file that may not be written reads as
// an empty store in memory.
LONG LayOutEmptyStore(Store& s, bool writable, bool memory) {
  if (writable || memory) return LayOut(s);
  Disconnect(s);
  const LONG rc = OpenDatabase(s, true, true);
  return rc == ERROR_SUCCESS ? LayOut(s) : rc;
}

// --- The check before the first write
// ------------------------------------------

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Checks what SQLite sees of the file through a connection that only
// reads: its layout, journal and pages (CheckStore). SQLite makes the log
// and its index beside a file in log mode even to read it; those it made
// are removed again when the file is found damaged.
LONG CheckWithSqlite(const Store& s, const StoreBytes& bytes) {
  const std::string log = s.path + "-wal", index = s.path + "-shm";
  const bool had_log = Exists(log), had_index = Exists(index);
  Store check;
  check.path = s.path;
  LONG rc = OpenDatabase(check, false, false);
  if (rc == ERROR_SUCCESS)
    rc = CheckStore(check, bytes.write_ahead, bytes.bytes);
  Disconnect(check);
  if (rc == ERROR_REGISTRY_CORRUPT) {
    if (!had_log) unlink(log.c_str());
    if (!had_index) unlink(index.c_str());
  }
  return rc;
}

// Checks the store's file once per process before anything writes to it
// (see Connect): its bytes first, then what SQLite reads of it. A file
// found damaged is remembered as it stands, so that the calls that follow
// fail at once rather than check it again.
LONG CheckFiles(Store& s) {
  const FileStamp stamp = StampOf(s.path);
  if (stamp.SameFile(s.trusted)) return ERROR_SUCCESS;
  if (stamp == s.damaged && StampOf(s.path + "-wal") == s.damaged_log)
    return ERROR_REGISTRY_CORRUPT;
  StoreBytes bytes;
  LONG rc = ReadStoreBytes(s.path, &bytes);
  if (rc == ERROR_SUCCESS && !bytes.empty) rc = CheckWithSqlite(s, bytes);
  if (rc == ERROR_SUCCESS) s.trusted = stamp;
  if (rc == ERROR_REGISTRY_CORRUPT) {
    s.damaged = StampOf(s.path);
    s.damaged_log = StampOf(s.path + "-wal");
  }
  return rc;
}

LONG OpenConnection(Store& s) {
  OpenMode mode;
  LONG rc = ChooseOpenMode(s, &mode);
  if (rc == ERROR_SUCCESS && !mode.memory) rc = CheckFiles(s);
  if (rc == ERROR_SUCCESS) rc = OpenDatabase(s, mode.writable, mode.memory);
  if (rc != ERROR_SUCCESS) return rc;
  // The file system may have refused writing after all (it went read-only
  // since the look, or the file's rights changed): SQLite then opens the
  // file for reading, and so does the store.
  if (!mode.memory && sqlite3_db_readonly(s.db, "main") == 1)
    mode.writable = false;
  s.read_only = mode.memory || !mode.writable;
  s.in_memory = mode.memory;
  const bool on_file = mode.writable && !mode.memory;
  // Look before changing anything: a file that is not a store of ours, or
  // of a later layout, is left exactly as it is.
  bool empty = false;
  rc = CheckLayout(s, &empty);
  if (rc == ERROR_SUCCESS && on_file) rc = UseWriteAheadLog(s);
  if (rc == ERROR_SUCCESS && empty)
    rc = LayOutEmptyStore(s, mode.writable, mode.memory);
  if (rc == ERROR_SUCCESS && on_file) rc = DropStaleVolatileKeys(s);
  if (rc == ERROR_SUCCESS && !mode.memory) OpenWalIndex(s);
  if (rc != ERROR_SUCCESS) Disconnect(s);
  return rc;
}

// Gives up a connection inherited through fork(): SQLite forbids using it
// in the child, and closing it would act on the parent's locks.
void Abandon(Store& s) {
  if (!g_abandoned) g_abandoned = new std::vector<sqlite3*>();
  g_abandoned->push_back(s.db);
  s.db = nullptr;
  s.statements.clear();
  s.wal_index_fd = -1;  // the parent's descriptor and mapping: left as they are
  s.wal_index = nullptr;
}

}  // namespace

LONG FromErrno(int e, const std::string& path) {
  // Of the file service's errors, the store reports these two as they are.
  const DWORD code = file::Win32ErrorOf(e, path);
  return code == ERROR_DISK_FULL || code == ERROR_ACCESS_DENIED
             ? static_cast<LONG>(code)
             : ERROR_REGISTRY_IO_FAILED;
}

FileStamp StampOf(const std::string& path) {
  FileStamp stamp;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return stamp;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.changed = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                  st.st_mtim.tv_nsec;
  return stamp;
}

LONG FromSqlite(int rc) {
  switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
      return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    // What SQLite gives when other connections keep it from the log's
    // locks through all its retries: the store is busy, not broken.
    case SQLITE_PROTOCOL:
      return ERROR_BUSY;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
    case SQLITE_MISUSE:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

void NoteFork() { g_pid.store(getpid()); }

void Reset(Store& s) {
  if (s.db && s.pid == getpid()) {
    Disconnect(s);
  } else if (s.db) {
    Abandon(s);
  }
  Store fresh;
  fresh.label = s.label;
  fresh.path = s.path;
  fresh.machine = s.machine;
  fresh.may_create = s.may_create;
  s = std::move(fresh);
}

LONG Connect(Store& s) {
  pid_t me = g_pid.load(std::memory_order_relaxed);
  if (me == 0) {
    me = getpid();
    g_pid.store(me);
  }
  if (s.db && s.pid == me) {
    // An empty stand-in for a missing store gives way once the file exists
    // (not inside a transaction, which holds what was done on the stand-in).
    if (!s.in_memory || s.outer || access(s.path.c_str(), F_OK) != 0)
      return ERROR_SUCCESS;
    Disconnect(s);
  }
  if (s.db) Abandon(s);
  const LONG rc = OpenConnection(s);
  if (rc != ERROR_SUCCESS) return rc;
  s.pid = me;
  s.outer = false;  // a transaction of the parent is not the child's
  ++s.serial;
  s.own_writes = 0;
  s.key_writes.clear();
  return ERROR_SUCCESS;
}

LONG ReadGeneration(Store& s, StoreGeneration* g) {
  g->serial = s.serial;
  g->own_writes = s.own_writes;
  if (ReadWalIndexHeader(s, g->wal_index_header.data())) {
    g->data_version = 0;
    return ERROR_SUCCESS;
  }
  g->wal_index_header.fill(0);
  static constexpr char kDataVersion[] = "PRAGMA data_version";
  Statement version(s, kDataVersion);
  if (version.status() != ERROR_SUCCESS) return version.status();
  const int rc = version.Step();
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  g->data_version = version.Int(0);
  return ERROR_SUCCESS;
}

LONG Flush(Store& s) {
  // Nothing of ours to write out; inside a transaction, nothing committed
  // since the transaction began.
  if (s.read_only || s.outer) return ERROR_SUCCESS;
  const int ck = sqlite3_wal_checkpoint_v2(s.db, "main", SQLITE_CHECKPOINT_FULL,
                                           nullptr, nullptr);
  if (ck == SQLITE_OK) return ERROR_SUCCESS;
  if ((ck & 0xff) != SQLITE_BUSY) return FromSqlite(ck);
  // Readers kept the checkpoint from finishing: the log itself then holds
  // the commits, so make the log durable.
  const std::string wal = s.path + "-wal";
  const int fd = open(wal.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ERROR_REGISTRY_IO_FAILED;
  const int synced = fdatasync(fd);
  close(fd);
  return synced == 0 ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

Statement::Statement(Store& store, const char* sql) {
  sqlite3_stmt*& cached = store.statements[sql];
  if (!cached) {
    error_ = sqlite3_prepare_v3(store.db, sql, -1, SQLITE_PREPARE_PERSISTENT,
                                &cached, nullptr);
    if (error_ != SQLITE_OK) {
      sqlite3_finalize(cached);
      store.statements.erase(sql);
      return;
    }
  }
  stmt_ = cached;
}

// --- Transactions
// ---------------------------------------------------------------

namespace {
constexpr char kBeginRead[] = "BEGIN";
constexpr char kBeginWrite[] = "BEGIN IMMEDIATE";
constexpr char kCommit[] = "COMMIT";
constexpr char kRollback[] = "ROLLBACK";
// One call inside a registry transaction.
constexpr char kSavepoint[] = "SAVEPOINT registry_call";
constexpr char kRelease[] = "RELEASE registry_call";
constexpr char kRollbackCall[] = "ROLLBACK TO registry_call";

// Runs the statement `sql` (a named constant): ERROR_SUCCESS or why not.
LONG RunStatement(Store& s, const char* sql) {
  Statement statement(s, sql);
  const LONG rc = statement.status();
  return rc == ERROR_SUCCESS ? statement.Run() : rc;
}

// Rolls back whatever transaction `s.db` has open, the statement cache's
// way first and SQLite's own as the last resort.
void RollBackAll(Store& s) {
  RunStatement(s, kRollback);
  if (sqlite3_get_autocommit(s.db) == 0)
    sqlite3_exec(s.db, kRollback, nullptr, nullptr, nullptr);
}
}  // namespace

// True when SQLite ended the outer transaction by itself (it rolls back a
// transaction after some I/O and memory faults), so that calls would no
// longer run inside it.
bool OuterTransactionLost(const Store& s) {
  return s.outer && sqlite3_get_autocommit(s.db) != 0;
}

LONG BeginOuterTransaction(Store& s) {
  const LONG rc = RunStatement(s, s.read_only ? kBeginRead : kBeginWrite);
  if (rc == ERROR_SUCCESS) s.outer = true;
  return rc;
}

LONG CommitOuterTransaction(Store& s) {
  const LONG rc = OuterTransactionLost(s) ? ERROR_TRANSACTION_NOT_ACTIVE
                                          : RunStatement(s, kCommit);
  if (rc != ERROR_SUCCESS) {
    RollbackOuterTransaction(s);
    return rc;
  }
  s.outer = false;
  ++s.own_writes;
  return ERROR_SUCCESS;
}

void RollbackOuterTransaction(Store& s) {
  RollBackAll(s);
  s.outer = false;
  ++s.own_writes;
  for (auto& [key, writes] : s.key_writes) ++writes;
}

Transaction::~Transaction() {
  if (!open_) return;
  if (nested_) {
    RunStatement(store_, kRollbackCall);
    RunStatement(store_, kRelease);
  } else {
    RollBackAll(store_);
  }
}

LONG Transaction::Begin() {
  nested_ = store_.outer;
  // Once SQLite has rolled the registry transaction back, nothing more may
  // run outside it until it ends.
  if (nested_ && OuterTransactionLost(store_))
    return ERROR_TRANSACTION_NOT_ACTIVE;
  const LONG rc = RunStatement(store_, nested_  ? kSavepoint
                                       : write_ ? kBeginWrite
                                                : kBeginRead);
  if (rc != ERROR_SUCCESS) return rc;
  open_ = true;
  return ERROR_SUCCESS;
}

LONG Transaction::Commit() {
  const LONG rc = RunStatement(store_, nested_ ? kRelease : kCommit);
  if (rc != ERROR_SUCCESS) return rc;  // still open: rolled back
  open_ = false;
  if (write_) ++store_.own_writes;
  for (std::int64_t key : changed_) ++store_.key_writes[key];
  return ERROR_SUCCESS;
}

}  // namespace matrix::platform::registry
