// Dialog data exchange by the framework's rules: preparing controls, the
// failure that returns to the offending control, the number and combo-box
// exchanges, UpdateData, and message boxes through the host's handler.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "support/dialog_testing.h"

namespace {

using namespace matrix::testing;

constexpr wchar_t kParseReal[] = L"Please type a number.";

// Reads the edit control's `text` into a double; true when it was read.
bool ReadDouble(TestDialog& dlg, const wchar_t* text, double& value) {
  dlg.edit.SetWindowText(text);
  CDataExchange dx(&dlg.dialog, TRUE);
  return !ThrowsFramework<CUserException>(
      [&] { DDX_Text(&dx, TestDialog::kEdit, value); });
}

bool ReadFloat(TestDialog& dlg, const wchar_t* text, float& value) {
  dlg.edit.SetWindowText(text);
  CDataExchange dx(&dlg.dialog, TRUE);
  return !ThrowsFramework<CUserException>(
      [&] { DDX_Text(&dx, TestDialog::kEdit, value); });
}

TEST(DataExchange, PrepareRemembersTheControl) {
  TestDialog dlg;
  CDataExchange dx(&dlg.dialog, TRUE);
  EXPECT_EQ(dx.m_bSaveAndValidate, TRUE);
  EXPECT_EQ(dx.m_pDlgWnd, &dlg.dialog);
  EXPECT_EQ(dx.m_idLastControl, 0u);
  EXPECT_EQ(dx.PrepareEditCtrl(TestDialog::kEdit), dlg.edit.m_hWnd);
  EXPECT_EQ(dx.m_idLastControl, static_cast<UINT>(TestDialog::kEdit));
  EXPECT_TRUE(dx.m_bEditLastControl);
  EXPECT_EQ(dx.PrepareCtrl(TestDialog::kCombo), dlg.combo.m_hWnd);
  EXPECT_EQ(dx.m_idLastControl, static_cast<UINT>(TestDialog::kCombo));
  EXPECT_FALSE(dx.m_bEditLastControl);
}

TEST(DataExchange, AControlTheDialogLacksIsNotSupported) {
  TestDialog dlg;
  CDataExchange dx(&dlg.dialog, TRUE);
  double d = 0.0;
  CString s;
  EXPECT_TRUE(
      ThrowsFramework<CNotSupportedException>([&] { dx.PrepareCtrl(4040); }));
  EXPECT_TRUE(ThrowsFramework<CNotSupportedException>(
      [&] { dx.PrepareEditCtrl(4040); }));
  EXPECT_TRUE(
      ThrowsFramework<CNotSupportedException>([&] { DDX_Text(&dx, 4040, d); }));
  EXPECT_TRUE(ThrowsFramework<CNotSupportedException>(
      [&] { DDX_CBString(&dx, 4040, s); }));
  EXPECT_EQ(dx.m_idLastControl, 0u);
}

TEST(DataExchange, FailReturnsToTheControlAndSelectsAnEditsText) {
  TestDialog dlg;
  dlg.edit.SetWindowText(L"12x");
  SetFocus(dlg.dialog.m_hWnd);
  CDataExchange dx(&dlg.dialog, TRUE);
  dx.PrepareEditCtrl(TestDialog::kEdit);
  EXPECT_TRUE(ThrowsFramework<CUserException>([&] { dx.Fail(); }));
  EXPECT_EQ(GetFocus(), dlg.edit.m_hWnd);
  int start = -1;
  int end = -1;
  dlg.edit.GetSel(start, end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 3);

  // Another control gets the focus only.
  dx.PrepareCtrl(TestDialog::kCombo);
  EXPECT_TRUE(ThrowsFramework<CUserException>([&] { dx.Fail(); }));
  EXPECT_EQ(GetFocus(), dlg.combo.m_hWnd);

  // Writing controls there is nothing to return to.
  SetFocus(dlg.dialog.m_hWnd);
  CDataExchange out(&dlg.dialog, FALSE);
  out.PrepareEditCtrl(TestDialog::kEdit);
  EXPECT_TRUE(ThrowsFramework<CUserException>([&] { out.Fail(); }));
  EXPECT_EQ(GetFocus(), dlg.dialog.m_hWnd);
}

TEST(DataExchange, WritesNumbersWithFifteenOrSixDigits) {
  TestDialog dlg;
  const struct {
    double value;
    const wchar_t* text;
  } doubles[] = {
      {1.5, L"1.5"},
      {0.1, L"0.1"},
      {-2500.0, L"-2500"},
      {1.0 / 3.0, L"0.333333333333333"},
      {123456789012345678.0, L"1.23456789012346e+17"},
      {1e20, L"1e+20"},
      {-1.2345e-5, L"-1.2345e-05"},
      {0.0, L"0"},
  };
  const struct {
    float value;
    const wchar_t* text;
  } floats[] = {
      {0.1f, L"0.1"},
      {1.0f / 3.0f, L"0.333333"},
      {16777216.0f, L"1.67772e+07"},
      {3e38f, L"3e+38"},
      {-0.5f, L"-0.5"},
  };
  for (const char* locale : {"C", "ru_RU.UTF-8"}) {
    const ScopedLocale scoped(LC_ALL, locale);
    MATRIX_REQUIRE_LOCALE(scoped, locale);
    for (const auto& row : doubles) {
      CDataExchange dx(&dlg.dialog, FALSE);
      double value = row.value;
      DDX_Text(&dx, TestDialog::kEdit, value);
      EXPECT_EQ(TextOf(dlg.edit.m_hWnd), row.text) << locale;
    }
    for (const auto& row : floats) {
      CDataExchange dx(&dlg.dialog, FALSE);
      float value = row.value;
      DDX_Text(&dx, TestDialog::kEdit, value);
      EXPECT_EQ(TextOf(dlg.edit.m_hWnd), row.text) << locale;
    }
  }
}

TEST(DataExchange, ReadsBlanksADecimalNumberAndBlanks) {
  TestDialog dlg;
  const struct {
    const wchar_t* text;
    double value;
  } rows[] = {
      {L"1.5", 1.5},    {L" \t1.5\t ", 1.5}, {L"-2.5e3", -2500.0},
      {L"+7", 7.0},     {L".5", 0.5},        {L"5.", 5.0},
      {L"1E-3", 0.001}, {L"0", 0.0},         {L"-0", 0.0},
      {L"00012", 12.0}, {L"1e+2", 100.0},    {L"4.9e-324", 4.9e-324},
  };
  for (const char* locale : {"C", "ru_RU.UTF-8"}) {
    const ScopedLocale scoped(LC_ALL, locale);
    MATRIX_REQUIRE_LOCALE(scoped, locale);
    for (const auto& row : rows) {
      double value = -99.0;
      EXPECT_TRUE(ReadDouble(dlg, row.text, value)) << locale;
      EXPECT_EQ(value, row.value) << locale;
    }
  }
}

TEST(DataExchange, ReadsThePointWhateverTheLocale) {
  // The framework parses with the C library's current locale, so under a
  // Russian locale "1.5" stops at the point; the layer reads '.' always and
  // a comma never.
  const ScopedLocale russian(LC_ALL, "ru_RU.UTF-8");
  MATRIX_REQUIRE_LOCALE(russian, "ru_RU.UTF-8");
  TestDialog dlg;
  double value = 0.0;
  EXPECT_TRUE(ReadDouble(dlg, L"1.5", value));
  EXPECT_EQ(value, 1.5);
  EXPECT_FALSE(ReadDouble(dlg, L"2,5", value));
  EXPECT_EQ(value, 1.5);
}

TEST(DataExchange, RefusesTextsThatAreNotFiniteDecimalNumbers) {
  TestDialog dlg;
  const wchar_t* refused[] = {
      L"",      L"   ",   L"1,5",    L"1.5x",  L"inf",    L"-INF", L"nan",
      L"0x1p3", L"1e400", L"1e",     L"1e+",   L"--1",    L"1 2",  L".",
      L"+",     L"e5",    L"1e-400", L"1.2.3", L"\u0661", L"1\n",  L"infinity",
  };
  for (const wchar_t* text : refused) {
    MessageBoxes boxes;
    SetFocus(nullptr);
    double value = 42.0;
    EXPECT_FALSE(ReadDouble(dlg, text, value))
        << testing::PrintToString(std::wstring(text));
    EXPECT_EQ(value, 42.0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, kParseReal);
    EXPECT_EQ(boxes.shown()[0].help, static_cast<UINT>(AFX_IDP_PARSE_REAL));
    EXPECT_EQ(GetFocus(), dlg.edit.m_hWnd);
  }
}

TEST(DataExchange, FloatTakesOnlyValuesAFloatHolds) {
  // Converting a double beyond float's range to float is undefined; such
  // texts fail the exchange like any other unreadable one.
  TestDialog dlg;
  MessageBoxes boxes;
  const struct {
    const wchar_t* text;
    bool read;
    float value;
  } rows[] = {
      {L"3.4e38", true, 3.4e38f}, {L"-3.4e38", true, -3.4e38f},
      {L"3.5e38", false, 0.0f},   {L"-1e39", false, 0.0f},
      {L"1e300", false, 0.0f},    {L"1e-50", false, 0.0f},
      {L"0.25", true, 0.25f},     {L"1e-40", true, 1e-40f},
  };
  for (const auto& row : rows) {
    float value = 7.0f;
    EXPECT_EQ(ReadFloat(dlg, row.text, value), row.read)
        << testing::PrintToString(std::wstring(row.text));
    EXPECT_EQ(value, row.read ? row.value : 7.0f);
  }
}

TEST(DataExchange, ReadsTheWholeTextHoweverLong) {
  // The framework reads through a buffer of 32 or 400 characters; a longer
  // text is cut and something else is read.
  TestDialog dlg;
  const std::wstring blanks(1000, L' ');
  double value = 0.0;
  EXPECT_TRUE(ReadDouble(dlg, (blanks + L"2.5").c_str(), value));
  EXPECT_EQ(value, 2.5);
  const std::wstring digits = L"1" + std::wstring(600, L'0') + L"e-600";
  EXPECT_TRUE(ReadDouble(dlg, digits.c_str(), value));
  EXPECT_EQ(value, 1.0);
  EXPECT_FALSE(ReadDouble(dlg, (L"2.5" + blanks + L"x").c_str(), value));
}

TEST(DataExchange, CBStringReadsTheWindowTextAndWritesBySelectString) {
  TestDialog dlg;
  for (CComboBox* box : {&dlg.combo, &dlg.list}) {
    for (const wchar_t* s : {L"Steel 20", L"Copper"}) box->AddString(s);
  }
  dlg.combo.SetWindowText(L"typed");
  dlg.list.SetCurSel(1);
  CString value;
  {
    CDataExchange dx(&dlg.dialog, TRUE);
    DDX_CBString(&dx, TestDialog::kCombo, value);
    EXPECT_EQ(value, L"typed");
    DDX_CBString(&dx, TestDialog::kList, value);
    EXPECT_EQ(value, L"Copper");
    EXPECT_EQ(dx.m_idLastControl, static_cast<UINT>(TestDialog::kList));
  }
  CDataExchange dx(&dlg.dialog, FALSE);
  value = L"steel";  // a prefix selects the item
  DDX_CBString(&dx, TestDialog::kCombo, value);
  EXPECT_EQ(dlg.combo.GetCurSel(), 0);
  EXPECT_EQ(TextOf(dlg.combo.m_hWnd), L"Steel 20");
  value = L"Brass";  // no match: the edit text, selection as it was
  DDX_CBString(&dx, TestDialog::kCombo, value);
  EXPECT_EQ(dlg.combo.GetCurSel(), 0);
  EXPECT_EQ(TextOf(dlg.combo.m_hWnd), L"Brass");
  DDX_CBString(&dx, TestDialog::kList, value);  // a list has no edit text
  EXPECT_EQ(dlg.list.GetCurSel(), 1);
  EXPECT_EQ(TextOf(dlg.list.m_hWnd), L"Copper");
}

TEST(DataExchange, NoExchangeOrNoDialogWindowIsAnInvalidArgument) {
  TestDialog dlg;
  ExchangesWithoutADialog exchanges;
  double d = 1.0;
  float f = 1.0f;
  CString s;
  for (CDataExchange* dx : exchanges.all()) {
    EXPECT_TRUE(ThrowsFramework<CInvalidArgException>(
        [&] { DDX_Text(dx, TestDialog::kEdit, d); }));
    EXPECT_TRUE(ThrowsFramework<CInvalidArgException>(
        [&] { DDX_Text(dx, TestDialog::kEdit, f); }));
    EXPECT_TRUE(ThrowsFramework<CInvalidArgException>(
        [&] { DDX_CBString(dx, TestDialog::kCombo, s); }));
  }
  EXPECT_TRUE(ThrowsFramework<CInvalidArgException>(
      [&] { exchanges.without_window().PrepareCtrl(TestDialog::kEdit); }));
}

// A dialog whose exchange is a table of steps.
class ExchangeDialog : public CWnd {
 public:
  double number = 0.0;
  bool throw_other = false;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, TestDialog::kEdit, number);
    if (throw_other) AfxThrowInvalidArgException();
  }
};

