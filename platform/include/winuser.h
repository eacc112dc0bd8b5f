/// \file
/// \ingroup window_winuser
/// \brief Windows, edit controls, combo boxes, buttons and static texts as
/// Win32 has them, held in an in-process table; a toolkit binding, when there
/// is one, draws them.
#ifndef MATRIX_PLATFORM_WINUSER_H_
#define MATRIX_PLATFORM_WINUSER_H_

/// \defgroup window_winuser winuser.h: Win32's window calls
/// \ingroup window
/// \brief Windows, edit controls, combo boxes, buttons and static texts as
/// Win32 has them, held in an in-process table; a toolkit binding, when there
/// is one, draws them.
///
/// A window is a record (class, id, style, parent, text, rectangle; a combo
/// box's items and selection; an edit control's selection; a check box's
/// state) that the calls below read and change under one lock, so they may
/// be called from any thread. Visibility and state are the style bits
/// WS_VISIBLE and WS_DISABLED, as on Win32. Windows have no frame here: the
/// client area is the whole window. A handle
/// names a slot of the table and its generation: the handle of a destroyed
/// window is refused (0, FALSE or NULL), never taken for a later window.
/// @{

#include <afxexport.h>
#include <windef.h>

typedef UINT_PTR WPARAM;   ///< a message's first parameter
typedef LONG_PTR LPARAM;   ///< a message's second parameter
typedef LONG_PTR LRESULT;  ///< a message's result

/// \name Window styles
/// Window styles.
/// @{

#define WS_OVERLAPPED 0x00000000L  ///< a top-level window
#define WS_POPUP 0x80000000L       ///< a pop-up window (dialogs)
#define WS_CHILD 0x40000000L       ///< a child of its parent
#define WS_VISIBLE 0x10000000L     ///< shown
#define WS_DISABLED 0x08000000L    ///< disabled
#define WS_CAPTION 0x00C00000L     ///< with a title bar
#define WS_BORDER 0x00800000L      ///< with a border
#define WS_SYSMENU 0x00080000L     ///< with a window menu
#define WS_GROUP 0x00020000L       ///< starts a group of controls
#define WS_TABSTOP 0x00010000L     ///< reached by Tab
/// @}

/// Dialog styles.
#define DS_MODALFRAME 0x80L  ///< a modal dialog's frame

/// \name Button styles
/// Button styles: the low four bits choose the kind.
/// @{

#define BS_PUSHBUTTON 0x0000L     ///< a push button
#define BS_DEFPUSHBUTTON 0x0001L  ///< the default push button
#define BS_CHECKBOX 0x0002L       ///< a check box
#define BS_AUTOCHECKBOX 0x0003L   ///< a check box that toggles when clicked
#define BS_TYPEMASK 0x000FL       ///< the kind bits
/// @}

/// \name Check states
/// Check states (BM_GETCHECK, BM_SETCHECK).
/// @{

#define BST_UNCHECKED 0x0000  ///< not checked
#define BST_CHECKED 0x0001    ///< checked
/// @}

/// \name Static text styles
/// Static text styles.
/// @{

#define SS_LEFT 0x0000L    ///< text on the left
#define SS_CENTER 0x0001L  ///< text centred
#define SS_RIGHT 0x0002L   ///< text on the right
/// @}

/// \name Edit control styles
/// Edit control styles.
/// @{

#define ES_LEFT 0x0000L         ///< text on the left
#define ES_AUTOHSCROLL 0x0080L  ///< scrolls as text is typed
/// @}

/// \name Combo box styles
/// Combo box styles: the low two bits choose the kind.
/// @{

#define CBS_SIMPLE 0x0001L        ///< an edit with a list always shown
#define CBS_DROPDOWN 0x0002L      ///< an edit with a drop-down list
#define CBS_DROPDOWNLIST 0x0003L  ///< a drop-down list, not editable
#define CBS_AUTOHSCROLL 0x0040L   ///< the edit scrolls as text is typed
#define CBS_SORT 0x0100L          ///< items kept in order, case ignored
/// @}

/// \name Messages
/// Messages.
/// @{

