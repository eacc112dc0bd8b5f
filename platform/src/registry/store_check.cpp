// Platform layer - a store's files read byte for byte before SQLite opens
// them: the database header and the log's frames.
#include "store_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "store.h"

namespace matrix::platform::registry {
namespace {

// A file opened for reading only, closed when it goes.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path)
      : path_(path), fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    error_ = fd_ < 0 ? errno : 0;
    struct stat st;
    if (fd_ >= 0 && fstat(fd_, &st) == 0) {
      size_ = static_cast<std::uint64_t>(st.st_size);
    } else if (fd_ >= 0) {
      error_ = errno;
    }
  }
  ~ReadOnlyFile() {
    if (fd_ >= 0) close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool missing() const { return error_ == ENOENT; }
  // ERROR_SUCCESS once open, else the store's code for why it is not.
  LONG status() const {
    return error_ == 0 ? ERROR_SUCCESS : FromErrno(error_, path_);
  }
  std::uint64_t size() const { return size_; }

  // Reads `n` bytes at `offset`: ERROR_SUCCESS, ERROR_REGISTRY_CORRUPT
  // when the file ends first, or the code of the failed read.
  LONG Read(std::uint64_t offset, unsigned char* out, std::size_t n) const {
    while (n > 0) {
      const ssize_t got = pread(fd_, out, n, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return FromErrno(errno, path_);
      if (got == 0) return ERROR_REGISTRY_CORRUPT;
      out += got;
      offset += static_cast<std::uint64_t>(got);
      n -= static_cast<std::size_t>(got);
    }
    return ERROR_SUCCESS;
  }

 private:
  std::string path_;
  int fd_;
  int error_ = 0;
  std::uint64_t size_ = 0;
};

std::uint32_t Big32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
         (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint32_t Little32(const unsigned char* p) {
  return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[1]} << 8) | p[0];
}

bool IsPageSize(std::uint32_t n) {
  return n >= 512 && n <= 65536 && (n & (n - 1)) == 0;
}

// --- The database header
// -------------------------------------------------------

constexpr std::size_t kHeaderBytes = 100;
constexpr char kMagic[16] = "SQLite format 3";  // with its terminator

// Whether the header `h` is one that the layer's stores have, with the
// page size and journal it names.
bool HeaderIsOurs(const unsigned char* h, std::uint32_t* page_size,
                  bool* write_ahead) {
  if (std::memcmp(h, kMagic, sizeof kMagic) != 0) return false;
  const std::uint32_t raw = (std::uint32_t{h[16]} << 8) | h[17];
  const std::uint32_t page = raw == 1 ? 65536 : raw;
  if (!IsPageSize(page)) return false;
  // The file format versions: both 1 (rollback journal) or both 2 (log).
  if (h[18] != h[19] || (h[18] != 1 && h[18] != 2)) return false;
  // No bytes reserved at the ends of pages; the fixed payload fractions.
  if (h[20] != 0 || h[21] != 64 || h[22] != 32 || h[23] != 32) return false;
  // The schema format and UTF-8 text (both 0 before the first table).
  if (Big32(h + 44) > 4 || Big32(h + 56) > 1) return false;
  // Reserved for expansion: zero.
  for (std::size_t i = 72; i < 92; ++i) {
    if (h[i] != 0) return false;
  }
  *page_size = page;
  *write_ahead = h[18] == 2;
  return true;
}

// --- The log
// -------------------------------------------------------------------
//
// The log (SQLite's WAL file) is a 32-byte header followed by frames of a
// 24-byte header and one page. Each frame carries the header's two salts
// and a checksum that continues the one of the frame before it (of the
// header, for the first). Recovery takes frames while they do; where that
// stops before the end of the file, what follows is the remains of a write
// cut short, frames of an earlier generation of the log (other salts), or
// damage. A later frame with the current salts whose checksum continues
// the one stored in the frame before it proves that the log went on past
// the point where recovery stops, so that something before it was changed
// after it was written: damage. A crash cannot produce that pattern: a
// lost or torn page of the file always takes a frame header with it.

constexpr std::size_t kLogHeaderBytes = 32;
constexpr std::size_t kFrameHeaderBytes = 24;
constexpr std::uint32_t kLogMagic = 0x377f0682;  // | 1: big-endian sums
constexpr std::uint32_t kLogVersion = 3007000;

struct Sum {
  std::uint32_t a = 0, b = 0;
  bool operator==(const Sum&) const = default;
};

// SQLite's log checksum of `n` bytes (a multiple of 8) continuing `sum`,
// over words read little-endian, or big-endian for `big`.
Sum Checksum(const unsigned char* p, std::size_t n, bool big, Sum sum) {
  for (std::size_t i = 0; i + 8 <= n; i += 8) {
    const std::uint32_t x0 = big ? Big32(p + i) : Little32(p + i);
    const std::uint32_t x1 = big ? Big32(p + i + 4) : Little32(p + i + 4);
    sum.a += x0 + sum.b;
    sum.b += x1 + sum.a;
  }
  return sum;
}

Sum StoredSum(const unsigned char* p) { return {Big32(p), Big32(p + 4)}; }

// The log's file read one frame at a time.
struct Log {
  explicit Log(const ReadOnlyFile& f) : file(f) {}
  const ReadOnlyFile& file;
  std::uint32_t page = 0;
  bool big = false;
  unsigned char salts[8] = {};
  std::vector<unsigned char> frame;  // the frame read last

