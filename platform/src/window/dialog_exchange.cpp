// Platform layer - dialog data exchange (CDataExchange, the number and
// combo-box exchanges).
#include <afxwin.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Every exchange needs an exchange object and a dialog with a window.
void RequireDialog(const CDataExchange* exchange) {
  if (!exchange || !exchange->m_pDlgWnd || !exchange->m_pDlgWnd->m_hWnd) {
    AfxThrowInvalidArgException();
  }
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads blanks, a decimal number with '.' as the point, blanks: the whole
// text or nothing. Only finite values that a double holds are accepted (a
// text that overflows or rounds to zero from a nonzero value is refused).
bool ParseDecimal(const CString& text, double& value) {
  const wchar_t* p = text.GetString();
  const wchar_t* const end = p + text.GetLength();
  while (p < end && IsBlank(*p)) ++p;
  std::string number;  // the number in ASCII for from_chars
  if (p < end && (*p == L'+' || *p == L'-')) {
    if (*p == L'-') number += '-';
    ++p;
  }
  int digits = 0;
  while (p < end && IsDigit(*p)) {
    number += static_cast<char>(*p++);
    ++digits;
  }
  if (p < end && *p == L'.') {
    number += '.';
    ++p;
    while (p < end && IsDigit(*p)) {
      number += static_cast<char>(*p++);
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (p < end && (*p == L'e' || *p == L'E')) {
    number += 'e';
    ++p;
    if (p < end && (*p == L'+' || *p == L'-'))
      number += static_cast<char>(*p++);
    if (p == end || !IsDigit(*p)) return false;
    while (p < end && IsDigit(*p)) number += static_cast<char>(*p++);
  }
  while (p < end && IsBlank(*p)) ++p;
  if (p != end) return false;
  double parsed = 0.0;
  const char* first = number.data();
  const char* last = first + number.size();
  const auto [stop, error] = std::from_chars(first, last, parsed);
  if (error != std::errc() || stop != last || !std::isfinite(parsed)) {
    return false;
  }
  value = parsed;
  return true;
}

// "%.*g" with `digits` significant digits and '.' as the point.
CString FormatNumber(double value, int digits) {
  char buffer[64];
  const auto [stop, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value,
                    std::chars_format::general, digits);
  CString text;
  if (error != std::errc()) return text;
  for (const char* c = buffer; c != stop; ++c) text += static_cast<wchar_t>(*c);
  return text;
}

// Reads the number of edit control `id`; shows the prompt and fails the
// exchange when the text is not one.
double ReadNumber(CDataExchange* exchange, HWND control) {
  CString text;
  AfxGetWindowText(control, text);
  double value = 0.0;
  if (!ParseDecimal(text, value)) {
    AfxMessageBox(AFX_IDP_PARSE_REAL);
    exchange->Fail();
  }
  return value;
}

[[noreturn]] void ThrowNoSuchControl() { AfxThrowNotSupportedException(); }

}  // namespace

CDataExchange::CDataExchange(CWnd* dialog, BOOL save_and_validate)
    : m_bSaveAndValidate(save_and_validate),
      m_pDlgWnd(dialog),
      m_idLastControl(0),
      m_bEditLastControl(FALSE) {}

HWND CDataExchange::PrepareCtrl(int id) {
  RequireDialog(this);
  HWND control = nullptr;
  m_pDlgWnd->GetDlgItem(id, &control);
  if (!control) ThrowNoSuchControl();
  m_idLastControl = static_cast<UINT>(id);
  m_bEditLastControl = FALSE;
  return control;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
  HWND control = PrepareCtrl(id);
  m_bEditLastControl = TRUE;
  return control;
}

void CDataExchange::Fail() {
  // Back to the control that failed, so that the user can type again; in
  // the writing direction there is nothing to go back to.
  if (m_bSaveAndValidate && m_idLastControl != 0 && m_pDlgWnd) {
    HWND control = nullptr;
    m_pDlgWnd->GetDlgItem(static_cast<int>(m_idLastControl), &control);
    if (control) {
      ::SetFocus(control);
      if (m_bEditLastControl) ::SendMessageW(control, EM_SETSEL, 0, -1);
    }
  }
  AfxThrowUserException();
}

void DDX_Text(CDataExchange* exchange, int id, double& value) {
  RequireDialog(exchange);
  HWND control = exchange->PrepareEditCtrl(id);
  if (exchange->m_bSaveAndValidate) {
    value = ReadNumber(exchange, control);
  } else {
    SetWindowTextW(control, FormatNumber(value, DBL_DIG));
  }
}

void DDX_Text(CDataExchange* exchange, int id, float& value) {
  RequireDialog(exchange);
  HWND control = exchange->PrepareEditCtrl(id);
  if (exchange->m_bSaveAndValidate) {
    const double read = ReadNumber(exchange, control);
    // A double beyond float's range has no float value (converting it is
    // undefined behaviour): refused like any other unreadable text.
    if (std::fabs(read) > FLT_MAX) {
      AfxMessageBox(AFX_IDP_PARSE_REAL);
      exchange->Fail();
    }
    const float narrowed = static_cast<float>(read);
    if (narrowed == 0.0f && read != 0.0) {
      AfxMessageBox(AFX_IDP_PARSE_REAL);
      exchange->Fail();
    }
    value = narrowed;
  } else {
    SetWindowTextW(control, FormatNumber(value, FLT_DIG));
  }
}

void DDX_CBString(CDataExchange* exchange, int id, CString& value) {
  RequireDialog(exchange);
  HWND control = exchange->PrepareCtrl(id);
  if (exchange->m_bSaveAndValidate) {
    AfxGetWindowText(control, value);
  } else if (SendMessageW(control, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(value.GetString())) ==
             CB_ERR) {
    // No item starts with the string: it becomes the edit text (which a
    // drop-down list does not have).
    SetWindowTextW(control, value);
  }
}
