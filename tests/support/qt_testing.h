// Test helpers for the Qt binding and its hosts, on Qt's offscreen
// platform: acting as the person once a modal dialog is up, answering the
// next message box, retyping a field, and the test program's main.
#ifndef MATRIX_TESTS_SUPPORT_QT_TESTING_H_
#define MATRIX_TESTS_SUPPORT_QT_TESTING_H_

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

namespace matrix::testing {

// Runs `steps` as the person, once the modal loop that is about to start
// is running and its window has the keyboard.
inline void Soon(std::function<void()> steps) {
  QTimer::singleShot(0, [steps] {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
      EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    }
    steps();
  });
}

// What a message box showed.
struct ShownBox {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButton preferred = QMessageBox::NoButton;
};

// Answers the next message box by clicking `button`, noting what it showed.
inline void AnswerNextBox(QMessageBox::StandardButton button, ShownBox* shown) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll->stop();
    poll->deleteLater();
    *shown = {box->text(), box->icon(),
              box->standardButton(box->defaultButton())};
    QTest::mouseClick(box->button(button), Qt::LeftButton);
  });
  poll->start(5);
}

// Selects the whole text of `edit` and types `text` over it.
inline void Retype(QLineEdit* edit, const QString& text) {
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(edit, text);
}

// The test program's main: the offscreen platform unless another is set,
// so that nothing needs a display, then GoogleTest.
inline int RunQtTests(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace matrix::testing

#endif  // MATRIX_TESTS_SUPPORT_QT_TESTING_H_
