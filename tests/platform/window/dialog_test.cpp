// Modal dialogs without a toolkit: DoModal's order of calls, OnOK and
// OnCancel, a refused field, the message map's dispatch of each
// notification, and the windows' rectangles, visibility and state. A test
// drives the modal loop through the layer's calls, as a person would
// through a toolkit's widgets.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/dialog_testing.h"

namespace {

using namespace matrix::testing;

constexpr int kValue = 101;
constexpr int kCurve = 102;
constexpr int kBuried = 103;
constexpr int kApply = 104;
constexpr int kMenuCommand = 300;

// Runs `drive` as the modal loop of every dialog while it lives.
class ModalLoop {
 public:
  explicit ModalLoop(std::function<void(HWND)> drive)
      : drive_(std::move(drive)) {
    AfxSetModalLoopHandler(&ModalLoop::Run, this);
  }
  ~ModalLoop() { AfxSetModalLoopHandler(nullptr, nullptr); }
  ModalLoop(const ModalLoop&) = delete;
  ModalLoop& operator=(const ModalLoop&) = delete;

 private:
  static void Run(HWND dialog, void* context) {
    static_cast<ModalLoop*>(context)->drive_(dialog);
  }
  std::function<void(HWND)> drive_;
};

void Type(HWND dialog, int id, const wchar_t* text) {
  SetWindowTextW(GetDlgItem(dialog, id), text);
}
void Click(HWND dialog, int id) {
  SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A dialog written as for the framework: controls made in OnInitDialog, a
// number and a choice exchanged, a handler for each notification.
class PipeDialog : public CDialog {
 public:
  double value = 1.5;
  CString curve = L"1a";
  bool end_in_init = false;
  bool place = false;
  bool refuse_cancel = false;
  bool save_on_change = false;  // the handler of EN_CHANGE saves the fields
  std::vector<std::string> log;
  std::vector<std::pair<WPARAM, LPARAM>> commands;
  CStatic label;
  CEdit edit;
  CComboBox combo;
  CButton buried, apply, ok, cancel;

  BOOL OnInitDialog() override {
    log.push_back("OnInitDialog");
    SetWindowText(L"Pipe");
    const DWORD child = WS_CHILD | WS_VISIBLE;
    label.Create(L"Outer diameter", child, CRect(10, 10, 110, 30), this);
    edit.Create(child | WS_TABSTOP, CRect(120, 10, 220, 30), this, kValue);
    combo.Create(child | WS_TABSTOP | CBS_DROPDOWNLIST,
                 CRect(120, 40, 220, 140), this, kCurve);
    for (const wchar_t* c : {L"1", L"1a", L"2", L"2a"}) combo.AddString(c);
    buried.Create(L"Buried", child | WS_TABSTOP | BS_AUTOCHECKBOX,
                  CRect(10, 70, 110, 90), this, kBuried);
    apply.Create(L"Apply", child, CRect(10, 100, 80, 124), this, kApply);
    ok.Create(L"OK", child | BS_DEFPUSHBUTTON, CRect(90, 100, 160, 124), this,
              IDOK);
    cancel.Create(L"Cancel", child, CRect(170, 100, 240, 124), this, IDCANCEL);
    if (place) MoveWindow(100, 50, 400, 300);
    if (end_in_init) EndDialog(42);
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* dx) override {
    log.push_back(dx->m_bSaveAndValidate ? "save" : "load");
    DDX_Text(dx, kValue, value);
    DDX_CBString(dx, kCurve, curve);
  }
  void OnOK() override {
    log.push_back("OnOK");
    CDialog::OnOK();
  }
  void OnCancel() override {
    log.push_back("OnCancel");
    if (!refuse_cancel) CDialog::OnCancel();
  }
  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override {
    commands.push_back({wparam, lparam});
    return CDialog::OnCommand(wparam, lparam);
  }
  afx_msg void OnValueChange() {
    log.push_back("EN_CHANGE");
    if (save_on_change) UpdateData(TRUE);
  }
  afx_msg void OnCurveChange() { log.push_back("CBN_SELCHANGE"); }
  afx_msg void OnApply() { log.push_back("BN_CLICKED"); }
  afx_msg void OnMenuCommand() { log.push_back("command"); }
  afx_msg void OnThrow() { AfxThrowNotSupportedException(); }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PipeDialog, CDialog)
ON_EN_CHANGE(kValue, &PipeDialog::OnValueChange)
ON_CBN_SELCHANGE(kCurve, &PipeDialog::OnCurveChange)
ON_BN_CLICKED(kApply, &PipeDialog::OnApply)
ON_COMMAND(kMenuCommand, &PipeDialog::OnMenuCommand)
ON_COMMAND(kMenuCommand + 1, &PipeDialog::OnThrow)
END_MESSAGE_MAP()

using Log = std::vector<std::string>;

TEST(Dialog, OkRunsInitLoopAndExchangeInOrder) {
  PipeDialog dlg;
  ModalLoop loop([&](HWND d) {
    dlg.log.push_back("loop");
    EXPECT_TRUE(IsWindowVisible(d));
    EXPECT_EQ(TextOf(d), L"Pipe");
    EXPECT_EQ(GetFocus(), dlg.edit.m_hWnd);  // the first tab stop
    EXPECT_EQ(TextOf(dlg.edit.m_hWnd), L"1.5");
    Type(d, kValue, L"2.25");
    Click(d, IDOK);
    EXPECT_FALSE(IsWindowVisible(d));  // ended, destroyed after the loop
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  // The exchange's own SetWindowText sends EN_CHANGE, which the dialog
  // does not hear while its data are exchanged.
  EXPECT_EQ(dlg.log,
            (Log{"OnInitDialog", "load", "loop", "EN_CHANGE", "OnOK", "save"}));
  EXPECT_EQ(dlg.value, 2.25);
  EXPECT_EQ(dlg.curve, L"1a");
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_EQ(dlg.edit.m_hWnd, nullptr);
}

// A handler of EN_CHANGE that saves the fields: during the load it read the
// choice before the exchange had filled it in (and lost it), and with a
// field whose exchange rewrites its text it recursed until the stack ran
// out.
TEST(Dialog, AHandlerThatSavesHearsThePersonsChangesOnly) {
  PipeDialog dlg;
  dlg.save_on_change = true;
  ModalLoop loop([&](HWND d) {
    EXPECT_EQ(TextOf(dlg.combo.m_hWnd), L"1a");
    Type(d, kValue, L"3");
    EXPECT_EQ(dlg.value, 3.0);
    EXPECT_EQ(dlg.curve, L"1a");
    Click(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "EN_CHANGE"), 1);
  EXPECT_EQ(dlg.curve, L"1a");
}

TEST(Dialog, RefusedFieldKeepsTheDialogOpenWithTheFocusOnIt) {
  PipeDialog dlg;
  MessageBoxes boxes;
  ModalLoop loop([&](HWND d) {
    Type(d, kValue, L"2,5");  // the layer's own exchange takes '.' only
    dlg.combo.SetFocus();
    Click(d, IDOK);
    EXPECT_TRUE(IsWindowVisible(d));
    EXPECT_EQ(GetFocus(), dlg.edit.m_hWnd);
    int start = -1, end = -1;
    dlg.edit.GetSel(start, end);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(0, 3));
    EXPECT_EQ(dlg.value, 1.5);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, L"Please type a number.");
    Type(d, kValue, L"2.5");
    Click(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.value, 2.5);
}

TEST(Dialog, CancelAndClosingEndWithoutAnExchange) {
  const struct {
    const char* how;
    std::function<void(HWND)> act;
  } rows[] = {
      {"Cancel button", [](HWND d) { Click(d, IDCANCEL); }},
      {"closing the window", [](HWND d) { SendMessageW(d, WM_CLOSE, 0, 0); }},
      {"a loop that gives up", [](HWND) {}},
  };
  for (const auto& row : rows) {
    PipeDialog dlg;
    ModalLoop loop([&](HWND d) {
      Type(d, kValue, L"9");
      row.act(d);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL) << row.how;
    EXPECT_EQ(dlg.value, 1.5) << row.how;
    EXPECT_EQ(dlg.log.back(), "OnCancel") << row.how;
  }
  // Without a handler nobody can answer: the dialog ends as closed.
  PipeDialog alone;
  EXPECT_EQ(alone.DoModal(), IDCANCEL);
}

TEST(Dialog, ClosingIsRefusedWhileCancelIsDisabled) {
  PipeDialog dlg;
  ModalLoop loop([&](HWND d) {
    dlg.cancel.EnableWindow(FALSE);
    SendMessageW(d, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowVisible(d));
    Click(d, IDCANCEL);  // a disabled button ignores the click
    EXPECT_TRUE(IsWindowVisible(d));
    Click(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST(Dialog, EndedInInitDialogIsNeverShown) {
  PipeDialog dlg;
  dlg.end_in_init = true;
  bool looped = false;
  ModalLoop loop([&](HWND) { looped = true; });
  struct Shown {
    int count = 0;
    static void Observe(HWND, UINT message, void* context) {
      if (message == WM_SHOWWINDOW) ++static_cast<Shown*>(context)->count;
    }
  } shown;
  AfxSetWindowObserver(&Shown::Observe, &shown);
  EXPECT_EQ(dlg.DoModal(), 42);
  AfxSetWindowObserver(nullptr, nullptr);
  EXPECT_FALSE(looped);
  EXPECT_EQ(shown.count, 0);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(Dialog, LoopThatLeavesItOpenWhenCancelRefusesStillEnds) {
  PipeDialog dlg;
  dlg.refuse_cancel = true;
  ModalLoop loop([](HWND) {});
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(Dialog, DoModalRefusesADialogThatHasAWindow) {
  PipeDialog dlg;
  ASSERT_TRUE(dlg.CreateEx(0, L"#32770", L"", WS_POPUP, CRect(), nullptr, 0));
  EXPECT_EQ(dlg.DoModal(), -1);
}

TEST(MessageMap, EachNotificationReachesItsHandler) {
  PipeDialog dlg;
  MessageBoxes boxes;
  ModalLoop loop([&](HWND d) {
    const HWND combo = dlg.combo.m_hWnd;
    const HWND apply = dlg.apply.m_hWnd;
    const struct {
      std::function<void()> act;
      const char* heard;  // nullptr: no notification
      WPARAM wparam;
      LPARAM lparam;
    } rows[] = {
        {[&] { Type(d, kValue, L"3"); }, "EN_CHANGE",
         MAKEWPARAM(kValue, EN_CHANGE),
         reinterpret_cast<LPARAM>(dlg.edit.m_hWnd)},
        {[&] { Click(d, kApply); }, "BN_CLICKED",
         MAKEWPARAM(kApply, BN_CLICKED), reinterpret_cast<LPARAM>(apply)},
        // A person choosing an item: the selection, then the notification.
        {[&] {
           SendMessageW(combo, CB_SETCURSEL, 2, 0);
           SendMessageW(d, WM_COMMAND, MAKEWPARAM(kCurve, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo));
         },
         "CBN_SELCHANGE", MAKEWPARAM(kCurve, CBN_SELCHANGE),
         reinterpret_cast<LPARAM>(combo)},
        {[&] { SendMessageW(d, WM_COMMAND, kMenuCommand, 0); }, "command",
         kMenuCommand, 0},
        // Changes made by the program notify nobody.
        {[&] { SendMessageW(combo, CB_SETCURSEL, 1, 0); }, nullptr, 0, 0},
        {[&] { dlg.buried.SetCheck(BST_CHECKED); }, nullptr, 0, 0},
    };
    for (const auto& row : rows) {
      dlg.log.clear();
      dlg.commands.clear();
      row.act();
      if (!row.heard) {
        EXPECT_TRUE(dlg.log.empty());
        EXPECT_TRUE(dlg.commands.empty());
        continue;
      }
      EXPECT_EQ(dlg.log, Log{row.heard});
      ASSERT_EQ(dlg.commands.size(), 1u) << row.heard;
      EXPECT_EQ(dlg.commands[0].first, row.wparam) << row.heard;
      EXPECT_EQ(dlg.commands[0].second, row.lparam) << row.heard;
    }
    // A handler's framework exception is reported and goes no further.
    SendMessageW(d, WM_COMMAND, kMenuCommand + 1, 0);
    EXPECT_EQ(boxes.shown().size(), 1u);
    Click(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.curve, L"1a");  // DDX_CBString read the drop-down list
}

TEST(Dialog, IsSizedToItsControlsOrPlacedWhereInitDialogSays) {
  for (bool place : {false, true}) {
    PipeDialog dlg;
    dlg.place = place;
    ModalLoop loop([&](HWND d) {
      CRect client, window, edit;
      GetClientRect(d, &client);
      GetWindowRect(d, &window);
      dlg.edit.GetWindowRect(&edit);
      if (place) {
        EXPECT_EQ(window, CRect(100, 50, 500, 350));
        EXPECT_EQ(edit, CRect(220, 60, 320, 80));
      } else {
        // Controls span (10, 10)-(240, 140): 10 more on each far side.
        EXPECT_EQ(client, CRect(0, 0, 250, 150));
        EXPECT_EQ(edit, CRect(120, 10, 220, 30));
      }
      Click(d, IDCANCEL);
    });
    dlg.DoModal();
  }
}

// A dialog opened from a field of another: when it ends, the field has the
// focus again (it was left with none).
TEST(Dialog, TheFocusGoesBackToTheFieldThatOpenedIt) {
  CWnd top;
  CEdit field;
  ASSERT_TRUE(top.CreateEx(0, L"#32770", nullptr, WS_POPUP | WS_VISIBLE,
                           CRect(0, 0, 200, 100), nullptr, 0));
  ASSERT_TRUE(field.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                           CRect(10, 10, 100, 30), &top, 1));
  field.SetFocus();
  PipeDialog dlg;
  ModalLoop loop([&](HWND d) {
    EXPECT_EQ(GetFocus(), dlg.edit.m_hWnd);
    Click(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(GetFocus(), field.m_hWnd);
}

TEST(Windows, RectanglesFollowMoveWindow) {
  CWnd top;
  CEdit edit;
  ASSERT_TRUE(top.CreateEx(0, L"#32770", nullptr, WS_POPUP,
                           CRect(5, 6, 105, 56), nullptr, 0));
  ASSERT_TRUE(edit.Create(WS_CHILD, CRect(10, 10, 30, 20), &top, 1));
  CRect r;
  edit.GetWindowRect(&r);
  EXPECT_EQ(r, CRect(15, 16, 35, 26));
  top.MoveWindow(CRect(100, 200, 300, 260));
  edit.GetWindowRect(&r);
  EXPECT_EQ(r, CRect(110, 210, 130, 220));
  edit.MoveWindow(1, 2, -5, 7);  // a negative size is taken as 0
  edit.GetClientRect(&r);
  EXPECT_EQ(r, CRect(0, 0, 0, 7));
  const HWND stale = edit.m_hWnd;
  edit.DestroyWindow();
  RECT kept{1, 2, 3, 4};
  EXPECT_FALSE(GetWindowRect(stale, &kept));
  EXPECT_FALSE(MoveWindow(stale, 0, 0, 1, 1, TRUE));
  EXPECT_EQ(CRect(kept), CRect(1, 2, 3, 4));
}

TEST(Windows, VisibilityAndStateAreTheStyleBits) {
  CWnd top;
  CButton box;
  ASSERT_TRUE(
      top.CreateEx(0, L"#32770", nullptr, WS_POPUP, CRect(), nullptr, 0));
  ASSERT_TRUE(box.Create(L"Buried", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
                         CRect(), &top, 7));
  EXPECT_FALSE(box.IsWindowVisible());  // its parent is hidden
  EXPECT_FALSE(top.ShowWindow(SW_SHOW));
  EXPECT_TRUE(box.IsWindowVisible());
  box.SetFocus();
  EXPECT_TRUE(box.ShowWindow(SW_HIDE));
  EXPECT_FALSE(box.IsWindowVisible());
  EXPECT_FALSE(box.GetStyle() & WS_VISIBLE);
  EXPECT_EQ(GetFocus(), top.m_hWnd);  // back to the parent

  box.SetFocus();
  EXPECT_FALSE(box.EnableWindow(FALSE));  // it was enabled
  EXPECT_EQ(GetFocus(), nullptr);         // a disabled window has none
  EXPECT_FALSE(box.IsWindowEnabled());
  box.SendMessage(BM_CLICK);
  EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
  EXPECT_TRUE(box.EnableWindow(TRUE));  // it was disabled
  box.SendMessage(BM_CLICK);
  EXPECT_EQ(box.GetCheck(), BST_CHECKED);
  EXPECT_EQ(GetFocus(), box.m_hWnd);  // a click gives the focus
  box.SetCheck(2);                    // two states: nonzero is checked
  EXPECT_EQ(box.GetCheck(), BST_CHECKED);

  const struct {
    DWORD style;
    int after_click;
  } kinds[] = {{BS_PUSHBUTTON, BST_UNCHECKED},
               {BS_DEFPUSHBUTTON, BST_UNCHECKED},
               {BS_CHECKBOX, BST_UNCHECKED},  // the program toggles it
               {BS_AUTOCHECKBOX, BST_CHECKED}};
  for (const auto& kind : kinds) {
    CButton b;
    ASSERT_TRUE(b.Create(L"b", WS_CHILD | kind.style, CRect(), &top, 8));
    b.SendMessage(BM_CLICK);
    EXPECT_EQ(b.GetCheck(), kind.after_click) << kind.style;
    wchar_t name[16];
    GetClassNameW(b.m_hWnd, name, 16);
    EXPECT_STREQ(name, L"Button");
  }
}

TEST(Windows, EnumerationVisitsParentsBeforeChildren) {
  CWnd top;
  CWnd group;
  CEdit a, b;
  CDialog owned;
  ASSERT_TRUE(
      top.CreateEx(0, L"#32770", nullptr, WS_POPUP, CRect(), nullptr, 0));
  ASSERT_TRUE(group.CreateEx(0, L"Group", nullptr, WS_CHILD, CRect(), &top, 1));
  ASSERT_TRUE(a.Create(WS_CHILD, CRect(), &group, 2));
  ASSERT_TRUE(b.Create(WS_CHILD, CRect(), &top, 3));
  ASSERT_TRUE(
      owned.CreateEx(0, L"#32770", nullptr, WS_POPUP, CRect(), &top, 0));
  auto collect = [](HWND w, LPARAM l) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(l)->push_back(w);
    return TRUE;
  };
  std::vector<HWND> children;
  EXPECT_TRUE(EnumChildWindows(top.m_hWnd, collect,
                               reinterpret_cast<LPARAM>(&children)));
  EXPECT_EQ(children, (std::vector<HWND>{group.m_hWnd, a.m_hWnd, b.m_hWnd}));
  std::vector<HWND> tops;
  EnumWindows(collect, reinterpret_cast<LPARAM>(&tops));
  const auto top_at = std::find(tops.begin(), tops.end(), top.m_hWnd);
  const auto owned_at = std::find(tops.begin(), tops.end(), owned.m_hWnd);
  ASSERT_NE(owned_at, tops.end());
  EXPECT_LT(top_at, owned_at);  // the owner first
  EXPECT_EQ(std::find(tops.begin(), tops.end(), a.m_hWnd), tops.end());
}

}  // namespace
