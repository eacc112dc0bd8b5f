/// \file
/// \ingroup core_windef
/// \brief The Win32 scalar types and handles used by the interface.
#ifndef MATRIX_PLATFORM_WINDEF_H_
#define MATRIX_PLATFORM_WINDEF_H_

/// \defgroup core_windef windef.h: scalar types and handles
/// \ingroup core
/// \brief The Win32 scalar types and handles used by the interface.
/// @{

#include <afxexport.h>

#include <cstddef>
#include <cstdint>

/// \name Scalar types
/// Sizes follow Windows (LLP64), not the host's `long`: DWORD and LONG are
/// 32 bits everywhere, pointer-sized integers follow the pointer.
/// @{

typedef std::uint8_t BYTE;         ///< 8 bits, unsigned
typedef std::uint16_t WORD;        ///< 16 bits, unsigned
typedef std::uint32_t DWORD;       ///< 32 bits, unsigned
typedef std::int32_t LONG;         ///< 32 bits, signed
typedef std::uint32_t ULONG;       ///< 32 bits, unsigned
typedef int INT;                   ///< int
typedef unsigned int UINT;         ///< unsigned int
typedef int BOOL;                  ///< TRUE (1) or FALSE (0), as an int
typedef std::int64_t LONGLONG;     ///< 64 bits, signed
typedef std::uint64_t ULONGLONG;   ///< 64 bits, unsigned
typedef std::intptr_t INT_PTR;     ///< pointer-sized, signed
typedef std::uintptr_t UINT_PTR;   ///< pointer-sized, unsigned
typedef std::intptr_t LONG_PTR;    ///< pointer-sized, signed
typedef std::uintptr_t ULONG_PTR;  ///< pointer-sized, unsigned
typedef ULONG_PTR DWORD_PTR;       ///< pointer-sized, unsigned
typedef ULONG_PTR SIZE_T;          ///< a size in bytes
typedef LONG HRESULT;              ///< a COM status (negative: failure)
typedef UINT* PUINT;               ///< pointer to UINT
typedef DWORD* LPDWORD;            ///< pointer to DWORD
typedef void* LPVOID;              ///< pointer to anything
typedef const void* LPCVOID;       ///< pointer to anything constant
typedef void* HANDLE;              ///< a handle of any kind
/// @}

typedef wchar_t WCHAR;         ///< a wide character
typedef wchar_t TCHAR;         ///< a text character (wide)
typedef WCHAR* LPWSTR;         ///< wide text
typedef const WCHAR* LPCWSTR;  ///< constant wide text
typedef TCHAR* LPTSTR;         ///< text
typedef const TCHAR* LPCTSTR;  ///< constant text
typedef char CHAR;             ///< a narrow character
typedef CHAR* LPSTR;           ///< narrow text
typedef const CHAR* LPCSTR;    ///< constant narrow text

/// A module handle is the address at which the module is loaded, as on
/// Windows; the distinct struct type keeps handles from mixing with pointers.
struct HINSTANCE__ {
  int unused;  ///< never used: the type only keeps handles apart
};
typedef HINSTANCE__* HINSTANCE;  ///< a module's handle: its load address
typedef HINSTANCE HMODULE;       ///< the same as HINSTANCE

struct HWND__;
/// A window handle names a slot of the window table and its generation; it
/// is never dereferenced, so a destroyed window's handle is refused rather
/// than reused.
typedef HWND__* HWND;  ///< a window's handle

typedef std::uint16_t USHORT;  ///< 16 bits, unsigned
typedef BYTE* LPBYTE;          ///< pointer to bytes
typedef const BYTE* LPCBYTE;   ///< pointer to constant bytes
typedef LONG* PLONG;           ///< pointer to LONG

/// Win32's 100-nanosecond time stamp, as two 32-bit halves.
typedef struct _FILETIME {
  DWORD dwLowDateTime;   ///< the low 32 bits
  DWORD dwHighDateTime;  ///< the high 32 bits
} FILETIME, *PFILETIME, *LPFILETIME;
/// \typedef PFILETIME
/// A pointer to a FILETIME.
/// \typedef LPFILETIME
/// A pointer to a FILETIME.

/// Accepted and ignored: the layer has no security descriptors.
typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;                ///< sizeof the structure
  LPVOID lpSecurityDescriptor;  ///< ignored
  BOOL bInheritHandle;          ///< ignored
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
/// \typedef PSECURITY_ATTRIBUTES
/// A pointer to a SECURITY_ATTRIBUTES.
/// \typedef LPSECURITY_ATTRIBUTES
/// A pointer to a SECURITY_ATTRIBUTES.

/// @}

/// \defgroup draw_windef windef.h: points, sizes, rectangles
/// \ingroup draw
/// \brief Win32's integer points, sizes and rectangles and its rectangle
/// functions.
/// @{

