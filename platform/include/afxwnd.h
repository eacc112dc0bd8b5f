/// \file
/// \ingroup window_afxwnd
/// \brief The framework's window objects (CWnd, CEdit, CComboBox, CButton,
/// CStatic), modal dialogs (CDialog), dialog data exchange (CDataExchange,
/// DDX_Text, DDX_CBString), message boxes through a host handler, and the seams
/// through which a toolkit shows the window table and runs the modal loop.
/// Included by afxwin.h.
#ifndef MATRIX_PLATFORM_AFXWND_H_
#define MATRIX_PLATFORM_AFXWND_H_

/// \defgroup window_afxwnd afxwnd.h: windows, dialogs, data exchange
/// \ingroup window
/// \brief The framework's window objects (CWnd, CEdit, CComboBox, CButton,
/// CStatic), modal dialogs (CDialog), dialog data exchange (CDataExchange,
/// DDX_Text, DDX_CBString), message boxes through a host handler, and the seams
/// through which a toolkit shows the window table and runs the modal loop.
/// Included by afxwin.h.
/// @{

// CWnd derives from CCmdTarget; afxwin.h declares it and includes this
// header at its end, so either header may come first.
#include <afxexport.h>
#include <afxwin.h>
#include <winuser.h>

class CDataExchange;
class CWnd;

/// Calls the window procedure of `window` (the object of `handle`) with the
/// message, as the framework's window procedure does. A CException* thrown
/// by a handler is caught and Delete()d, after ReportError for any but a
/// CUserException* (whose message has been shown); the result is then 0.
/// Other exceptions pass through.
MATRIX_PLATFORM_API LRESULT AfxCallWndProc(CWnd* window, HWND handle,
                                           UINT message, WPARAM wparam = 0,
                                           LPARAM lparam = 0);

