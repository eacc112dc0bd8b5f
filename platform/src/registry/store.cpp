// Platform layer - the registry store: connecting to the SQLite files,
// their layout, the statements and the rules for names.
#include "store.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <utf8codec.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "../core/text_fold.h"
#include "../file/file_names.h"

namespace matrix::platform::registry {
namespace {

// The layout. Key ids never repeat (AUTOINCREMENT), so a handle on a
// deleted key can never reach a key created later. A value's row id is its
// place in the creation order: a new row gets a larger id than every row
// present, and overwriting keeps the row.
constexpr const char* kSchema =
    "CREATE TABLE keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER NOT NULL,"
    " folded TEXT NOT NULL,"
    " name TEXT NOT NULL,"
    " nlen INTEGER NOT NULL,"
    " class TEXT,"
    " clen INTEGER NOT NULL DEFAULT 0,"
    " depth INTEGER NOT NULL,"
    " boot TEXT,"
    " mtime INTEGER NOT NULL,"
    " UNIQUE(parent, folded));"
    "CREATE TABLE vals("
    " id INTEGER PRIMARY KEY,"
    " key INTEGER NOT NULL,"
    " folded TEXT NOT NULL,"
    " name TEXT NOT NULL,"
    " nlen INTEGER NOT NULL,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " UNIQUE(key, folded));"
    "CREATE INDEX vals_order ON vals(key);";

constexpr std::array<const char*, kSqlCount> kStatements = {
    "BEGIN",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "PRAGMA data_version",
    "SELECT depth, boot, class, mtime FROM keys WHERE id=?1",
    "SELECT id, depth, boot FROM keys WHERE parent=?1 AND folded=?2",
    "INSERT INTO keys(parent, folded, name, nlen, class, clen, depth, boot,"
    " mtime) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
    "UPDATE keys SET mtime=?2 WHERE id=?1",
    "SELECT 1 FROM keys WHERE parent=?1 LIMIT 1",
    "DELETE FROM vals WHERE key=?1",
    "DELETE FROM keys WHERE id=?1",
    "SELECT name, folded FROM keys WHERE parent=?1 AND folded>?2"
    " ORDER BY folded LIMIT ?3",
    "SELECT name, folded FROM keys WHERE parent=?1 ORDER BY folded"
    " LIMIT ?3 OFFSET ?2",
    "SELECT count(*) FROM keys WHERE parent=?1",
    "SELECT count(*), coalesce(max(nlen), 0), coalesce(max(clen), 0)"
    " FROM keys WHERE parent=?1",
    "SELECT count(*) FROM vals WHERE key=?1",
    "SELECT count(*), coalesce(max(nlen), 0),"
    " coalesce(max(length(data)), 0) FROM vals WHERE key=?1",
    "SELECT type, data FROM vals WHERE key=?1 AND folded=?2",
    "INSERT INTO vals(key, folded, name, nlen, type, data)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(key, folded)"
    " DO UPDATE SET type=excluded.type, data=excluded.data",
    "DELETE FROM vals WHERE key=?1 AND folded=?2",
    "SELECT id, name, type, data FROM vals WHERE key=?1 AND id>?2"
    " ORDER BY id LIMIT ?3",
    "SELECT id, name, type, data FROM vals WHERE key=?1 ORDER BY id"
    " LIMIT ?3 OFFSET ?2",
    "SELECT parent FROM keys WHERE id=?1",
    "SELECT mtime FROM keys WHERE id=?1",
};

// Connections a forked child inherited: never used, never closed (closing
// would act on the parent's locks), kept reachable.
std::vector<sqlite3*>* g_abandoned = nullptr;

// The registry's code for the errno `e` of a call on its file `path`: of
// the file service's errors, the store reports a full disk and a refusal
// as they are and every other failure as ERROR_REGISTRY_IO_FAILED.
LONG FromErrno(int e, const std::string& path) {
  const DWORD code = file::Win32ErrorOf(e, path);
  return code == ERROR_DISK_FULL || code == ERROR_ACCESS_DENIED
             ? static_cast<LONG>(code)
             : ERROR_REGISTRY_IO_FAILED;
}

// Creates `dir` and its missing parents with `mode`; something that is no
// folder in the way gives ERROR_PATH_NOT_FOUND.
LONG MakeDirs(const std::string& dir, mode_t mode) {
  if (dir.empty()) return ERROR_SUCCESS;
  const int error = file::MakeFolderPath(dir, mode);
  if (error == 0) return ERROR_SUCCESS;
  return error == EEXIST ? ERROR_PATH_NOT_FOUND : FromErrno(error, dir);
}

std::string DirOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

LONG Exec(sqlite3* db, const char* sql) {
  return FromSqlite(sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

// The integer of the first column of `sql`'s first row.
LONG QueryInt(sqlite3* db, const char* sql, std::int64_t* out) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      *out = sqlite3_column_int64(stmt, 0);
      rc = SQLITE_OK;
    }
  }
  sqlite3_finalize(stmt);
  return FromSqlite(rc);
}

