// Platform layer - initialisation files, read and written as Win32's
// private-profile calls do (GetPrivateProfileStringW, GetPrivateProfileIntW,
// WritePrivateProfileStringW): "[section]" lines and "key=value" lines in
// UTF-8 (or in UTF-16LE, for a file that starts with its byte-order mark,
// as Win32 writes a Unicode file), names compared with blanks around them
// and case ignored, a file named without a folder
// kept in the user's settings folder. A write replaces the whole file at
// once (a new file renamed over it) under a lock on its folder, so that a
// reader sees the file before or after it, never half of it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utf8codec.h>
#include <winbase.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../core/text_fold.h"
#include "file_names.h"

namespace {

namespace file = matrix::platform::file;

// One line of a file: its bytes without the line end, the line end, and
// what the line is.
struct ProfileLine {
  std::string text;
  std::string end;  // "\r\n", "\n", "\r", or "" for a last line without one
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::wstring name;   // of the section or key, blanks trimmed
  std::wstring value;  // of a key, blanks trimmed and quotes taken off
};

struct Profile {
  bool exists = false;
  std::string bom;     // a UTF-8 byte-order mark, kept
  bool utf16 = false;  // the file is UTF-16LE with its mark, and stays so
  std::vector<ProfileLine> lines;
};

// UTF-16LE bytes (after their mark) as UTF-8, pairs joined; a lone
// surrogate or an odd last byte reads as U+FFFD.
std::string Utf16ToUtf8(const std::string& bytes, std::size_t start) {
  std::u16string units;
  for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
    units.push_back(
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                              static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  std::string out =
      matrix::platform::ToUtf8(matrix::platform::FromUtf16(units));
  if ((bytes.size() - start) % 2 != 0)
    matrix::platform::AppendUtf8(matrix::platform::kReplacementCharacter, out);
  return out;
}

// UTF-8 text as UTF-16LE bytes.
std::string Utf8ToUtf16(const std::string& text) {
  std::string out;
  for (wchar_t c : matrix::platform::ToWide(text)) {
    std::uint16_t units[2];
    const int n = matrix::platform::PutUtf16(static_cast<char32_t>(c), units);
    for (int k = 0; k < n; ++k) {
      out += static_cast<char>(units[k] & 0xFF);
      out += static_cast<char>(units[k] >> 8);
    }
  }
  return out;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trimmed(const std::wstring& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return matrix::platform::CompareOrdinal(a.data(), a.size(), b.data(),
                                          b.size(), true) == 0;
}

// "[name]" is a section, "name=value" a key (a value in matching single or
// double quotes loses them); comments (';') and other lines are neither.
void Classify(ProfileLine* line) {
  const std::wstring wide = Trimmed(matrix::platform::ToWide(line->text));
  if (wide.empty() || wide[0] == L';') return;
  if (wide[0] == L'[') {
    const std::size_t close = wide.rfind(L']');
    if (close == std::wstring::npos) return;
    line->kind = ProfileLine::kSection;
    line->name = Trimmed(wide.substr(1, close - 1));
    return;
  }
  const std::size_t equals = wide.find(L'=');
  if (equals == std::wstring::npos) return;
  line->kind = ProfileLine::kKey;
  line->name = Trimmed(wide.substr(0, equals));
  line->value = Trimmed(wide.substr(equals + 1));
  const std::wstring& v = line->value;
  if (v.size() >= 2 && v.front() == v.back() &&
      (v.front() == L'"' || v.front() == L'\''))
    line->value = v.substr(1, v.size() - 2);
}

void ParseProfile(const std::string& file_bytes, Profile* out) {
  out->utf16 = file_bytes.compare(0, 2, "\xFF\xFE") == 0;
  const std::string bytes =
      out->utf16 ? Utf16ToUtf8(file_bytes, 2) : file_bytes;
  std::size_t start = 0;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    out->bom = bytes.substr(0, 3);
    start = 3;
  }
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    ProfileLine line;
    line.text =
        bytes.substr(start, end == std::string::npos ? end : end - start);
    if (end != std::string::npos) {
      const bool crlf = bytes.compare(end, 2, "\r\n") == 0;
      line.end = bytes.substr(end, crlf ? 2 : 1);
      end += line.end.size();
    }
    Classify(&line);
    out->lines.push_back(std::move(line));
    start = end;
  }
}

// The file `name` names: a path with a folder as it is, a bare name in the
// user's settings folder. 0, or the Win32 error of a name that is none.
DWORD PathOf(LPCWSTR name, std::string* path, bool* in_settings) {
  if (!name) return ERROR_INVALID_PARAMETER;
  if (!*name) return ERROR_ACCESS_DENIED;  // as Win32 refuses "" to write
  std::string converted;
  if (!file::ToFileSystemName(name, converted))
    return ERROR_NO_UNICODE_TRANSLATION;
  *in_settings = converted.find('/') == std::string::npos;
  *path =
      *in_settings ? file::UserSettingsFolder() + "/" + converted : converted;
  return 0;
}

// Reads the file at `path`; a missing one is an empty profile. 0 or errno.
int LoadProfile(const std::string& path, Profile* out) {
  *out = Profile();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? 0 : errno;
  std::string bytes;
  char chunk[8192];
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) > 0)
    bytes.append(chunk, static_cast<std::size_t>(n));
  const int error = n < 0 ? errno : 0;
  close(fd);
  if (error != 0) return error;
  out->exists = true;
  ParseProfile(bytes, out);
  return 0;
}

