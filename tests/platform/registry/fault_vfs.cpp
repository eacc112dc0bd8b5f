// Test support: the faulting SQLite file system (see fault_vfs.h).
#include "platform/registry/fault_vfs.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

namespace matrix::testing::store {
namespace {

// A file of ours: the default file system's file follows it in memory.
struct FaultFile {
  sqlite3_file base;
  sqlite3_file* real;
  std::string* name;
  bool main_db;
  bool log;
  bool commit_pending;  // a commit frame's header is written, its page not
};

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
Fault g_fault;
bool g_armed = false;
long g_counts[static_cast<int>(Operation::kCount)] = {};
bool g_fired = false;
long g_commits = 0;
std::string g_snapshots;
std::vector<FaultFile*> g_open;

FaultFile* Ours(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f); }
sqlite3_file* Real(sqlite3_file* f) { return Ours(f)->real; }
const sqlite3_io_methods* RealMethods(sqlite3_file* f) {
  return Real(f)->pMethods;
}

// Counts one operation: SQLITE_OK, or the fault's result once it strikes.
int Strike(Operation operation) {
  if (!g_armed) return SQLITE_OK;
  const long n = ++g_counts[static_cast<int>(operation)];
  if (operation != g_fault.operation || n < g_fault.nth) return SQLITE_OK;
  g_fired = true;
  return g_fault.result;
}

void CopyOut(sqlite3_file* real, const std::string& to) {
  sqlite3_int64 size = 0;
  real->pMethods->xFileSize(real, &size);
  std::vector<char> bytes(static_cast<std::size_t>(size));
  if (size > 0)
    real->pMethods->xRead(real, bytes.data(), static_cast<int>(size), 0);
  std::ofstream(to, std::ios::binary).write(bytes.data(), size);
}

// The store file and its log as they stand, read through the open files
// (a descriptor of our own, closed, would drop the process's locks).
void Snapshot(FaultFile* log) {
  const std::string db_name = log->name->substr(0, log->name->size() - 4);
  const auto db = std::find_if(g_open.begin(), g_open.end(), [&](FaultFile* f) {
    return f->main_db && *f->name == db_name;
  });
  if (db == g_open.end()) return;
  const std::string dir = g_snapshots + "/" + std::to_string(g_commits);
  mkdir(dir.c_str(), 0700);
  CopyOut((*db)->real, dir + "/user.sqlite3");
  CopyOut(log->real, dir + "/user.sqlite3-wal");
}

std::uint32_t Big32(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
         (std::uint32_t{b[2]} << 8) | b[3];
}

// A log's frames are written as their 24-byte header, then their page; a
// header with a database size is a commit's last frame.
void NoteLogWrite(FaultFile* f, const void* data, int amount,
                  sqlite3_int64 offset) {
  constexpr int kFrameHeader = 24;
  constexpr sqlite3_int64 kLogHeader = 32;
  if (amount == kFrameHeader && offset >= kLogHeader) {
    f->commit_pending = Big32(static_cast<const char*>(data) + 4) != 0;
    return;
  }
  if (!f->commit_pending || amount == kFrameHeader) return;
  f->commit_pending = false;
  if (!g_armed) return;
  ++g_commits;
  if (!g_snapshots.empty()) Snapshot(f);
}

int Close(sqlite3_file* file) {
  FaultFile* f = Ours(file);
  const int rc = RealMethods(file)->xClose(f->real);
  g_open.erase(std::remove(g_open.begin(), g_open.end(), f), g_open.end());
  delete f->name;
  return rc;
}
int Read(sqlite3_file* file, void* out, int amount, sqlite3_int64 offset) {
  const int rc = Strike(Operation::kRead);
  return rc != SQLITE_OK
             ? rc
             : RealMethods(file)->xRead(Real(file), out, amount, offset);
}
int Write(sqlite3_file* file, const void* data, int amount,
          sqlite3_int64 offset) {
  int rc = Strike(Operation::kWrite);
  if (rc == SQLITE_OK)
    rc = RealMethods(file)->xWrite(Real(file), data, amount, offset);
  if (rc == SQLITE_OK && Ours(file)->log)
    NoteLogWrite(Ours(file), data, amount, offset);
  return rc;
}
int Truncate(sqlite3_file* file, sqlite3_int64 size) {
  const int rc = Strike(Operation::kWrite);
  return rc != SQLITE_OK ? rc : RealMethods(file)->xTruncate(Real(file), size);
}
int Sync(sqlite3_file* file, int flags) {
  const int rc = Strike(Operation::kSync);
  return rc != SQLITE_OK ? rc : RealMethods(file)->xSync(Real(file), flags);
}
int FileSize(sqlite3_file* file, sqlite3_int64* size) {
  return RealMethods(file)->xFileSize(Real(file), size);
}
int Lock(sqlite3_file* file, int level) {
  const int rc = Strike(Operation::kLock);
  return rc != SQLITE_OK ? rc : RealMethods(file)->xLock(Real(file), level);
}
int Unlock(sqlite3_file* file, int level) {
  return RealMethods(file)->xUnlock(Real(file), level);
}
int CheckReservedLock(sqlite3_file* file, int* out) {
  return RealMethods(file)->xCheckReservedLock(Real(file), out);
}
int FileControl(sqlite3_file* file, int op, void* arg) {
  return RealMethods(file)->xFileControl(Real(file), op, arg);
}
int SectorSize(sqlite3_file* file) {
  return RealMethods(file)->xSectorSize(Real(file));
}
int DeviceCharacteristics(sqlite3_file* file) {
  return RealMethods(file)->xDeviceCharacteristics(Real(file));
}
int ShmMap(sqlite3_file* file, int region, int size, int extend,
           void volatile** out) {
  return RealMethods(file)->xShmMap(Real(file), region, size, extend, out);
}
int ShmLock(sqlite3_file* file, int offset, int n, int flags) {
  if ((flags & SQLITE_SHM_LOCK) != 0) {
    const int rc = Strike(Operation::kLock);
    if (rc != SQLITE_OK) return rc;
  }
  return RealMethods(file)->xShmLock(Real(file), offset, n, flags);
}
void ShmBarrier(sqlite3_file* file) {
  RealMethods(file)->xShmBarrier(Real(file));
}
int ShmUnmap(sqlite3_file* file, int remove) {
  return RealMethods(file)->xShmUnmap(Real(file), remove);
}
int Fetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
  return RealMethods(file)->xFetch(Real(file), offset, amount, out);
}
int Unfetch(sqlite3_file* file, sqlite3_int64 offset, void* page) {
  return RealMethods(file)->xUnfetch(Real(file), offset, page);
}

