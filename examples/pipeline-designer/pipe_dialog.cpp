// The pipe's fields as a framework dialog, its controls made in code.
#include "pipe_dialog.h"

#include <matrix/matrix.h>
#include <utf8codec.h>

#include <cwchar>
#include <string>
#include <vector>

namespace designer {

namespace {

// A text is meant as a formula when it holds a reference, a bracket, an
// operator or a letter other than an exponent's; else as a plain number,
// which DDX_Text2 reads (and refuses as the platform's exchange does).
bool IsFormula(const CString& text) {
  for (int i = 0; i < text.GetLength(); ++i) {
    const wchar_t c = text[i];
    const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    const bool exponent = c == L'e' || c == L'E';
    const bool after_exponent =
        i > 0 && (text[i - 1] == L'e' || text[i - 1] == L'E');
    if (c == L'#' || c == L'(' || c == L')' || c == L'*' || c == L'/' ||
        c == L'\\' || (letter && !exponent) ||
        ((c == L'+' || c == L'-') && i > 0 && !after_exponent)) {
      return true;
    }
  }
  return false;
}

// Exchanges one field. Writing shows its text as typed. Reading first
// normalises the control's text as the library does (PreModifyStr: trimmed,
// a decimal comma or a yu as the point, an empty field as 0), then reads a
// plain number with DDX_Text2 and a formula with the formula engine over
// `values`, the fields before it. A refused text shows why and fails the
// exchange with the focus on the field; `text` changes only on success.
void DDX_Field(CDataExchange* dx, int id, CString& text,
               std::vector<double>& values) {
  if (!dx->m_bSaveAndValidate) {
    DDX_Text(dx, id, text);
    return;
  }
  PreModifyStr(dx, id);
  CString typed;
  DDX_Text(dx, id, typed);
  double value = 0;
  if (!IsFormula(typed)) {
    DDX_Text2(dx, id, value);
  } else {
    std::string fault;
    if (!Project::Evaluate(typed.GetString(), values, &value, &fault)) {
      AfxMessageBox(matrix::platform::ToWide(fault).c_str(),
                    MB_ICONEXCLAMATION);
      dx->Fail();
    }
  }
  values.push_back(value);
  text = typed;
}

}  // namespace

BEGIN_MESSAGE_MAP(CPipeDialog, CDialog)
ON_CBN_SELCHANGE(CPipeDialog::IDC_CURVE, &CPipeDialog::OnCurveChange)
END_MESSAGE_MAP()

CPipeDialog::CPipeDialog(const Project& project, const CRect& place)
    : project_(project), place_(place) {
  for (int k = 0; k < Project::kFieldCount; ++k) {
    texts_[k] = project.Field(k).c_str();
  }
  curve_ = project.Curve().c_str();
}

void CPipeDialog::CreateControls() {
  const DWORD child = WS_CHILD | WS_VISIBLE;
  constexpr int kRow = 30, kLeft = 12, kLabel = 170, kEdit = 180;
  for (int k = 0; k < Project::kFieldCount; ++k) {
    const int top = 12 + k * kRow;
    labels_[k].Create(Project::FieldLabel(k), child,
                      CRect(kLeft, top, kLeft + kLabel, top + 24), this);
    edits_[k].Create(
        child | WS_TABSTOP | ES_AUTOHSCROLL,
        CRect(kLeft + kLabel, top, kLeft + kLabel + kEdit, top + 24), this,
        IDC_FIELD + k);
  }
  const int top = 12 + Project::kFieldCount * kRow;
  curve_label_.Create(L"Fatigue curve", child,
                      CRect(kLeft, top, kLeft + kLabel, top + 24), this);
  curve_box_.Create(child | WS_TABSTOP | CBS_DROPDOWNLIST,
                    CRect(kLeft + kLabel, top, kLeft + kLabel + 80, top + 120),
                    this, IDC_CURVE);
  for (const std::wstring& c : Project::Curves()) {
    curve_box_.AddString(c.c_str());
  }
  curve_note_.Create(
      L"", child,
      CRect(kLeft + kLabel + 90, top, kLeft + kLabel + kEdit, top + 24), this,
      IDC_CURVE_NOTE);
  const int buttons = top + 40;
  ok_.Create(L"OK", child | WS_TABSTOP | BS_DEFPUSHBUTTON,
             CRect(kLeft + kLabel + kEdit - 170, buttons,
                   kLeft + kLabel + kEdit - 90, buttons + 28),
             this, IDOK);
  cancel_.Create(L"Cancel", child | WS_TABSTOP,
                 CRect(kLeft + kLabel + kEdit - 80, buttons,
                       kLeft + kLabel + kEdit, buttons + 28),
                 this, IDCANCEL);
}

BOOL CPipeDialog::OnInitDialog() {
  SetWindowText(L"Pipe");
  CreateControls();
  if (!place_.IsRectEmpty()) MoveWindow(&place_);
  CDialog::OnInitDialog();
  OnCurveChange();
  return TRUE;
}

void CPipeDialog::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  std::vector<double> values;
  for (int k = 0; k < Project::kFieldCount; ++k) {
    DDX_Field(dx, IDC_FIELD + k, texts_[k], values);
  }
  DDX_CBString2(dx, IDC_CURVE, curve_);
}

void CPipeDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  Project trial = project_;
  for (int k = 0; k < Project::kFieldCount; ++k) {
    trial.SetField(k, texts_[k].GetString());
  }
  trial.SetCurve(curve_.GetString());
  std::string problem;
  if (!trial.Compute(&problem)) {
    AfxMessageBox(matrix::platform::ToWide(problem).c_str(),
                  MB_ICONEXCLAMATION);
    return;
  }
  project_ = trial;
  EndDialog(IDOK);
}

// Beside the box: the amplitude the chosen curve allows at the run's load
// cycles (as last computed).
void CPipeDialog::OnCurveChange() {
  CString curve;
  const int chosen = curve_box_.GetCurSel();
  if (chosen >= 0) curve_box_.GetLBText(chosen, curve);
  const double cycles = project_.Value(Project::kCycles);
  const double allowed = curve == L"1a"   ? CurveCyclys_1a(cycles)
                         : curve == L"2"  ? CurveCyclys_2(cycles)
                         : curve == L"2a" ? CurveCyclys_2a(cycles)
                                          : CurveCyclys_1(cycles);
  wchar_t note[64];
  std::swprintf(note, 64, L"allows %.0f", allowed);
  curve_note_.SetWindowText(note);
}

}  // namespace designer
