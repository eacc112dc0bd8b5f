/// \file
/// \ingroup qt_binding
/// \brief The platform layer's windows shown as Qt 6 widgets, its modal dialogs
/// run by QDialog::exec and its message boxes shown as QMessageBox.
#ifndef MATRIX_QT_BINDING_H_
#define MATRIX_QT_BINDING_H_

/// \defgroup qt_binding matrix-qt/binding.h: the Qt binding
/// \ingroup qt
/// \brief The platform layer's windows shown as Qt 6 widgets, its modal dialogs
/// run by QDialog::exec and its message boxes shown as QMessageBox.
/// @{

#include <windef.h>

#include <memory>

/// Marks what the Qt binding's library exports.
#if defined(_WIN32)
#define MATRIX_QT_API
#else
#define MATRIX_QT_API __attribute__((visibility("default")))
#endif

class QWidget;

namespace matrix_qt {

/// While it lives, every window of the layer's table is a Qt widget at the
/// window's rectangle: a top-level window a QDialog (application-modal with
/// DS_MODALFRAME, as CDialog::DoModal makes it; owned by the widget of its
/// owner window, else by the active window), a plain child window a
/// QWidget, EDIT a QLineEdit, COMBOBOX a QComboBox (a drop-down list not
/// editable, a drop-down editable; the rectangle's height includes the
/// list, as on Win32, so the closed box keeps its own height), BUTTON a
/// QPushButton (BS_DEFPUSHBUTTON the default one) or a QCheckBox, STATIC a
/// QLabel. Windows that exist when it is made get their widgets then.
///
/// Both ways, without an echo: a change made through the layer (text,
/// items, selection, check state, focus, enabled, shown, rectangle) shows
/// in the widget; what the person does goes into the table through the
/// layer's calls and sends the framework's notification to the parent's
/// message map: typing (SetWindowTextW; EN_CHANGE, or CBN_EDITCHANGE in a
/// combo box), choosing an item (CB_SETCURSEL, then CBN_SELCHANGE),
/// clicking (BM_CLICK: BN_CLICKED), moving the focus (SetFocus), moving or
/// resizing a top-level window (MoveWindow). Closing a dialog, or Escape,
/// is WM_CLOSE: IDCANCEL through OnCancel. DoModal runs QDialog::exec;
/// AfxMessageBox shows a QMessageBox with the icon, buttons and default
/// button of its MB_ type and returns IDOK, IDCANCEL, IDABORT, IDRETRY,
/// IDIGNORE, IDYES, IDNO, IDTRYAGAIN or IDCONTINUE. A window's widget is
/// destroyed with the window (while the person's own action is being
/// handled, at the event loop's next turn, hidden and unmapped at once).
///
/// Threads: widgets are touched on the GUI thread only. Other threads may
/// change windows through the layer's calls (text, items, selection, check
/// state, focus, visibility, state, rectangle; also create and destroy
/// windows); their widgets follow by a queued call, read afresh from the
/// table on the GUI thread. The notifications such a change sends (an
/// edit's EN_CHANGE) to a window made on the GUI thread run its message
/// map there, queued after the change (AfxSetThreadDispatcher), so that a
/// handler never runs beside the dialog's own work or after its object is
/// gone. DoModal,
/// AfxMessageBox (which refuses with 0 elsewhere) and this object belong
/// on the GUI thread.
class MATRIX_QT_API Binding {
 public:
  /// REQUIRES: a QApplication exists and this is its thread; no other
  /// Binding lives. Installs the layer's window observer, modal loop and
  /// message box handlers.
  Binding();
  /// Removes the handlers and destroys every widget made; the windows stay
  /// in the table. REQUIRES: no other thread changes windows meanwhile.
  ~Binding();
  /// Not copyable.
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

/// The widget of `window`, NULL when no Binding lives or the handle names
/// no window. GUI thread only.
MATRIX_QT_API QWidget* WidgetOf(HWND window);

/// The window whose widget `widget` is, NULL for any other widget. GUI
/// thread only.
MATRIX_QT_API HWND HandleOf(const QWidget* widget);

}  // namespace matrix_qt

/// @}

#endif  // MATRIX_QT_BINDING_H_