/// Integer points, sizes and rectangles, as Win32 lays them out. A
/// rectangle's right and bottom edges are outside it.
typedef struct tagPOINT {
  LONG x;  ///< x coordinate
  LONG y;  ///< y coordinate, growing downwards on a screen
} POINT, *PPOINT, *LPPOINT;
/// \typedef PPOINT
/// A pointer to a POINT.
/// \typedef LPPOINT
/// A pointer to a POINT.

/// An extent (cx, cy).
typedef struct tagSIZE {
  LONG cx;  ///< width
  LONG cy;  ///< height
} SIZE, *PSIZE, *LPSIZE;
/// \typedef PSIZE
/// A pointer to a SIZE.
/// \typedef LPSIZE
/// A pointer to a SIZE.

/// A rectangle by its edges; right and bottom lie outside it.
typedef struct tagRECT {
  LONG left;    ///< left edge
  LONG top;     ///< top edge
  LONG right;   ///< right edge, outside
  LONG bottom;  ///< bottom edge, outside
} RECT, *PRECT, *LPRECT;
/// \typedef PRECT
/// A pointer to a RECT.
/// \typedef LPRECT
/// A pointer to a RECT.
typedef const RECT* LPCRECT;  ///< pointer to a constant RECT

/// @}

/// \addtogroup draw_windef
/// Win32's rectangle functions (declared in winuser.h on Windows; here
/// beside the records they work on). Each refuses a null pointer with FALSE
/// (IsRectEmpty: TRUE) and leaves the destination alone; coordinates wrap
/// round at 32 bits as Win32's arithmetic does.
/// @{

/// Sets `*rect` to the given edges. TRUE.
MATRIX_PLATFORM_API BOOL SetRect(LPRECT rect, int left, int top, int right,
                                 int bottom);
/// Sets all four edges of `*rect` to 0. TRUE.
MATRIX_PLATFORM_API BOOL SetRectEmpty(LPRECT rect);
/// Copies `*source` into `*destination`. TRUE.
MATRIX_PLATFORM_API BOOL CopyRect(LPRECT destination, const RECT* source);
/// Moves `*rect` by (dx, dy). TRUE.
MATRIX_PLATFORM_API BOOL OffsetRect(LPRECT rect, int dx, int dy);
/// Moves left and right apart by dx each, top and bottom by dy each
/// (negative values shrink). TRUE.
MATRIX_PLATFORM_API BOOL InflateRect(LPRECT rect, int dx, int dy);
/// TRUE when `point` is inside `*rect`: on the left or top edge or within
/// all four; a point on the right or bottom edge is outside, and nothing is
/// inside a rectangle that is not normalised.
MATRIX_PLATFORM_API BOOL PtInRect(const RECT* rect, POINT point);
/// TRUE when `*rect` has no area: right <= left or bottom <= top.
MATRIX_PLATFORM_API BOOL IsRectEmpty(const RECT* rect);
/// TRUE when the four edges are equal (two empty rectangles with different
/// edges are not equal).
MATRIX_PLATFORM_API BOOL EqualRect(const RECT* a, const RECT* b);
/// Writes the intersection of `*a` and `*b` into `*destination` (which may
/// be either) and returns TRUE; when they do not overlap, or either is
/// empty, writes (0, 0, 0, 0) and returns FALSE.
MATRIX_PLATFORM_API BOOL IntersectRect(LPRECT destination, const RECT* a,
                                       const RECT* b);
/// Writes the smallest rectangle that holds `*a` and `*b` into
/// `*destination` (which may be either), an empty one not counting; when
/// both are empty, writes (0, 0, 0, 0) and returns FALSE, else TRUE.
MATRIX_PLATFORM_API BOOL UnionRect(LPRECT destination, const RECT* a,
                                   const RECT* b);

#ifndef TRUE
#define TRUE 1  ///< BOOL true
#endif
#ifndef FALSE
#define FALSE 0  ///< BOOL false
#endif

#ifndef _T
/// Spelling aid of _T and _TEXT: the wide form of a literal.
#define _MATRIX_PLATFORM_WIDEN(x) L##x
/// The literal `x` as text: wide, L"..." (TCHAR is wchar_t).
#define _T(x) _MATRIX_PLATFORM_WIDEN(x)
/// \copydoc _T
#define _TEXT(x) _MATRIX_PLATFORM_WIDEN(x)
#endif

/// The language id of primary language `p` and sublanguage `s`.
#define MAKELANGID(p, s) ((static_cast<WORD>(s) << 10) | static_cast<WORD>(p))
#define LANG_NEUTRAL 0x00     ///< no language
#define LANG_RUSSIAN 0x19     ///< Russian
#define SUBLANG_NEUTRAL 0x00  ///< no sublanguage
#define SUBLANG_DEFAULT 0x01  ///< the language's default

/// @}

#endif  // MATRIX_PLATFORM_WINDEF_H_
