// matrix Qt binding - the window table's records as widgets: made and
// destroyed with the windows, kept in step with the table, and the
// person's actions fed back through the layer's calls.
#include <afxwin.h>
#include <matrix-qt/binding.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <exception>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

#include "binding_impl.h"

namespace matrix_qt {

namespace {

Binding::Impl* g_binding = nullptr;  // the one that lives (GUI thread)

QString TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1,
                    L'\0');
  const int n =
      GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  return QString::fromWCharArray(text.data(), n);
}

QString ItemOf(HWND box, int index) {
  const LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, index, 0);
  if (length < 0) return QString();
  std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()));
  return QString::fromWCharArray(item.data(), static_cast<int>(length));
}

std::wstring Wide(const QString& text) { return text.toStdWString(); }

// No limit on what a person may type into an edit control.
constexpr int kWholeText = std::numeric_limits<int>::max();

// Presses the default button of the dialog that holds `widget`, as Enter
// does in a dialog (an editable combo box keeps the key to itself). Queued:
// the button may end the dialog, and the key's handler is still running.
void PressDefaultButton(QWidget* widget) {
  QDialog* dialog = qobject_cast<QDialog*>(widget->window());
  if (!dialog) return;
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
    if (button->isDefault() && button->isVisible() && button->isEnabled()) {
      QMetaObject::invokeMethod(button, &QPushButton::click,
                                Qt::QueuedConnection);
      return;
    }
  }
}

DWORD StyleOf(HWND window) {
  return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
}

QString ClassOf(HWND window) {
  wchar_t name[32];
  const int n = GetClassNameW(window, name, 32);
  return QString::fromWCharArray(name, n);
}

// A top-level window: closing it, or Escape, is the window's WM_CLOSE; it
// hides only when the layer says so (EndDialog).
class DialogWidget : public QDialog {
 public:
  DialogWidget(Binding::Impl& binding, HWND window, QWidget* owner)
      : QDialog(owner), binding_(binding), window_(window) {}
  void reject() override {
    binding_.User([this] { SendMessageW(window_, WM_CLOSE, 0, 0); });
  }

 private:
  Binding::Impl& binding_;
  HWND window_;
};

}  // namespace

// --- Making and destroying widgets --------------------------------------

QWidget* Binding::Impl::MakeControl(HWND window, const QString& kind,
                                    DWORD style, QWidget* parent) {
  if (kind == "Edit") {
    auto* edit = new QLineEdit(parent);
    // Qt cuts a text at 32 767 characters the first time it is edited; an
    // edit control holds what it is given.
    edit->setMaxLength(kWholeText);
    QObject::connect(edit, &QLineEdit::textEdited, edit,
                     [this, window, edit](const QString& text) {
                       User([&] { Typed(window, edit, text); });
                     });
    return edit;
  }
  if (kind == "ComboBox") {
    auto* box = new QComboBox(parent);
    box->setEditable((style & 0x3) != CBS_DROPDOWNLIST);
    // Enter in the edit part adds nothing to the list (the layer's list is
    // the program's); it presses the dialog's default button.
    box->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(box, &QComboBox::activated, box, [this, window](int i) {
      User([&] { Chosen(window, i); });
    });
    if (QLineEdit* edit = box->lineEdit()) {
      edit->setMaxLength(kWholeText);
      QObject::connect(edit, &QLineEdit::textEdited, box,
                       [this, window](const QString& text) {
                         User([&] { TypedInCombo(window, text); });
                       });
      QObject::connect(edit, &QLineEdit::returnPressed, box,
                       [box] { PressDefaultButton(box); });
    }
    return box;
  }
  if (kind == "Button") {
    const DWORD type = style & BS_TYPEMASK;
    QAbstractButton* button;
    if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {
      button = new QCheckBox(parent);
    } else {
      auto* push = new QPushButton(parent);
      push->setDefault(type == BS_DEFPUSHBUTTON);
      button = push;
    }
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [this, window] { User([&] { Clicked(window); }); });
    return button;
  }
  if (kind == "Static") {
    auto* label = new QLabel(parent);
    const DWORD align = style & 0x3;
    label->setAlignment(align == SS_CENTER  ? Qt::AlignCenter
                        : align == SS_RIGHT ? Qt::AlignRight | Qt::AlignVCenter
                                            : Qt::AlignLeft | Qt::AlignVCenter);
    return label;
  }
  return new QWidget(parent);
}