/// A framework window object. It has no window until CreateEx (or a
/// control's Create) makes one; its destructor destroys the window it has.
/// Destroying a parent window destroys the children too and sets their
/// objects' m_hWnd to NULL. One object is used from one thread at a time;
/// the window table behind it may be used from any thread.
class MATRIX_PLATFORM_API CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)

 public:
  CWnd();
  ~CWnd() override;

  /// The window's handle, NULL while the object has none.
  HWND m_hWnd;
  /// m_hWnd (NULL for an object without a window).
  HWND GetSafeHwnd() const { return m_hWnd; }

  /// Creates the window: class "EDIT", "COMBOBOX", "BUTTON" or "STATIC"
  /// (any case) gives that control, any other name a plain window. `parent`
  /// (may be null for a top-level window) must have a window; `id` is the
  /// control id of a child. `rect` is the window's rectangle in pixels, a
  /// child's relative to its parent's client area. FALSE, and no window,
  /// when this object has a window already, the parent has none, or WS_CHILD
  /// is given without a parent.
  virtual BOOL CreateEx(DWORD ex_style, LPCTSTR class_name, LPCTSTR window_name,
                        DWORD style, const RECT& rect, CWnd* parent, UINT id,
                        LPVOID param = nullptr);
  /// Destroys the window and its children; FALSE when there is none.
  virtual BOOL DestroyWindow();

  /// The object of a direct child with this control id (NULL when there is
  /// no such child), or its handle.
  CWnd* GetDlgItem(int id) const;
  /// \copydoc CWnd::GetDlgItem(int) const
  void GetDlgItem(int id, HWND* window) const;
  /// The object that owns `window`, NULL for a stale handle.
  static CWnd* FromHandle(HWND window);

  /// Sets the window's text, as ::SetWindowTextW does. Windows' headers spell
  /// the framework's text members with a W suffix; both spellings are here.
  void SetWindowText(LPCTSTR text);
  /// \copydoc CWnd::SetWindowText(LPCTSTR)
  void SetWindowTextW(LPCTSTR text) { SetWindowText(text); }
  /// Copies the text into `text` as ::GetWindowTextW does; returns the
  /// number of characters copied.
  int GetWindowText(LPTSTR text, int max_count) const;
  /// \copydoc CWnd::GetWindowText(LPTSTR, int) const
  int GetWindowTextW(LPTSTR text, int max_count) const {
    return GetWindowText(text, max_count);
  }
  /// The whole text, however long.
  void GetWindowText(CString& text) const;
  /// \copydoc CWnd::GetWindowText(CString&) const
  void GetWindowTextW(CString& text) const { GetWindowText(text); }
  /// The length of the text in characters.
  int GetWindowTextLength() const;
  /// \copydoc CWnd::GetWindowTextLength() const
  int GetWindowTextLengthW() const { return GetWindowTextLength(); }

  /// ::SendMessageW to this window (0 without one).
  LRESULT SendMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
  /// \copydoc CWnd::SendMessage(UINT, WPARAM, LPARAM)
  LRESULT SendMessageW(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessage(message, wparam, lparam);
  }
  /// The window's control id, as ::GetDlgCtrlID.
  int GetDlgCtrlID() const;
  /// The window's style bits (0 without a window).
  DWORD GetStyle() const;
  /// Gives this window the focus; the object of the window that had it.
  CWnd* SetFocus();

  /// Runs DoDataExchange in the direction `save` gives (TRUE: controls into
  /// variables). FALSE when the exchange failed with a CUserException* (its
  /// message has been shown already) or with another CException* (a
  /// control the dialog lacks, memory), which is reported with ReportError
  /// (MB_ICONEXCLAMATION) as the framework does; either is Delete()d.
  /// Exceptions of other types pass through to the caller.
  BOOL UpdateData(BOOL save = TRUE);

  /// Visibility, state and place, as the Win32 calls of the same names
  /// (winuser.h); a window-less object does nothing and reports FALSE or an
  /// empty rectangle.
  BOOL ShowWindow(int command);
  /// \copydoc CWnd::ShowWindow(int)
  BOOL IsWindowVisible() const;
  /// \copydoc CWnd::ShowWindow(int)
  BOOL EnableWindow(BOOL enable = TRUE);
  /// \copydoc CWnd::ShowWindow(int)
  BOOL IsWindowEnabled() const;
  /// \copydoc CWnd::ShowWindow(int)
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  /// \copydoc CWnd::ShowWindow(int)
  void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
  /// \copydoc CWnd::ShowWindow(int)
  void GetWindowRect(LPRECT rect) const;
  /// \copydoc CWnd::ShowWindow(int)
  void GetClientRect(LPRECT rect) const;
  /// The object of the parent window, NULL for a top-level window.
  CWnd* GetParent() const;

 protected:
  /// Exchanges the dialog's variables with its controls (DDX_ calls);
  /// UpdateData runs it. The default does nothing.
  virtual void DoDataExchange(CDataExchange* exchange);

  /// The window procedure: WM_COMMAND to OnCommand, anything else to
  /// DefWindowProc (which destroys the window on WM_CLOSE).
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  /// \copydoc CWnd::WindowProc(UINT, WPARAM, LPARAM)
  virtual LRESULT DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  /// Hands command LOWORD(wparam) with notification HIWORD(wparam) from
  /// control `lparam` (0: a command, CN_COMMAND) to OnCmdMsg; TRUE when a
  /// handler took it.
  virtual BOOL OnCommand(WPARAM wparam, LPARAM lparam);

 private:
  friend LRESULT AfxCallWndProc(CWnd*, HWND, UINT, WPARAM, LPARAM);
};

/// The whole text of `window`, however long, into `text`: what
/// CWnd::GetWindowText gives, for a window known only by its handle. The
/// text is read at one moment, so that a change made meanwhile by another
/// thread is seen whole or not at all. Empty for a null or stale handle.
/// Throws CMemoryException* when the copy cannot be had (`text` unchanged).
MATRIX_PLATFORM_API void AfxGetWindowText(HWND window, CString& text);

