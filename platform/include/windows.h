// Platform layer - the umbrella of the Win32 stand-in, as <windows.h> is on
// Windows: the scalar types, the error codes and the system calls the
// library's interface uses.
#ifndef MATRIX_PLATFORM_WINDOWS_H_
#define MATRIX_PLATFORM_WINDOWS_H_

#include <windef.h>
#include <winerror.h>
// The registry.
#include <winreg.h>
#include <wingdi.h>

// Files, folders, module file names and version resources.
#include <winbase.h>
#include <winver.h>

#endif  // MATRIX_PLATFORM_WINDOWS_H_