// Opens and maps the start of the store's -shm file (the two copies of the
// log index's header). The descriptor stays open as long as the connection:
// SQLite holds shared locks on the file that keep other processes from
// truncating it under the mapping, and closing any descriptor of the file
// would drop them.
void OpenShm(Store& s) {
  const std::string path = s.path + "-shm";
  s.shm_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (s.shm_fd < 0) return;
  struct stat st;
  if (fstat(s.shm_fd, &st) == 0 &&
      static_cast<size_t>(st.st_size) >= 2 * kWalHeaderBytes) {
    void* p =
        mmap(nullptr, 2 * kWalHeaderBytes, PROT_READ, MAP_SHARED, s.shm_fd, 0);
    if (p != MAP_FAILED) s.shm = static_cast<const unsigned char*>(p);
  }
}

// Closes the connection, then the -shm descriptor: closing any descriptor
// of a file drops all of this process's POSIX locks on it, SQLite's too,
// so it may only be closed once SQLite is done with the file.
void Disconnect(Store& s) {
  for (auto& stmt : s.stmts) {
    sqlite3_finalize(stmt);
    stmt = nullptr;
  }
  sqlite3_close_v2(s.db);
  s.db = nullptr;
  if (s.shm) {
    munmap(const_cast<unsigned char*>(s.shm), 2 * kWalHeaderBytes);
    s.shm = nullptr;
  }
  if (s.shm_fd >= 0) {
    close(s.shm_fd);
    s.shm_fd = -1;
  }
}

LONG InsertKeyRow(Store& s, std::int64_t parent, const std::wstring& name,
                  int depth, std::int64_t* id) {
  Name n;
  if (!MakeName(name.c_str(), name.size(), kMaxKeyNameLength, true, &n))
    return ERROR_INVALID_PARAMETER;
  StmtUse st(s, kInsertKey);
  if (!st.get()) return FromSqlite(st.error());
  sqlite3_bind_int64(st.get(), 1, parent);
  sqlite3_bind_text(st.get(), 2, n.folded.data(),
                    static_cast<int>(n.folded.size()), SQLITE_STATIC);
  sqlite3_bind_text(st.get(), 3, n.utf8.data(), static_cast<int>(n.utf8.size()),
                    SQLITE_STATIC);
  sqlite3_bind_int64(st.get(), 4, static_cast<std::int64_t>(n.length));
  sqlite3_bind_null(st.get(), 5);
  sqlite3_bind_int(st.get(), 6, 0);
  sqlite3_bind_int(st.get(), 7, depth);
  sqlite3_bind_null(st.get(), 8);
  sqlite3_bind_int64(st.get(), 9, NowFiletime());
  int rc = sqlite3_step(st.get());
  if (rc != SQLITE_DONE) return FromSqlite(rc);
  *id = sqlite3_last_insert_rowid(s.db);
  return ERROR_SUCCESS;
}

// A new user store starts with the regional settings of the environment,
// as a new Windows profile does.
LONG Seed(Store& s) {
  std::int64_t panel = 0, international = 0;
  LONG rc = InsertKeyRow(s, kRootKey, L"Control Panel", 1, &panel);
  if (rc == ERROR_SUCCESS)
    rc = InsertKeyRow(s, panel, L"International", 2, &international);
  if (rc != ERROR_SUCCESS) return rc;
  for (const auto& [value_name, text] : InternationalSettings()) {
    Name n;
    if (!MakeName(value_name.c_str(), value_name.size(), kMaxValueNameLength,
                  false, &n))
      continue;
    StmtUse st(s, kUpsertValue);
    if (!st.get()) return FromSqlite(st.error());
    sqlite3_bind_int64(st.get(), 1, international);
    sqlite3_bind_text(st.get(), 2, n.folded.data(),
                      static_cast<int>(n.folded.size()), SQLITE_STATIC);
    sqlite3_bind_text(st.get(), 3, n.utf8.data(),
                      static_cast<int>(n.utf8.size()), SQLITE_STATIC);
    sqlite3_bind_int64(st.get(), 4, static_cast<std::int64_t>(n.length));
    sqlite3_bind_int(st.get(), 5, 1);  // REG_SZ
    sqlite3_bind_blob(st.get(), 6, text.c_str(),
                      static_cast<int>((text.size() + 1) * sizeof(wchar_t)),
                      SQLITE_STATIC);
    const int step = sqlite3_step(st.get());
    if (step != SQLITE_DONE) return FromSqlite(step);
  }
  return ERROR_SUCCESS;
}

