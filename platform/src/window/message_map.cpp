// Platform layer - message maps and the window procedure: commands found in
// a class's map or its bases', WM_COMMAND and WM_CLOSE as a window's object
// handles them, and the data exchange, during which the controls' own
// notifications are held back.
#include <afxwin.h>

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {
      {0, 0, 0, 0, AfxSig_end, static_cast<AFX_PMSG>(nullptr)}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
  return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, void* extra,
                          AFX_CMDHANDLERINFO* handler_info) {
  (void)extra;
  const UINT wanted = static_cast<UINT>(code);
  for (const AFX_MSGMAP* map = GetMessageMap(); map;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end;
         ++e) {
      if (e->nMessage != WM_COMMAND || e->nCode != wanted || id < e->nID ||
          id > e->nLastID) {
        continue;
      }
      if (handler_info) {
        handler_info->pTarget = this;
        handler_info->pmf = e->pfn;
      } else {
        (this->*(e->pfn))();
      }
      return TRUE;
    }
  }
  return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && OnCommand(wparam, lparam)) return 0;
  return DefWindowProc(message, wparam, lparam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  (void)wparam;
  (void)lparam;
  if (message == WM_CLOSE && m_hWnd) ::DestroyWindow(m_hWnd);
  return 0;
}

namespace {

// The window whose data this thread is exchanging: the controls' own
// notifications of the texts that the exchange sets (EN_CHANGE of a
// SetWindowText) do not reach it meanwhile, as in the framework. A handler
// of them that calls UpdateData(TRUE) would otherwise read fields not yet
// filled, or, with a field whose exchange rewrites its text, recurse until
// the stack runs out.
thread_local HWND t_exchanging = nullptr;

// Marks a window as exchanging for its lifetime; exchanges may nest (a
// field's exchange that opens a dialog of its own).
class ExchangeMark {
 public:
  explicit ExchangeMark(HWND window) : outer_(t_exchanging) {
    t_exchanging = window;
  }
  ~ExchangeMark() { t_exchanging = outer_; }
  ExchangeMark(const ExchangeMark&) = delete;
  ExchangeMark& operator=(const ExchangeMark&) = delete;

 private:
  HWND outer_;
};

// Runs the exchange; false when it ended with the user exception, whose
// message the exchange has shown already, or with another of the
// framework's, reported here: a dialog whose exchange names a control it
// lacks tells the person and stays usable, where the exception would leave
// DoModal and end the program.
template <typename Exchange>
bool CompletesWithoutFailure(Exchange&& exchange) {
  try {
    exchange();
    return true;
  } catch (CException* e) {
    if (!e->IsKindOf(RUNTIME_CLASS(CUserException)))
      e->ReportError(MB_ICONEXCLAMATION);
    e->Delete();
    return false;
  }
}

}  // namespace

BOOL CWnd::UpdateData(BOOL save) {
  CDataExchange exchange(this, save);
  const ExchangeMark mark(m_hWnd);
  return CompletesWithoutFailure([&] { DoDataExchange(&exchange); }) ? TRUE
                                                                     : FALSE;
}

BOOL CWnd::OnCommand(WPARAM wparam, LPARAM lparam) {
  // A control's notification while this window's data are exchanged:
  // taken as handled, and dropped.
  if (lparam && m_hWnd && m_hWnd == t_exchanging) return TRUE;
  const UINT id = LOWORD(wparam);
  // Without a control it is a command, whatever the high word says (an
  // accelerator sends 1 there).
  const int code = lparam ? static_cast<int>(HIWORD(wparam)) : CN_COMMAND;
  return OnCmdMsg(id, code, nullptr, nullptr);
}

LRESULT AfxCallWndProc(CWnd* window, HWND handle, UINT message, WPARAM wparam,
                       LPARAM lparam) {
  if (!window || window->m_hWnd != handle) return 0;
  try {
    return window->WindowProc(message, wparam, lparam);
  } catch (CException* e) {
    // The framework's window procedure reports what a handler let escape;
    // a user exception's message has been shown already.
    if (!e->IsKindOf(RUNTIME_CLASS(CUserException))) {
      e->ReportError(MB_ICONEXCLAMATION);
    }
    e->Delete();
    return 0;
  }
}
