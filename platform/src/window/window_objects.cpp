// Platform layer - the framework's window objects (CWnd, CEdit, CComboBox,
// CButton, CStatic) over the window table.
#include <afxwin.h>

#include <string>

#include "window_table.h"

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)

CWnd::CWnd() : m_hWnd(nullptr) {}

CWnd::~CWnd() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

BOOL CWnd::CreateEx(DWORD ex_style, LPCTSTR class_name, LPCTSTR window_name,
                    DWORD style, const RECT& rect, CWnd* parent, UINT id,
                    LPVOID param) {
  (void)ex_style;
  (void)param;
  if (m_hWnd) return FALSE;
  HWND parent_handle = nullptr;
  if (parent) {
    parent_handle = parent->m_hWnd;
    if (!parent_handle) return FALSE;
  }
  return matrix::platform::window::CreateWindowRecord(
             class_name, window_name, style, rect, parent_handle,
             static_cast<int>(id), this)
             ? TRUE
             : FALSE;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::GetDlgItem(int id) const {
  return FromHandle(::GetDlgItem(m_hWnd, id));
}

void CWnd::GetDlgItem(int id, HWND* window) const {
  if (window) *window = ::GetDlgItem(m_hWnd, id);
}

CWnd* CWnd::FromHandle(HWND window) {
  return matrix::platform::window::OwnerOf(window);
}

void CWnd::SetWindowText(LPCTSTR text) { ::SetWindowTextW(m_hWnd, text); }

int CWnd::GetWindowText(LPTSTR text, int max_count) const {
  return ::GetWindowTextW(m_hWnd, text, max_count);
}

void AfxGetWindowText(HWND window, CString& text) {
  const std::wstring copy = matrix::platform::WithFrameworkMemory(
      [&] { return matrix::platform::window::TextOf(window); });
  text = CString(copy.data(), static_cast<int>(copy.size()));
}

void CWnd::GetWindowText(CString& text) const {
  AfxGetWindowText(m_hWnd, text);
}

int CWnd::GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return ::SendMessageW(m_hWnd, message, wparam, lparam);
}

int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

DWORD CWnd::GetStyle() const {
  return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE));
}

CWnd* CWnd::SetFocus() {
  // An object without a window has nothing to focus; ::SetFocus(NULL)
  // would take the focus from every window.
  if (!m_hWnd) return nullptr;
  return FromHandle(::SetFocus(m_hWnd));
}

void CWnd::DoDataExchange(CDataExchange* exchange) { (void)exchange; }

BOOL CWnd::ShowWindow(int command) {
  return m_hWnd ? ::ShowWindow(m_hWnd, command) : FALSE;
}

BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }

BOOL CWnd::EnableWindow(BOOL enable) {
  return m_hWnd ? ::EnableWindow(m_hWnd, enable) : FALSE;
}

BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
  if (!rect) return;
  ::MoveWindow(m_hWnd, rect->left, rect->top,
               matrix::platform::WrapSub(rect->right, rect->left),
               matrix::platform::WrapSub(rect->bottom, rect->top), repaint);
}

void CWnd::GetWindowRect(LPRECT rect) const {
  if (rect && !::GetWindowRect(m_hWnd, rect)) *rect = RECT{};
}

void CWnd::GetClientRect(LPRECT rect) const {
  if (rect && !::GetClientRect(m_hWnd, rect)) *rect = RECT{};
}

CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }

CEdit::~CEdit() = default;

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateEx(0, L"EDIT", nullptr, style, rect, parent, id);
}

void CEdit::SetSel(int start, int end, BOOL no_scroll) {
  (void)no_scroll;
  SendMessage(EM_SETSEL, static_cast<WPARAM>(static_cast<INT_PTR>(start)), end);
}

void CEdit::GetSel(int& start, int& end) const {
  DWORD a = 0;
  DWORD b = 0;
  ::SendMessageW(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&a),
                 reinterpret_cast<LPARAM>(&b));
  start = static_cast<int>(a);
  end = static_cast<int>(b);
}

CComboBox::~CComboBox() = default;

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateEx(0, L"COMBOBOX", nullptr, style, rect, parent, id);
}

namespace {

WPARAM Index(int i) { return static_cast<WPARAM>(static_cast<INT_PTR>(i)); }
LPARAM Text(LPCTSTR text) { return reinterpret_cast<LPARAM>(text); }

}  // namespace

int CComboBox::AddString(LPCTSTR text) {
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, Text(text)));
}

int CComboBox::InsertString(int index, LPCTSTR text) {
  return static_cast<int>(
      SendMessage(CB_INSERTSTRING, Index(index), Text(text)));
}

int CComboBox::DeleteString(UINT index) {
  return static_cast<int>(SendMessage(CB_DELETESTRING, index, 0));
}

void CComboBox::ResetContent() { SendMessage(CB_RESETCONTENT, 0, 0); }

int CComboBox::GetCount() const {
  return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0));
}

int CComboBox::GetCurSel() const {
  if (!::IsWindow(m_hWnd)) return CB_ERR;
  return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0));
}

int CComboBox::SetCurSel(int index) {
  return static_cast<int>(SendMessage(CB_SETCURSEL, Index(index), 0));
}

void CComboBox::GetLBText(int index, CString& text) const {
  const std::wstring copy = matrix::platform::WithFrameworkMemory(
      [&] { return matrix::platform::window::ItemTextOf(m_hWnd, index); });
  text = CString(copy.data(), static_cast<int>(copy.size()));
}

int CComboBox::GetLBTextLen(int index) const {
  if (!::IsWindow(m_hWnd)) return CB_ERR;
  return static_cast<int>(
      ::SendMessageW(m_hWnd, CB_GETLBTEXTLEN, Index(index), 0));
}

int CComboBox::FindStringExact(int start_after, LPCTSTR text) const {
  if (!::IsWindow(m_hWnd)) return CB_ERR;
  return static_cast<int>(::SendMessageW(m_hWnd, CB_FINDSTRINGEXACT,
                                         Index(start_after), Text(text)));
}

int CComboBox::SelectString(int start_after, LPCTSTR text) {
  if (!::IsWindow(m_hWnd)) return CB_ERR;
  return static_cast<int>(
      SendMessage(CB_SELECTSTRING, Index(start_after), Text(text)));
}

CButton::~CButton() = default;

BOOL CButton::Create(LPCTSTR caption, DWORD style, const RECT& rect,
                     CWnd* parent, UINT id) {
  return CreateEx(0, L"BUTTON", caption, style, rect, parent, id);
}

int CButton::GetCheck() const {
  return static_cast<int>(::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0));
}

void CButton::SetCheck(int check) {
  SendMessage(BM_SETCHECK, static_cast<WPARAM>(check), 0);
}

CStatic::~CStatic() = default;

BOOL CStatic::Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent,
                     UINT id) {
  return CreateEx(0, L"STATIC", text, style, rect, parent, id);
}