// Lays out an empty store in one transaction (another process may be doing
// the same: the write lock decides, the loser finds the layout made).
LONG Initialise(Store& s) {
  LONG rc = Exec(s.db, "BEGIN IMMEDIATE");
  if (rc != ERROR_SUCCESS) return rc;
  std::int64_t version = 0, tables = 0;
  rc = QueryInt(s.db, "PRAGMA user_version", &version);
  if (rc == ERROR_SUCCESS && version == 0) {
    rc = QueryInt(s.db, "SELECT count(*) FROM sqlite_master", &tables);
    // Tables without our version number: not a store of ours.
    if (rc == ERROR_SUCCESS && tables != 0) rc = ERROR_REGISTRY_CORRUPT;
    if (rc == ERROR_SUCCESS) rc = Exec(s.db, kSchema);
    if (rc == ERROR_SUCCESS) {
      char root[160];
      std::snprintf(
          root, sizeof root,
          "INSERT INTO keys(id, parent, folded, name, nlen, depth, mtime)"
          " VALUES(%lld, 0, '', '', 0, 0, %lld)",
          static_cast<long long>(kRootKey),
          static_cast<long long>(NowFiletime()));
      rc = Exec(s.db, root);
    }
    if (rc == ERROR_SUCCESS && !s.machine) rc = Seed(s);
    if (rc == ERROR_SUCCESS) rc = Exec(s.db, "PRAGMA user_version=1");
  } else if (rc == ERROR_SUCCESS && version > kSchemaVersion) {
    rc = ERROR_REGISTRY_CORRUPT;
  }
  if (rc == ERROR_SUCCESS) rc = Exec(s.db, "COMMIT");
  if (rc != ERROR_SUCCESS)
    sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  return rc;
}

// Volatile keys of an earlier boot are gone by now, as on Windows.
LONG DropStaleVolatileKeys(Store& s) {
  if (BootId().empty()) return ERROR_SUCCESS;
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(
      s.db, "SELECT 1 FROM keys WHERE boot IS NOT NULL AND boot<>?1 LIMIT 1",
      -1, &stmt, nullptr);
  bool stale = false;
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, BootId().c_str(), -1, SQLITE_STATIC);
    rc = sqlite3_step(stmt);
    stale = rc == SQLITE_ROW;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_OK) return FromSqlite(rc);
  if (!stale || s.read_only) return ERROR_SUCCESS;
  std::string sql =
      "BEGIN IMMEDIATE;"
      "DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE boot IS NOT "
      "NULL AND boot<>'" +
      BootId() +
      "');"
      "DELETE FROM keys WHERE boot IS NOT NULL AND boot<>'" +
      BootId() +
      "';"
      "COMMIT";
  LONG code = Exec(s.db, sql.c_str());
  if (code != ERROR_SUCCESS)
    sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  return code;
}

