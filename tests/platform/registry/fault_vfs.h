// Test support: a SQLite file system (VFS) over the default one that fails
// the N-th write, sync, read or lock, as SQLite tests itself. Registered as
// the process's default, it is what every connection of the process uses,
// the registry store's included, with no hook in the layer: SQLite's
// default file system is the seam. A test installs it in a child process.
#ifndef MATRIX_TESTS_PLATFORM_REGISTRY_FAULT_VFS_H_
#define MATRIX_TESTS_PLATFORM_REGISTRY_FAULT_VFS_H_

#include <string>

namespace matrix::testing::store {

// The file operations a fault can strike.
enum class Operation { kWrite, kSync, kRead, kLock, kCount };

// What happens from the `nth` operation of kind `operation` on (counted
// from the arming, from 1): each fails with the SQLite result `result`
// (SQLITE_FULL for a full disk, SQLITE_IOERR_* for EIO, SQLITE_BUSY), until
// disarmed, as a full disk or a lock held elsewhere stays. With
// `read_only_opens`, files opened for writing from then on are opened for
// reading only, as on a file system gone read-only.
struct Fault {
  Operation operation = Operation::kCount;  // kCount: none, only counting
  long nth = 0;
  int result = 0;
  bool read_only_opens = false;
};

// Registers the faulting file system as the default (once per process).
void InstallFaultVfs();

// Counts operations from now on and fails them as `fault` says.
void Arm(const Fault& fault);
void Disarm();

// Operations of `operation` since the arming; whether a fault was given.
long Count(Operation operation);
bool Fired();

// Commits written completely to the log since the arming (a commit frame
// and its page). With a folder set, after each one the store file and
// its log as they stand are copied to <folder>/<k>/user.sqlite3 (and
// -wal), k counting from 1: what a crash at that moment would leave.
long Commits();
void SnapshotCommitsTo(const std::string& folder);

}  // namespace matrix::testing::store

#endif  // MATRIX_TESTS_PLATFORM_REGISTRY_FAULT_VFS_H_
