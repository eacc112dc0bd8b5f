// Platform layer (internal) - what the window objects read from the window
// table besides the Win32 calls.
#ifndef MATRIX_PLATFORM_SRC_WINDOW_WINDOW_TABLE_H_
#define MATRIX_PLATFORM_SRC_WINDOW_WINDOW_TABLE_H_

#include <afxwin.h>

#include <string>

namespace matrix::platform::window {

// Makes the record of a new window; `owner`'s m_hWnd is set under the
// table's lock, before the observer hears of the window. NULL when the
// parent is stale, a child has no parent, or memory runs out.
HWND CreateWindowRecord(const wchar_t* class_name, const wchar_t* window_name,
                        DWORD style, const RECT& rect, HWND parent, int id,
                        CWnd* owner);

// The object that made `window`; NULL for a stale handle or a window made
// by the Win32 calls alone.
CWnd* OwnerOf(HWND window);

// The whole text of `window` and of item `index` of a combo box (empty for
// a stale handle or an index out of range). Throw std::bad_alloc.
std::wstring TextOf(HWND window);
std::wstring ItemTextOf(HWND window, int index);

}  // namespace matrix::platform::window

#endif  // MATRIX_PLATFORM_SRC_WINDOW_WINDOW_TABLE_H_