TEST(DataExchange, UpdateDataReportsAFailedExchangeAndFails) {
  ExchangeDialog dialog;
  CEdit edit;
  const CRect r(0, 0, 1, 1);
  ASSERT_TRUE(dialog.CreateEx(0, L"#32770", nullptr, WS_POPUP, r, nullptr, 0));
  ASSERT_TRUE(edit.Create(WS_CHILD, r, &dialog, TestDialog::kEdit));
  MessageBoxes boxes;
  edit.SetWindowText(L" 6.25 ");
  EXPECT_TRUE(dialog.UpdateData(TRUE));
  EXPECT_EQ(dialog.number, 6.25);
  dialog.number = 0.125;
  EXPECT_TRUE(dialog.UpdateData(FALSE));
  EXPECT_EQ(TextOf(edit.m_hWnd), L"0.125");
  edit.SetWindowText(L"six");
  EXPECT_FALSE(dialog.UpdateData());
  EXPECT_EQ(dialog.number, 0.125);
  EXPECT_EQ(boxes.shown().size(), 1u);
  // Another of the framework's exceptions is reported, as the framework's
  // UpdateData does, and the exchange fails.
  dialog.throw_other = true;
  edit.SetWindowText(L"1");
  EXPECT_FALSE(dialog.UpdateData());
  EXPECT_EQ(boxes.shown().size(), 2u);
}

