// Platform layer - the graphics device interface's colours, pen styles and
// text alignment, with Win32's values.
#ifndef MATRIX_PLATFORM_WINGDI_H_
#define MATRIX_PLATFORM_WINGDI_H_

#include <windef.h>

// A colour as 0x00BBGGRR, red in the low byte.
typedef DWORD COLORREF;

#define RGB(r, g, b)                                    \
  (static_cast<COLORREF>(static_cast<BYTE>(r)) |        \
   (static_cast<COLORREF>(static_cast<BYTE>(g)) << 8) | \
   (static_cast<COLORREF>(static_cast<BYTE>(b)) << 16))
#define GetRValue(rgb) (static_cast<BYTE>(rgb))
#define GetGValue(rgb) (static_cast<BYTE>((rgb) >> 8))
#define GetBValue(rgb) (static_cast<BYTE>((rgb) >> 16))

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5

// Text alignment: the reference point of TextOut is the left, centre or
// right end of the text (horizontal), its top or its base line (vertical).
#define TA_TOP 0
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_BOTTOM 8
#define TA_BASELINE 24

#endif  // MATRIX_PLATFORM_WINGDI_H_
