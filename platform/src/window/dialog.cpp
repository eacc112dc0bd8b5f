// Platform layer - modal dialogs (CDialog) and the host's modal loop, and
// the text exchange of an edit control.
#include <afxwin.h>

#include <algorithm>
#include <string>

#include "host_callback.h"
#include "window_table.h"

namespace {

auto& LoopHandler() {
  return matrix::platform::window::Installed<AFX_MODAL_LOOP_HANDLER>();
}

// The first child with `style_bit` that is visible and enabled, or NULL.
struct FirstTabStop {
  HWND found = nullptr;
  static BOOL Visit(HWND window, LPARAM lparam) {
    auto* self = reinterpret_cast<FirstTabStop*>(lparam);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    if ((style & WS_TABSTOP) && (style & WS_VISIBLE) &&
        !(style & WS_DISABLED)) {
      self->found = window;
      return FALSE;
    }
    return TRUE;
  }
};

// Destroys the dialog's window when DoModal leaves, however it leaves.
class WindowGuard {
 public:
  explicit WindowGuard(CWnd& window) : window_(window) {}
  ~WindowGuard() {
    if (window_.m_hWnd) window_.DestroyWindow();
  }
  WindowGuard(const WindowGuard&) = delete;
  WindowGuard& operator=(const WindowGuard&) = delete;

 private:
  CWnd& window_;
};

}  // namespace

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT template_id, CWnd* parent)
    : m_nIDHelp(template_id),
      m_pParentWnd(parent),
      m_nModalResult(-1),
      m_bContinueModal(false) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
  if (m_hWnd) return -1;
  const HWND had_focus = ::GetFocus();
  const INT_PTR result = [this]() -> INT_PTR {
    CWnd* owner = m_pParentWnd && m_pParentWnd->m_hWnd ? m_pParentWnd : nullptr;
    if (!CreateEx(0, L"#32770", L"",
                  WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                  CRect(0, 0, 0, 0), owner, 0)) {
      return -1;
    }
    WindowGuard guard(*this);
    m_nModalResult = -1;
    m_bContinueModal = true;
    const BOOL default_focus = OnInitDialog();
    if (m_bContinueModal) {
      FirstTabStop first;
      if (default_focus) {
        EnumChildWindows(m_hWnd, &FirstTabStop::Visit,
                         reinterpret_cast<LPARAM>(&first));
        if (first.found) ::SetFocus(first.found);
      }
      SizeToControls();
      ShowWindow(SW_SHOWNORMAL);
      const auto [handler, context] = LoopHandler().Get();
      if (handler) handler(m_hWnd, context);
    }
    // A loop that gave up leaves the dialog as closing its window would,
    // and if OnCancel keeps it open, nobody is left to answer it.
    if (m_bContinueModal && m_hWnd) SendMessage(WM_CLOSE);
    if (m_bContinueModal) EndDialog(IDCANCEL);
    return m_nModalResult;
  }();
  // As the owner's reactivation does on Win32: the focus goes back to the
  // window that had it (a field of the dialog that opened this one).
  if (had_focus && ::IsWindow(had_focus) && !::GetFocus())
    ::SetFocus(had_focus);
  return result;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  m_bContinueModal = false;
  if (m_hWnd) ShowWindow(SW_HIDE);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  // UpdateData has put the focus on the field it refused.
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_CLOSE) return CWnd::DefWindowProc(message, wparam, lparam);
  HWND cancel = ::GetDlgItem(m_hWnd, IDCANCEL);
  if (!cancel || ::IsWindowEnabled(cancel)) {
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                reinterpret_cast<LPARAM>(cancel));
  }
  return 0;
}

// A dialog without a size after OnInitDialog is made to hold its controls,
// with the margin they leave on the left and at the top repeated on the
// right and at the bottom.
void CDialog::SizeToControls() {
  CRect own;
  GetClientRect(&own);
  if (!own.IsRectEmpty()) return;
  struct Extent {
    HWND dialog;
    LONG right = 0, bottom = 0, left = 0, top = 0;
    bool any = false;
    static BOOL Visit(HWND window, LPARAM lparam) {
      auto* e = reinterpret_cast<Extent*>(lparam);
      if (::GetParent(window) != e->dialog) return TRUE;
      RECT r{}, d{};
      ::GetWindowRect(window, &r);
      ::GetWindowRect(e->dialog, &d);
      OffsetRect(&r, -d.left, -d.top);
      e->left = e->any ? std::min(e->left, r.left) : r.left;
      e->top = e->any ? std::min(e->top, r.top) : r.top;
      e->right = std::max(e->right, r.right);
      e->bottom = std::max(e->bottom, r.bottom);
      e->any = true;
      return TRUE;
    }
  } extent{m_hWnd};
  EnumChildWindows(m_hWnd, &Extent::Visit, reinterpret_cast<LPARAM>(&extent));
  if (!extent.any) return;
  CRect place;
  GetWindowRect(&place);
  MoveWindow(place.left, place.top,
             extent.right + std::max(extent.left, LONG{0}),
             extent.bottom + std::max(extent.top, LONG{0}));
}

void AfxSetModalLoopHandler(AFX_MODAL_LOOP_HANDLER handler, void* context) {
  LoopHandler().Set(handler, context);
}

void DDX_Text(CDataExchange* exchange, int id, CString& value) {
  if (!exchange || !exchange->m_pDlgWnd || !exchange->m_pDlgWnd->m_hWnd) {
    AfxThrowInvalidArgException();
  }
  HWND control = exchange->PrepareEditCtrl(id);
  if (exchange->m_bSaveAndValidate) {
    const std::wstring text = matrix::platform::WithFrameworkMemory(
        [&] { return matrix::platform::window::TextOf(control); });
    value = CString(text.data(), static_cast<int>(text.size()));
  } else {
    SetWindowTextW(control, value);
  }
}
