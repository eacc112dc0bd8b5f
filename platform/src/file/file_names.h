// Platform layer (internal) - wide path names on the file system, and the
// Win32 errors that system errors become.
#ifndef MATRIX_PLATFORM_SRC_FILE_NAMES_H_
#define MATRIX_PLATFORM_SRC_FILE_NAMES_H_

#include <windef.h>

#include <string>

namespace matrix::platform::file {

// The UTF-8 name of the wide path `path` with every '\' turned into '/'.
// False when `path` holds a value that is no Unicode scalar value. (File
// names read back are decoded strictly with matrix::platform::TryToWide.)
bool ToFileSystemName(const wchar_t* path, std::string& name);

// The Win32 error for the errno `error` of a call on `name`: ENOENT and
// ENOTDIR become ERROR_FILE_NOT_FOUND when the folder that holds the last
// level exists, else ERROR_PATH_NOT_FOUND.
DWORD Win32ErrorOf(int error, const std::string& name);

// SetLastError(Win32ErrorOf(error, name)).
void SetLastErrorFromErrno(int error, const std::string& name);

}  // namespace matrix::platform::file

#endif  // MATRIX_PLATFORM_SRC_FILE_NAMES_H_
