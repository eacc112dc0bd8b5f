/// \file
/// \ingroup file_shlobj
/// \brief The shell's special folders.
#ifndef MATRIX_PLATFORM_SHLOBJ_H_
#define MATRIX_PLATFORM_SHLOBJ_H_

/// \defgroup file_shlobj shlobj.h: special folders
/// \ingroup file
/// \brief The shell's special folders.
/// @{

#include <afxexport.h>
#include <winbase.h>
#include <windef.h>
#include <winerror.h>

/// The machine-wide application-data folder, shared by all users.
#define CSIDL_COMMON_APPDATA 0x0023
/// \name Folder flags
/// Flags or-ed into the folder number: create the folder when it is missing;
/// return the path without checking that the folder exists.
/// @{

#define CSIDL_FLAG_CREATE 0x8000       ///< create it when missing
#define CSIDL_FLAG_DONT_VERIFY 0x4000  ///< do not check that it exists
#define CSIDL_FLAG_MASK 0xFF00         ///< the flag bits
/// @}

/// \name Folder path types
/// The path as it is now, or as it is by default.
/// @{

#define SHGFP_TYPE_CURRENT 0  ///< as it is now
#define SHGFP_TYPE_DEFAULT 1  ///< as it is by default
/// @}

/// Writes the path of the shell folder `csidl` into `path`, which must hold
/// MAX_PATH characters (never more are written), without a trailing
/// separator. Only CSIDL_COMMON_APPDATA is known: /var/lib/matrix/ProgramData,
/// or with SHGFP_TYPE_CURRENT the absolute path in the environment variable
/// MATRIX_COMMON_APPDATA when it is set and not empty (read at every call).
/// With CSIDL_FLAG_CREATE a missing folder is created, parents too (the
/// default folder with mode 1777, so that every user may create in it);
/// without it or CSIDL_FLAG_DONT_VERIFY a missing folder fails the call.
/// `window` and `token` are ignored. Returns S_OK; E_INVALIDARG for another
/// folder, an unknown `flags` value or a null `path`; otherwise
/// HRESULT_FROM_WIN32 of the Win32 error (ERROR_FILENAME_EXCED_RANGE for a
/// path of MAX_PATH characters or more, ERROR_BAD_PATHNAME for a relative
/// one), leaving "" in `path`.
MATRIX_PLATFORM_API HRESULT SHGetFolderPathW(HWND window, int csidl,
                                             HANDLE token, DWORD flags,
                                             LPWSTR path);

/// @}

#endif  // MATRIX_PLATFORM_SHLOBJ_H_
