// Platform layer - the Win32 scalar types and handles used by the interface.
#ifndef MATRIX_PLATFORM_WINDEF_H_
#define MATRIX_PLATFORM_WINDEF_H_

#include <afxexport.h>

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

// Integer points, sizes and rectangles, as Win32 lays them out. A
// rectangle's right and bottom edges are outside it.
typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct tagSIZE {
  LONG cx;
  LONG cy;
} SIZE, *PSIZE, *LPSIZE;

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;

// Win32's rectangle functions (declared in winuser.h on Windows; here
// beside the records they work on). Each refuses a null pointer with FALSE
// (IsRectEmpty: TRUE) and leaves the destination alone; coordinates wrap
// round at 32 bits as Win32's arithmetic does.

// Sets `*rect` to the given edges. TRUE.
MATRIX_PLATFORM_API BOOL SetRect(LPRECT rect, int left, int top, int right,
                                 int bottom);
// Sets all four edges of `*rect` to 0. TRUE.
MATRIX_PLATFORM_API BOOL SetRectEmpty(LPRECT rect);
// Copies `*source` into `*destination`. TRUE.
MATRIX_PLATFORM_API BOOL CopyRect(LPRECT destination, const RECT* source);
// Moves `*rect` by (dx, dy). TRUE.
MATRIX_PLATFORM_API BOOL OffsetRect(LPRECT rect, int dx, int dy);
// Moves left and right apart by dx each, top and bottom by dy each
// (negative values shrink). TRUE.
MATRIX_PLATFORM_API BOOL InflateRect(LPRECT rect, int dx, int dy);
// TRUE when `point` is inside `*rect`: on the left or top edge or within
// all four; a point on the right or bottom edge is outside, and nothing is
// inside a rectangle that is not normalised.
MATRIX_PLATFORM_API BOOL PtInRect(const RECT* rect, POINT point);
// TRUE when `*rect` has no area: right <= left or bottom <= top.
MATRIX_PLATFORM_API BOOL IsRectEmpty(const RECT* rect);
// TRUE when the four edges are equal (two empty rectangles with different
// edges are not equal).
MATRIX_PLATFORM_API BOOL EqualRect(const RECT* a, const RECT* b);
// Writes the intersection of `*a` and `*b` into `*destination` (which may
// be either) and returns TRUE; when they do not overlap, or either is
// empty, writes (0, 0, 0, 0) and returns FALSE.
MATRIX_PLATFORM_API BOOL IntersectRect(LPRECT destination, const RECT* a,
                                       const RECT* b);
// Writes the smallest rectangle that holds `*a` and `*b` into
// `*destination` (which may be either), an empty one not counting; when
// both are empty, writes (0, 0, 0, 0) and returns FALSE, else TRUE.
MATRIX_PLATFORM_API BOOL UnionRect(LPRECT destination, const RECT* a,
                                   const RECT* b);

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
