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
/// `size` characters; a null `module` names the program's own file. The
/// path is the one the module was loaded from, as the kernel mapped it:
/// the same after the current folder changes (a library loaded as
/// "./libplug.so") or the file is deleted or replaced. Returns
/// the length without the terminator. A path that does not fit is cut to
/// `size` - 1 characters and terminated; the call then returns `size` and
/// sets ERROR_INSUFFICIENT_BUFFER. Returns 0 with ERROR_MOD_NOT_FOUND when no
/// module is loaded at `module`, with ERROR_INSUFFICIENT_BUFFER when `size`
/// is 0 and ERROR_INVALID_PARAMETER when `name` is null.
MATRIX_PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR name,
                                             DWORD size);

/// \name Initialisation files
///
/// "[section]" lines and "key=value" lines of UTF-8 text (a byte-order mark
/// kept), or of UTF-16LE text in a file that starts with its byte-order mark
/// (a Unicode file as Win32 writes one, kept so), any line end. Section and key
/// names are compared with case ignored (the registry's rule), blanks around
/// names and values do not count, and a value in matching single or double
/// quotes loses them. A file named without a folder lives in the user's
/// settings folder, beside the registry's store (MATRIX_REGISTRY_DIR, else
/// ${XDG_CONFIG_HOME:-$HOME/.config}/matrix/registry), as Win32 keeps such
/// files in the Windows folder; a name with a folder ('\\' or '/') is used as
/// it is. A write replaces the whole file at once, so that readers never see
/// half of it, and writers of one folder take turns.
/// @{

/// Copies the value of `lpKeyName` in section `lpAppName` of `lpFileName`
/// into `lpReturnedString` (`nSize` characters of room), or `lpDefault`
/// without its trailing blanks when there is none (null: ""). A null
/// `lpAppName` copies the names of all sections, a null `lpKeyName` those of
/// the section's keys, each with its 0 and a second 0 after the last.
/// Returns the characters copied without the final 0; a text that does not
/// fit is cut and `nSize` - 1 returned, a list that does not fit is cut and
/// ends in two 0s, `nSize` - 2 returned. The thread's last error is
/// ERROR_SUCCESS when the value was found, else ERROR_FILE_NOT_FOUND (also
/// for a missing file, or a null or empty `lpFileName`).
MATRIX_PLATFORM_API DWORD GetPrivateProfileStringW(
    LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
    LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);

/// The value of `lpKeyName` in section `lpAppName` read as an integer, as
/// Win32 reads one: blanks, a sign, "0x" (or "0o", "0b") for another base,
/// the digits up to the first that is none, modulo 2^32 ("-1" gives
/// 0xFFFFFFFF, "42abc" 42, "abc" 0). `nDefault` (as UINT) when the key, its
/// section or the file is missing, or the value is empty.
MATRIX_PLATFORM_API UINT GetPrivateProfileIntW(LPCWSTR lpAppName,
                                               LPCWSTR lpKeyName, INT nDefault,
                                               LPCWSTR lpFileName);

/// Sets `lpKeyName` in section `lpAppName` of `lpFileName` to `lpString`,
/// making the file (and, for a name without a folder, the settings folder),
/// the section (at the end of the file) and the key (after the section's
/// last line) as needed, in the file's own line ends (CRLF in a new file).
/// A null `lpString` deletes the key, a null `lpKeyName` the whole section;
/// deleting what is not there succeeds and changes nothing. Returns TRUE;
/// FALSE with the last error: ERROR_FILE_NOT_FOUND for a null `lpAppName`,
/// ERROR_ACCESS_DENIED for an empty `lpFileName` (ERROR_INVALID_PARAMETER
/// for a null one), ERROR_INVALID_PARAMETER for what would not read back (a
/// line end in any text, ']' in a section name, '=' in a key name, a key
/// name that starts with ';' or '[', a name of blanks),
/// ERROR_NO_UNICODE_TRANSLATION for text that is no Unicode text,
/// ERROR_ACCESS_DENIED for a file without write permission (read-only),
/// else the file system's error as listed above. A symbolic link is written
/// through: the file it points to changes.
MATRIX_PLATFORM_API BOOL WritePrivateProfileStringW(LPCWSTR lpAppName,
                                                    LPCWSTR lpKeyName,
                                                    LPCWSTR lpString,
                                                    LPCWSTR lpFileName);
/// @}

/// @}

/// \addtogroup file_winbase
/// Module handles are the load addresses of the program and the shared
/// libraries it has loaded (what AfxModuleHandleOf gives).
/// @{

/// The handle of the program for a null `lpModuleName`, else of the loaded
/// module of that file name: the last level alone ("libmatrix.so.0"), or a
/// path with a folder ('\\' or '/'), compared with the path the module was
/// loaded from and with its resolved path. Names are compared with case
/// ignored, as Win32 compares them; no extension is added. Takes no
/// reference. Null with ERROR_MOD_NOT_FOUND when no such module is loaded.
MATRIX_PLATFORM_API HMODULE GetModuleHandleW(LPCWSTR lpModuleName);

/// \name The flags of GetModuleHandleExW
/// The flags of GetModuleHandleExW, with Win32's values.
/// @{

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001UL  ///< never unloaded
/// The reference count is left as it is.
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002UL
/// The name is an address inside the module.
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004UL
/// @}

/// Stores in `*phModule` the handle of the module that GetModuleHandleW
/// names, or with GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS the module that
/// holds the address `lpModuleName` (a function or a variable of it; a
/// shared library's variable that a program refers to may have been copied
/// into the program, whose handle it then gives). Unless
/// GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, the module gets one more
/// reference, which FreeLibrary gives back (GET_MODULE_HANDLE_EX_FLAG_PIN:
/// kept loaded until the process ends). Returns TRUE; FALSE with a null
/// `*phModule` and ERROR_MOD_NOT_FOUND when there is no such module,
/// ERROR_INVALID_PARAMETER for a null `phModule`, unknown flags, or PIN
/// with UNCHANGED_REFCOUNT.
MATRIX_PLATFORM_API BOOL GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName,
                                            HMODULE* phModule);

/// Gives back one reference to the module `hLibModule` (the loader unloads a
/// shared library when none is left; the program stays). FALSE with
/// ERROR_MOD_NOT_FOUND when no module is loaded there.
MATRIX_PLATFORM_API BOOL FreeLibrary(HMODULE hLibModule);

/// @}

#endif  // MATRIX_PLATFORM_WINBASE_H_
