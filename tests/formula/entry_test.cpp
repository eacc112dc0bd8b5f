// Text entry helpers: lower-casing with the Russian letters, normalising
// typed numbers and table cells, and the dialog exchanges in front of the
// platform's, in the "C" and the Russian locale.
#include <afxwin.h>
#include <gtest/gtest.h>
#include <matrix/formula.h>

#include <cstddef>
#include <string>

#include "support/dialog_testing.h"
#include "support/formula_testing.h"

namespace {

using namespace matrix::testing;

constexpr const char* kLocales[] = {"C", "ru_RU.UTF-8"};

struct Row {
  const wchar_t* text;
  const wchar_t* result;
};

// Runs `rewrite` over a copy of each row's text in every locale and
// expects the row's result.
template <std::size_t N, class Rewrite>
void ExpectRewrites(const Row (&rows)[N], Rewrite rewrite) {
  for (const char* locale : kLocales) {
    const ScopedLocale scoped(LC_ALL, locale);
    MATRIX_REQUIRE_LOCALE(scoped, locale);
    for (const Row& row : rows) {
      CString text(row.text);
      rewrite(text);
      EXPECT_EQ(text, row.result) << locale << " " << Narrow(row.text);
    }
  }
}

TEST(MakeLower, LowersRussianCapitalsInEveryLocale) {
  const Row rows[] = {
      {L"\u0401\u0416\u0418\u041A \u042F", L"\u0451\u0436\u0438\u043A \u044F"},
      {L"\u0410\u0411\u0412\u0413\u0414\u0415\u0416\u0417\u0418\u0419\u041A"
       L"\u041B\u041C\u041D\u041E\u041F\u0420\u0421\u0422\u0423\u0424\u0425"
       L"\u0426\u0427\u0428\u0429\u042A\u042B\u042C\u042D\u042E\u042F",
       L"\u0430\u0431\u0432\u0433\u0434\u0435\u0436\u0437\u0438\u0439\u043A"
       L"\u043B\u043C\u043D\u043E\u043F\u0440\u0441\u0442\u0443\u0444\u0445"
       L"\u0446\u0447\u0448\u0449\u044A\u044B\u044C\u044D\u044E\u044F"},
      {L"Pipe DN-300 \u0422\u0420\u0423\u0411\u0410",
       L"pipe dn-300 \u0442\u0440\u0443\u0431\u0430"},
      {L"", L""},
      {L"\u0451\u044F already small", L"\u0451\u044F already small"},
  };
  ExpectRewrites(rows, [](CString& text) { MakeLower(text); });
}

TEST(MakeLower, OtherLettersFollowTheLocale) {
  // U+0404 (Ukrainian Ye), U+0406 (Byelorussian-Ukrainian I) and U+00C4
  // (A with diaeresis) are outside the Russian table: only a locale that
  // lowers them does.
  const wchar_t* others = L"\u0404\u0406\u00C4";
  {
    const ScopedLocale c(LC_ALL, "C");
    CString text(others);
    MakeLower(text);
    EXPECT_EQ(text, others);
  }
  {
    const ScopedLocale russian(LC_ALL, "ru_RU.UTF-8");
    MATRIX_REQUIRE_LOCALE(russian, "ru_RU.UTF-8");
    CString text(others);
    MakeLower(text);
    EXPECT_EQ(text, L"\u0454\u0456\u00E4");
  }
}

TEST(CompileStringFromCtrl, TrimsThenMakesCommaAndSmallYuThePoint) {
  const Row rows[] = {
      {L"  1,5  ", L"1.5"},
      {L"1\u044E5", L"1.5"},
      {L"1\u042E5", L"1\u042E5"},  // the capital stays
      {L"\t 2 \n", L"2"},
      {L"1,5,7", L"1.5.7"},
      {L"\u044E,", L".."},
      {L"", L""},
      {L"   ", L""},
      {L"1 , 5", L"1 . 5"},  // inner blanks stay
  };
  ExpectRewrites(rows, [](CString& text) { CompileStringFromCtrl(text); });
}

TEST(CompileStringForTbl, StepsInTheirOrder) {
  const Row rows[] = {
      {L"a,b", L"a&comma;b"},
      {L" \u0442\u0440\u0443-\n\u0431\u0430 ",
       L"\u0442\u0440\u0443\u0431\u0430"},
      {L"line one\r\nline two", L"line one  line two"},
      {L"a-\r\nb", L"a-  b"},  // the carriage return keeps the hyphen
      {L"a\nb\rc", L"a b c"},
      {L"a--\n\nb", L"a- b"},  // one pass: the joined "-\n" stays
      {L"1,5-\n2,5", L"1&comma;52&comma;5"},
      {L"\n\n x \r", L"x"},  // trimmed first
      {L"", L""},
  };
  ExpectRewrites(rows, [](CString& text) { CompileStringForTbl(text); });
}

TEST(PreModifyStr, NormalisesTheEditTextWhenReading) {
  const Row rows[] = {
      {L"", L"0"},
      {L"   ", L""},  // tested for emptiness before it is
                      // trimmed
      {L" 1,5 ", L"1.5"},
      {L"2\u044E25", L"2.25"},
      {L"abc", L"abc"},
  };
  for (const char* locale : kLocales) {
    const ScopedLocale scoped(LC_ALL, locale);
    MATRIX_REQUIRE_LOCALE(scoped, locale);
    TestDialog dlg;
    for (const Row& row : rows) {
      dlg.edit.SetWindowText(row.text);
      CDataExchange dx(&dlg.dialog, TRUE);
      PreModifyStr(&dx, TestDialog::kEdit);
      EXPECT_EQ(TextOf(dlg.edit.m_hWnd), row.result) << Narrow(row.text);
      EXPECT_EQ(dx.m_idLastControl, static_cast<UINT>(TestDialog::kEdit));
      EXPECT_TRUE(dx.m_bEditLastControl);
    }
  }
}

TEST(PreModifyStr, LeavesTheControlAloneWhenWriting) {
  TestDialog dlg;
  dlg.edit.SetWindowText(L" 1,5 ");
  CDataExchange dx(&dlg.dialog, FALSE);
  PreModifyStr(&dx, TestDialog::kEdit);
  EXPECT_EQ(TextOf(dlg.edit.m_hWnd), L" 1,5 ");
  EXPECT_EQ(dx.m_idLastControl, 0u);
}

TEST(PreModifyStr, KeepsTheWholeTextOfALongField) {
  // A read cut at 1023 characters writes the cut text back: the rest is
  // lost from the control and a different number is read.
  TestDialog dlg;
  MessageBoxes boxes;
  const std::wstring number = L"1" + std::wstring(1100, L'0') + L"e-1100";
  dlg.edit.SetWindowText((L"  " + number + L"  ").c_str());
  CDataExchange dx(&dlg.dialog, TRUE);
  double value = 0.0;
  DDX_Text2(&dx, TestDialog::kEdit, value);
  EXPECT_EQ(TextOf(dlg.edit.m_hWnd), number);
  EXPECT_EQ(value, 1.0);

  const std::wstring blanks(1500, L' ');
  dlg.edit.SetWindowText((blanks + L"2,5").c_str());
  DDX_Text2(&dx, TestDialog::kEdit, value);
  EXPECT_EQ(TextOf(dlg.edit.m_hWnd), L"2.5");
  EXPECT_EQ(value, 2.5);
  EXPECT_TRUE(boxes.shown().empty());
}

TEST(Text2Exchange, ReadsNormalisedNumbersInEitherLocale) {
  const struct {
    const wchar_t* text;
    double value;
    const wchar_t* after;
  } rows[] = {
      {L" 1,5 ", 1.5, L"1.5"},
      {L"", 0.0, L"0"},
      {L"-2\u044E75", -2.75, L"-2.75"},
      {L"1,5e3", 1500.0, L"1.5e3"},
  };
  for (const char* locale : kLocales) {
    const ScopedLocale scoped(LC_ALL, locale);
    MATRIX_REQUIRE_LOCALE(scoped, locale);
    TestDialog dlg;
    for (const auto& row : rows) {
      dlg.edit.SetWindowText(row.text);
      CDataExchange dx(&dlg.dialog, TRUE);
      double d = -1.0;
      DDX_Text2(&dx, TestDialog::kEdit, d);
      EXPECT_EQ(d, row.value) << locale << " " << Narrow(row.text);
      EXPECT_EQ(TextOf(dlg.edit.m_hWnd), row.after);
      dlg.edit.SetWindowText(row.text);
      float f = -1.0f;
      DDX_Text2(&dx, TestDialog::kEdit, f);
      EXPECT_EQ(f, static_cast<float>(row.value)) << locale;
    }
  }
}

TEST(Text2Exchange, BlankOrBadFieldFailsWithTheVariableUnchanged) {
  const wchar_t* refused[] = {L"   ", L"1,5,5", L"1\u042E5",
                              L"inf", L"nan",   L"1e400"};
  for (const char* locale : kLocales) {
    const ScopedLocale scoped(LC_ALL, locale);
    MATRIX_REQUIRE_LOCALE(scoped, locale);
    TestDialog dlg;
    for (const wchar_t* text : refused) {
      MessageBoxes boxes;
      dlg.edit.SetWindowText(text);
      CDataExchange dx(&dlg.dialog, TRUE);
      double d = 8.0;
      EXPECT_TRUE(ThrowsFramework<CUserException>([&] {
        DDX_Text2(&dx, TestDialog::kEdit, d);
      })) << Narrow(text);
      EXPECT_EQ(d, 8.0);
      EXPECT_EQ(boxes.shown().size(), 1u);
      EXPECT_EQ(GetFocus(), dlg.edit.m_hWnd);
    }
    MessageBoxes boxes;
    dlg.edit.SetWindowText(L"1e39");  // a double, not a float
    CDataExchange dx(&dlg.dialog, TRUE);
    float f = 8.0f;
    EXPECT_TRUE(ThrowsFramework<CUserException>(
        [&] { DDX_Text2(&dx, TestDialog::kEdit, f); }));
    EXPECT_EQ(f, 8.0f);
  }
}

TEST(Text2Exchange, WritesTheVariableAsThePlatformDoes) {
  for (const char* locale : kLocales) {
    const ScopedLocale scoped(LC_ALL, locale);
    MATRIX_REQUIRE_LOCALE(scoped, locale);
    TestDialog dlg;
    CDataExchange dx(&dlg.dialog, FALSE);
    double d = 0.1 + 0.2;
    DDX_Text2(&dx, TestDialog::kEdit, d);
    EXPECT_EQ(TextOf(dlg.edit.m_hWnd), L"0.3");
    float f = 2.5f;
    DDX_Text2(&dx, TestDialog::kEdit, f);
    EXPECT_EQ(TextOf(dlg.edit.m_hWnd), L"2.5");
  }
}

TEST(CBString2Exchange, SelectsTheItemOfExactlyThatText) {
  for (const char* locale : kLocales) {
    const ScopedLocale scoped(LC_ALL, locale);
    MATRIX_REQUIRE_LOCALE(scoped, locale);
    TestDialog dlg;
    for (CComboBox* box : {&dlg.combo, &dlg.list}) {
      for (const wchar_t* s :
           {L"\u0421\u0442\u0430\u043B\u044C 20",
            L"\u0421\u0442\u0430\u043B\u044C 09\u04132\u0421", L"Copper"}) {
        box->AddString(s);
      }
    }
    CDataExchange dx(&dlg.dialog, FALSE);
    const struct {
      const wchar_t* value;
      int selected;
      const wchar_t* text;
    } rows[] = {
        {L"\u0441\u0442\u0430\u043B\u044C 20", 0,
         L"\u0421\u0442\u0430\u043B\u044C 20"},  // case ignored
        {L"COPPER", 2, L"Copper"},
        {L"\u0421\u0442\u0430\u043B\u044C", CB_ERR, L""},  // a prefix only
        {L"Brass", CB_ERR, L""},
    };
    for (const auto& row : rows) {
      for (int id : {TestDialog::kCombo, TestDialog::kList}) {
        CComboBox* box = id == TestDialog::kCombo ? &dlg.combo : &dlg.list;
        box->SetCurSel(1);
        CString value(row.value);
        DDX_CBString2(&dx, id, value);
        EXPECT_EQ(box->GetCurSel(), row.selected) << locale << " " << id;
        EXPECT_EQ(TextOf(box->m_hWnd), row.text) << locale << " " << id;
        EXPECT_EQ(value, row.value);
      }
    }
  }
}

TEST(CBString2Exchange, ReadsTheBoxTextAndIgnoresMissingBoxesWhenWriting) {
  TestDialog dlg;
  dlg.list.AddString(L"one");
  dlg.list.SetCurSel(0);
  dlg.combo.SetWindowText(L"typed");
  CString value;
  CDataExchange in(&dlg.dialog, TRUE);
  DDX_CBString2(&in, TestDialog::kList, value);
  EXPECT_EQ(value, L"one");
  DDX_CBString2(&in, TestDialog::kCombo, value);
  EXPECT_EQ(value, L"typed");

  CDataExchange out(&dlg.dialog, FALSE);
  value = L"one";
  DDX_CBString2(&out, 4040, value);  // no control of that id
  dlg.edit.SetWindowText(L"kept");
  DDX_CBString2(&out, TestDialog::kEdit, value);  // not a combo box
  EXPECT_EQ(TextOf(dlg.edit.m_hWnd), L"kept");
  EXPECT_EQ(out.m_idLastControl, 0u);
}

TEST(EntryExchanges, NoExchangeOrNoDialogWindowIsAnInvalidArgument) {
  ExchangesWithoutADialog exchanges;
  double d = 1.0;
  float f = 1.0f;
  CString s;
  for (CDataExchange* dx : exchanges.all()) {
    EXPECT_TRUE(ThrowsFramework<CInvalidArgException>(
        [&] { PreModifyStr(dx, TestDialog::kEdit); }));
    EXPECT_TRUE(ThrowsFramework<CInvalidArgException>(
        [&] { DDX_Text2(dx, TestDialog::kEdit, d); }));
    EXPECT_TRUE(ThrowsFramework<CInvalidArgException>(
        [&] { DDX_Text2(dx, TestDialog::kEdit, f); }));
    EXPECT_TRUE(ThrowsFramework<CInvalidArgException>(
        [&] { DDX_CBString2(dx, TestDialog::kCombo, s); }));
  }
}

}  // namespace
