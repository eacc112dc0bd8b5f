// Platform layer - Win32 base services: the thread's last error, folders and
// module file names.
#ifndef MATRIX_PLATFORM_WINBASE_H_
#define MATRIX_PLATFORM_WINBASE_H_

#include <afxexport.h>
#include <windef.h>
#include <winerror.h>

// The longest path, terminator included, that the shell's folder calls
// return.
#define MAX_PATH 260

// Paths are wide strings, stored on the file system as UTF-8 whatever the
// C library's LC_CTYPE says; '\' and '/' both separate levels, as on
// Windows. A name that holds no Unicode text (a lone surrogate, a value above
// U+10FFFF) fails with ERROR_NO_UNICODE_TRANSLATION.

// The calling thread's last error: the layer's calls set it when they fail,
// from the system's errno: EEXIST gives ERROR_ALREADY_EXISTS; ENOENT and
// ENOTDIR give ERROR_FILE_NOT_FOUND when only the last level is missing and
// ERROR_PATH_NOT_FOUND when a folder above it is; EACCES, EPERM and EROFS
// give ERROR_ACCESS_DENIED; ENAMETOOLONG ERROR_FILENAME_EXCED_RANGE; ENOSPC
// and EDQUOT ERROR_DISK_FULL; anything else ERROR_GEN_FAILURE.
MATRIX_PLATFORM_API DWORD GetLastError();
MATRIX_PLATFORM_API void SetLastError(DWORD error);

// Creates the one folder `path` (its parent must exist), with mode 0777 less
// the process's umask; `attributes` is accepted and ignored. Returns TRUE
// when created; FALSE with ERROR_ALREADY_EXISTS when anything of that name
// exists, ERROR_PATH_NOT_FOUND when the parent is missing, else as above.
MATRIX_PLATFORM_API BOOL CreateDirectoryW(LPCWSTR path,
                                          LPSECURITY_ATTRIBUTES attributes);

// Writes the absolute path (links resolved) of the file of the module loaded
// at `module` (the handle AfxModuleHandleOf gives) into `name`, which holds
// `size` characters; a null `module` names the program's own file (a
// module's path is resolved once per thread while it stays loaded, as
// Windows reports the path a module was loaded from). Returns
// the length without the terminator. A path that does not fit is cut to
// `size` - 1 characters and terminated; the call then returns `size` and
// sets ERROR_INSUFFICIENT_BUFFER. Returns 0 with ERROR_MOD_NOT_FOUND when no
// module is loaded at `module`, with ERROR_INSUFFICIENT_BUFFER when `size`
// is 0 and ERROR_INVALID_PARAMETER when `name` is null.
MATRIX_PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR name,
                                             DWORD size);

// Module handles are the load addresses of the program and the shared
// libraries it has loaded (what AfxModuleHandleOf gives).

// The handle of the program for a null `lpModuleName`, else of the loaded
// module of that file name: the last level alone ("libmatrix.so.0"), or a
// path with a folder ('\' or '/'), compared with the path the module was
// loaded from and with its resolved path. Names are compared with case
// ignored, as Win32 compares them; no extension is added. Takes no
// reference. Null with ERROR_MOD_NOT_FOUND when no such module is loaded.
MATRIX_PLATFORM_API HMODULE GetModuleHandleW(LPCWSTR lpModuleName);

// The flags of GetModuleHandleExW, with Win32's values.
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001UL
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002UL
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004UL

// Stores in `*phModule` the handle of the module that GetModuleHandleW
// names, or with GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS the module that
// holds the address `lpModuleName` (a function or a variable of it; a
// shared library's variable that a program refers to may have been copied
// into the program, whose handle it then gives). Unless
// GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, the module gets one more
// reference, which FreeLibrary gives back (GET_MODULE_HANDLE_EX_FLAG_PIN:
// kept loaded until the process ends). Returns TRUE; FALSE with a null
// `*phModule` and ERROR_MOD_NOT_FOUND when there is no such module,
// ERROR_INVALID_PARAMETER for a null `phModule`, unknown flags, or PIN
// with UNCHANGED_REFCOUNT.
MATRIX_PLATFORM_API BOOL GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName,
                                            HMODULE* phModule);

// Gives back one reference to the module `hLibModule` (the loader unloads a
// shared library when none is left; the program stays). FALSE with
// ERROR_MOD_NOT_FOUND when no module is loaded there.
MATRIX_PLATFORM_API BOOL FreeLibrary(HMODULE hLibModule);

#endif  // MATRIX_PLATFORM_WINBASE_H_
