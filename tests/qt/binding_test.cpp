// The Qt binding as a person uses it, on Qt's offscreen platform: typing
// into the widgets of a dialog written as for the framework, choosing,
// clicking, closing, answering message boxes; changes from another thread;
// the table and the widgets in step after every step.
#include <afxwin.h>
#include <gtest/gtest.h>
#include <matrix-qt/binding.h>
#include <matrix/matrix.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <thread>
#include <vector>

#include "support/qt_testing.h"

namespace {

using namespace matrix::testing;
using matrix_qt::WidgetOf;

constexpr int kDiameter = 201;
constexpr int kRadius = 202;
constexpr int kCurve = 203;
constexpr int kBuried = 204;

class PipeDialog : public CDialog {
 public:
  double diameter = 0.219;
  double radius = 0;
  CString radius_text = L"5*0.219";
  CString curve = L"1a";
  CString chosen;  // what the CBN_SELCHANGE handler read
  int edits = 0;
  std::thread::id edited_on;    // the thread of the last EN_CHANGE handled
  bool editable_curve = false;  // CBS_DROPDOWN instead of CBS_DROPDOWNLIST
  int oks = 0;                  // OnOK calls
  CEdit diameter_edit, radius_edit;
  CComboBox curve_box;
  CButton buried, ok, cancel;

  BOOL OnInitDialog() override {
    SetWindowText(L"Pipe");
    MoveWindow(40, 40, 360, 200);
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    diameter_edit.Create(child, CRect(10, 10, 150, 34), this, kDiameter);
    radius_edit.Create(child, CRect(10, 44, 150, 68), this, kRadius);
    curve_box.Create(child | (editable_curve ? CBS_DROPDOWN : CBS_DROPDOWNLIST),
                     CRect(10, 78, 150, 200), this, kCurve);
    for (const wchar_t* c : {L"1", L"1a", L"2", L"2a"}) curve_box.AddString(c);
    buried.Create(L"Buried", child | BS_AUTOCHECKBOX, CRect(160, 10, 300, 34),
                  this, kBuried);
    ok.Create(L"OK", child | BS_DEFPUSHBUTTON, CRect(160, 150, 250, 180), this,
              IDOK);
    cancel.Create(L"Cancel", child, CRect(260, 150, 350, 180), this, IDCANCEL);
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text2(dx, kDiameter, diameter);
    DDX_Text(dx, kRadius, radius_text);
    if (dx->m_bSaveAndValidate) {
      // A formula field: the library's formula engine reads it.
      CString formula = radius_text;
      CArray<double, double const&> values;
      try {
        radius = CompileStrV(formula, values, 1);
      } catch (CUserException* e) {
        e->Delete();
        CString fault;
        GetLastErrorM(fault);
        AfxMessageBox(fault, MB_ICONEXCLAMATION);
        dx->Fail();
      }
    }
    DDX_CBString2(dx, kCurve, curve);
  }
  void OnOK() override {
    ++oks;
    CDialog::OnOK();
  }
  afx_msg void OnDiameterChange() {
    ++edits;
    edited_on = std::this_thread::get_id();
  }
  afx_msg void OnCurveChange() {
    curve_box.GetLBText(curve_box.GetCurSel(), chosen);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PipeDialog, CDialog)
ON_EN_CHANGE(kDiameter, &PipeDialog::OnDiameterChange)
ON_CBN_SELCHANGE(kCurve, &PipeDialog::OnCurveChange)
END_MESSAGE_MAP()

template <typename W>
W* Widget(HWND window) {
  return qobject_cast<W*>(WidgetOf(window));
}

QString TextOf(HWND window) {
  CString text;
  CWnd::FromHandle(window)->GetWindowText(text);
  return QString::fromWCharArray(text.GetString(), text.GetLength());
}

// The table and the widgets say the same of every control of `dialog`.
void ExpectInStep(HWND dialog) {
  ASSERT_NE(WidgetOf(dialog), nullptr);
  EXPECT_EQ(WidgetOf(dialog)->windowTitle(), TextOf(dialog));
  EnumChildWindows(
      dialog,
      [](HWND h, LPARAM) -> BOOL {
        QWidget* w = WidgetOf(h);
        EXPECT_NE(w, nullptr);
        if (!w) return TRUE;
        const DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
        EXPECT_EQ(w->isHidden(), !(style & WS_VISIBLE));
        EXPECT_EQ(w->testAttribute(Qt::WA_ForceDisabled),
                  (style & WS_DISABLED) != 0);
        CRect r;
        GetClientRect(h, &r);
        EXPECT_EQ(w->width(), r.Width());
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
          EXPECT_EQ(e->text(), TextOf(h));
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
          EXPECT_EQ(c->currentIndex(), SendMessageW(h, CB_GETCURSEL, 0, 0));
        } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
          EXPECT_EQ(b->isChecked(),
                    SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED);
        }
        return TRUE;
      },
      0);
  if (HWND focus = GetFocus()) {
    EXPECT_EQ(QApplication::focusWidget(), WidgetOf(focus));
  }
}