// The lines [first, last) of the first section named `section`; first ==
// last == lines.size() when there is none.
struct SectionRange {
  std::size_t header, first, last;
  bool found;
};
SectionRange FindSection(const Profile& p, const std::wstring& section) {
  const std::size_t n = p.lines.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (p.lines[i].kind != ProfileLine::kSection ||
        !SameName(p.lines[i].name, section))
      continue;
    std::size_t last = i + 1;
    while (last < n && p.lines[last].kind != ProfileLine::kSection) ++last;
    return {i, i + 1, last, true};
  }
  return {n, n, n, false};
}

// The index of key `key` in `range`, or range.last.
std::size_t FindKey(const Profile& p, const SectionRange& range,
                    const std::wstring& key) {
  for (std::size_t i = range.first; i < range.last; ++i) {
    if (p.lines[i].kind == ProfileLine::kKey && SameName(p.lines[i].name, key))
      return i;
  }
  return range.last;
}

// --- Copying out under Win32's buffer rules ---------------------------------

// One text: cut to `size` - 1 characters when it does not fit.
DWORD CopyText(const std::wstring& text, LPWSTR out, DWORD size) {
  if (size == 0) return 0;
  const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  text.copy(out, n);
  out[n] = 0;
  return static_cast<DWORD>(n);
}

// Texts one after the other, each with its 0, and a 0 after the last; when
// they do not fit, the last that fits in part is cut, two 0s end the
// buffer and `size` - 2 is returned.
DWORD CopyList(const std::vector<std::wstring>& texts, LPWSTR out, DWORD size) {
  if (size == 0) return 0;
  std::size_t at = 0;
  for (const std::wstring& t : texts) {
    if (at + t.size() + 2 > size) {
      if (size < 2) {
        out[0] = 0;
        return 0;
      }
      const std::size_t room = size - 2 >= at ? size - 2 - at : 0;
      t.copy(out + at, room);
      out[size - 2] = out[size - 1] = 0;
      return size - 2;
    }
    t.copy(out + at, t.size());
    at += t.size();
    out[at++] = 0;
  }
  out[at] = 0;
  return static_cast<DWORD>(at);
}

std::vector<std::wstring> SectionNames(const Profile& p) {
  std::vector<std::wstring> names;
  for (const ProfileLine& line : p.lines) {
    if (line.kind != ProfileLine::kSection) continue;
    bool seen = false;
    for (const std::wstring& n : names) seen = seen || SameName(n, line.name);
    if (!seen) names.push_back(line.name);
  }
  return names;
}

std::vector<std::wstring> KeyNames(const Profile& p,
                                   const std::wstring& section) {
  const SectionRange range = FindSection(p, section);
  std::vector<std::wstring> names;
  for (std::size_t i = range.first; i < range.last; ++i) {
    if (p.lines[i].kind == ProfileLine::kKey) names.push_back(p.lines[i].name);
  }
  return names;
}

// The value of `key` in `section`, or null.
const std::wstring* ValueOf(const Profile& p, const std::wstring& section,
                            const std::wstring& key) {
  const SectionRange range = FindSection(p, section);
  const std::size_t at = FindKey(p, range, key);
  return at < range.last ? &p.lines[at].value : nullptr;
}

// --- Writing
// --------------------------------------------------------------------

// The line end of new lines: the file's own (its first line's), CRLF in a
// new file, as Win32 writes.
std::string LineEndOf(const Profile& p) {
  for (const ProfileLine& line : p.lines) {
    if (!line.end.empty()) return line.end;
  }
  return "\r\n";
}

ProfileLine NewLine(const std::string& text, const std::string& end) {
  ProfileLine line;
  line.text = text;
  line.end = end;
  Classify(&line);
  return line;
}

