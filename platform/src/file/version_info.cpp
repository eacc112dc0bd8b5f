// Platform layer - version resources: the version note of an ELF file,
// turned into the VS_VERSIONINFO block of Windows.
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utf8codec.h>
#include <winbase.h>
#include <winver.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "../core/text_fold.h"
#include "file_names.h"

namespace {

using matrix::platform::TryToWide;
using matrix::platform::file::ToFileSystemName;
using matrix::platform::file::Win32ErrorOf;

#if defined(__x86_64__)
constexpr int kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kMachine = EM_386;
#elif defined(__arm__)
constexpr int kMachine = EM_ARM;
#elif defined(__riscv)
constexpr int kMachine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr int kMachine = EM_PPC64;
#elif defined(__s390x__)
constexpr int kMachine = EM_S390;
#else
#error "the ELF machine of this processor is not known here"
#endif
#if __SIZEOF_POINTER__ == 8
constexpr unsigned char kClass = ELFCLASS64;
#else
constexpr unsigned char kClass = ELFCLASS32;
#endif
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kData = ELFDATA2LSB;
#else
constexpr unsigned char kData = ELFDATA2MSB;
#endif

// The version note: owner "MATRIX", type 1, descriptor format 1.
constexpr char kOwner[] = "MATRIX";
constexpr std::uint32_t kNoteType = 1;
constexpr std::uint32_t kFormat = 1;
// What is read of a file in one go first: the headers, and with the usual
// layout the notes that follow them.
constexpr std::size_t kHeadBytes = 4096;
// Notes read per file at most; a note segment past it is not looked at.
constexpr std::uint64_t kNoteBudget = 64 * 1024;
// The block's lengths are 16-bit.
constexpr std::size_t kMaxBlock = 0xFFFF;
constexpr WORD kHeaderBytes = 6;  // wLength, wValueLength, wType

constexpr std::uint32_t kTranslation = 0x04B00409;  // code page, language
constexpr wchar_t kStringTable[] = L"040904B0";

struct VersionData {
  VS_FIXEDFILEINFO fixed;
  std::vector<std::pair<std::wstring, std::wstring>> strings;
};

class File {
 public:
  explicit File(int fd) : fd_(fd) {}
  ~File() {
    if (fd_ >= 0) close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Reads exactly `count` bytes at `offset`; false on a short read or error.
bool ReadAt(int fd, std::uint64_t offset, std::size_t count,
            unsigned char* out) {
  while (count > 0) {
    const ssize_t got = pread(fd, out, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    offset += static_cast<std::uint64_t>(got);
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

// The bytes [offset, offset + count) of the file, from the head already read
// when they lie in it. The range is known to lie in the file.
bool Bytes(int fd, const std::vector<unsigned char>& head, std::uint64_t offset,
           std::size_t count, std::vector<unsigned char>& out) {
  if (offset + count <= head.size()) {
    out.assign(head.begin() + static_cast<std::ptrdiff_t>(offset),
               head.begin() + static_cast<std::ptrdiff_t>(offset + count));
    return true;
  }
  out.resize(count);
  return ReadAt(fd, offset, count, out.data());
}

template <typename T>
T Load(const unsigned char* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

std::uint64_t AlignUp(std::uint64_t n, std::uint64_t align) {
  return (n + align - 1) & ~(align - 1);
}

// Reads the descriptor of a version note. Returns 0 or ERROR_INVALID_DATA.
DWORD ParseDescriptor(const unsigned char* desc, std::size_t size,
                      VersionData& out) {
  if (size < 4 + sizeof(VS_FIXEDFILEINFO)) return ERROR_INVALID_DATA;
  if (Load<std::uint32_t>(desc) != kFormat) return ERROR_INVALID_DATA;
  std::memcpy(&out.fixed, desc + 4, sizeof out.fixed);
  if (out.fixed.dwSignature != VS_FFI_SIGNATURE) return ERROR_INVALID_DATA;
  std::size_t pos = 4 + sizeof(VS_FIXEDFILEINFO);
  out.strings.clear();
  for (;;) {
    const void* nul =
        pos < size ? std::memchr(desc + pos, 0, size - pos) : nullptr;
    if (nul == nullptr) return ERROR_INVALID_DATA;  // no closing empty string
    const std::size_t end =
        static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - desc);
    if (end == pos) return 0;
    const std::string entry(reinterpret_cast<const char*>(desc + pos),
                            end - pos);
    const std::string::size_type equals = entry.find('=');
    std::wstring name, value;
    if (equals == 0 || equals == std::string::npos ||
        !TryToWide(entry.substr(0, equals), name) ||
        !TryToWide(entry.substr(equals + 1), value)) {
      return ERROR_INVALID_DATA;
    }
    out.strings.emplace_back(std::move(name), std::move(value));
    pos = end + 1;
  }
}

// Looks for the version note in one note segment. Returns 0 when found,
// ERROR_INVALID_DATA when it is malformed, ERROR_RESOURCE_TYPE_NOT_FOUND
// when the segment does not hold it.
DWORD FindInSegment(const std::vector<unsigned char>& notes,
                    std::uint64_t align, VersionData& out) {
  const std::uint64_t size = notes.size();
  std::uint64_t pos = 0;
  while (pos + 12 <= size) {
    const auto namesz = Load<std::uint32_t>(&notes[pos]);
    const auto descsz = Load<std::uint32_t>(&notes[pos + 4]);
    const auto type = Load<std::uint32_t>(&notes[pos + 8]);
    const std::uint64_t name_at = pos + 12;
    // Padding runs to the alignment of the offset within the segment (as
    // for 8-aligned GNU property notes), not of the name's length.
    const std::uint64_t desc_at = AlignUp(name_at + namesz, align);
    const bool ours = namesz == sizeof kOwner && type == kNoteType &&
                      name_at + namesz <= size &&
                      std::memcmp(&notes[name_at], kOwner, namesz) == 0;
    if (desc_at > size || descsz > size - desc_at) {
      // The chain is broken here; whatever follows cannot be trusted.
      return ours ? ERROR_INVALID_DATA : ERROR_RESOURCE_TYPE_NOT_FOUND;
    }
    if (ours) return ParseDescriptor(&notes[desc_at], descsz, out);
    pos = AlignUp(desc_at + descsz, align);
  }
  return ERROR_RESOURCE_TYPE_NOT_FOUND;
}

// Reads the version note of the file `name`, whose status it stores in
// `st`. Returns 0 or the Win32 error.
DWORD ReadVersionNote(const std::string& name, VersionData& out,
                      struct stat& st) {
  // Non-blocking, so that a FIFO in the module's place cannot stall us; it
  // is refused below as no regular file.
  const File file(
      open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.fd() < 0) return Win32ErrorOf(errno, name);
  if (fstat(file.fd(), &st) != 0) return Win32ErrorOf(errno, name);
  if (!S_ISREG(st.st_mode)) return ERROR_BAD_FORMAT;
  const auto file_size = static_cast<std::uint64_t>(st.st_size);

  std::vector<unsigned char> head(
      static_cast<std::size_t>(std::min<std::uint64_t>(file_size, kHeadBytes)));
  if (!ReadAt(file.fd(), 0, head.size(), head.data())) return ERROR_BAD_FORMAT;
  if (head.size() < sizeof(ElfW(Ehdr))) return ERROR_BAD_FORMAT;
  const auto ehdr = Load<ElfW(Ehdr)>(head.data());
  if (std::memcmp(ehdr.e_ident, ELFMAG, SELFMAG) != 0 ||
      ehdr.e_ident[EI_CLASS] != kClass || ehdr.e_ident[EI_DATA] != kData ||
      ehdr.e_ident[EI_VERSION] != EV_CURRENT || ehdr.e_machine != kMachine ||
      (ehdr.e_type != ET_EXEC && ehdr.e_type != ET_DYN)) {
    return ERROR_BAD_FORMAT;
  }
  // Extended numbering (PN_XNUM) is not used by linked modules.
  if (ehdr.e_phnum == 0 || ehdr.e_phnum == PN_XNUM ||
      ehdr.e_phentsize != sizeof(ElfW(Phdr))) {
    return ERROR_BAD_FORMAT;
  }
  const std::uint64_t table_size =
      static_cast<std::uint64_t>(ehdr.e_phnum) * sizeof(ElfW(Phdr));
  if (ehdr.e_phoff > file_size || table_size > file_size - ehdr.e_phoff) {
    return ERROR_BAD_FORMAT;
  }
  std::vector<unsigned char> table;
  if (!Bytes(file.fd(), head, ehdr.e_phoff,
             static_cast<std::size_t>(table_size), table)) {
    return ERROR_BAD_FORMAT;
  }

  std::uint64_t budget = kNoteBudget;
  std::vector<unsigned char> notes;
  for (std::size_t i = 0; i < ehdr.e_phnum; ++i) {
    const auto ph = Load<ElfW(Phdr)>(&table[i * sizeof(ElfW(Phdr))]);
    if (ph.p_type != PT_NOTE) continue;
    // A note segment outside the file: the file was cut short.
    if (ph.p_offset > file_size || ph.p_filesz > file_size - ph.p_offset) {
      return ERROR_INVALID_DATA;
    }
    if (ph.p_filesz > budget) break;
    budget -= ph.p_filesz;
    if (!Bytes(file.fd(), head, ph.p_offset,
               static_cast<std::size_t>(ph.p_filesz), notes)) {
      return ERROR_INVALID_DATA;
    }
    const DWORD found = FindInSegment(notes, ph.p_align == 8 ? 8 : 4, out);
    if (found != ERROR_RESOURCE_TYPE_NOT_FOUND) return found;
  }
  return ERROR_RESOURCE_TYPE_NOT_FOUND;
}

// Writes the nodes of a VS_VERSIONINFO block: a header of three WORDs, the
// key with its terminator, padding to 32 bits (from the block's start), the
// value, padding, the children.
class BlockWriter {
 public:
  BlockWriter() { bytes_.reserve(1024); }
  std::size_t Begin(WORD value_length, WORD type, const wchar_t* key) {
    Align();
    const std::size_t start = bytes_.size();
    const WORD header[3] = {0, value_length, type};
    Value(header, sizeof header);
    Value(key, (std::wcslen(key) + 1) * sizeof(wchar_t));
    Align();
    return start;
  }
  void Value(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  // The node's length runs to its last byte, padding after it not counted.
  bool End(std::size_t start) {
    const std::size_t length = bytes_.size() - start;
    if (length > kMaxBlock) return false;
    const auto word = static_cast<WORD>(length);
    std::memcpy(&bytes_[start], &word, sizeof word);
    return true;
  }
  std::vector<unsigned char>& bytes() { return bytes_; }

 private:
  void Align() { bytes_.resize((bytes_.size() + 3) & ~std::size_t{3}, 0); }
  std::vector<unsigned char> bytes_;
};

// The VS_VERSIONINFO block of `data`; false when it would not fit the
// block's 16-bit lengths.
bool BuildBlock(const VersionData& data, std::vector<unsigned char>& block) {
  BlockWriter w;
  const std::size_t root =
      w.Begin(sizeof(VS_FIXEDFILEINFO), 0, L"VS_VERSION_INFO");
  w.Value(&data.fixed, sizeof data.fixed);
  const std::size_t file_info = w.Begin(0, 1, L"StringFileInfo");
  const std::size_t table = w.Begin(0, 1, kStringTable);
  for (const auto& [name, value] : data.strings) {
    if (value.size() + 1 > kMaxBlock) return false;
    const std::size_t entry =
        w.Begin(static_cast<WORD>(value.size() + 1), 1, name.c_str());
    w.Value(value.c_str(), (value.size() + 1) * sizeof(wchar_t));
    if (!w.End(entry)) return false;
  }
  if (!w.End(table) || !w.End(file_info)) return false;
  const std::size_t var_info = w.Begin(0, 1, L"VarFileInfo");
  const std::size_t var = w.Begin(sizeof kTranslation, 0, L"Translation");
  w.Value(&kTranslation, sizeof kTranslation);
  if (!w.End(var) || !w.End(var_info) || !w.End(root)) return false;
  block = std::move(w.bytes());
  return true;
}

// The block a size query just built, kept for the read that follows it
// (callers ask for the size, then for the block): that read then costs one
// stat of the name instead of a second reading of the file. It is used
// once, and only while the file is the same one, unchanged (device, inode,
// size and both time stamps as they were).
struct LastBlock {
  bool valid = false;
  std::string name;
  struct stat st;
  std::vector<unsigned char> block;
};

thread_local LastBlock t_last_block;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino &&
         a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
         a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

enum class Keep { kForTheRead, kNo };

DWORD VersionBlock(LPCWSTR wide_name, std::vector<unsigned char>& block,
                   Keep keep) {
  std::string name;
  if (wide_name == nullptr) return ERROR_INVALID_PARAMETER;
  if (!ToFileSystemName(wide_name, name)) return ERROR_NO_UNICODE_TRANSLATION;
  LastBlock& last = t_last_block;
  if (keep == Keep::kNo && last.valid && last.name == name) {
    last.valid = false;
    struct stat now;
    if (stat(name.c_str(), &now) == 0 && SameFile(now, last.st)) {
      block = std::move(last.block);
      return 0;
    }
  }
  last.valid = false;
  VersionData data;
  struct stat st;
  if (const DWORD error = ReadVersionNote(name, data, st)) return error;
  if (!BuildBlock(data, block)) return ERROR_INVALID_DATA;
  if (keep == Keep::kForTheRead) {
    last.name = name;
    last.st = st;
    last.block = block;
    last.valid = true;
  }
  return 0;
}

// One node of a block, every part of it inside [start, end).
struct Node {
  std::size_t start = 0, end = 0;
  std::size_t key = 0;       // offset of the key
  std::size_t value = 0;     // offset of the value
  WORD value_length = 0;     // as stored: characters or bytes
  std::size_t children = 0;  // offset of the first child (before alignment)
};

std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

bool ReadNode(const unsigned char* block, std::size_t at, std::size_t limit,
              Node& node) {
  if (at > limit || limit - at < kHeaderBytes) return false;
  const auto length = Load<WORD>(block + at);
  if (length < kHeaderBytes || length > limit - at) return false;
  node.start = at;
  node.end = at + length;
  node.value_length = Load<WORD>(block + at + 2);
  const auto type = Load<WORD>(block + at + 4);
  node.key = at + kHeaderBytes;
  std::size_t p = node.key;
  for (;; p += sizeof(wchar_t)) {
    if (node.end - p < sizeof(wchar_t)) return false;
    if (Load<wchar_t>(block + p) == L'\0') break;
  }
  node.value = Align4(p + sizeof(wchar_t));
  const std::size_t value_bytes =
      type == 1 ? std::size_t{node.value_length} * sizeof(wchar_t)
                : node.value_length;
  if (node.value > node.end || value_bytes > node.end - node.value) {
    return false;
  }
  node.children = node.value + value_bytes;
  return true;
}

// Compares the node's key with the `count` characters at `name`, case
// ignored by the ordinal rule, as Win32 compares version keys (one
// character at a time, no locale).
bool KeyIs(const unsigned char* block, const Node& node, const wchar_t* name,
           std::size_t count) {
  using matrix::platform::OrdinalUpperCase;
  std::size_t p = node.key;
  for (std::size_t i = 0; i < count; ++i, p += sizeof(wchar_t)) {
    const auto c = Load<wchar_t>(block + p);  // the key ends inside the node
    if (c == L'\0' || OrdinalUpperCase(c) != OrdinalUpperCase(name[i])) {
      return false;
    }
  }
  return Load<wchar_t>(block + p) == L'\0';
}

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR name, LPDWORD handle) {
  if (handle != nullptr) *handle = 0;
  std::vector<unsigned char> block;
  if (const DWORD error = VersionBlock(name, block, Keep::kForTheRead)) {
    SetLastError(error);
    return 0;
  }
  return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoW(LPCWSTR name, DWORD /*handle*/, DWORD len,
                         LPVOID data) {
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (len < kHeaderBytes) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::vector<unsigned char> block;
  if (const DWORD error = VersionBlock(name, block, Keep::kNo)) {
    SetLastError(error);
    return FALSE;
  }
  const std::size_t copied = std::min<std::size_t>(len, block.size());
  std::memcpy(data, block.data(), copied);
  if (copied < block.size()) {
    const auto length = static_cast<WORD>(copied);
    std::memcpy(data, &length, sizeof length);
  }
  return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* value, PUINT len) {
  if (len != nullptr) *len = 0;
  if (block == nullptr || subBlock == nullptr || value == nullptr ||
      len == nullptr) {
    return FALSE;
  }
  const auto* bytes = static_cast<const unsigned char*>(block);
  const auto length = Load<WORD>(bytes);
  Node node;
  if (!ReadNode(bytes, 0, length, node)) return FALSE;
  for (const wchar_t* p = subBlock; *p != L'\0';) {
    if (*p == L'\\') {
      ++p;
      continue;
    }
    const std::size_t count = std::wcscspn(p, L"\\");
    Node child;
    bool found = false;
    for (std::size_t at = Align4(node.children);
         ReadNode(bytes, at, node.end, child); at = Align4(child.end)) {
      if (KeyIs(bytes, child, p, count)) {
        found = true;
        break;
      }
    }
    if (!found) return FALSE;
    node = child;
    p += count;
  }
  if (node.value_length == 0) return FALSE;
  *value = const_cast<unsigned char*>(bytes + node.value);
  *len = node.value_length;
  return TRUE;
}