/// An edit control.
class MATRIX_PLATFORM_API CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)

 public:
  CEdit() = default;
  ~CEdit() override;
  /// Creates the control as CreateEx does, with no text.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  /// Selects characters [start, end): end -1 is the end of the text, start
  /// -1 removes the selection; positions past the end are clamped.
  void SetSel(int start, int end, BOOL no_scroll = FALSE);
  /// \copydoc CEdit::SetSel(int, int, BOOL)
  void GetSel(int& start, int& end) const;
};

/// A combo box. Letter case is ignored in its searches and in CBS_SORT's
/// order, by Unicode's simple case mapping whatever the C library's locale.
class MATRIX_PLATFORM_API CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)

 public:
  CComboBox() = default;
  ~CComboBox() override;
  /// Creates the combo box as CreateEx does, with no items.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  /// Each returns what the CB_ message of the same name returns.
  int AddString(LPCTSTR text);
  /// \copydoc CComboBox::AddString(LPCTSTR)
  int InsertString(int index, LPCTSTR text);
  /// \copydoc CComboBox::AddString(LPCTSTR)
  int DeleteString(UINT index);
  /// \copydoc CComboBox::AddString(LPCTSTR)
  void ResetContent();
  /// \copydoc CComboBox::AddString(LPCTSTR)
  int GetCount() const;
  /// \copydoc CComboBox::AddString(LPCTSTR)
  int GetCurSel() const;
  /// \copydoc CComboBox::AddString(LPCTSTR)
  int SetCurSel(int index);
  /// The item's text; empty when `index` names no item.
  void GetLBText(int index, CString& text) const;
  /// \copydoc CComboBox::GetLBText(int, CString&) const
  int GetLBTextLen(int index) const;
  /// \copydoc CComboBox::GetLBText(int, CString&) const
  int FindStringExact(int start_after, LPCTSTR text) const;
  /// \copydoc CComboBox::GetLBText(int, CString&) const
  int SelectString(int start_after, LPCTSTR text);
};

/// A push button (BS_PUSHBUTTON, BS_DEFPUSHBUTTON: the one Enter presses) or
/// a check box (BS_CHECKBOX; BS_AUTOCHECKBOX toggles when clicked).
class MATRIX_PLATFORM_API CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)

 public:
  CButton() = default;
  ~CButton() override;
  /// Creates the button as CreateEx does, with its caption.
  BOOL Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent,
              UINT id);
  /// BST_CHECKED or BST_UNCHECKED (always for a push button); SetCheck
  /// changes a check box only and sends no notification.
  int GetCheck() const;
  /// \copydoc CButton::GetCheck() const
  void SetCheck(int check);
};

/// A static text (a label).
class MATRIX_PLATFORM_API CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)

 public:
  CStatic() = default;
  ~CStatic() override;
  /// Creates the label as CreateEx does, with its text.
  BOOL Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent,
              UINT id = 0xffff);
};

/// A modal dialog whose controls are made in code, in OnInitDialog (there
/// are no dialog templates). Its rectangle and title come from MoveWindow
/// and SetWindowText in OnInitDialog; a dialog still without a size then is
/// made just large enough to hold its controls, with the margin on the
/// right and at the bottom that they leave on the left and at the top.
class MATRIX_PLATFORM_API CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  /// `template_id` is kept as the help id; `parent`, when it has a window,
  /// owns the dialog's window.
  explicit CDialog(UINT template_id = 0, CWnd* parent = nullptr);
  ~CDialog() override;

  /// Creates the dialog window (hidden), runs OnInitDialog (TRUE from it
  /// gives the focus to the first visible, enabled control with WS_TABSTOP),
  /// shows the dialog and runs the modal loop (the host's handler; see
  /// AfxSetModalLoopHandler) until EndDialog, then destroys the window and
  /// returns EndDialog's result; the focus goes back to the window that had
  /// it before, if it is left without one. A dialog ended in OnInitDialog is
  /// never shown. A loop that returns while the dialog goes on ends it as
  /// closing its window would (WM_CLOSE: IDCANCEL through OnCancel), and as
  /// EndDialog(IDCANCEL) when OnCancel keeps it open. -1 when the window
  /// cannot be created (this object has one already, or memory runs out).
  /// Exceptions from OnInitDialog pass through, the window destroyed.
  virtual INT_PTR DoModal();
  /// Ends the modal loop with `result` and hides the dialog; it is
  /// destroyed when DoModal regains control.
  void EndDialog(int result);
  /// The default runs UpdateData(FALSE) and returns TRUE.
  virtual BOOL OnInitDialog();

  UINT m_nIDHelp;      ///< the help id (the template id given)
  CWnd* m_pParentWnd;  ///< the parent given, or null

 protected:
  /// IDOK and IDCANCEL reach these through the message map. OnOK runs
  /// UpdateData(TRUE) and ends the dialog with IDOK only when the exchange
  /// succeeded (a refused field keeps the dialog open, the focus on it);
  /// OnCancel ends it with IDCANCEL without an exchange.
  virtual void OnOK();
  /// \copydoc CDialog::OnOK()
  virtual void OnCancel();
  /// WM_CLOSE as the dialog manager takes it: IDCANCEL, unless the dialog
  /// has a disabled IDCANCEL control.
  LRESULT DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

  DECLARE_MESSAGE_MAP()

 private:
  void SizeToControls();
  int m_nModalResult;
  bool m_bContinueModal;
};

