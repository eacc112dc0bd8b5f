/// \file
/// \ingroup draw_wingdi
/// \brief The graphics device interface's colours, pen styles and text
/// alignment, with Win32's values.
#ifndef MATRIX_PLATFORM_WINGDI_H_
#define MATRIX_PLATFORM_WINGDI_H_

/// \defgroup draw_wingdi wingdi.h: colours, pens, text alignment
/// \ingroup draw
/// \brief The graphics device interface's colours, pen styles and text
/// alignment, with Win32's values.
/// @{

#include <windef.h>

/// A colour as 0x00BBGGRR, red in the low byte.
typedef DWORD COLORREF;

/// The colour of red `r`, green `g` and blue `b`, each 0 to 255.
#define RGB(r, g, b)                                    \
  (static_cast<COLORREF>(static_cast<BYTE>(r)) |        \
   (static_cast<COLORREF>(static_cast<BYTE>(g)) << 8) | \
   (static_cast<COLORREF>(static_cast<BYTE>(b)) << 16))
/// The red, green and blue parts of a colour.
#define GetRValue(rgb) (static_cast<BYTE>(rgb))
/// \copydoc GetRValue
#define GetGValue(rgb) (static_cast<BYTE>((rgb) >> 8))
/// \copydoc GetRValue
#define GetBValue(rgb) (static_cast<BYTE>((rgb) >> 16))

/// \name Pen styles
/// Pen styles.
/// @{

#define PS_SOLID 0       ///< a solid line
#define PS_DASH 1        ///< dashes
#define PS_DOT 2         ///< dots
#define PS_DASHDOT 3     ///< dashes and dots
#define PS_DASHDOTDOT 4  ///< dashes and double dots
#define PS_NULL 5        ///< an invisible line
/// @}

/// \name Text alignment
/// Text alignment: the reference point of TextOut is the left, centre or
/// right end of the text (horizontal), its top or its base line (vertical).
/// @{

#define TA_TOP 0        ///< the reference point at the top
#define TA_LEFT 0       ///< at the left end
#define TA_RIGHT 2      ///< at the right end
#define TA_CENTER 6     ///< at the centre
#define TA_BOTTOM 8     ///< at the bottom
#define TA_BASELINE 24  ///< on the base line
/// @}

/// @}

#endif  // MATRIX_PLATFORM_WINGDI_H_