// Sets `key` of `section` to `value`: the key's line is rewritten, a new
// key goes after the section's last line that is not blank, a new section
// at the end of the file.
void SetKey(Profile* p, const std::wstring& section, const std::wstring& key,
            const std::wstring& value) {
  const std::string end = LineEndOf(*p);
  if (!p->lines.empty() && p->lines.back().end.empty())
    p->lines.back().end = end;
  const SectionRange range = FindSection(*p, section);
  const std::size_t at = FindKey(*p, range, key);
  if (at < range.last) {
    const std::wstring name = p->lines[at].name;  // keeps its spelling
    p->lines[at] = NewLine(matrix::platform::ToUtf8(name + L"=" + value),
                           p->lines[at].end.empty() ? end : p->lines[at].end);
    return;
  }
  const std::string line = matrix::platform::ToUtf8(key + L"=" + value);
  if (!range.found) {
    p->lines.push_back(
        NewLine(matrix::platform::ToUtf8(L"[" + section + L"]"), end));
    p->lines.push_back(NewLine(line, end));
    return;
  }
  std::size_t insert = range.last;
  while (insert > range.first &&
         Trimmed(matrix::platform::ToWide(p->lines[insert - 1].text)).empty())
    --insert;
  p->lines.insert(p->lines.begin() + static_cast<std::ptrdiff_t>(insert),
                  NewLine(line, end));
}

// Deletes the key, or with a null `key` the whole section with its header;
// false when there was nothing to delete.
bool DeleteEntry(Profile* p, const std::wstring& section,
                 const std::wstring* key) {
  const SectionRange range = FindSection(*p, section);
  if (!range.found) return false;
  auto begin = p->lines.begin();
  if (!key) {
    p->lines.erase(begin + static_cast<std::ptrdiff_t>(range.header),
                   begin + static_cast<std::ptrdiff_t>(range.last));
    return true;
  }
  const std::size_t at = FindKey(*p, range, *key);
  if (at == range.last) return false;
  p->lines.erase(begin + static_cast<std::ptrdiff_t>(at));
  return true;
}

// Writes `p` as the file `path`: a new file beside it (named for this
// process and call; writers of the folder take turns), synced, given the old
// file's mode (a new file: 0666 less the umask), renamed over it. 0 or errno.
int SaveProfile(const std::string& path, const Profile& p) {
  static std::atomic<unsigned> serial{0};
  std::string bytes = p.bom;
  for (const ProfileLine& line : p.lines) bytes += line.text + line.end;
  if (p.utf16) bytes = "\xFF\xFE" + Utf8ToUtf16(bytes);
  struct stat st;
  const bool replacing = stat(path.c_str(), &st) == 0;
  // A name taken (by a file that a process of the same number left when it
  // was killed) is passed over for the next.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp",
                  static_cast<long>(getpid()), serial++);
    temporary = path + suffix;
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;
  int error = replacing && fchmod(fd, st.st_mode & 07777) != 0 ? errno : 0;
  for (std::size_t done = 0; error == 0 && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno != EINTR) error = errno;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  if (error == 0 && fdatasync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) unlink(temporary.c_str());
  return error;
}

// Holds the lock of the folder that holds `path` while it lives, so that
// writers of the folder's files take turns.
class FolderLock {
 public:
  explicit FolderLock(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                            : path.substr(0, slash);
    fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        error_ = errno;
        return;
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);  // and with it the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool HoldsLineEnd(const std::wstring& s) {
  return s.find_first_of(L"\r\n") != std::wstring::npos;
}

// What would not read back as written: a line end anywhere, a ']' in a
// section name, a '=' in a key name, a key name that would read as a
// comment (';') or a section ('['), names of blanks alone, text that is no
// Unicode text.
bool Writable(LPCWSTR section, LPCWSTR key, LPCWSTR value) {
  const std::wstring s = section, k = key ? key : L"x", v = value ? value : L"";
  const std::wstring trimmed_key = Trimmed(k);
  std::string utf8;
  return !HoldsLineEnd(s) && !HoldsLineEnd(k) && !HoldsLineEnd(v) &&
         s.find(L']') == std::wstring::npos &&
         k.find(L'=') == std::wstring::npos && !Trimmed(s).empty() &&
         !trimmed_key.empty() && trimmed_key[0] != L';' &&
         trimmed_key[0] != L'[' && matrix::platform::TryToUtf8(s + k + v, utf8);
}