#define WM_CREATE 0x0001            ///< a window was made
#define WM_DESTROY 0x0002           ///< a window is destroyed
#define WM_SETFOCUS 0x0007          ///< got the focus
#define WM_KILLFOCUS 0x0008         ///< lost the focus
#define WM_ENABLE 0x000A            ///< enabled or disabled
#define WM_SETTEXT 0x000C           ///< sets the text
#define WM_GETTEXT 0x000D           ///< copies the text
#define WM_GETTEXTLENGTH 0x000E     ///< the text's length
#define WM_CLOSE 0x0010             ///< asked to close
#define WM_SHOWWINDOW 0x0018        ///< shown or hidden
#define WM_WINDOWPOSCHANGED 0x0047  ///< moved or resized
#define WM_INITDIALOG 0x0110        ///< a dialog is initialised
#define WM_COMMAND 0x0111           ///< a command or a control's notification
/// @}

#define BM_GETCHECK 0x00F0  ///< a button's check state
#define BM_SETCHECK 0x00F1  ///< sets it
#define BM_CLICK 0x00F5     ///< clicks the button

#define EM_GETSEL 0x00B0  ///< an edit's selection
#define EM_SETSEL 0x00B1  ///< sets it

#define CB_ADDSTRING 0x0143        ///< adds an item
#define CB_DELETESTRING 0x0144     ///< deletes an item
#define CB_GETCOUNT 0x0146         ///< the number of items
#define CB_GETCURSEL 0x0147        ///< the selected item
#define CB_GETLBTEXT 0x0148        ///< copies an item's text
#define CB_GETLBTEXTLEN 0x0149     ///< an item's length
#define CB_INSERTSTRING 0x014A     ///< inserts an item
#define CB_RESETCONTENT 0x014B     ///< removes every item
#define CB_SELECTSTRING 0x014D     ///< selects by prefix
#define CB_SETCURSEL 0x014E        ///< selects an item
#define CB_FINDSTRINGEXACT 0x0158  ///< finds an item by its whole text

#define CB_OKAY 0         ///< success
#define CB_ERR (-1)       ///< no such item, or failure
#define CB_ERRSPACE (-2)  ///< no memory for the item

/// \name Notification codes
/// Notification codes, sent to the parent in WM_COMMAND: the control id in
/// the low word of wParam, the code in the high word, the control's handle
/// in lParam.
/// @{

#define BN_CLICKED 0      ///< a button was clicked
#define EN_CHANGE 0x0300  ///< an edit's text changed
#define CBN_SELCHANGE 1   ///< a combo box's selection changed
#define CBN_EDITCHANGE 5  ///< a combo box's edit text changed
/// @}

/// The low and the high 16 bits of a value.
#ifndef LOWORD
#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xFFFF))
#endif
#ifndef HIWORD
/// \copydoc LOWORD
#define HIWORD(l) \
  (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xFFFF))
#endif
/// The 32-bit value of `low` and `high` 16 bits, as a LONG or a WPARAM.
#define MAKELONG(low, high)                                       \
  (static_cast<LONG>(static_cast<DWORD>(static_cast<WORD>(low)) | \
                     (static_cast<DWORD>(static_cast<WORD>(high)) << 16)))
/// \copydoc MAKELONG
#define MAKEWPARAM(low, high) \
  (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(low, high))))

/// \name ShowWindow's commands
/// ShowWindow's commands: SW_HIDE hides, every other shows.
/// @{

#define SW_HIDE 0            ///< hides
#define SW_SHOWNORMAL 1      ///< shows
#define SW_NORMAL 1          ///< shows
#define SW_SHOWNOACTIVATE 4  ///< shows
#define SW_SHOW 5            ///< shows
#define SW_SHOWNA 8          ///< shows
/// @}

/// \name Message boxes
/// Message boxes (the framework's header may define the same values): the
/// buttons (MB_TYPEMASK), the icon (MB_ICONMASK), the default button
/// (MB_DEFMASK), and the results.
/// @{

