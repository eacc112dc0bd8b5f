/// \file
/// \ingroup core_winbase
/// \brief Win32 base services: the thread's last error, folders and module file
/// names.
#ifndef MATRIX_PLATFORM_WINBASE_H_
#define MATRIX_PLATFORM_WINBASE_H_

/// \defgroup core_winbase winbase.h: the thread's last error
/// \ingroup core
/// \brief Win32 base services: the calling thread's last error.
/// @{

#include <afxexport.h>
#include <windef.h>
#include <winerror.h>

/// The longest path, terminator included, that the shell's folder calls
/// return.
#define MAX_PATH 260

/// @}

/// \defgroup file_winbase winbase.h: folders and module files
/// \ingroup file
/// \brief Win32 base services: folders and module file names.
///
/// Paths are wide strings, stored on the file system as UTF-8 whatever the
/// C library's LC_CTYPE says; '\\' and '/' both separate levels, as on
/// Windows. A name that holds no Unicode text (a lone surrogate, a value above
/// U+10FFFF) fails with ERROR_NO_UNICODE_TRANSLATION.
/// @{

/// The calling thread's last error: the layer's calls set it when they fail,
/// from the system's errno: EEXIST gives ERROR_ALREADY_EXISTS; ENOENT and
/// ENOTDIR give ERROR_FILE_NOT_FOUND when only the last level is missing and
/// ERROR_PATH_NOT_FOUND when a folder above it is; EACCES, EPERM and EROFS
/// give ERROR_ACCESS_DENIED; ENAMETOOLONG ERROR_FILENAME_EXCED_RANGE; ENOSPC
/// and EDQUOT ERROR_DISK_FULL; anything else ERROR_GEN_FAILURE.
MATRIX_PLATFORM_API DWORD GetLastError();
/// \copydoc GetLastError()
MATRIX_PLATFORM_API void SetLastError(DWORD error);

/// Creates the one folder `path` (its parent must exist), with mode 0777 less
/// the process's umask; `attributes` is accepted and ignored. Returns TRUE
/// when created; FALSE with ERROR_ALREADY_EXISTS when anything of that name
/// exists, ERROR_PATH_NOT_FOUND when the parent is missing, else as above.
MATRIX_PLATFORM_API BOOL CreateDirectoryW(LPCWSTR path,
                                          LPSECURITY_ATTRIBUTES attributes);

/// Writes the absolute path (links resolved) of the file of the module loaded
/// at `module` (the handle AfxModuleHandleOf gives) into `name`, which holds
/// `size` characters; a null `module` names the program's own file (a
/// module's path is resolved once per thread while it stays loaded, as
/// Windows reports the path a module was loaded from). Returns
/// the length without the terminator. A path that does not fit is cut to
/// `size` - 1 characters and terminated; the call then returns `size` and
/// sets ERROR_INSUFFICIENT_BUFFER. Returns 0 with ERROR_MOD_NOT_FOUND when no
/// module is loaded at `module`, with ERROR_INSUFFICIENT_BUFFER when `size`
/// is 0 and ERROR_INVALID_PARAMETER when `name` is null.
MATRIX_PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR name,
                                             DWORD size);

/// @}

#endif  // MATRIX_PLATFORM_WINBASE_H_
