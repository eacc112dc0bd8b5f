// Platform layer - wide path names on the file system, the Win32 errors
// that system errors become, folder paths, and CreateDirectoryW.
#include "file_names.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utf8codec.h>
#include <winbase.h>

#include <algorithm>
#include <cerrno>

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
  if (!matrix::platform::TryToUtf8(path, name)) return false;
  // '\' is one byte in UTF-8 and never part of a longer sequence.
  std::replace(name.begin(), name.end(), '\\', '/');
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
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EILSEQ:
      return ERROR_NO_UNICODE_TRANSLATION;
    default:
      return ERROR_GEN_FAILURE;
  }
}

std::string UserSettingsFolder() {
  const char* dir = getenv("MATRIX_REGISTRY_DIR");
  if (dir && *dir) return dir;
  std::string config;
  const char* xdg = getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') {
    config = xdg;
  } else {
    const char* home = getenv("HOME");
    std::string h = home && *home ? home : "";
    if (h.empty()) {
      if (const passwd* pw = getpwuid(getuid()))
        h = pw->pw_dir ? pw->pw_dir : "";
    }
    config = h + "/.config";
  }
  return config + "/matrix/registry";
}

void SetLastErrorFromErrno(int error, const std::string& name) {
  SetLastError(Win32ErrorOf(error, name));
}

int MakeFolderPath(const std::string& name, mode_t mode, bool* made) {
  if (made) *made = false;
  struct stat st;
  if (stat(name.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : EEXIST;
  const std::string::size_type slash = name.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    if (const int error = MakeFolderPath(name.substr(0, slash), mode)) {
      return error;
    }
  }
  if (mkdir(name.c_str(), mode) != 0) {
    if (errno != EEXIST) return errno;
    // Another process may have made it meanwhile.
    if (stat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return EEXIST;
    return 0;
  }
  if (made) *made = true;
  return 0;
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