TEST(MessageBox, GoesToTheHostHandlerOrAnswersOk) {
  AfxSetMessageBoxHandler(nullptr, nullptr);
  EXPECT_EQ(AfxMessageBox(L"nobody sees this"), IDOK);
  EXPECT_EQ(AfxMessageBox(AFX_IDP_PARSE_REAL, MB_OKCANCEL), IDOK);
  {
    MessageBoxes boxes(IDCANCEL);
    EXPECT_EQ(AfxMessageBox(L"Text", MB_OKCANCEL | MB_ICONEXCLAMATION, 7),
              IDCANCEL);
    EXPECT_EQ(AfxMessageBox(AFX_IDP_PARSE_REAL), IDCANCEL);
    EXPECT_EQ(AfxMessageBox(AFX_IDP_PARSE_REAL, MB_OK, 99), IDCANCEL);
    EXPECT_EQ(AfxMessageBox(0xE000u), IDCANCEL);  // no such string
    ASSERT_EQ(boxes.shown().size(), 4u);
    EXPECT_EQ(boxes.shown()[0].text, L"Text");
    EXPECT_EQ(boxes.shown()[0].type,
              static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.shown()[0].help, 7u);
    EXPECT_EQ(boxes.shown()[1].text, kParseReal);
    EXPECT_EQ(boxes.shown()[1].help, static_cast<UINT>(AFX_IDP_PARSE_REAL));
    EXPECT_EQ(boxes.shown()[2].help, 99u);
    EXPECT_EQ(boxes.shown()[3].text, L"");
  }
  EXPECT_EQ(AfxMessageBox(L"again nobody"), IDOK);
}

