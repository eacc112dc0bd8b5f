// Platform layer - the Win32 scalar types and handles used by the interface.
#ifndef MATRIX_PLATFORM_WINDEF_H_
#define MATRIX_PLATFORM_WINDEF_H_

#include <cstddef>
#include <cstdint>

// Sizes follow Windows (LLP64), not the host's `long`: DWORD and LONG are
// 32 bits everywhere, pointer-sized integers follow the pointer.
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef int INT;
typedef unsigned int UINT;
typedef int BOOL;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef ULONG_PTR SIZE_T;
typedef LONG HRESULT;
typedef UINT* PUINT;
typedef DWORD* LPDWORD;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* HANDLE;

typedef wchar_t WCHAR;
typedef wchar_t TCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef TCHAR* LPTSTR;
typedef const TCHAR* LPCTSTR;
typedef char CHAR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;

// A module handle is the address at which the module is loaded, as on
// Windows; the distinct struct type keeps handles from mixing with pointers.
struct HINSTANCE__ {
  int unused;
};
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

// A window handle names a slot of the window table and its generation; it
// is never dereferenced, so a destroyed window's handle is refused rather
// than reused.
struct HWND__;
typedef HWND__* HWND;

typedef std::uint16_t USHORT;
typedef BYTE* LPBYTE;
typedef const BYTE* LPCBYTE;
typedef LONG* PLONG;

// Win32's 100-nanosecond time stamp, as two 32-bit halves.
typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

// Accepted and ignored: the layer has no security descriptors.
typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#ifndef _T
#define _MATRIX_PLATFORM_WIDEN(x) L##x
#define _T(x) _MATRIX_PLATFORM_WIDEN(x)
#define _TEXT(x) _MATRIX_PLATFORM_WIDEN(x)
#endif

#define MAKELANGID(p, s) ((static_cast<WORD>(s) << 10) | static_cast<WORD>(p))
#define LANG_NEUTRAL 0x00
#define LANG_RUSSIAN 0x19
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01

#endif  // MATRIX_PLATFORM_WINDEF_H_
