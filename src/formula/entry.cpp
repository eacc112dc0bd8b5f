// matrix - text entry helpers: lower-casing with the Russian letters,
// normalising typed numbers and table cells, and the dialog exchanges that
// put the normalising in front of the platform's number and combo-box
// exchanges.
#include <afxwin.h>
#include <matrix/formula.h>

namespace {

// Russian capitals and their small letters: U+0410..U+042F are 0x20 below
// theirs, U+0401 (Yo) is 0x50 below U+0451.
wchar_t RussianSmall(wchar_t c) {
  if (c >= L'\u0410' && c <= L'\u042F') return static_cast<wchar_t>(c + 0x20);
  if (c == L'\u0401') return L'\u0451';
  return c;
}

// Every helper needs an exchange object and a dialog with a window, as the
// platform's exchanges do.
void RequireDialog(const CDataExchange* exchange) {
  if (!exchange || !exchange->m_pDlgWnd || !exchange->m_pDlgWnd->m_hWnd) {
    AfxThrowInvalidArgException();
  }
}

bool IsComboBox(HWND window) {
  wchar_t name[16];
  return GetClassNameW(window, name, 16) > 0 &&
         CString(name).CompareNoCase(L"ComboBox") == 0;
}

}  // namespace

void MakeLower(CString& text) {
  text.MakeLower();
  const int length = text.GetLength();
  for (int i = 0; i < length; ++i) {
    const wchar_t c = text.GetAt(i);
    const wchar_t small = RussianSmall(c);
    if (small != c) text.SetAt(i, small);
  }
}

void CompileStringFromCtrl(CString& text) {
  text.Trim();
  text.Replace(L',', L'.');
  text.Replace(L'\u044E', L'.');
}

void CompileStringForTbl(CString& text) {
  text.Trim();
  text.Replace(L",", L"&comma;");
  text.Replace(L"-\n", L"");
  text.Replace(L'\n', L' ');
  text.Replace(L'\r', L' ');
}

void PreModifyStr(CDataExchange* exchange, int id) {
  RequireDialog(exchange);
  if (!exchange->m_bSaveAndValidate) return;
  HWND control = exchange->PrepareEditCtrl(id);
  // The whole text: a cut one would lose the rest from the control and
  // give another number.
  CString text;
  AfxGetWindowText(control, text);
  if (text.IsEmpty()) text = L"0";
  CompileStringFromCtrl(text);
  SetWindowTextW(control, text);
}

void DDX_Text2(CDataExchange* exchange, int id, double& value) {
  PreModifyStr(exchange, id);
  DDX_Text(exchange, id, value);
}

void DDX_Text2(CDataExchange* exchange, int id, float& value) {
  PreModifyStr(exchange, id);
  DDX_Text(exchange, id, value);
}

void DDX_CBString2(CDataExchange* exchange, int id, CString& value) {
  RequireDialog(exchange);
  if (exchange->m_bSaveAndValidate) {
    DDX_CBString(exchange, id, value);
    return;
  }
  HWND box = GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id);
  if (!box || !IsComboBox(box)) return;
  const LRESULT found =
      SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(value.GetString()));
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}