LONG OpenConnection(Store& s) {
  const bool exists = access(s.path.c_str(), F_OK) == 0;
  const bool creatable = s.may_create;
  int flags = SQLITE_OPEN_NOMUTEX;
  bool memory = false;
  if (!exists) {
    if (!creatable) {
      memory = true;  // a machine store nobody has written yet reads as empty
    } else {
      const mode_t dir_mode = s.machine ? 0755 : 0700;
      const mode_t file_mode = s.machine ? 0644 : 0600;
      LONG rc = MakeDirs(DirOf(s.path), dir_mode);
      if (rc != ERROR_SUCCESS && !(s.machine && rc == ERROR_ACCESS_DENIED))
        return rc;
      const int fd = open(s.path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                          file_mode);
      const int error = errno;
      if (fd < 0 && error != EEXIST) {
        // The machine's store, where this process may not create it: read
        // it as empty, as when it may not be written.
        const LONG code = FromErrno(error, s.path);
        if (!s.machine || code != ERROR_ACCESS_DENIED) return code;
        memory = true;
      } else {
        if (fd >= 0) close(fd);
        flags |= SQLITE_OPEN_READWRITE;
      }
    }
  } else if (access(s.path.c_str(), W_OK) == 0 &&
             access(DirOf(s.path).c_str(), W_OK) == 0) {
    flags |= SQLITE_OPEN_READWRITE;
  } else {
    flags |= SQLITE_OPEN_READONLY;
  }
  const bool writable = (flags & SQLITE_OPEN_READWRITE) != 0;
  if (memory)
    flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY | SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(memory ? ":memory:" : s.path.c_str(), &s.db, flags,
                           nullptr);
  if (rc != SQLITE_OK) {
    LONG code = FromSqlite(rc);
    Disconnect(s);
    return code;
  }
  sqlite3_busy_timeout(s.db, 5000);
  s.read_only = !writable;
  // Look before changing anything: a file that is not a store of ours,
  // or of a later layout, is left exactly as it is.
  std::int64_t version = 0;
  LONG code = QueryInt(s.db, "PRAGMA user_version", &version);
  if (code == ERROR_SUCCESS && version > kSchemaVersion)
    code = ERROR_REGISTRY_CORRUPT;
  if (code == ERROR_SUCCESS && version == 0) {
    std::int64_t tables = 0;
    code = QueryInt(s.db, "SELECT count(*) FROM sqlite_master", &tables);
    if (code == ERROR_SUCCESS && tables != 0) code = ERROR_REGISTRY_CORRUPT;
  }
  if (code == ERROR_SUCCESS && writable && !memory) {
    // Keep -wal and -shm after the last writer closes, so that processes
    // that may only read the store can still open it in WAL mode.
    int persist = 1;
    sqlite3_file_control(s.db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    code = Exec(s.db, "PRAGMA journal_mode=WAL");
    if (code == ERROR_SUCCESS) code = Exec(s.db, "PRAGMA synchronous=NORMAL");
  }
  if (code == ERROR_SUCCESS && version == 0) {
    if (writable || memory) {
      code = Initialise(s);
    } else {
      // An empty file that may not be written: read it as an empty store.
      Disconnect(s);
      rc = sqlite3_open_v2(
          ":memory:", &s.db,
          SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY | SQLITE_OPEN_NOMUTEX,
          nullptr);
      code = rc == SQLITE_OK ? Initialise(s) : FromSqlite(rc);
    }
  }
  if (code == ERROR_SUCCESS && writable && !memory)
    code = DropStaleVolatileKeys(s);
  if (code == ERROR_SUCCESS && !memory) OpenShm(s);
  if (memory || !writable) s.read_only = true;
  s.in_memory = memory;
  if (code != ERROR_SUCCESS) Disconnect(s);
  return code;
}

}  // namespace