/// A toolkit's modal loop, called by DoModal with the dialog's window once
/// it is shown: it lets the person work in the dialog and returns once the
/// dialog is ended (EndDialog hides it). Without a handler there is nobody
/// to answer, and the dialog ends as closed (IDCANCEL). A test installs one
/// that presses buttons and types through the layer's calls.
typedef void (*AFX_MODAL_LOOP_HANDLER)(HWND dialog, void* context);
/// Sets the handler (null: none) and the context passed back to it.
MATRIX_PLATFORM_API void AfxSetModalLoopHandler(AFX_MODAL_LOOP_HANDLER handler,
                                                void* context);

/// The context of one data exchange between a dialog's controls and its
/// variables.
class MATRIX_PLATFORM_API CDataExchange {
 public:
  /// An exchange for `dialog`'s controls; `save_and_validate` TRUE reads the
  /// controls into the variables.
  CDataExchange(CWnd* dialog, BOOL save_and_validate);

  BOOL m_bSaveAndValidate;  ///< TRUE: controls into variables
  CWnd* m_pDlgWnd;          ///< the dialog
  UINT m_idLastControl;     ///< the control last prepared
  BOOL m_bEditLastControl;  ///< TRUE when it is an edit control

  /// The control `id` of the dialog, remembered as the one a failure goes
  /// back to. Throws CNotSupportedException* when the dialog has no such
  /// control, CInvalidArgException* when there is no dialog window.
  HWND PrepareCtrl(int id);
  /// The same for an edit control, whose text a failure selects.
  HWND PrepareEditCtrl(int id);
  /// Gives the focus to the last prepared control (selecting all of an
  /// edit control's text) and throws CUserException*.
  [[noreturn]] void Fail();
};

/// Exchanges a number with edit control `id`. Writing formats "%.*g" with 15
/// (double) or 6 (float) significant digits and '.' as the point. Reading
/// takes the whole text: spaces and tabs, a decimal number with '.' as the
/// point (whatever the locale), spaces and tabs. Anything else, "inf",
/// "nan", hexadecimal, a value too large for the variable or one that
/// rounds to zero, shows AFX_IDP_PARSE_REAL and fails (Fail:
/// CUserException*) with the variable unchanged. A null exchange or a
/// dialog without a window throws CInvalidArgException*, a missing control
/// CNotSupportedException*.
MATRIX_PLATFORM_API void DDX_Text(CDataExchange* exchange, int id,
                                  double& value);
/// \copydoc DDX_Text(CDataExchange*, int, double&)
MATRIX_PLATFORM_API void DDX_Text(CDataExchange* exchange, int id,
                                  float& value);

/// Exchanges a string with edit control `id`: its whole text, as it is.
/// Throws as DDX_Text does for a null exchange, a dialog without a window or
/// a missing control.
MATRIX_PLATFORM_API void DDX_Text(CDataExchange* exchange, int id,
                                  CString& value);

