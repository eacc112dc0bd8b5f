// Platform layer - windows, edit controls, combo boxes, buttons and static
// texts as Win32 has them, held in an in-process table; a toolkit binding,
// when there is one, draws them.
//
// A window is a record (class, id, style, parent, text, rectangle; a combo
// box's items and selection; an edit control's selection; a check box's
// state) that the calls below read and change under one lock, so they may
// be called from any thread. Visibility and state are the style bits
// WS_VISIBLE and WS_DISABLED, as on Win32. Windows have no frame here: the
// client area is the whole window. A handle
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
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L

// Dialog styles.
#define DS_MODALFRAME 0x80L

// Button styles: the low four bits choose the kind.
#define BS_PUSHBUTTON 0x0000L
#define BS_DEFPUSHBUTTON 0x0001L
#define BS_CHECKBOX 0x0002L
#define BS_AUTOCHECKBOX 0x0003L
#define BS_TYPEMASK 0x000FL

// Check states (BM_GETCHECK, BM_SETCHECK).
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001

// Static text styles.
#define SS_LEFT 0x0000L
#define SS_CENTER 0x0001L
#define SS_RIGHT 0x0002L

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
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_CLOSE 0x0010
#define WM_SHOWWINDOW 0x0018
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5

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

// Notification codes, sent to the parent in WM_COMMAND: the control id in
// the low word of wParam, the code in the high word, the control's handle
// in lParam.
#define BN_CLICKED 0
#define EN_CHANGE 0x0300
#define CBN_SELCHANGE 1
#define CBN_EDITCHANGE 5

#ifndef LOWORD
#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xFFFF))
#endif
#ifndef HIWORD
#define HIWORD(l) \
  (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xFFFF))
#endif
#define MAKELONG(low, high)                                       \
  (static_cast<LONG>(static_cast<DWORD>(static_cast<WORD>(low)) | \
                     (static_cast<DWORD>(static_cast<WORD>(high)) << 16)))
#define MAKEWPARAM(low, high) \
  (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(low, high))))

// ShowWindow's commands: SW_HIDE hides, every other shows.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_SHOWNA 8

// Message boxes (the framework's header may define the same values): the
// buttons (MB_TYPEMASK), the icon (MB_ICONMASK), the default button
// (MB_DEFMASK), and the results.
#ifndef MB_OK
#define MB_OK 0x00000000L
#endif
#ifndef MB_OKCANCEL
#define MB_OKCANCEL 0x00000001L
#endif
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#ifndef MB_ICONEXCLAMATION
#define MB_ICONEXCLAMATION 0x00000030L
#endif
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFBUTTON4 0x00000300L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L
#define MB_DEFMASK 0x00000F00L
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDTRYAGAIN 10
#define IDCONTINUE 11

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
// class defines it (the WM_, EM_, CB_ and BM_ messages above). WM_COMMAND
// and WM_CLOSE go to the window's object (its message map; a plain window
// destroys itself on WM_CLOSE, a dialog takes it as IDCANCEL). A stale
// handle, or a message the window's class does not handle, gives 0.
//
// Notifications go to the parent as WM_COMMAND after the change: EN_CHANGE
// when an edit control's text is set, BN_CLICKED on BM_CLICK (which also
// toggles an auto check box and gives the button the focus; a disabled
// button ignores it). CB_SETCURSEL and BM_SETCHECK send none, as on Win32.
MATRIX_PLATFORM_API LRESULT SendMessageW(HWND window, UINT message,
                                         WPARAM wparam, LPARAM lparam);

// The first direct child of `dialog` with control id `id`, else NULL.
MATRIX_PLATFORM_API HWND GetDlgItem(HWND dialog, int id);

// The control id of a child window (0 for a top-level or stale window).
MATRIX_PLATFORM_API int GetDlgCtrlID(HWND window);

// The window's parent, NULL for a top-level or stale window.
MATRIX_PLATFORM_API HWND GetParent(HWND window);

// Copies the window's class name ("Edit", "ComboBox", "Button", "Static",
// or the name it was created with) as GetWindowTextW copies text; 0 for a
// stale handle.
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

// Shows the window (any `command` but SW_HIDE) or hides it, by its
// WS_VISIBLE bit; hiding the focus window or an ancestor of it gives the
// focus to the hidden window's parent (to none for a top-level window).
// Returns TRUE when it was visible before (by that bit), FALSE when it was
// hidden or the handle is stale.
MATRIX_PLATFORM_API BOOL ShowWindow(HWND window, int command);

// TRUE when the window and all its ancestors have WS_VISIBLE.
MATRIX_PLATFORM_API BOOL IsWindowVisible(HWND window);

// Enables or disables the window (its WS_DISABLED bit); a window that is
// disabled loses the focus. Returns TRUE when it was disabled before,
// FALSE when it was enabled or the handle is stale.
MATRIX_PLATFORM_API BOOL EnableWindow(HWND window, BOOL enable);

// TRUE when the window lacks WS_DISABLED; FALSE for a stale handle.
MATRIX_PLATFORM_API BOOL IsWindowEnabled(HWND window);

// Moves the window to (x, y) with the given size, in pixels: a child's
// position is relative to its parent's client area, a top-level window's
// is on the screen. A negative size is taken as 0. FALSE for a stale
// handle; `repaint` is accepted and not needed.
MATRIX_PLATFORM_API BOOL MoveWindow(HWND window, int x, int y, int width,
                                    int height, BOOL repaint);

// The window's rectangle in screen coordinates, or its client rectangle
// (0, 0, width, height). FALSE, and `rect` unchanged, for a stale handle or
// a null `rect`.
MATRIX_PLATFORM_API BOOL GetWindowRect(HWND window, LPRECT rect);
MATRIX_PLATFORM_API BOOL GetClientRect(HWND window, LPRECT rect);

// Calls `callback` for each top-level window (EnumWindows) or for each
// descendant of `parent` (EnumChildWindows), parents before their
// children, in order of creation, until it returns FALSE. The windows are
// those that lived when the call began; ones destroyed meanwhile are
// skipped. Returns FALSE when the callback stopped the walk.
typedef BOOL (*WNDENUMPROC)(HWND window, LPARAM lparam);
MATRIX_PLATFORM_API BOOL EnumWindows(WNDENUMPROC callback, LPARAM lparam);
MATRIX_PLATFORM_API BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback,
                                          LPARAM lparam);

#endif  // MATRIX_PLATFORM_WINUSER_H_
