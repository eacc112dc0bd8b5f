// matrix Qt binding (internal) - the binding's state: the widgets of the
// windows, both ways, and the guards that keep the two directions apart.
#ifndef MATRIX_QT_SRC_BINDING_IMPL_H_
#define MATRIX_QT_SRC_BINDING_IMPL_H_

#include <afxwin.h>
#include <matrix-qt/binding.h>

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <exception>
#include <unordered_map>

class QComboBox;
class QEvent;
class QLineEdit;
class QThread;

namespace matrix_qt {

// Hidden: only the Binding and the two mapping calls are exported.
class __attribute__((visibility("hidden"))) Binding::Impl {
 public:
  Impl();
  ~Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  QWidget* Find(HWND window) const;
  HWND Handle(const QWidget* widget) const;

  // Runs a person's action (a widget's signal) unless it is the echo of a
  // change the layer made; nothing it throws leaves into Qt.
  template <typename Action>
  void User(Action&& action) {
    if (applying_ > 0) return;
    ++in_user_;
    try {
      action();
    } catch (...) {
      Report(std::current_exception());
    }
    --in_user_;
  }

 private:
  // While the layer's changes are applied to widgets, their signals are
  // not the person's.
  class Applying {
   public:
    explicit Applying(Impl& impl) : impl_(impl) { ++impl_.applying_; }
    ~Applying() { --impl_.applying_; }
    Applying(const Applying&) = delete;
    Applying& operator=(const Applying&) = delete;

   private:
    Impl& impl_;
  };

  // Receives the queued calls and watches top-level windows being moved.
  class Context : public QObject {
   public:
    explicit Context(Impl& binding) : binding_(binding) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

   private:
    Impl& binding_;
  };

  static void Observe(HWND window, UINT message, void* context);
  static void Dispatch(AFX_THREAD_CALL call, void* argument, void* context);
  static void RunModal(HWND dialog, void* context);
  static int ShowMessageBox(LPCTSTR text, UINT type, UINT help, void* context);
  static void Report(std::exception_ptr error);

  void Apply(HWND window, UINT message);
  void Make(HWND window);
  QWidget* MakeControl(HWND window, const QString& kind, DWORD style,
                       QWidget* parent);
  void Destroy(HWND window);
  void SyncContent(HWND window, QWidget* widget, bool selection);
  void SyncEdit(HWND window, QLineEdit* edit, bool selection);
  void SyncCombo(HWND window, QComboBox* box);
  void SyncState(HWND window, QWidget* widget);
  static QRect PlaceOf(HWND window, QWidget* widget);

  static void Notify(HWND control, WORD code);
  void Typed(HWND window, QLineEdit* edit, const QString& text);
  void TypedInCombo(HWND window, const QString& text);
  void Chosen(HWND window, int index);
  void Clicked(HWND window);
  void FocusMoved(QWidget* now);
  void Moved(QWidget* widget);

  QThread* gui_thread_;
  Context context_;
  QMetaObject::Connection focus_;
  std::unordered_map<HWND, QPointer<QWidget>> widgets_;
  std::unordered_map<const QWidget*, HWND> handles_;
  int applying_ = 0;
  int in_user_ = 0;
};

}  // namespace matrix_qt

#endif  // MATRIX_QT_SRC_BINDING_IMPL_H_