#ifndef MB_OK
#define MB_OK 0x00000000L  ///< OK
#endif
#ifndef MB_OKCANCEL
#define MB_OKCANCEL 0x00000001L  ///< OK, Cancel
#endif
#define MB_ABORTRETRYIGNORE 0x00000002L   ///< Abort, Retry, Ignore
#define MB_YESNOCANCEL 0x00000003L        ///< Yes, No, Cancel
#define MB_YESNO 0x00000004L              ///< Yes, No
#define MB_RETRYCANCEL 0x00000005L        ///< Retry, Cancel
#define MB_CANCELTRYCONTINUE 0x00000006L  ///< Cancel, Try Again, Continue
#define MB_ICONHAND 0x00000010L           ///< a stop sign
#define MB_ICONQUESTION 0x00000020L       ///< a question mark
#ifndef MB_ICONEXCLAMATION
#define MB_ICONEXCLAMATION 0x00000030L  ///< an exclamation mark
#endif
#define MB_ICONASTERISK 0x00000040L         ///< an information sign
#define MB_ICONERROR MB_ICONHAND            ///< the same as MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND             ///< the same as MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION   ///< the same as MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK  ///< the same as MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L           ///< the first button is the default
#define MB_DEFBUTTON2 0x00000100L           ///< the second
#define MB_DEFBUTTON3 0x00000200L           ///< the third
#define MB_DEFBUTTON4 0x00000300L           ///< the fourth
#define MB_TYPEMASK 0x0000000FL             ///< the buttons' bits
#define MB_ICONMASK 0x000000F0L             ///< the icon's bits
#define MB_DEFMASK 0x00000F00L              ///< the default button's bits
#ifndef IDOK
#define IDOK 1  ///< OK
#endif
#ifndef IDCANCEL
#define IDCANCEL 2  ///< Cancel (or closed)
#endif
#define IDABORT 3      ///< Abort
#define IDRETRY 4      ///< Retry
#define IDIGNORE 5     ///< Ignore
#define IDYES 6        ///< Yes
#define IDNO 7         ///< No
#define IDTRYAGAIN 10  ///< Try Again
#define IDCONTINUE 11  ///< Continue
/// @}

/// Copies at most `max_count` - 1 characters of the window's text and a
/// terminating 0 into `text`; returns the number of characters copied (0 for
/// a stale or null handle, a null buffer or `max_count` < 1). A drop-down
/// list's text is its selected item's ("" when none is selected).
MATRIX_PLATFORM_API int GetWindowTextW(HWND window, LPWSTR text, int max_count);

/// The length of the window's text in characters, 0 for a stale handle.
MATRIX_PLATFORM_API int GetWindowTextLengthW(HWND window);

/// Sets the window's text (a null `text` empties it). FALSE for a stale
/// handle and for a drop-down list, whose text follows its selection.
MATRIX_PLATFORM_API BOOL SetWindowTextW(HWND window, LPCWSTR text);

/// Sends `message` to the window and returns its result, as the window's
/// class defines it (the WM_, EM_, CB_ and BM_ messages above). WM_COMMAND
/// and WM_CLOSE go to the window's object (its message map; a plain window
/// destroys itself on WM_CLOSE, a dialog takes it as IDCANCEL). A stale
/// handle, or a message the window's class does not handle, gives 0.
///
/// Notifications go to the parent as WM_COMMAND after the change: EN_CHANGE
/// when an edit control's text is set, BN_CLICKED on BM_CLICK (which also
/// toggles an auto check box and gives the button the focus; a disabled
/// button ignores it). CB_SETCURSEL and BM_SETCHECK send none, as on Win32.
MATRIX_PLATFORM_API LRESULT SendMessageW(HWND window, UINT message,
                                         WPARAM wparam, LPARAM lparam);

/// The first direct child of `dialog` with control id `id`, else NULL.
MATRIX_PLATFORM_API HWND GetDlgItem(HWND dialog, int id);

/// The control id of a child window (0 for a top-level or stale window).
MATRIX_PLATFORM_API int GetDlgCtrlID(HWND window);

/// The window's parent, NULL for a top-level or stale window.
MATRIX_PLATFORM_API HWND GetParent(HWND window);