  std::uint64_t frames() const {
    return (file.size() - kLogHeaderBytes) / (kFrameHeaderBytes + page);
  }
  // Reads frame `i` (from 1).
  LONG Read(std::uint64_t i) {
    frame.resize(kFrameHeaderBytes + page);
    return file.Read(kLogHeaderBytes + (i - 1) * frame.size(), frame.data(),
                     frame.size());
  }
  // Whether the frame read last carries the salts and its checksum
  // continues `seed`; its computed checksum in `*sum`.
  bool Follows(Sum seed, Sum* sum) const {
    const unsigned char* f = frame.data();
    *sum =
        Checksum(f + kFrameHeaderBytes, page, big, Checksum(f, 8, big, seed));
    return Big32(f) != 0 && std::memcmp(f + 8, salts, sizeof salts) == 0 &&
           *sum == StoredSum(f + 16);
  }
};

// Whether a frame after `first` continues the checksum stored in the frame
// before it (or, right after `first`, the checksum `computed` for it from
// what precedes it): frames from `first` + 1 on are read.
LONG LogGoesOn(Log& log, std::uint64_t first, Sum stored, Sum computed,
               bool* goes_on) {
  *goes_on = false;
  for (std::uint64_t j = first + 1; j <= log.frames(); ++j) {
    const LONG rc = log.Read(j);
    if (rc != ERROR_SUCCESS) return rc;
    Sum sum;
    if (log.Follows(stored, &sum) ||
        (j == first + 1 && log.Follows(computed, &sum))) {
      *goes_on = true;
      return ERROR_SUCCESS;
    }
    stored = StoredSum(log.frame.data() + 16);
  }
  return ERROR_SUCCESS;
}

// A log whose header is not valid: recovery ignores all of it. Damaged
// when its first frames still form a log, in either byte order.
LONG CheckLogWithoutHeader(Log& log, const unsigned char* h) {
  if (log.frames() == 0) return ERROR_SUCCESS;
  LONG rc = log.Read(1);
  if (rc != ERROR_SUCCESS) return rc;
  std::memcpy(log.salts, log.frame.data() + 8, sizeof log.salts);
  for (bool big : {false, true}) {
    log.big = big;
    bool goes_on = false;
    rc = LogGoesOn(log, 0, StoredSum(h + 24), Checksum(h, 24, big, Sum{}),
                   &goes_on);
    if (rc != ERROR_SUCCESS) return rc;
    if (goes_on) return ERROR_REGISTRY_CORRUPT;
  }
  return ERROR_SUCCESS;
}

// Checks the log of the store file `path`, whose pages are `db_page`
// bytes (0: not known); `*frames` gets the number that recovery takes.
LONG CheckLog(const std::string& path, std::uint32_t db_page,
              std::uint64_t* bytes, std::uint64_t* frames) {
  *bytes = *frames = 0;
  const ReadOnlyFile file(path + "-wal");
  if (file.missing()) return ERROR_SUCCESS;
  if (file.status() != ERROR_SUCCESS) return file.status();
  *bytes = file.size();
  unsigned char h[kLogHeaderBytes];
  if (file.size() < kLogHeaderBytes) return ERROR_SUCCESS;  // ignored
  LONG rc = file.Read(0, h, sizeof h);
  if (rc != ERROR_SUCCESS) return rc;
  Log log(file);
  const std::uint32_t magic = Big32(h);
  log.big = (magic & 1) != 0;
  const bool header_valid =
      (magic & ~1u) == kLogMagic && Big32(h + 4) == kLogVersion &&
      IsPageSize(Big32(h + 8)) &&
      Checksum(h, 24, log.big, Sum{}) == StoredSum(h + 24);
  log.page = header_valid ? Big32(h + 8) : db_page;
  if (log.page == 0) return ERROR_SUCCESS;  // nothing to read frames by
  if (!header_valid) return CheckLogWithoutHeader(log, h);
  std::memcpy(log.salts, h + 16, sizeof log.salts);
  // The frames recovery takes, then whether the log goes on after them.
  Sum stored = StoredSum(h + 24), computed = stored;
  std::uint64_t taken = 0;
  while (taken < log.frames()) {
    rc = log.Read(taken + 1);
    if (rc != ERROR_SUCCESS) return rc;
    if (!log.Follows(stored, &computed)) break;
    stored = computed;
    ++taken;
  }
  *frames = taken;
  if (taken == log.frames()) return ERROR_SUCCESS;
  bool goes_on = false;
  rc = LogGoesOn(log, taken + 1, StoredSum(log.frame.data() + 16), computed,
                 &goes_on);
  if (rc != ERROR_SUCCESS) return rc;
  return goes_on ? ERROR_REGISTRY_CORRUPT : ERROR_SUCCESS;
}

// One reading of the files (see ReadStoreBytes).
LONG ReadOnce(const std::string& path, StoreBytes* facts) {
  *facts = StoreBytes();
  const ReadOnlyFile file(path);
  if (file.status() != ERROR_SUCCESS) return file.status();
  std::uint64_t log_bytes = 0, frames = 0;
  if (file.size() == 0) {
    // No pages: a new store, unless a log holds what was cut off.
    LONG rc = CheckLog(path, 0, &log_bytes, &frames);
    if (rc != ERROR_SUCCESS) return rc;
    facts->empty = frames == 0;
    return facts->empty ? ERROR_SUCCESS : ERROR_REGISTRY_CORRUPT;
  }
  unsigned char h[kHeaderBytes];
  std::uint32_t page = 0;
  LONG rc = file.Read(0, h, sizeof h);
  if (rc != ERROR_SUCCESS) return rc;
  if (!HeaderIsOurs(h, &page, &facts->write_ahead) || file.size() % page != 0)
    return ERROR_REGISTRY_CORRUPT;
  rc = CheckLog(path, page, &log_bytes, &frames);
  facts->bytes = file.size() + log_bytes;
  return rc;
}

std::atomic<std::chrono::milliseconds::rep> g_second_look{20};

}  // namespace

void SetSecondLook(std::chrono::milliseconds wait) {
  g_second_look.store(wait.count());
}

LONG ReadStoreBytes(const std::string& path, StoreBytes* facts) {
  LONG rc = ReadOnce(path, facts);
  if (rc == ERROR_REGISTRY_CORRUPT) {
    std::this_thread::sleep_for(
        std::chrono::milliseconds(g_second_look.load()));
    rc = ReadOnce(path, facts);
  }
  return rc;
}

}  // namespace matrix::platform::registry