class BindingTest : public ::testing::Test {
 protected:
  matrix_qt::Binding binding;
};

TEST_F(BindingTest, DecimalCommaAndFormulaAreReadAsTheLibrarySays) {
  PipeDialog dlg;
  Soon([&] {
    ExpectInStep(dlg.m_hWnd);
    EXPECT_TRUE(WidgetOf(dlg.m_hWnd)->isModal());
    EXPECT_EQ(Widget<QLineEdit>(dlg.diameter_edit.m_hWnd)->text(), "0.219");
    Retype(Widget<QLineEdit>(dlg.diameter_edit.m_hWnd), "2,5");
    EXPECT_EQ(TextOf(dlg.diameter_edit.m_hWnd), "2,5");
    EXPECT_GE(dlg.edits, 3);  // one EN_CHANGE a keystroke
    Retype(Widget<QLineEdit>(dlg.radius_edit.m_hWnd), "2*(3+1)");
    ExpectInStep(dlg.m_hWnd);
    QTest::mouseClick(Widget<QPushButton>(dlg.ok.m_hWnd), Qt::LeftButton);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.diameter, 2.5);
  EXPECT_EQ(dlg.radius, 8.0);
}

TEST_F(BindingTest, RefusedTextShowsTheMessageAndKeepsTheDialogOpen) {
  PipeDialog dlg;
  ShownBox shown, fault_shown;
  Soon([&] {
    QLineEdit* diameter = Widget<QLineEdit>(dlg.diameter_edit.m_hWnd);
    Retype(diameter, "abc");
    AnswerNextBox(QMessageBox::Ok, &shown);
    QTest::mouseClick(Widget<QPushButton>(dlg.ok.m_hWnd), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitForWindowActive(WidgetOf(dlg.m_hWnd)));
    EXPECT_EQ(shown.text, "Please type a number.");
    EXPECT_EQ(dlg.diameter, 0.219);  // the refused field's variable
    EXPECT_TRUE(WidgetOf(dlg.m_hWnd)->isVisible());
    EXPECT_EQ(GetFocus(), dlg.diameter_edit.m_hWnd);
    EXPECT_EQ(QApplication::focusWidget(), diameter);
    EXPECT_EQ(diameter->selectedText(), "abc");
    ExpectInStep(dlg.m_hWnd);
    // A formula the engine refuses: its message, the focus on its field.
    Retype(diameter, "0.3");
    Retype(Widget<QLineEdit>(dlg.radius_edit.m_hWnd), "1/0");
    AnswerNextBox(QMessageBox::Ok, &fault_shown);
    QTest::keyClick(diameter, Qt::Key_Return);  // the default button
    EXPECT_TRUE(QTest::qWaitForWindowActive(WidgetOf(dlg.m_hWnd)));
    EXPECT_EQ(GetFocus(), dlg.radius_edit.m_hWnd);
    ExpectInStep(dlg.m_hWnd);
    QTest::keyClick(WidgetOf(dlg.m_hWnd), Qt::Key_Escape);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  // The fields before the refused one were read, as the framework does.
  EXPECT_EQ(dlg.diameter, 0.3);
  CString fault;
  GetLastErrorM(fault);
  EXPECT_FALSE(fault.IsEmpty());
  EXPECT_EQ(fault_shown.text, QString::fromWCharArray(fault.GetString()));
  EXPECT_EQ(fault_shown.icon, QMessageBox::Warning);
}

TEST_F(BindingTest, ChoosingAnItemReachesTheExchangeAndTheMessageMap) {
  PipeDialog dlg;
  Soon([&] {
    auto* box = Widget<QComboBox>(dlg.curve_box.m_hWnd);
    EXPECT_EQ(box->currentText(), "1a");
    EXPECT_FALSE(box->isEditable());
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(dlg.chosen, L"2");
    QTest::keyClick(Widget<QCheckBox>(dlg.buried.m_hWnd), Qt::Key_Space);
    EXPECT_EQ(dlg.buried.GetCheck(), BST_CHECKED);
    // The program's changes show in the widgets.
    dlg.cancel.EnableWindow(FALSE);
    dlg.buried.ShowWindow(SW_HIDE);
    dlg.radius_edit.MoveWindow(12, 44, 100, 24);
    EXPECT_EQ(WidgetOf(dlg.radius_edit.m_hWnd)->geometry(),
              QRect(12, 44, 100, 24));
    ExpectInStep(dlg.m_hWnd);
    QTest::mouseClick(Widget<QPushButton>(dlg.ok.m_hWnd), Qt::LeftButton);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.curve, L"2");
}

// Qt's widgets hold texts their own way: a line edit cut what it was given
// at 32 767 characters the first time it was edited; an editable combo box
// put a typed text into its list on Enter (and the layer's selection went to
// an item it does not have, the text with it), and an item chosen again
// after typing over it was ignored.
TEST_F(BindingTest, TheWidgetsKeepWhatThePersonAndTheProgramGaveThem) {
  PipeDialog dlg;
  dlg.editable_curve = true;
  dlg.radius_text = CString(L'1', 40000);
  Soon([&] {
    QLineEdit* radius = Widget<QLineEdit>(dlg.radius_edit.m_hWnd);
    radius->setFocus();
    QTest::keyClick(radius, Qt::Key_End);
    QTest::keyClick(radius, Qt::Key_Backspace);
    EXPECT_EQ(TextOf(dlg.radius_edit.m_hWnd).size(), 39999);
    Retype(radius, "2");
    auto* box = Widget<QComboBox>(dlg.curve_box.m_hWnd);
    ASSERT_TRUE(box->isEditable());
    Retype(box->lineEdit(), "xyz");
    box->setCurrentIndex(1);  // "1a" chosen from the list once more
    emit box->activated(1);
    EXPECT_EQ(TextOf(dlg.curve_box.m_hWnd), "1a");
    EXPECT_EQ(dlg.chosen, L"1a");
    Retype(box->lineEdit(), "7.5");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);  // the default button
    EXPECT_EQ(box->count(), 4);
    EXPECT_EQ(TextOf(dlg.curve_box.m_hWnd), "7.5");
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.oks, 1);  // Enter pressed the default button once
  EXPECT_EQ(dlg.curve, L"7.5");
}

TEST_F(BindingTest, NoWidgetOutlivesItsWindow) {
  PipeDialog dlg;
  std::vector<QPointer<QWidget>> widgets;
  HWND dialog = nullptr;
  Soon([&] {
    dialog = dlg.m_hWnd;
    widgets.push_back(WidgetOf(dialog));
    EnumChildWindows(
        dialog,
        [](HWND h, LPARAM l) -> BOOL {
          reinterpret_cast<std::vector<QPointer<QWidget>>*>(l)->push_back(
              WidgetOf(h));
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&widgets));
    QTest::mouseClick(Widget<QPushButton>(dlg.cancel.m_hWnd), Qt::LeftButton);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(widgets.size(), 7u);
  EXPECT_EQ(WidgetOf(dialog), nullptr);
  for (const QPointer<QWidget>& w : widgets) EXPECT_TRUE(w.isNull());
}

TEST_F(BindingTest, ChangesFromAnotherThreadReachTheWidgetQueued) {
  CWnd frame;
  CEdit edit;
  ASSERT_TRUE(frame.CreateEx(0, L"Frame", L"Frame", WS_POPUP | WS_VISIBLE,
                             CRect(0, 0, 200, 100), nullptr, 0));
  ASSERT_TRUE(
      edit.Create(WS_CHILD | WS_VISIBLE, CRect(5, 5, 150, 30), &frame, 1));
  auto* line = Widget<QLineEdit>(edit.m_hWnd);
  ASSERT_NE(line, nullptr);
  std::thread other([&] {
    SetWindowTextW(edit.m_hWnd, L"7,25");
    EnableWindow(edit.m_hWnd, FALSE);
  });
  other.join();
  EXPECT_EQ(line->text(), "");  // nothing touched it from that thread
  EXPECT_TRUE(QTest::qWaitFor([&] { return line->text() == "7,25"; }, 5000));
  EXPECT_FALSE(line->isEnabled());
  ExpectInStep(frame.m_hWnd);
  const QPointer<QWidget> gone = line;
  std::thread([&] { edit.DestroyWindow(); }).join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }, 5000));
}

// A worker that sets a dialog's text: the dialog's EN_CHANGE handler ran on
// the worker, beside the GUI thread, and after the dialog was gone.
TEST_F(BindingTest, NotificationsFromAnotherThreadRunOnTheGuiThread) {
  PipeDialog dlg;
  Soon([&] {
    const int before = dlg.edits;
    std::thread([&] { SetWindowTextW(dlg.diameter_edit.m_hWnd, L"3"); }).join();
    EXPECT_EQ(dlg.edits, before);  // queued, not run on the worker
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.edits > before; }, 5000));
    EXPECT_EQ(dlg.edited_on, std::this_thread::get_id());
    EXPECT_EQ(Widget<QLineEdit>(dlg.diameter_edit.m_hWnd)->text(), "3");
    QTest::mouseClick(Widget<QPushButton>(dlg.ok.m_hWnd), Qt::LeftButton);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.diameter, 3.0);
}

TEST_F(BindingTest, MessageBoxButtonsAndResultsFollowTheType) {
  const struct {
    UINT type;
    QMessageBox::StandardButton click;
    int result;
    QMessageBox::StandardButton preferred;
  } rows[] = {
      {MB_OK, QMessageBox::Ok, IDOK, QMessageBox::Ok},
      {MB_OKCANCEL, QMessageBox::Cancel, IDCANCEL, QMessageBox::Ok},
      {MB_YESNOCANCEL | MB_DEFBUTTON2, QMessageBox::No, IDNO, QMessageBox::No},
      {MB_YESNO, QMessageBox::Yes, IDYES, QMessageBox::Yes},
      {MB_RETRYCANCEL, QMessageBox::Retry, IDRETRY, QMessageBox::Retry},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, QMessageBox::Ignore, IDIGNORE,
       QMessageBox::Ignore},
      {MB_CANCELTRYCONTINUE, QMessageBox::Retry, IDTRYAGAIN,
       QMessageBox::Cancel},
  };
  for (const auto& row : rows) {
    ShownBox shown;
    AnswerNextBox(row.click, &shown);
    EXPECT_EQ(AfxMessageBox(L"Save the run?", row.type | MB_ICONQUESTION),
              row.result)
        << row.type;
    EXPECT_EQ(shown.text, "Save the run?");
    EXPECT_EQ(shown.icon, QMessageBox::Question);
    EXPECT_EQ(shown.preferred, row.preferred) << row.type;
  }
}

TEST(Binding, WindowsMadeBeforeItGetTheirWidgets) {
  CWnd frame;
  CStatic label;
  ASSERT_TRUE(frame.CreateEx(0, L"Frame", L"Before", WS_POPUP,
                             CRect(0, 0, 100, 50), nullptr, 0));
  ASSERT_TRUE(label.Create(L"Cover", WS_CHILD | WS_VISIBLE, CRect(1, 1, 60, 20),
                           &frame));
  {
    matrix_qt::Binding binding;
    ASSERT_NE(Widget<QLabel>(label.m_hWnd), nullptr);
    EXPECT_EQ(Widget<QLabel>(label.m_hWnd)->text(), "Cover");
    EXPECT_EQ(matrix_qt::HandleOf(WidgetOf(frame.m_hWnd)), frame.m_hWnd);
  }
  EXPECT_EQ(WidgetOf(label.m_hWnd), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  return matrix::testing::RunQtTests(argc, argv);
}