void Binding::Impl::Make(HWND window) {
  if (widgets_.count(window) || !IsWindow(window)) return;
  const HWND parent = GetParent(window);
  if (parent && !Find(parent)) Make(parent);
  QWidget* parent_widget = parent ? Find(parent) : nullptr;
  const DWORD style = StyleOf(window);
  Applying applying(*this);
  QWidget* widget;
  if (!(style & WS_CHILD)) {
    QWidget* owner =
        parent_widget ? parent_widget->window() : QApplication::activeWindow();
    auto* dialog = new DialogWidget(*this, window, owner);
    if (style & DS_MODALFRAME) dialog->setWindowModality(Qt::ApplicationModal);
    dialog->installEventFilter(&context_);
    widget = dialog;
  } else {
    widget = MakeControl(window, ClassOf(window), style, parent_widget);
  }
  widgets_[window] = widget;
  handles_[widget] = window;
  SyncContent(window, widget, true);
  SyncState(window, widget);
}

void Binding::Impl::Destroy(HWND window) {
  auto it = widgets_.find(window);
  if (it == widgets_.end()) return;
  QPointer<QWidget> widget = it->second;
  widgets_.erase(it);
  if (!widget) return;
  handles_.erase(widget.data());
  Applying applying(*this);
  widget->hide();
  // The widget whose signal is being handled must live until it returns.
  if (in_user_ > 0) {
    widget->deleteLater();
  } else {
    delete widget.data();
  }
}

// --- Layer to widget -------------------------------------------------------

void Binding::Impl::SyncEdit(HWND window, QLineEdit* edit, bool selection) {
  const QString text = TextOf(window);
  if (edit->text() != text) {
    edit->setText(text);
    selection = true;
  }
  if (!selection) return;  // the person's own typing keeps the caret
  DWORD start = 0, end = 0;
  SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  if (start == end) {
    edit->setCursorPosition(static_cast<int>(start));
  } else {
    edit->setSelection(static_cast<int>(start), static_cast<int>(end - start));
  }
}

void Binding::Impl::SyncCombo(HWND window, QComboBox* box) {
  QStringList items;
  const int count = static_cast<int>(SendMessageW(window, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) items << ItemOf(window, i);
  QStringList shown;
  for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
  if (shown != items) {
    box->clear();
    box->addItems(items);
  }
  const int current =
      static_cast<int>(SendMessageW(window, CB_GETCURSEL, 0, 0));
  if (box->currentIndex() != current) box->setCurrentIndex(current);
  if (box->isEditable()) {
    const QString text = TextOf(window);
    if (box->currentText() != text) box->setEditText(text);
  }
}

void Binding::Impl::SyncContent(HWND window, QWidget* widget, bool selection) {
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    SyncEdit(window, edit, selection);
  } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
    SyncCombo(window, box);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    const QString text = TextOf(window);
    if (button->text() != text) button->setText(text);
    if (auto* check = qobject_cast<QCheckBox*>(button)) {
      const bool on = SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
      if (check->isChecked() != on) check->setChecked(on);
    }
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    const QString text = TextOf(window);
    if (label->text() != text) label->setText(text);
  } else if (widget->isWindow()) {
    const QString text = TextOf(window);
    if (widget->windowTitle() != text) widget->setWindowTitle(text);
  }
}

