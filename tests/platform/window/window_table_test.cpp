// The window table: handles, window text, parents and children, focus, and
// the edit and combo-box messages by Win32's rules; the window objects over
// it; the observer seam, driven by a mirror as a toolkit binding would be.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/dialog_testing.h"

namespace {

using namespace matrix::testing;

const CRect kRect(0, 0, 10, 10);

WPARAM W(int i) { return static_cast<WPARAM>(static_cast<INT_PTR>(i)); }
LPARAM L(const wchar_t* s) { return reinterpret_cast<LPARAM>(s); }

std::vector<std::wstring> Items(HWND box) {
  std::vector<std::wstring> items;
  const int n = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring item(
        static_cast<std::size_t>(SendMessageW(box, CB_GETLBTEXTLEN, W(i), 0)),
        L'\0');
    std::vector<wchar_t> buffer(item.size() + 1);
    SendMessageW(box, CB_GETLBTEXT, W(i),
                 reinterpret_cast<LPARAM>(buffer.data()));
    items.emplace_back(buffer.data());
  }
  return items;
}

TEST(Windows, StaleAndNullHandlesAreRefused) {
  CWnd window;
  ASSERT_TRUE(
      window.CreateEx(0, L"Frame", L"text", WS_POPUP, kRect, nullptr, 0));
  const HWND stale = window.m_hWnd;
  ASSERT_TRUE(window.DestroyWindow());
  EXPECT_EQ(window.m_hWnd, nullptr);
  // A new window may take the freed slot, but never the old handle.
  CWnd next;
  ASSERT_TRUE(next.CreateEx(0, L"Frame", L"new", WS_POPUP, kRect, nullptr, 0));
  EXPECT_NE(next.m_hWnd, stale);

  for (HWND h : {stale, static_cast<HWND>(nullptr),
                 reinterpret_cast<HWND>(std::uintptr_t{0x7777})}) {
    wchar_t buffer[8] = L"xyz";
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(GetWindowTextW(h, buffer, 8), 0);
    EXPECT_STREQ(buffer, L"");
    EXPECT_EQ(GetWindowTextLengthW(h), 0);
    EXPECT_FALSE(SetWindowTextW(h, L"x"));
    EXPECT_EQ(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_EQ(GetDlgItem(h, 1), nullptr);
    EXPECT_FALSE(DestroyWindow(h));
    EXPECT_EQ(CWnd::FromHandle(h), nullptr);
  }
  EXPECT_EQ(TextOf(next.m_hWnd), L"new");
}

TEST(Windows, GetWindowTextCopiesAtMostMaxMinusOne) {
  CWnd window;
  ASSERT_TRUE(window.CreateEx(0, L"Frame", L"abcdef", 0, kRect, nullptr, 0));
  const struct {
    int max;
    int count;
    const wchar_t* text;
  } rows[] = {{1, 0, L""},      {2, 1, L"a"},      {4, 3, L"abc"},
              {6, 5, L"abcde"}, {7, 6, L"abcdef"}, {100, 6, L"abcdef"}};
  for (const auto& row : rows) {
    wchar_t buffer[100];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(GetWindowTextW(window.m_hWnd, buffer, row.max), row.count)
        << row.max;
    EXPECT_STREQ(buffer, row.text) << row.max;
  }
  wchar_t untouched[2] = {L'#', L'#'};
  EXPECT_EQ(GetWindowTextW(window.m_hWnd, untouched, 0), 0);
  EXPECT_EQ(untouched[0], L'#');
  EXPECT_EQ(window.GetWindowTextLength(), 6);
  CString whole;
  window.GetWindowText(whole);
  EXPECT_EQ(whole, L"abcdef");
}

TEST(Windows, AfxGetWindowTextReadsTheWholeTextByHandle) {
  CWnd window;
  const std::wstring long_text(5000, L'x');
  ASSERT_TRUE(
      window.CreateEx(0, L"Frame", long_text.c_str(), 0, kRect, nullptr, 0));
  CString text(L"previous");
  AfxGetWindowText(window.m_hWnd, text);
  EXPECT_EQ(std::wstring(text.GetString()), long_text);
  // Null and stale handles give an empty text, replacing what was there.
  const HWND stale = window.m_hWnd;
  ASSERT_TRUE(window.DestroyWindow());
  for (HWND handle : {HWND(nullptr), stale}) {
    text = L"previous";
    AfxGetWindowText(handle, text);
    EXPECT_TRUE(text.IsEmpty());
  }
}

TEST(Windows, ClassNamesChooseTheControl) {
  CWnd parent;
  ASSERT_TRUE(
      parent.CreateEx(0, L"#32770", nullptr, WS_POPUP, kRect, nullptr, 0));
  const struct {
    const wchar_t* given;
    const wchar_t* name;
  } rows[] = {{L"EDIT", L"Edit"},         {L"edit", L"Edit"},
              {L"ComboBox", L"ComboBox"}, {L"COMBOBOX", L"ComboBox"},
              {L"Static", L"Static"},     {L"EDITOR", L"EDITOR"}};
  int id = 10;
  for (const auto& row : rows) {
    CWnd control;
    ASSERT_TRUE(control.CreateEx(0, row.given, L"", WS_CHILD, kRect, &parent,
                                 static_cast<UINT>(++id)));
    wchar_t name[32];
    GetClassNameW(control.m_hWnd, name, 32);
    EXPECT_STREQ(name, row.name);
    EXPECT_EQ(control.GetDlgCtrlID(), id);
    EXPECT_EQ(control.GetStyle(), static_cast<DWORD>(WS_CHILD));
    EXPECT_EQ(GetParent(control.m_hWnd), parent.m_hWnd);
    // Only a combo box answers CB_ messages; the rest return 0.
    SendMessageW(control.m_hWnd, CB_ADDSTRING, 0, L(L"x"));
    EXPECT_EQ(SendMessageW(control.m_hWnd, CB_GETCOUNT, 0, 0),
              std::wstring(row.name) == L"ComboBox" ? 1 : 0);
  }
}

TEST(Windows, ObjectsKnowTheirRunTimeClass) {
  TestDialog dlg;
  CWnd* combo = dlg.dialog.GetDlgItem(TestDialog::kCombo);
  CWnd* edit = dlg.dialog.GetDlgItem(TestDialog::kEdit);
  EXPECT_TRUE(combo->IsKindOf(RUNTIME_CLASS(CComboBox)));
  EXPECT_TRUE(combo->IsKindOf(RUNTIME_CLASS(CWnd)));
  EXPECT_TRUE(combo->IsKindOf(RUNTIME_CLASS(CCmdTarget)));
  EXPECT_FALSE(edit->IsKindOf(RUNTIME_CLASS(CComboBox)));
  EXPECT_TRUE(edit->IsKindOf(RUNTIME_CLASS(CEdit)));
  EXPECT_FALSE(dlg.dialog.IsKindOf(RUNTIME_CLASS(CEdit)));
}

TEST(Windows, CreateExRefusesWhatWin32Refuses) {
  CWnd window;
  ASSERT_TRUE(window.CreateEx(0, L"Frame", nullptr, 0, kRect, nullptr, 0));
  const HWND first = window.m_hWnd;
  EXPECT_FALSE(window.CreateEx(0, L"Frame", nullptr, 0, kRect, nullptr, 0));
  EXPECT_EQ(window.m_hWnd, first);

  CWnd no_window;
  CEdit child;
  EXPECT_FALSE(child.Create(WS_CHILD, kRect, &no_window, 1));
  EXPECT_EQ(child.m_hWnd, nullptr);
  EXPECT_FALSE(child.Create(WS_CHILD, kRect, nullptr, 1));
  EXPECT_TRUE(child.Create(WS_CHILD, kRect, &window, 1));
}

TEST(Windows, GetDlgItemFindsDirectChildrenOnly) {
  CWnd dialog;
  CWnd group;
  CEdit inner;
  CEdit first;
  CEdit second;
  ASSERT_TRUE(dialog.CreateEx(0, L"#32770", nullptr, 0, kRect, nullptr, 0));
  ASSERT_TRUE(
      group.CreateEx(0, L"Button", nullptr, WS_CHILD, kRect, &dialog, 5));
  ASSERT_TRUE(inner.Create(WS_CHILD, kRect, &group, 7));
  ASSERT_TRUE(first.Create(WS_CHILD, kRect, &dialog, 8));
  ASSERT_TRUE(second.Create(WS_CHILD, kRect, &dialog, 8));

  EXPECT_EQ(dialog.GetDlgItem(5), &group);
  EXPECT_EQ(dialog.GetDlgItem(7), nullptr);  // a grandchild
  EXPECT_EQ(group.GetDlgItem(7), &inner);
  EXPECT_EQ(dialog.GetDlgItem(8), &first);  // the first of two
  EXPECT_EQ(dialog.GetDlgItem(9), nullptr);
  HWND h = reinterpret_cast<HWND>(std::uintptr_t{1});
  dialog.GetDlgItem(8, &h);
  EXPECT_EQ(h, first.m_hWnd);
  first.DestroyWindow();
  EXPECT_EQ(dialog.GetDlgItem(8), &second);
  EXPECT_EQ(CWnd::FromHandle(second.m_hWnd), &second);
}

// Records what the observer hears.
struct Heard {
  std::vector<std::pair<HWND, UINT>> events;
  static void Observe(HWND window, UINT message, void* context) {
    static_cast<Heard*>(context)->events.push_back({window, message});
  }
};

TEST(Windows, DestroyingAParentDestroysChildrenFirstAndDetachesThem) {
  auto* dialog = new CWnd;
  CEdit edit;
  CComboBox combo;
  CEdit nested;
  ASSERT_TRUE(dialog->CreateEx(0, L"#32770", nullptr, 0, kRect, nullptr, 0));
  ASSERT_TRUE(edit.Create(WS_CHILD, kRect, dialog, 1));
  ASSERT_TRUE(combo.Create(WS_CHILD, kRect, dialog, 2));
  ASSERT_TRUE(nested.Create(WS_CHILD, kRect, &combo, 3));
  const HWND d = dialog->m_hWnd;
  const HWND e = edit.m_hWnd;
  const HWND c = combo.m_hWnd;
  const HWND n = nested.m_hWnd;
  edit.SetFocus();
  ASSERT_EQ(GetFocus(), e);

  Heard heard;
  AfxSetWindowObserver(&Heard::Observe, &heard);
  delete dialog;  // the destructor destroys the window and its children
  AfxSetWindowObserver(nullptr, nullptr);

  const std::vector<std::pair<HWND, UINT>> expected = {{e, WM_KILLFOCUS},
                                                       {e, WM_DESTROY},
                                                       {n, WM_DESTROY},
                                                       {c, WM_DESTROY},
                                                       {d, WM_DESTROY}};
  EXPECT_EQ(heard.events, expected);
  EXPECT_EQ(edit.m_hWnd, nullptr);
  EXPECT_EQ(combo.m_hWnd, nullptr);
  EXPECT_EQ(nested.m_hWnd, nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  for (HWND h : {d, e, c, n}) EXPECT_FALSE(IsWindow(h));
  // The detached objects are inert and their destructors harmless.
  EXPECT_FALSE(edit.DestroyWindow());
  EXPECT_EQ(combo.GetCount(), 0);
  EXPECT_EQ(combo.GetCurSel(), CB_ERR);
}

TEST(Windows, FocusMovesAndReportsThePreviousWindow) {
  TestDialog dlg;
  SetFocus(nullptr);
  EXPECT_EQ(dlg.edit.SetFocus(), nullptr);
  EXPECT_EQ(GetFocus(), dlg.edit.m_hWnd);
  EXPECT_EQ(dlg.combo.SetFocus(), &dlg.edit);
  // A stale handle leaves the focus where it is.
  CWnd gone;
  ASSERT_TRUE(gone.CreateEx(0, L"Frame", nullptr, 0, kRect, nullptr, 0));
  const HWND stale = gone.m_hWnd;
  gone.DestroyWindow();
  EXPECT_EQ(SetFocus(stale), nullptr);
  EXPECT_EQ(GetFocus(), dlg.combo.m_hWnd);
  CWnd no_window;
  EXPECT_EQ(no_window.SetFocus(), nullptr);
  EXPECT_EQ(GetFocus(), dlg.combo.m_hWnd);
  EXPECT_EQ(SetFocus(nullptr), dlg.combo.m_hWnd);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST(Edit, SelectionFollowsEmSetSel) {
  TestDialog dlg;
  dlg.edit.SetWindowText(L"hello");
  const struct {
    int start, end;
    int got_start, got_end;
  } rows[] = {
      {0, -1, 0, 5},                 // all
      {2, 4, 2, 4},   {4, 2, 2, 4},  // the lower value starts it
      {3, 100, 3, 5}, {7, 9, 5, 5},  // clamped to the text
      {0, 0, 0, 0},
  };
  for (const auto& row : rows) {
    dlg.edit.SetSel(row.start, row.end);
    int a = -7;
    int b = -7;
    dlg.edit.GetSel(a, b);
    EXPECT_EQ(a, row.got_start) << row.start << "," << row.end;
    EXPECT_EQ(b, row.got_end) << row.start << "," << row.end;
  }
  dlg.edit.SetSel(1, 4);
  dlg.edit.SetSel(-1, 0);  // no selection; the caret stays at the end
  int a = 0;
  int b = 0;
  dlg.edit.GetSel(a, b);
  EXPECT_EQ(a, 4);
  EXPECT_EQ(b, 4);
  EXPECT_EQ(SendMessageW(dlg.edit.m_hWnd, EM_GETSEL, 0, 0), 4 | (4 << 16));
  dlg.edit.SetWindowText(L"new text");
  dlg.edit.GetSel(a, b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  // Plain windows do not handle EM_ messages.
  EXPECT_EQ(SendMessageW(dlg.dialog.m_hWnd, EM_SETSEL, 0, -1), 0);
}

TEST(ComboBox, AddStringAppendsOrSortsIgnoringCase) {
  TestDialog dlg;
  CComboBox sorted;
  ASSERT_TRUE(sorted.Create(WS_CHILD | CBS_DROPDOWN | CBS_SORT, kRect,
                            &dlg.dialog, 50));
  const wchar_t* added[] = {L"beta", L"Alpha", L"gamma", L"alpha", L"Beta2"};
  const int plain_index[] = {0, 1, 2, 3, 4};
  const int sorted_index[] = {0, 0, 2, 1, 3};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(dlg.combo.AddString(added[i]), plain_index[i]);
    EXPECT_EQ(sorted.AddString(added[i]), sorted_index[i]);
  }
  EXPECT_EQ(Items(dlg.combo.m_hWnd),
            (std::vector<std::wstring>{L"beta", L"Alpha", L"gamma", L"alpha",
                                       L"Beta2"}));
  EXPECT_EQ(Items(sorted.m_hWnd),
            (std::vector<std::wstring>{L"Alpha", L"alpha", L"beta", L"Beta2",
                                       L"gamma"}));
  // CB_INSERTSTRING puts the item where it is told, sorted or not.
  EXPECT_EQ(sorted.InsertString(0, L"zeta"), 0);
  EXPECT_EQ(sorted.InsertString(-1, L"aaa"), 6);
  EXPECT_EQ(sorted.InsertString(8, L"out"), CB_ERR);
  EXPECT_EQ(SendMessageW(sorted.m_hWnd, CB_ADDSTRING, 0, 0), CB_ERR);
}

TEST(ComboBox, SetCurSelSelectsOrClears) {
  TestDialog dlg;
  for (CComboBox* box : {&dlg.combo, &dlg.list}) {
    for (const wchar_t* s : {L"a", L"b", L"c"}) box->AddString(s);
    const struct {
      int index;
      int result;
      int current;
      const wchar_t* text;
    } rows[] = {{1, 1, 1, L"b"},           {2, 2, 2, L"c"},
                {-1, CB_ERR, CB_ERR, L""}, {0, 0, 0, L"a"},
                {3, CB_ERR, CB_ERR, L""},  {2, 2, 2, L"c"},
                {-5, CB_ERR, CB_ERR, L""}};
    for (const auto& row : rows) {
      EXPECT_EQ(box->SetCurSel(row.index), row.result) << row.index;
      EXPECT_EQ(box->GetCurSel(), row.current) << row.index;
      EXPECT_EQ(TextOf(box->m_hWnd), row.text) << row.index;
    }
  }
}

TEST(ComboBox, FindStringExactSearchesRoundFromAfterStart) {
  TestDialog dlg;
  for (const wchar_t* s : {L"Pipe", L"Bend", L"pipe", L"PIPE", L"Pipes", L""}) {
    dlg.combo.AddString(s);
  }
  const struct {
    int start;
    const wchar_t* text;
    int found;
  } rows[] = {
      {-1, L"pipe", 0},       {0, L"pipe", 2},
      {2, L"pipe", 3},        {3, L"pipe", 0},  // round from the end to the top
      {5, L"pipe", 0},        {40, L"pipe", 0},  // past the end: from the top
      {-1, L"PIPES", 4},      {-1, L"pip", CB_ERR},
      {-1, L"pipe ", CB_ERR}, {-1, L"", 5},
      {0, L"bend", 1},        {1, L"bend", 1},  // back to start
  };
  for (const auto& row : rows) {
    EXPECT_EQ(dlg.combo.FindStringExact(row.start, row.text), row.found)
        << row.start << " " << testing::PrintToString(std::wstring(row.text));
  }
  EXPECT_EQ(dlg.combo.GetCurSel(), CB_ERR);  // searching selects nothing
  CComboBox empty;
  ASSERT_TRUE(empty.Create(WS_CHILD, kRect, &dlg.dialog, 60));
  EXPECT_EQ(empty.FindStringExact(-1, L""), CB_ERR);
}

TEST(ComboBox, CaseIsIgnoredForCyrillicInTheCLocale) {
  const ScopedLocale c(LC_ALL, "C");
  MATRIX_REQUIRE_LOCALE(c, "C");
  TestDialog dlg;
  for (const wchar_t* s : {L"Труба", L"Отвод", L"Ёмкость", L"ΔP"}) {
    dlg.combo.AddString(s);
  }
  const struct {
    const wchar_t* text;
    int found;
  } rows[] = {{L"ТРУБА", 0},   {L"труба", 0}, {L"оТВОД", 1},
              {L"ёмкость", 2}, {L"δp", 3},    {L"Труб", CB_ERR}};
  for (const auto& row : rows) {
    EXPECT_EQ(dlg.combo.FindStringExact(-1, row.text), row.found);
  }
  EXPECT_EQ(dlg.combo.SelectString(-1, L"ЁМК"), 2);
}

TEST(ComboBox, SelectStringTakesTheFirstPrefixMatchOrChangesNothing) {
  TestDialog dlg;
  for (CComboBox* box : {&dlg.combo, &dlg.list}) {
    for (const wchar_t* s : {L"Steel 20", L"Steel 09G2S", L"Copper"}) {
      box->AddString(s);
    }
    EXPECT_EQ(box->SelectString(-1, L"steel"), 0);
    EXPECT_EQ(TextOf(box->m_hWnd), L"Steel 20");
    EXPECT_EQ(box->SelectString(0, L"steel"), 1);
    EXPECT_EQ(box->SelectString(1, L"STEEL"), 0);
    EXPECT_EQ(box->SelectString(-1, L"cop"), 2);
    EXPECT_EQ(TextOf(box->m_hWnd), L"Copper");
    EXPECT_EQ(box->SelectString(-1, L"Brass"), CB_ERR);
    EXPECT_EQ(box->GetCurSel(), 2);
    EXPECT_EQ(TextOf(box->m_hWnd), L"Copper");
    EXPECT_EQ(box->SelectString(-1, L""), 0);  // every item starts with ""
  }
}

TEST(ComboBox, DropDownListTextIsTheSelectedItem) {
  TestDialog dlg;
  dlg.list.AddString(L"one");
  dlg.list.AddString(L"two");
  EXPECT_EQ(TextOf(dlg.list.m_hWnd), L"");
  EXPECT_FALSE(SetWindowTextW(dlg.list.m_hWnd, L"typed"));
  EXPECT_EQ(SendMessageW(dlg.list.m_hWnd, WM_SETTEXT, 0, L(L"typed")), CB_ERR);
  EXPECT_EQ(TextOf(dlg.list.m_hWnd), L"");
  dlg.list.SetCurSel(1);
  EXPECT_EQ(TextOf(dlg.list.m_hWnd), L"two");
  EXPECT_EQ(dlg.list.GetWindowTextLength(), 3);
  // A drop-down box's edit text is its own: setting it keeps the selection.
  dlg.combo.AddString(L"one");
  dlg.combo.SetCurSel(0);
  EXPECT_TRUE(SetWindowTextW(dlg.combo.m_hWnd, L"typed"));
  EXPECT_EQ(TextOf(dlg.combo.m_hWnd), L"typed");
  EXPECT_EQ(dlg.combo.GetCurSel(), 0);
}

TEST(ComboBox, DeleteResetAndItemTexts) {
  TestDialog dlg;
  for (const wchar_t* s : {L"a", L"bb", L"ccc", L"dddd"}) {
    dlg.list.AddString(s);
  }
  dlg.list.SetCurSel(2);
  EXPECT_EQ(dlg.list.DeleteString(0), 3);  // the selection moves up
  EXPECT_EQ(dlg.list.GetCurSel(), 1);
  EXPECT_EQ(TextOf(dlg.list.m_hWnd), L"ccc");
  EXPECT_EQ(dlg.list.DeleteString(1), 2);  // the selected item goes
  EXPECT_EQ(dlg.list.GetCurSel(), CB_ERR);
  EXPECT_EQ(TextOf(dlg.list.m_hWnd), L"");
  EXPECT_EQ(dlg.list.DeleteString(2), CB_ERR);
  EXPECT_EQ(dlg.list.GetLBTextLen(1), 4);
  EXPECT_EQ(dlg.list.GetLBTextLen(2), CB_ERR);
  EXPECT_EQ(dlg.list.GetLBTextLen(-1), CB_ERR);
  CString item(L"stale");
  dlg.list.GetLBText(1, item);
  EXPECT_EQ(item, L"dddd");
  dlg.list.GetLBText(7, item);
  EXPECT_EQ(item, L"");
  wchar_t buffer[8];
  EXPECT_EQ(SendMessageW(dlg.list.m_hWnd, CB_GETLBTEXT, W(9),
                         reinterpret_cast<LPARAM>(buffer)),
            CB_ERR);

  dlg.combo.AddString(L"x");
  dlg.combo.SetWindowText(L"typed");
  dlg.combo.ResetContent();
  EXPECT_EQ(dlg.combo.GetCount(), 0);
  EXPECT_EQ(dlg.combo.GetCurSel(), CB_ERR);
  EXPECT_EQ(TextOf(dlg.combo.m_hWnd), L"");
}

// A toolkit binding's mirror of the window table: it hears every change
// and copies what it can read back through the Win32 calls.
struct Mirror {
  struct Copy {
    std::wstring text;
    std::vector<std::wstring> items;
    int current = CB_ERR;
  };
  std::map<HWND, Copy> windows;
  HWND focus = nullptr;
  int heard = 0;

  static void Observe(HWND window, UINT message, void* context) {
    auto* self = static_cast<Mirror*>(context);
    ++self->heard;
    switch (message) {
      case WM_DESTROY:
        self->windows.erase(window);
        return;
      case WM_KILLFOCUS:
        if (self->focus == window) self->focus = nullptr;
        return;
      case WM_SETFOCUS:
        self->focus = window;
        return;
      default:
        break;
    }
    Copy& copy = self->windows[window];
    copy.text = TextOf(window);
    copy.items = Items(window);
    copy.current = static_cast<int>(SendMessageW(window, CB_GETCURSEL, 0, 0));
    wchar_t name[16];
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"ComboBox") copy.current = CB_ERR;
  }

  void ExpectInStepWith(const std::vector<HWND>& live) const {
    EXPECT_EQ(windows.size(), live.size());
    for (HWND h : live) {
      auto it = windows.find(h);
      ASSERT_NE(it, windows.end());
      EXPECT_EQ(it->second.text, TextOf(h));
      EXPECT_EQ(it->second.items, Items(h));
      wchar_t name[16];
      GetClassNameW(h, name, 16);
      if (std::wstring(name) == L"ComboBox") {
        EXPECT_EQ(it->second.current, SendMessageW(h, CB_GETCURSEL, 0, 0));
      }
    }
    EXPECT_EQ(focus, GetFocus());
  }
};

TEST(WindowObserver, MirrorStaysInStepWithTheModel) {
  Mirror mirror;
  SetFocus(nullptr);
  AfxSetWindowObserver(&Mirror::Observe, &mirror);
  {
    TestDialog dlg;
    const std::vector<HWND> live = {dlg.dialog.m_hWnd, dlg.edit.m_hWnd,
                                    dlg.combo.m_hWnd, dlg.list.m_hWnd};
    mirror.ExpectInStepWith(live);

    dlg.edit.SetWindowText(L"12,5");
    dlg.edit.SetSel(0, -1);
    for (const wchar_t* s : {L"Steel", L"Copper", L"Brass"}) {
      dlg.combo.AddString(s);
      dlg.list.AddString(s);
    }
    dlg.combo.SelectString(-1, L"cop");
    dlg.list.SetCurSel(2);
    dlg.list.DeleteString(0);
    dlg.combo.InsertString(0, L"Iron");
    dlg.edit.SetFocus();
    mirror.ExpectInStepWith(live);

    // The user types into the toolkit's widgets; the binding feeds the
    // edits back, and they come round to the mirror again.
    SetWindowTextW(dlg.edit.m_hWnd, L"3.75");
    SendMessageW(dlg.combo.m_hWnd, CB_SETCURSEL, W(0), 0);
    SetFocus(dlg.list.m_hWnd);
    SendMessageW(dlg.list.m_hWnd, CB_SETCURSEL, W(-1), 0);
    mirror.ExpectInStepWith(live);
    EXPECT_EQ(mirror.windows[dlg.edit.m_hWnd].text, L"3.75");

    dlg.combo.ResetContent();
    dlg.edit.DestroyWindow();
    mirror.ExpectInStepWith(
        {dlg.dialog.m_hWnd, dlg.combo.m_hWnd, dlg.list.m_hWnd});
  }
  AfxSetWindowObserver(nullptr, nullptr);
  EXPECT_TRUE(mirror.windows.empty());
  EXPECT_GT(mirror.heard, 20);
}

TEST(WindowObserver, ReadsAreNotReported) {
  TestDialog dlg;
  dlg.combo.AddString(L"a");
  Heard heard;
  AfxSetWindowObserver(&Heard::Observe, &heard);
  TextOf(dlg.combo.m_hWnd);
  dlg.combo.GetCount();
  dlg.combo.FindStringExact(-1, L"a");
  dlg.combo.SelectString(-1, L"zz");  // no match, no change
  AfxSetWindowObserver(nullptr, nullptr);
  EXPECT_TRUE(heard.events.empty());
}

TEST(Windows, TableIsSafeFromSeveralThreads) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, L"#32770", nullptr, 0, kRect, nullptr, 0));
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&parent, t] {
      for (int i = 0; i < kRounds; ++i) {
        CComboBox box;
        if (!box.Create(WS_CHILD | CBS_DROPDOWN, kRect, &parent,
                        static_cast<UINT>(100 + t))) {
          return;
        }
        box.AddString(L"x");
        box.SetCurSel(0);
        SetWindowTextW(GetDlgItem(parent.m_hWnd, 100 + (t + 1) % kThreads),
                       L"other");
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(GetDlgItem(parent.m_hWnd, 100), nullptr);
  EXPECT_TRUE(IsWindow(parent.m_hWnd));
}

}  // namespace