TEST(MessageBox, ReportErrorShowsTheExceptionsPrompt) {
  MessageBoxes boxes(IDCANCEL);
  CUserException user(FALSE);
  EXPECT_EQ(user.ReportError(), IDCANCEL);
  EXPECT_EQ(user.ReportError(MB_OKCANCEL, AFX_IDP_PARSE_REAL), IDCANCEL);
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[0].text, L"No error message is available.");
  EXPECT_EQ(boxes.shown()[1].text, kParseReal);
  EXPECT_EQ(boxes.shown()[1].type, static_cast<UINT>(MB_OKCANCEL));
}

TEST(MessageBox, PromptsComeFromTheResourceModuleFirst) {
  const HINSTANCE module = reinterpret_cast<HINSTANCE>(0x5100);
  const AFX_STRING_RESOURCE table[] = {
      {AFX_IDP_PARSE_REAL,
       L"\u0412\u0432\u0435\u0434\u0438\u0442\u0435 "
       L"\u0447\u0438\u0441\u043B\u043E."}};
  AfxRegisterStringTable(module, 0, table, 1);
  const HINSTANCE saved = AfxGetResourceHandle();
  AfxSetResourceHandle(module);
  MessageBoxes boxes;
  AfxMessageBox(AFX_IDP_PARSE_REAL);
  AfxSetResourceHandle(saved);
  AfxUnregisterStringTable(module);
  AfxMessageBox(AFX_IDP_PARSE_REAL);
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[0].text, table[0].text);
  EXPECT_EQ(boxes.shown()[1].text, kParseReal);
}

}  // namespace