// The widget's place for the window's rectangle: a combo box's rectangle
// holds its drop-down list, the closed box keeps its own height.
QRect Binding::Impl::PlaceOf(HWND window, QWidget* widget) {
  RECT r{};
  if (widget->isWindow()) {
    GetWindowRect(window, &r);
  } else {
    GetWindowRect(window, &r);
    RECT parent{};
    GetWindowRect(GetParent(window), &parent);
    OffsetRect(&r, -parent.left, -parent.top);
  }
  QRect place(r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (qobject_cast<QComboBox*>(widget)) {
    place.setHeight(std::min(place.height(), widget->sizeHint().height()));
  }
  return place;
}

void Binding::Impl::SyncState(HWND window, QWidget* widget) {
  const DWORD style = StyleOf(window);
  // A disabled parent disables its children's widgets without touching
  // their own state, as WS_DISABLED is each window's own.
  const bool enabled = !(style & WS_DISABLED);
  if (widget->testAttribute(Qt::WA_ForceDisabled) == enabled) {
    widget->setEnabled(enabled);
  }
  const QRect place = PlaceOf(window, widget);
  if (widget->geometry() != place) widget->setGeometry(place);
  const bool shown = style & WS_VISIBLE;
  if (widget->isHidden() == shown) {
    widget->setVisible(shown);
    // A window shown takes the keyboard, as ShowWindow's does on Win32.
    if (shown && widget->isWindow()) widget->activateWindow();
  }
}

void Binding::Impl::Apply(HWND window, UINT message) {
  if (message == WM_CREATE) return Make(window);
  if (message == WM_DESTROY) return Destroy(window);
  QWidget* widget = Find(window);
  if (!widget || !IsWindow(window)) return;
  Applying applying(*this);
  switch (message) {
    case WM_SETFOCUS:
      if (!widget->hasFocus()) widget->setFocus(Qt::OtherFocusReason);
      break;
    case WM_KILLFOCUS:
      if (widget->hasFocus()) widget->clearFocus();
      break;
    case WM_SHOWWINDOW:
    case WM_ENABLE:
    case WM_WINDOWPOSCHANGED:
      SyncState(window, widget);
      break;
    default:
      SyncContent(window, widget, message == EM_SETSEL);
      break;
  }
}

void Binding::Impl::Observe(HWND window, UINT message, void* context) {
  auto* self = static_cast<Impl*>(context);
  if (QThread::currentThread() == self->gui_thread_) {
    self->Apply(window, message);
    return;
  }
  // Widgets are the GUI thread's: the change reaches them from its queue,
  // and the widget then shows the table as it is by that time.
  QMetaObject::invokeMethod(
      &self->context_,
      [self, window, message] { self->Apply(window, message); },
      Qt::QueuedConnection);
}

void Binding::Impl::Dispatch(AFX_THREAD_CALL call, void* argument,
                             void* context) {
  auto* self = static_cast<Impl*>(context);
  if (QThread::currentThread() == self->gui_thread_) {
    call(argument);
    return;
  }
  // A notification sent from another thread: the dialog's message map runs
  // on the GUI thread, in order with the widgets' updates from the queue.
  QMetaObject::invokeMethod(
      &self->context_, [call, argument] { call(argument); },
      Qt::QueuedConnection);
}

// --- The person's actions to the layer ---------------------------------

void Binding::Impl::Notify(HWND control, WORD code) {
  const HWND parent = GetParent(control);
  if (!parent) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}

void Binding::Impl::Typed(HWND window, QLineEdit* edit, const QString& text) {
  SetWindowTextW(window, Wide(text).c_str());  // sends EN_CHANGE
  if (!IsWindow(window) || Find(window) != edit) return;
  const int start =
      edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
  const int end =
      edit->hasSelectedText() ? edit->selectionEnd() : edit->cursorPosition();
  SendMessageW(window, EM_SETSEL, static_cast<WPARAM>(start), end);
}

void Binding::Impl::TypedInCombo(HWND window, const QString& text) {
  SetWindowTextW(window, Wide(text).c_str());
  Notify(window, CBN_EDITCHANGE);
}

void Binding::Impl::Chosen(HWND window, int index) {
  if (index < 0 || index >= SendMessageW(window, CB_GETCOUNT, 0, 0)) return;
  // The item already selected, chosen again after the person typed over
  // it, puts its text back.
  if (SendMessageW(window, CB_GETCURSEL, 0, 0) == index &&
      TextOf(window) == ItemOf(window, index))
    return;
  SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  Notify(window, CBN_SELCHANGE);
}

void Binding::Impl::Clicked(HWND window) {
  SendMessageW(window, BM_CLICK, 0, 0);
  // The toolkit has toggled its check box; the table decides (a plain
  // BS_CHECKBOX is toggled by the program, not by the click).
  if (QWidget* widget = Find(window)) {
    Applying applying(*this);
    SyncContent(window, widget, false);
  }
}

void Binding::Impl::FocusMoved(QWidget* now) {
  const HWND window = HandleOf(now);
  if (window && GetFocus() != window) SetFocus(window);
}

void Binding::Impl::Moved(QWidget* widget) {
  const HWND window = HandleOf(widget);
  if (!window) return;
  const QRect g = widget->geometry();
  MoveWindow(window, g.x(), g.y(), g.width(), g.height(), FALSE);
}

bool Binding::Impl::Context::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
      watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    binding_.User([&] { binding_.Moved(widget); });
  }
  return false;
}