// The file that `path` names once a symbolic link in its last level is
// followed: settings kept as a link (to a shared or managed file) are
// written where the link points, not by replacing the link.
std::string FileBehindLink(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  const std::unique_ptr<char, decltype(&std::free)> resolved(
      realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

bool WritableFile(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return true;  // the rename will tell
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
         access(path.c_str(), W_OK) == 0;
}

// Reads the integer at the start of `text` as Win32 reads a number: blanks,
// a sign, "0x", "0o" or "0b" for another base, digits up to the first that
// is none, and the value kept modulo 2^32.
UINT ReadInteger(const std::wstring& text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
    negative = text[i++] == L'-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == L'0') {
    const wchar_t b = text[i + 1] | 0x20;
    base = b == L'x' ? 16 : b == L'o' ? 8 : b == L'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  std::uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    unsigned digit = c >= L'0' && c <= L'9' ? c - L'0'
                     : (c | 0x20) >= L'a' && (c | 0x20) <= L'z'
                         ? (c | 0x20) - L'a' + 10
                         : 99;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return negative ? 0u - value : value;
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName,
                               LPCWSTR lpDefault, LPWSTR lpReturnedString,
                               DWORD nSize, LPCWSTR lpFileName) {
  if (!lpReturnedString && nSize > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string path;
  bool in_settings = false;
  Profile p;
  const DWORD name_error = PathOf(lpFileName, &path, &in_settings);
  const int error = name_error == 0 ? LoadProfile(path, &p) : 0;
  if (!lpAppName || !lpKeyName) {
    SetLastError(p.exists ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    return CopyList(
        lpAppName ? KeyNames(p, Trimmed(lpAppName)) : SectionNames(p),
        lpReturnedString, nSize);
  }
  if (const std::wstring* value =
          ValueOf(p, Trimmed(lpAppName), Trimmed(lpKeyName))) {
    SetLastError(ERROR_SUCCESS);
    return CopyText(*value, lpReturnedString, nSize);
  }
  // The default without its trailing blanks.
  std::wstring fallback = lpDefault ? lpDefault : L"";
  while (!fallback.empty() && IsBlank(fallback.back())) fallback.pop_back();
  SetLastError(error != 0 ? file::Win32ErrorOf(error, path)
                          : ERROR_FILE_NOT_FOUND);
  return CopyText(fallback, lpReturnedString, nSize);
}

UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault,
                           LPCWSTR lpFileName) {
  wchar_t text[64];
  if (!lpAppName || !lpKeyName ||
      GetPrivateProfileStringW(lpAppName, lpKeyName, L"", text, 64,
                               lpFileName) == 0)
    return static_cast<UINT>(nDefault);
  return ReadInteger(text);
}

BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName,
                                LPCWSTR lpString, LPCWSTR lpFileName) {
  std::string path;
  bool in_settings = false;
  if (const DWORD error = PathOf(lpFileName, &path, &in_settings))
    return Fail(error);
  if (!lpAppName) return Fail(ERROR_FILE_NOT_FOUND);  // as Win32 answers it
  if (!Writable(lpAppName, lpKeyName, lpString))
    return Fail(ERROR_INVALID_PARAMETER);
  const bool deleting = !lpKeyName || !lpString;
  if (in_settings && !deleting) {
    if (const int error =
            file::MakeFolderPath(file::UserSettingsFolder(), 0700))
      return Fail(file::Win32ErrorOf(error, path));
  }
  path = FileBehindLink(path);
  const FolderLock lock(path);
  // Deleting from a file whose folder is missing deletes nothing.
  if (lock.error() == ENOENT && deleting) return TRUE;
  if (lock.error() != 0) return Fail(file::Win32ErrorOf(lock.error(), path));
  Profile p;
  if (const int error = LoadProfile(path, &p))
    return Fail(file::Win32ErrorOf(error, path));
  // Names as they are found: the blanks around them do not count.
  const std::wstring section = Trimmed(lpAppName);
  const std::wstring key = lpKeyName ? Trimmed(lpKeyName) : std::wstring();
  if (deleting) {
    // Nothing to delete leaves the file (or its absence) as it is.
    if (!DeleteEntry(&p, section, lpKeyName ? &key : nullptr)) return TRUE;
  } else {
    SetKey(&p, section, key, lpString);
  }
  // A file without write permission is read-only, even to a process that
  // could replace it: its new copy would otherwise take its place.
  if (p.exists && !WritableFile(path)) return Fail(ERROR_ACCESS_DENIED);
  if (const int error = SaveProfile(path, p))
    return Fail(file::Win32ErrorOf(error, path));
  return TRUE;
}
