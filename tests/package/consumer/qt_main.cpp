// A host of the installed Qt binding: an edit control of the window table
// becomes a QLineEdit that shows the control's text. Prints the widget's
// class and text.
#include <afxwin.h>
#include <matrix-qt/binding.h>

#include <QApplication>
#include <QLineEdit>
#include <cstdio>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  matrix_qt::Binding binding;
  CWnd frame;
  CEdit edit;
  if (!frame.CreateEx(0, L"Frame", L"Host", WS_POPUP, CRect(0, 0, 200, 80),
                      nullptr, 0) ||
      !edit.Create(WS_CHILD | WS_VISIBLE, CRect(5, 5, 150, 30), &frame, 1)) {
    return 1;
  }
  edit.SetWindowText(L"2,5");
  auto* line = qobject_cast<QLineEdit*>(matrix_qt::WidgetOf(edit.m_hWnd));
  if (!line) return 1;
  std::printf("%s %s\n", line->metaObject()->className(),
              line->text().toUtf8().constData());
  return 0;
}