void Binding::Impl::Report(std::exception_ptr error) {
  // Nothing may leave a Qt event handler; the person hears of it as the
  // framework reports a failure.
  try {
    std::rethrow_exception(error);
  } catch (CException* e) {
    e->ReportError(MB_ICONEXCLAMATION);
    e->Delete();
  } catch (const std::exception& e) {
    AfxMessageBox(QString::fromUtf8(e.what()).toStdWString().c_str(),
                  MB_ICONEXCLAMATION);
  } catch (...) {
    AfxMessageBox(L"The operation failed.", MB_ICONEXCLAMATION);
  }
}

// --- The binding -----------------------------------------------------------

QWidget* Binding::Impl::Find(HWND window) const {
  auto it = widgets_.find(window);
  return it == widgets_.end() ? nullptr : it->second.data();
}

HWND Binding::Impl::Handle(const QWidget* widget) const {
  auto it = handles_.find(widget);
  return it == handles_.end() ? nullptr : it->second;
}

void Binding::Impl::RunModal(HWND dialog, void* context) {
  auto* self = static_cast<Impl*>(context);
  if (QThread::currentThread() != self->gui_thread_) return;
  auto* widget = qobject_cast<QDialog*>(self->Find(dialog));
  if (widget && widget->isVisible()) widget->exec();
}

Binding::Impl::Impl() : gui_thread_(QThread::currentThread()), context_(*this) {
  focus_ = QObject::connect(
      qApp, &QApplication::focusChanged, &context_,
      [this](QWidget*, QWidget* now) { User([&] { FocusMoved(now); }); });
  AfxSetWindowObserver(&Impl::Observe, this);
  AfxSetThreadDispatcher(&Impl::Dispatch, this);
  AfxSetModalLoopHandler(&Impl::RunModal, this);
  AfxSetMessageBoxHandler(&Impl::ShowMessageBox, this);
  // The windows made before the binding: parents before their children.
  auto make = [](HWND window, LPARAM self) -> BOOL {
    reinterpret_cast<Impl*>(self)->Make(window);
    EnumChildWindows(
        window,
        [](HWND child, LPARAM s) -> BOOL {
          reinterpret_cast<Impl*>(s)->Make(child);
          return TRUE;
        },
        self);
    return TRUE;
  };
  EnumWindows(make, reinterpret_cast<LPARAM>(this));
}

Binding::Impl::~Impl() {
  AfxSetThreadDispatcher(nullptr, nullptr);
  // What other threads queued runs as at a turn of the event loop: each
  // dispatched call owns what it was given.
  QCoreApplication::sendPostedEvents(&context_, QEvent::MetaCall);
  AfxSetWindowObserver(nullptr, nullptr);
  AfxSetModalLoopHandler(nullptr, nullptr);
  AfxSetMessageBoxHandler(nullptr, nullptr);
  QObject::disconnect(focus_);
  std::vector<QPointer<QWidget>> windows;
  for (const auto& [handle, widget] : widgets_) {
    if (widget && widget->isWindow()) windows.push_back(widget);
  }
  widgets_.clear();
  handles_.clear();
  for (QPointer<QWidget>& w : windows) delete w.data();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

Binding::Binding() : impl_(std::make_unique<Impl>()) {
  g_binding = impl_.get();
}

Binding::~Binding() {
  g_binding = nullptr;
  impl_.reset();
}

QWidget* WidgetOf(HWND window) {
  return g_binding ? g_binding->Find(window) : nullptr;
}

HWND HandleOf(const QWidget* widget) {
  return g_binding ? g_binding->Handle(widget) : nullptr;
}

}  // namespace matrix_qt
