// matrix Qt binding - AfxMessageBox as a QMessageBox: the icon, the buttons
// and the default button from the MB_ type, the result as Win32's IDs.
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <vector>

#include "binding_impl.h"

namespace matrix_qt {

namespace {

struct Choice {
  QMessageBox::StandardButton button;
  int id;
  const char* text;  // nullptr: Qt's own text for the button
};

// The buttons of each MB_TYPEMASK value, in Win32's order (which numbers
// the MB_DEFBUTTONn choices).
std::vector<Choice> ChoicesOf(UINT type) {
  using B = QMessageBox;
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{B::Ok, IDOK, nullptr}, {B::Cancel, IDCANCEL, nullptr}};
    case MB_ABORTRETRYIGNORE:
      return {{B::Abort, IDABORT, nullptr},
              {B::Retry, IDRETRY, nullptr},
              {B::Ignore, IDIGNORE, nullptr}};
    case MB_YESNOCANCEL:
      return {{B::Yes, IDYES, nullptr},
              {B::No, IDNO, nullptr},
              {B::Cancel, IDCANCEL, nullptr}};
    case MB_YESNO:
      return {{B::Yes, IDYES, nullptr}, {B::No, IDNO, nullptr}};
    case MB_RETRYCANCEL:
      return {{B::Retry, IDRETRY, nullptr}, {B::Cancel, IDCANCEL, nullptr}};
    case MB_CANCELTRYCONTINUE:
      return {{B::Cancel, IDCANCEL, nullptr},
              {B::Retry, IDTRYAGAIN, "Try Again"},
              {B::Ignore, IDCONTINUE, "Continue"}};
    default:
      return {{B::Ok, IDOK, nullptr}};
  }
}

QMessageBox::Icon IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONASTERISK:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

int Binding::Impl::ShowMessageBox(LPCTSTR text, UINT type, UINT help,
                                  void* context) {
  (void)help;
  auto* self = static_cast<Impl*>(context);
  if (QThread::currentThread() != self->gui_thread_) return 0;
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent) parent = QApplication::activeWindow();
  QMessageBox box(IconOf(type), QApplication::applicationDisplayName(),
                  QString::fromWCharArray(text), QMessageBox::NoButton, parent);
  const std::vector<Choice> choices = ChoicesOf(type);
  for (const Choice& c : choices) {
    QPushButton* button = box.addButton(c.button);
    if (c.text) button->setText(QString::fromUtf8(c.text));
  }
  const std::size_t preferred = (type & MB_DEFMASK) >> 8;
  box.setDefaultButton(
      choices[preferred < choices.size() ? preferred : 0].button);
  const QPointer<QWidget> owner = parent;
  box.exec();
  // The keyboard goes back to the window the box was shown over, as a
  // Win32 message box gives it back to its owner.
  if (owner) owner->activateWindow();
  QAbstractButton* clicked = box.clickedButton();
  for (const Choice& c : choices) {
    if (clicked && box.button(c.button) == clicked) return c.id;
  }
  // Closed without a button: Cancel where there is one, as on Win32.
  for (const Choice& c : choices) {
    if (c.id == IDCANCEL) return IDCANCEL;
  }
  return choices.front().id;
}

}  // namespace matrix_qt