/// Exchanges a string with combo box `id`. Reading takes the box's window
/// text (the selected item's for a drop-down list). Writing selects the
/// first item that starts with the string (case ignored); when none does,
/// sets the edit text (a drop-down list ignores that). Throws as DDX_Text
/// does for a null exchange, a dialog without a window or a missing
/// control.
MATRIX_PLATFORM_API void DDX_CBString(CDataExchange* exchange, int id,
                                      CString& value);

/// The layer's own prompts, shown when the current resource module has no
/// string of that id.
#define AFX_IDP_PARSE_REAL 0xF111

/// Shows a message through the host's handler and returns the button it
/// reports; without a handler nothing is shown and IDOK is returned (the
/// layer never prints). `help` (UINT)-1 stands for `prompt`. The prompt's
/// text comes from the current resource module, else from the layer's own
/// table, else it is empty.
MATRIX_PLATFORM_API int AfxMessageBox(LPCTSTR text, UINT type = MB_OK,
                                      UINT help = 0);
/// \copydoc AfxMessageBox(LPCTSTR, UINT, UINT)
MATRIX_PLATFORM_API int AfxMessageBox(UINT prompt, UINT type = MB_OK,
                                      UINT help = static_cast<UINT>(-1));

/// The host's message box: called with the text, the MB_ type and the help
/// id, on the caller's thread, and returns the ID of the button pressed.
typedef int (*AFX_MESSAGE_BOX_HANDLER)(LPCTSTR text, UINT type, UINT help,
                                       void* context);
/// Sets the handler (null: none) and the context passed back to it.
MATRIX_PLATFORM_API void AfxSetMessageBoxHandler(
    AFX_MESSAGE_BOX_HANDLER handler, void* context);

/// A toolkit binding's view of the window table: called after each change
/// of a window's existence (WM_CREATE, WM_DESTROY), text (WM_SETTEXT),
/// items (CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT),
/// selection (CB_SETCURSEL, CB_SELECTSTRING, EM_SETSEL), check state
/// (BM_SETCHECK), focus (WM_KILLFOCUS, WM_SETFOCUS), visibility
/// (WM_SHOWWINDOW), state (WM_ENABLE) or rectangle (WM_WINDOWPOSCHANGED),
/// with the window and the message that made it, outside the table's lock,
/// on the thread that made the change. The binding reads the window with
/// the calls of winuser.h and feeds the person's actions back with them
/// (SetWindowTextW, SendMessageW with CB_SETCURSEL or BM_CLICK, SetFocus,
/// and WM_COMMAND with the notification the action sends).
typedef void (*AFX_WINDOW_OBSERVER)(HWND window, UINT message, void* context);
/// Sets the observer (null: none) and the context passed back to it.
MATRIX_PLATFORM_API void AfxSetWindowObserver(AFX_WINDOW_OBSERVER observer,
                                              void* context);

/// A call that a toolkit's dispatcher runs once, with its argument.
typedef void (*AFX_THREAD_CALL)(void* argument);
/// A toolkit's way to run a call on the thread whose windows it shows (its
/// GUI thread). A WM_COMMAND (a control's notification) or WM_CLOSE sent
/// from another thread than the one that made the window is handed to it:
/// the window's object then handles it on the dispatcher's thread, never
/// beside that thread's own work, as Win32 runs a window procedure on the
/// window's thread. The sender does not wait (SendMessageW returns 0 at
/// once), so a thread that waits for the sender cannot deadlock it; a window
/// destroyed before the call runs hears nothing. Without a dispatcher the
/// message is handled on the sending thread.
typedef void (*AFX_THREAD_DISPATCHER)(AFX_THREAD_CALL call, void* argument,
                                      void* context);
/// Sets the dispatcher (null: none) and the context passed back to it.
MATRIX_PLATFORM_API void AfxSetThreadDispatcher(
    AFX_THREAD_DISPATCHER dispatcher, void* context);

/// @}

#endif  // MATRIX_PLATFORM_AFXWND_H_
