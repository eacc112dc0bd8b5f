// Platform layer (internal) - a store's files read byte for byte before
// SQLite opens them: the database header and the log's frames, checked as
// SQLite writes them. What these find, SQLite would either not notice or
// quietly repair by dropping what was committed (a damaged frame ends the
// log there, and the next commit overwrites the rest). No SQLite call.
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_STORE_CHECK_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_STORE_CHECK_H_

#include <windef.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace matrix::platform::registry {

// What the bytes of a store's file and its log say.
struct StoreBytes {
  bool empty = false;        // no bytes and no log: a store not laid out yet
  bool write_ahead = false;  // the header names the write-ahead log
  std::uint64_t bytes = 0;   // the file's and its log's sizes together
};

// Reads the store file `path` and its log (`path` + "-wal") without
// changing either and stores what they say in `*facts`. ERROR_SUCCESS;
// ERROR_REGISTRY_CORRUPT for a header that is not one the layer writes, a
// file that is no whole number of pages, or a log whose frames show that
// something in it was damaged after it was written; else the code of a
// read that failed. Reads with descriptors of its own, which it closes:
// call it while no connection of this process has the file open, since
// closing a descriptor drops the process's locks on the file.
LONG ReadStoreBytes(const std::string& path, StoreBytes* facts);

// How long ReadStoreBytes waits before it reads files found damaged a
// second time (a process writing them at that moment is done by then,
// damage stays): 20 ms. The store's fuzz target, which opens thousands of
// damaged files, sets 0.
void SetSecondLook(std::chrono::milliseconds wait);

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_STORE_CHECK_H_
