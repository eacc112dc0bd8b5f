// Test helpers for windows and dialog exchanges: a dialog with controls,
// a recorder of message boxes, a check that a call throws a given framework
// exception, and the exchanges that have no dialog window to work on. The
// locale switch the exchanges are tested under comes with them.
#ifndef MATRIX_TESTS_SUPPORT_DIALOG_TESTING_H_
#define MATRIX_TESTS_SUPPORT_DIALOG_TESTING_H_

#include <afxwin.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/afx_testing.h"
#include "support/locale_testing.h"

namespace matrix::testing {

// The whole window text of `window` as a std::wstring.
inline std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1,
                    L'\0');
  const int n =
      GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(n));
  return text;
}

// A top-level dialog window with an edit control, a drop-down combo box
// and a drop-down list, as a dialog template would lay them out.
struct TestDialog {
  static constexpr int kEdit = 1001;
  static constexpr int kCombo = 1002;
  static constexpr int kList = 1003;

  TestDialog() {
    const CRect r(0, 0, 100, 20);
    EXPECT_TRUE(
        dialog.CreateEx(0, L"#32770", L"Dialog", WS_POPUP, r, nullptr, 0));
    EXPECT_TRUE(
        edit.Create(WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, r, &dialog, kEdit));
    EXPECT_TRUE(
        combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, r, &dialog, kCombo));
    EXPECT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, r,
                            &dialog, kList));
  }

  CWnd dialog;
  CEdit edit;
  CComboBox combo;
  CComboBox list;
};

// Records the message boxes shown while it lives; the handler answers
// `answer`.
class MessageBoxes {
 public:
  struct Shown {
    std::wstring text;
    UINT type;
    UINT help;
  };

  explicit MessageBoxes(int answer = IDOK) : answer_(answer) {
    AfxSetMessageBoxHandler(&MessageBoxes::Handle, this);
  }
  ~MessageBoxes() { AfxSetMessageBoxHandler(nullptr, nullptr); }
  MessageBoxes(const MessageBoxes&) = delete;
  MessageBoxes& operator=(const MessageBoxes&) = delete;

  const std::vector<Shown>& shown() const { return shown_; }

 private:
  static int Handle(LPCTSTR text, UINT type, UINT help, void* context) {
    auto* self = static_cast<MessageBoxes*>(context);
    self->shown_.push_back({text, type, help});
    return self->answer_;
  }

  int answer_;
  std::vector<Shown> shown_;
};

// Whether `call` throws a pointer to the framework exception E (which is
// Delete()d), and nothing else.
template <typename E>
::testing::AssertionResult ThrowsFramework(const std::function<void()>& call) {
  const E probe(FALSE);  // not on the heap: only its class is wanted
  return ThrowsAfx(call, probe.GetRuntimeClass(), "the exchange");
}

// The exchanges that have no dialog window to work on, each of which an
// exchange call must refuse with an invalid argument: no exchange at all,
// one whose window was never created, and one with no window, saving and
// loading.
class ExchangesWithoutADialog {
 public:
  ExchangesWithoutADialog()
      : without_window_(&no_window_, TRUE),
        saving_without_dialog_(nullptr, TRUE),
        loading_without_dialog_(nullptr, FALSE) {}
  ExchangesWithoutADialog(const ExchangesWithoutADialog&) = delete;
  ExchangesWithoutADialog& operator=(const ExchangesWithoutADialog&) = delete;

  std::vector<CDataExchange*> all() {
    return {nullptr, &without_window_, &saving_without_dialog_,
            &loading_without_dialog_};
  }
  CDataExchange& without_window() { return without_window_; }

 private:
  CWnd no_window_;
  CDataExchange without_window_;
  CDataExchange saving_without_dialog_;
  CDataExchange loading_without_dialog_;
};

}  // namespace matrix::testing

#endif  // MATRIX_TESTS_SUPPORT_DIALOG_TESTING_H_
