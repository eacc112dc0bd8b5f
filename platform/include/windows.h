/// \file
/// \brief The umbrella of the Win32 stand-in, as \<windows.h> is on Windows:
/// the scalar types, the error codes and the system calls the library's
/// interface uses.
#ifndef MATRIX_PLATFORM_WINDOWS_H_
#define MATRIX_PLATFORM_WINDOWS_H_

#include <windef.h>
#include <winerror.h>

// Text: the ordinal comparison.
#include <stringapiset.h>

// Drawing: colours, pens and text alignment.
#include <wingdi.h>

// The registry.
#include <winreg.h>

// Files, folders, module file names and version resources.
#include <winbase.h>
#include <winver.h>

// Windows and dialog controls.
#include <winuser.h>

#endif  // MATRIX_PLATFORM_WINDOWS_H_