const sqlite3_io_methods kMethods = {3,
                                     Close,
                                     Read,
                                     Write,
                                     Truncate,
                                     Sync,
                                     FileSize,
                                     Lock,
                                     Unlock,
                                     CheckReservedLock,
                                     FileControl,
                                     SectorSize,
                                     DeviceCharacteristics,
                                     ShmMap,
                                     ShmLock,
                                     ShmBarrier,
                                     ShmUnmap,
                                     Fetch,
                                     Unfetch};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags,
         int* out_flags) {
  FaultFile* f = Ours(file);
  f->base.pMethods = nullptr;
  f->real = reinterpret_cast<sqlite3_file*>(f + 1);
  if (g_armed && g_fault.read_only_opens && (flags & SQLITE_OPEN_MAIN_DB) &&
      (flags & SQLITE_OPEN_READWRITE)) {
    flags &= ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    flags |= SQLITE_OPEN_READONLY;
  }
  const int rc = g_real->xOpen(g_real, name, f->real, flags, out_flags);
  if (rc != SQLITE_OK) return rc;
  f->name = new std::string(name ? name : "");
  f->main_db = (flags & SQLITE_OPEN_MAIN_DB) != 0;
  f->log = (flags & SQLITE_OPEN_WAL) != 0;
  f->commit_pending = false;
  f->base.pMethods = &kMethods;
  g_open.push_back(f);
  return SQLITE_OK;
}

// Waits for a lock take no time: a lock held "elsewhere" gives SQLITE_BUSY
// once the busy timeout's nominal delays add up, at once.
int Sleep(sqlite3_vfs*, int microseconds) { return microseconds; }

}  // namespace

void InstallFaultVfs() {
  if (g_real) return;
  g_real = sqlite3_vfs_find(nullptr);
  g_vfs = *g_real;
  g_vfs.zName = "fault";
  g_vfs.pNext = nullptr;
  g_vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + g_real->szOsFile;
  g_vfs.xOpen = Open;
  g_vfs.xSleep = Sleep;
  // The other calls (delete, access, names, time...) are the default's own:
  // they take the vfs argument only to find their own data, which the copy
  // carries.
  g_vfs.pAppData = g_real->pAppData;
  sqlite3_vfs_register(&g_vfs, 1);
}

void Arm(const Fault& fault) {
  g_fault = fault;
  std::fill(std::begin(g_counts), std::end(g_counts), 0);
  g_fired = false;
  g_commits = 0;
  g_armed = true;
}

void Disarm() {
  g_armed = false;
  g_fault = Fault();
}

long Count(Operation operation) {
  return g_counts[static_cast<int>(operation)];
}
bool Fired() { return g_fired; }
long Commits() { return g_commits; }
void SnapshotCommitsTo(const std::string& folder) { g_snapshots = folder; }

}  // namespace matrix::testing::store