/// Copies the window's class name ("Edit", "ComboBox", "Button", "Static",
/// or the name it was created with) as GetWindowTextW copies text; 0 for a
/// stale handle.
MATRIX_PLATFORM_API int GetClassNameW(HWND window, LPWSTR name, int max_count);

/// \name GetWindowLongW's indices
/// GetWindowLongW's indices: the style bits and the control id.
/// @{

#define GWL_STYLE (-16)  ///< the style bits
#define GWL_ID (-12)     ///< the control id
/// @}

/// The window's style bits (GWL_STYLE) or control id (GWL_ID); 0 for a
/// stale handle or another index.
MATRIX_PLATFORM_API LONG GetWindowLongW(HWND window, int index);

/// Gives the keyboard focus to `window` (NULL: to no window) and returns the
/// window that had it. A stale handle changes nothing and returns NULL.
MATRIX_PLATFORM_API HWND SetFocus(HWND window);
/// The window that has the keyboard focus, NULL when none has.
MATRIX_PLATFORM_API HWND GetFocus();

/// TRUE while `window` names a live window.
MATRIX_PLATFORM_API BOOL IsWindow(HWND window);

/// Destroys the window and its descendants (children before their parent);
/// a destroyed window loses the focus. FALSE for a stale handle.
MATRIX_PLATFORM_API BOOL DestroyWindow(HWND window);

/// Shows the window (any `command` but SW_HIDE) or hides it, by its
/// WS_VISIBLE bit; hiding the focus window or an ancestor of it gives the
/// focus to the hidden window's parent (to none for a top-level window).
/// Returns TRUE when it was visible before (by that bit), FALSE when it was
/// hidden or the handle is stale.
MATRIX_PLATFORM_API BOOL ShowWindow(HWND window, int command);

/// TRUE when the window and all its ancestors have WS_VISIBLE.
MATRIX_PLATFORM_API BOOL IsWindowVisible(HWND window);

/// Enables or disables the window (its WS_DISABLED bit); a window that is
/// disabled loses the focus. Returns TRUE when it was disabled before,
/// FALSE when it was enabled or the handle is stale.
MATRIX_PLATFORM_API BOOL EnableWindow(HWND window, BOOL enable);

/// TRUE when the window lacks WS_DISABLED; FALSE for a stale handle.
MATRIX_PLATFORM_API BOOL IsWindowEnabled(HWND window);

/// Moves the window to (x, y) with the given size, in pixels: a child's
/// position is relative to its parent's client area, a top-level window's
/// is on the screen. A negative size is taken as 0. FALSE for a stale
/// handle; `repaint` is accepted and not needed.
MATRIX_PLATFORM_API BOOL MoveWindow(HWND window, int x, int y, int width,
                                    int height, BOOL repaint);

/// The window's rectangle in screen coordinates, or its client rectangle
/// (0, 0, width, height). FALSE, and `rect` unchanged, for a stale handle or
/// a null `rect`.
MATRIX_PLATFORM_API BOOL GetWindowRect(HWND window, LPRECT rect);
/// \copydoc GetWindowRect(HWND, LPRECT)
MATRIX_PLATFORM_API BOOL GetClientRect(HWND window, LPRECT rect);

/// The callback of EnumWindows and EnumChildWindows: called with each
/// window and the caller's `lparam`; FALSE stops the walk.
typedef BOOL (*WNDENUMPROC)(HWND window, LPARAM lparam);

/// Calls `callback` for each top-level window (EnumWindows) or for each
/// descendant of `parent` (EnumChildWindows), parents before their
/// children, in order of creation, until it returns FALSE. The windows are
/// those that lived when the call began; ones destroyed meanwhile are
/// skipped. Returns FALSE when the callback stopped the walk.
MATRIX_PLATFORM_API BOOL EnumWindows(WNDENUMPROC callback, LPARAM lparam);
/// \copydoc EnumWindows(WNDENUMPROC, LPARAM)
MATRIX_PLATFORM_API BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback,
                                          LPARAM lparam);

/// @}

#endif  // MATRIX_PLATFORM_WINUSER_H_
