// Platform layer - the C run-time's wide-character file open and the host's
// file object.
#include <crtio.h>
#include <fcntl.h>
#include <intfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <winbase.h>

#include <cerrno>
#include <string>

#include "file_names.h"

namespace {

struct OpenMode {
  int flags = 0;          // open(2) flags
  bool truncate = false;  // "w": emptied once the file is held
  bool writes = false;
  const char* stdio = nullptr;  // the mode fdopen gets (it never truncates)
};

// Reads a mode of "r", "w" or "a", then '+', 'b', 't' and (after "w") 'x',
// each at most once, 'b' and 't' not together.
bool ParseMode(const wchar_t* mode, OpenMode& out) {
  bool plus = false, binary = false, text = false, exclusive = false;
  const wchar_t kind = mode[0];
  if (kind != L'r' && kind != L'w' && kind != L'a') return false;
  for (const wchar_t* p = mode + 1; *p != L'\0'; ++p) {
    bool* seen = nullptr;
    switch (*p) {
      case L'+':
        seen = &plus;
        break;
      case L'b':
        seen = &binary;
        break;
      case L't':
        seen = &text;
        break;
      case L'x':
        seen = &exclusive;
        break;
      default:
        return false;
    }
    if (*seen) return false;
    *seen = true;
  }
  if ((binary && text) || (exclusive && kind != L'w')) return false;
  switch (kind) {
    case L'r':
      out.flags = plus ? O_RDWR : O_RDONLY;
      out.stdio = plus ? "r+" : "r";
      break;
    case L'w':
      out.flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT;
      if (exclusive) out.flags |= O_EXCL;
      out.truncate = true;
      out.stdio = plus ? "r+" : "w";
      break;
    default:
      out.flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
      out.stdio = plus ? "a+" : "a";
      break;
  }
  out.writes = plus || kind != L'r';
  return true;
}

// Holds the whole file for this open file description: a write hold for a
// stream that writes, a read hold otherwise; never waits. Returns 0, or
// EACCES when another stream holds the file against it. A file system
// without locks leaves the stream unheld rather than unopenable.
int Hold(int fd, bool writes) {
  struct flock lock = {};
  lock.l_type = writes ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
  return errno == EAGAIN || errno == EACCES ? EACCES : 0;
}

// Opens `name`; returns the stream or nullptr with `error` set.
FILE* OpenStream(const std::string& name, const OpenMode& mode, int& error) {
  // Non-blocking for the open only: a FIFO without a reader then fails at
  // once (ENXIO) instead of waiting for one.
  const int fd =
      open(name.c_str(), mode.flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0) {
    error = errno == EISDIR ? EACCES : errno;  // a folder is no file
    return nullptr;
  }
  struct stat st;
  error = 0;
  if (fstat(fd, &st) != 0) {
    error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    error = EACCES;  // as on Windows
  } else if (const int flags = fcntl(fd, F_GETFL);
             flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    error = errno;
  } else if ((error = Hold(fd, mode.writes)) == 0) {
    // Emptied only now that the file is ours: a refused second writer must
    // not destroy what the first one wrote.
    if (mode.truncate && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
      error = errno;
    }
  }
  FILE* stream = nullptr;
  if (error == 0) {
    stream = fdopen(fd, mode.stdio);
    if (stream == nullptr) error = errno;
  }
  if (stream == nullptr) close(fd);
  return stream;
}

}  // namespace

errno_t _wfopen_s(FILE** file, const wchar_t* name, const wchar_t* mode) {
  using matrix::platform::file::SetLastErrorFromErrno;
  using matrix::platform::file::ToFileSystemName;
  OpenMode parsed;
  if (file == nullptr || name == nullptr || mode == nullptr ||
      !ParseMode(mode, parsed)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return EINVAL;
  }
  *file = nullptr;
  std::string fs_name;
  if (!ToFileSystemName(name, fs_name)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return EILSEQ;
  }
  int error = 0;
  *file = OpenStream(fs_name, parsed, error);
  if (*file == nullptr) {
    if (error == 0) error = EIO;
    SetLastErrorFromErrno(error, fs_name);
    return error;
  }
  return 0;
}

IMPLEMENT_DYNAMIC(CIntFileA, CObject)

CIntFileA::CIntFileA() : m_pStream(nullptr) {}

CIntFileA::~CIntFileA() { Close(); }

BOOL CIntFileA::Open(LPCWSTR name, LPCWSTR mode) {
  Close();
  FILE* stream = nullptr;
  if (_wfopen_s(&stream, name, mode) != 0) stream = nullptr;
  m_pStream = stream;
  return m_pStream != nullptr;
}

void CIntFileA::Close() {
  if (m_pStream != nullptr) {
    std::fclose(m_pStream);
    m_pStream = nullptr;
  }
}