LONG FromSqlite(int rc) {
  switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
      return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
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

namespace {
std::atomic<pid_t> g_pid{0};
}  // namespace

void NoteFork() { g_pid.store(getpid()); }

LONG Connect(Store& s) {
  pid_t me = g_pid.load(std::memory_order_relaxed);
  if (me == 0) {
    me = getpid();
    g_pid.store(me);
  }
  if (s.db && s.pid == me) {
    // An empty stand-in for a missing store gives way once the file exists.
    if (!s.in_memory || access(s.path.c_str(), F_OK) != 0) return ERROR_SUCCESS;
    Disconnect(s);
  }
  if (s.db) {
    // Inherited through fork(): SQLite forbids using it in the child.
    if (!g_abandoned) g_abandoned = new std::vector<sqlite3*>();
    g_abandoned->push_back(s.db);
    s.db = nullptr;
    s.stmts.fill(nullptr);
    s.shm_fd = -1;  // the parent's descriptor and mapping: left as they are
    s.shm = nullptr;
  }
  const LONG rc = OpenConnection(s);
  if (rc != ERROR_SUCCESS) return rc;
  s.pid = me;
  ++s.serial;
  s.own_writes = 0;
  s.key_writes.clear();
  return ERROR_SUCCESS;
}

bool ReadWalHeader(const Store& s, unsigned char* out) {
  unsigned char both[2 * kWalHeaderBytes];
  if (s.shm) {
    std::atomic_thread_fence(std::memory_order_acquire);
    std::memcpy(both, s.shm, sizeof both);
    std::atomic_thread_fence(std::memory_order_acquire);
  } else if (s.shm_fd < 0 || pread(s.shm_fd, both, sizeof both, 0) !=
                                 static_cast<ssize_t>(sizeof both)) {
    return false;
  }
  std::memcpy(out, both, kWalHeaderBytes);
  // isInit (byte 12) is set once the header is valid; the copies differ
  // while a writer is half-way through.
  return out[12] != 0 &&
         std::memcmp(both, both + kWalHeaderBytes, kWalHeaderBytes) == 0;
}

sqlite3_stmt* Prepare(Store& s, Sql which, int* rc) {
  sqlite3_stmt*& stmt = s.stmts[which];
  if (!stmt) {
    *rc = sqlite3_prepare_v3(s.db, kStatements[which], -1,
                             SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (*rc != SQLITE_OK) {
      sqlite3_finalize(stmt);
      stmt = nullptr;
    }
  }
  return stmt;
}

Transaction::~Transaction() {
  if (open_) {
    int rc = 0;
    if (sqlite3_stmt* st = Prepare(store_, kRollback, &rc)) {
      sqlite3_step(st);
      sqlite3_reset(st);
    }
    if (sqlite3_get_autocommit(store_.db) == 0)
      sqlite3_exec(store_.db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

LONG Transaction::Begin() {
  StmtUse st(store_, write_ ? kBeginWrite : kBeginRead);
  if (!st.get()) return FromSqlite(st.error());
  const int rc = sqlite3_step(st.get());
  if (rc != SQLITE_DONE) return FromSqlite(rc);
  open_ = true;
  return ERROR_SUCCESS;
}

LONG Transaction::Commit() {
  StmtUse st(store_, kCommit);
  if (!st.get()) return FromSqlite(st.error());
  const int rc = sqlite3_step(st.get());
  if (rc != SQLITE_DONE) return FromSqlite(rc);  // still open: rolled back
  open_ = false;
  if (write_) ++store_.own_writes;
  for (std::int64_t key : changed_) ++store_.key_writes[key];
  return ERROR_SUCCESS;
}

// --- Names ------------------------------------------------------------------

namespace {
// A name or value is stored in UTF-8; a value that is no Unicode scalar
// value has no UTF-8 form and is refused.
bool Encode(std::uint32_t u, std::string* out) {
  if (!matrix::platform::IsScalarValue(u)) return false;
  matrix::platform::AppendUtf8(u, *out);
  return true;
}
}  // namespace

bool ToUtf8(const wchar_t* text, size_t length, std::string* out) {
  out->clear();
  out->reserve(length);
  for (size_t i = 0; i < length; ++i) {
    if (!Encode(static_cast<std::uint32_t>(text[i]), out)) return false;
  }
  return true;
}

bool MakeName(const wchar_t* text, size_t length, size_t limit, bool key_level,
              Name* out) {
  if (length > limit) return false;
  out->utf8.clear();
  out->folded.clear();
  out->utf8.reserve(length);
  out->folded.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const wchar_t c = text[i];
    if (c == 0 || (key_level && c == L'\\')) return false;
    if (!Encode(static_cast<std::uint32_t>(c), &out->utf8)) return false;
    Encode(static_cast<std::uint32_t>(OrdinalUpperCase(c)), &out->folded);
  }
  out->length = length;
  return true;
}

std::wstring FromUtf8(const unsigned char* p, int bytes) {
  return matrix::platform::ToWide(std::string_view(
      reinterpret_cast<const char*>(p), static_cast<size_t>(bytes)));
}

LONG SplitPath(const wchar_t* path, std::vector<Name>* levels) {
  levels->clear();
  if (!path || !*path) return ERROR_SUCCESS;
  if (*path == L'\\') return ERROR_BAD_PATHNAME;
  const wchar_t* start = path;
  for (const wchar_t* p = path;; ++p) {
    if (*p == L'\\' || *p == 0) {
      const size_t length = static_cast<size_t>(p - start);
      if (length == 0) {
        if (*p == 0) break;  // a trailing '\' is allowed
        return ERROR_BAD_PATHNAME;
      }
      Name n;
      if (!MakeName(start, length, kMaxKeyNameLength, true, &n))
        return ERROR_INVALID_PARAMETER;
      levels->push_back(std::move(n));
      if (*p == 0) break;
      start = p + 1;
    }
  }
  return ERROR_SUCCESS;
}

std::int64_t NowFiletime() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  constexpr std::int64_t kUnixEpochAsFiletime = 116444736000000000LL;
  return kUnixEpochAsFiletime +
         static_cast<std::int64_t>(ts.tv_sec) * 10000000LL + ts.tv_nsec / 100;
}

const std::string& BootId() {
  static const std::string* id = [] {
    auto* s = new std::string();
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::getline(in, *s);
    // Only the hexadecimal digits and dashes are used in SQL text.
    for (char c : *s) {
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '-')) {
        s->clear();
        break;
      }
    }
    return s;
  }();
  return *id;
}

}  // namespace matrix::platform::registry
