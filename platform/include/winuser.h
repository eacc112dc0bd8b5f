// Platform layer - windows, edit controls and combo boxes as Win32 has them,
// held in an in-process table rather than drawn by a toolkit.
//
// A window is a record (class, id, style, parent, text; a combo box's items
// and selection; an edit control's selection) that the calls below read and
// change under one lock, so they may be called from any thread. A handle
// names a slot of the table and its generation: the handle of a destroyed
// window is refused (0, FALSE or NULL), never taken for a later window.
#ifndef MATRIX_PLATFORM_WINUSER_H_
#define MATRIX_PLATFORM_WINUSER_H_

#include <afxexport.h>
#include <windef.h>

typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

// Window styles.
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_BORDER 0x00800000L
#define WS_TABSTOP 0x00010000L

// Edit control styles.
#define ES_LEFT 0x0000L
#define ES_AUTOHSCROLL 0x0080L

// Combo box styles: the low two bits choose the kind.
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_SORT 0x0100L

// Messages.
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E

#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1

#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_FINDSTRINGEXACT 0x0158

#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)

// Message boxes (the framework's header may define the same values).
#ifndef MB_OK
#define MB_OK 0x00000000L
#endif
#ifndef MB_OKCANCEL
#define MB_OKCANCEL 0x00000001L
#endif
#ifndef MB_ICONEXCLAMATION
#define MB_ICONEXCLAMATION 0x00000030L
#endif
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

// Copies at most `max_count` - 1 characters of the window's text and a
// terminating 0 into `text`; returns the number of characters copied (0 for
// a stale or null handle, a null buffer or `max_count` < 1). A drop-down
// list's text is its selected item's ("" when none is selected).
MATRIX_PLATFORM_API int GetWindowTextW(HWND window, LPWSTR text, int max_count);

// The length of the window's text in characters, 0 for a stale handle.
MATRIX_PLATFORM_API int GetWindowTextLengthW(HWND window);

// Sets the window's text (a null `text` empties it). FALSE for a stale
// handle and for a drop-down list, whose text follows its selection.
MATRIX_PLATFORM_API BOOL SetWindowTextW(HWND window, LPCWSTR text);

// Sends `message` to the window and returns its result, as the window's
// class defines it (the WM_, EM_ and CB_ messages above). A stale handle,
// or a message the window's class does not handle, gives 0.
MATRIX_PLATFORM_API LRESULT SendMessageW(HWND window, UINT message,
                                         WPARAM wparam, LPARAM lparam);

// The first direct child of `dialog` with control id `id`, else NULL.
MATRIX_PLATFORM_API HWND GetDlgItem(HWND dialog, int id);

// The control id of a child window (0 for a top-level or stale window).
MATRIX_PLATFORM_API int GetDlgCtrlID(HWND window);

// The window's parent, NULL for a top-level or stale window.
MATRIX_PLATFORM_API HWND GetParent(HWND window);

// Copies the window's class name ("Edit", "ComboBox", or the name it was
// created with) as GetWindowTextW copies text; 0 for a stale handle.
MATRIX_PLATFORM_API int GetClassNameW(HWND window, LPWSTR name, int max_count);

// GetWindowLongW's indices: the style bits and the control id.
#define GWL_STYLE (-16)
#define GWL_ID (-12)

// The window's style bits (GWL_STYLE) or control id (GWL_ID); 0 for a
// stale handle or another index.
MATRIX_PLATFORM_API LONG GetWindowLongW(HWND window, int index);

// Gives the keyboard focus to `window` (NULL: to no window) and returns the
// window that had it. A stale handle changes nothing and returns NULL.
MATRIX_PLATFORM_API HWND SetFocus(HWND window);
MATRIX_PLATFORM_API HWND GetFocus();

// TRUE while `window` names a live window.
MATRIX_PLATFORM_API BOOL IsWindow(HWND window);

// Destroys the window and its descendants (children before their parent);
// a destroyed window loses the focus. FALSE for a stale handle.
MATRIX_PLATFORM_API BOOL DestroyWindow(HWND window);

#endif  // MATRIX_PLATFORM_WINUSER_H_
