// Platform layer - the shell's special folders.
#include <shlobj.h>
#include <sys/stat.h>
#include <utf8codec.h>

#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "file_names.h"

namespace {

using matrix::platform::TryToWide;
using matrix::platform::file::MakeFolderPath;
using matrix::platform::file::Win32ErrorOf;

// The machine-wide application-data folder. scripts/setup.sh creates it
// with mode 1777, as SHGetFolderPathW does when it must.
constexpr char kCommonAppData[] = "/var/lib/matrix/ProgramData";
constexpr char kCommonAppDataVariable[] = "MATRIX_COMMON_APPDATA";

// Creates `name` and any missing folders above it; the last one, when this
// call made it, gets `mode` (set after creation, so that the umask does not
// narrow it) when `mode` is not 0. Returns 0 or the errno of the first
// failure; a file in the way is "something of that name exists" (EEXIST).
int CreateFolders(const std::string& name, mode_t mode) {
  bool made = false;
  if (const int error = MakeFolderPath(name, 0777, &made)) return error;
  if (made && mode != 0 && chmod(name.c_str(), mode) != 0) return errno;
  return 0;
}

HRESULT Fail(LPWSTR path, DWORD error) {
  path[0] = L'\0';
  return HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT SHGetFolderPathW(HWND /*window*/, int csidl, HANDLE /*token*/,
                         DWORD flags, LPWSTR path) {
  if (path == nullptr) return E_INVALIDARG;
  path[0] = L'\0';
  if ((csidl & ~CSIDL_FLAG_MASK) != CSIDL_COMMON_APPDATA) return E_INVALIDARG;
  if ((csidl & CSIDL_FLAG_MASK &
       ~(CSIDL_FLAG_CREATE | CSIDL_FLAG_DONT_VERIFY)) != 0) {
    return E_INVALIDARG;
  }
  if (flags != SHGFP_TYPE_CURRENT && flags != SHGFP_TYPE_DEFAULT) {
    return E_INVALIDARG;
  }

  std::string name = kCommonAppData;
  bool is_default = true;
  if (flags == SHGFP_TYPE_CURRENT) {
    const char* value = std::getenv(kCommonAppDataVariable);
    if (value != nullptr && value[0] != '\0') {
      name = value;
      is_default = false;
    }
  }
  if (name[0] != '/') return Fail(path, ERROR_BAD_PATHNAME);
  while (name.size() > 1 && name.back() == '/') name.pop_back();

  std::wstring wide;
  if (!TryToWide(name, wide)) return Fail(path, ERROR_NO_UNICODE_TRANSLATION);
  if (wide.size() > MAX_PATH - 1) return Fail(path, ERROR_FILENAME_EXCED_RANGE);

  if ((csidl & CSIDL_FLAG_CREATE) != 0) {
    if (const int error =
            CreateFolders(name, is_default ? (S_ISVTX | 0777) : 0)) {
      return Fail(path, Win32ErrorOf(error, name));
    }
  } else if ((csidl & CSIDL_FLAG_DONT_VERIFY) == 0) {
    struct stat st;
    if (stat(name.c_str(), &st) != 0) {
      return Fail(path, Win32ErrorOf(errno, name));
    }
    if (!S_ISDIR(st.st_mode)) return Fail(path, ERROR_PATH_NOT_FOUND);
  }
  std::wmemcpy(path, wide.c_str(), wide.size() + 1);
  return S_OK;
}
