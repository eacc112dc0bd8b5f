// Platform layer - wide path names on the file system, the Win32 errors
// that system errors become, and CreateDirectoryW.
#include "file_names.h"

#include <sys/stat.h>
#include <utf8codec.h>
#include <winbase.h>

#include <cerrno>
#include <cwchar>

namespace matrix::platform::file {

namespace {

// The folder that holds the last level of `name` ("." for a bare name).
std::string ParentOf(const std::string& name) {
  std::string::size_type end = name.size();
  while (end > 1 && name[end - 1] == '/') --end;  // "a/b/" names b
  const std::string::size_type slash = name.rfind('/', end - 1);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return name.substr(0, slash);
}

}  // namespace

bool ToFileSystemName(const wchar_t* path, std::string& name) {
  name.clear();
  name.reserve(std::wcslen(path) + 8);
  for (const wchar_t* p = path; *p != L'\0'; ++p) {
    const auto c = static_cast<char32_t>(*p);
    if (!matrix::platform::IsScalarValue(c)) return false;
    matrix::platform::AppendUtf8(c == U'\\' ? U'/' : c, name);
  }
  return true;
}

bool FromUtf8(const std::string& text, std::wstring& wide) {
  wide.clear();
  wide.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    char32_t c;
    const int length = matrix::platform::ReadUtf8(p, end, c);
    if (length < 0) return false;
    wide += static_cast<wchar_t>(c);
    p += length;
  }
  return true;
}

DWORD Win32ErrorOf(int error, const std::string& name) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOENT:
    case ENOTDIR: {
      struct stat st;
      const std::string parent = ParentOf(name);
      return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)
                 ? ERROR_FILE_NOT_FOUND
                 : ERROR_PATH_NOT_FOUND;
    }
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC:
      return ERROR_DISK_FULL;
    case EILSEQ:
      return ERROR_NO_UNICODE_TRANSLATION;
    default:
      return ERROR_GEN_FAILURE;
  }
}

void SetLastErrorFromErrno(int error, const std::string& name) {
  SetLastError(Win32ErrorOf(error, name));
}

}  // namespace matrix::platform::file

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES /*attributes*/) {
  using namespace matrix::platform::file;
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string name;
  if (!ToFileSystemName(path, name)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return FALSE;
  }
  if (name.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (mkdir(name.c_str(), 0777) != 0) {
    const int error = errno;
    // A missing parent is always a folder above the new level.
    SetLastError(error == ENOENT || error == ENOTDIR
                     ? ERROR_PATH_NOT_FOUND
                     : Win32ErrorOf(error, name));
    return FALSE;
  }
  return TRUE;
}
