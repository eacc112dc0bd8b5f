// Platform layer (internal) - wide path names on the file system, folder
// paths made, and the Win32 errors that system errors become: the one home
// of each of these rules in the layer (the registry's store uses them too).
#ifndef MATRIX_PLATFORM_SRC_FILE_NAMES_H_
#define MATRIX_PLATFORM_SRC_FILE_NAMES_H_

#include <sys/types.h>
#include <windef.h>

#include <string>

namespace matrix::platform::file {

// The UTF-8 name of the wide path `path` with every '\' turned into '/'.
// False when `path` holds a value that is no Unicode scalar value. (File
// names read back are decoded strictly with matrix::platform::TryToWide.)
bool ToFileSystemName(const wchar_t* path, std::string& name);

// The Win32 error for the errno `error` of a call on `name`, as winbase.h
// lists them: ENOENT and ENOTDIR become ERROR_FILE_NOT_FOUND when the
// folder that holds the last level exists, else ERROR_PATH_NOT_FOUND.
DWORD Win32ErrorOf(int error, const std::string& name);

// Makes the folder `name` and every missing folder above it, each with
// `mode` less the umask; a folder that is there already, or that another
// process makes meanwhile, counts as made. Returns 0, or the errno of the
// first failure (EEXIST when something that is no folder holds one of the
// names). `*made` (may be null) tells whether this call made `name` itself.
int MakeFolderPath(const std::string& name, mode_t mode, bool* made = nullptr);

// The folder of the user's settings, where the user's registry store and
// the initialisation files named without a folder live:
// MATRIX_REGISTRY_DIR when set, else
// ${XDG_CONFIG_HOME:-$HOME/.config}/matrix/registry (the home folder from
// the password database when HOME is not set). Read at every call.
std::string UserSettingsFolder();

// SetLastError(Win32ErrorOf(error, name)).
void SetLastErrorFromErrno(int error, const std::string& name);

}  // namespace matrix::platform::file

#endif  // MATRIX_PLATFORM_SRC_FILE_NAMES_H_
