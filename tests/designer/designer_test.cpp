// The pipeline designer as an engineer uses it, on Qt's offscreen
// platform: the sample opened, the pipe's fields edited through the
// framework dialog (typed numbers, decimal commas, formulas, refused
// texts), the drawing redrawn, the document saved and read back.
#include <gtest/gtest.h>
#include <matrix-qt/binding.h>
#include <matrix/matrix.h>
#include <windows.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "main_window.h"
#include "pipe_dialog.h"
#include "project.h"
#include "settings.h"
#include "support/qt_testing.h"

namespace {

using namespace matrix::testing;
using designer::CPipeDialog;
using designer::MainWindow;
using designer::Project;

Project Sample() {
  return Project::Read(designer::ReadFile(DESIGNER_TEST_SAMPLE));
}

// Runs `steps` as the person on the pipe dialog once it is up.
void OnDialog(std::function<void(HWND)> steps) {
  Soon([steps] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    steps(matrix_qt::HandleOf(dialog));
  });
}

QLineEdit* Field(HWND dialog, int field) {
  return qobject_cast<QLineEdit*>(
      matrix_qt::WidgetOf(GetDlgItem(dialog, CPipeDialog::IDC_FIELD + field)));
}

void Type(HWND dialog, int field, const QString& text) {
  Retype(Field(dialog, field), text);
}

void Press(HWND dialog, int id) {
  QTest::mouseClick(
      qobject_cast<QPushButton*>(matrix_qt::WidgetOf(GetDlgItem(dialog, id))),
      Qt::LeftButton);
}

class DesignerTest : public ::testing::Test {
 protected:
  matrix_qt::Binding binding;
  MainWindow window{Sample(), DESIGNER_TEST_SAMPLE};
};

TEST_F(DesignerTest, FieldsTypedInTheDialogRedrawTheRun) {
  const std::string before = window.svg();
  OnDialog([](HWND dialog) {
    EXPECT_EQ(Field(dialog, 2)->text(), "5*#0");  // the sample's formula
    Type(dialog, 0, "0,273");                     // a decimal comma
    Type(dialog, 2, "12*#0");                     // a formula over field 0
    Press(dialog, IDOK);
  });
  ASSERT_TRUE(window.EditPipe());
  EXPECT_NE(window.svg(), before);
  EXPECT_EQ(window.project().Field(0), L"0.273");
  EXPECT_EQ(window.project().Field(2), L"12*#0");
  EXPECT_DOUBLE_EQ(window.project().Value(2), 12 * 0.273);
}

TEST_F(DesignerTest, RefusedTextsKeepTheDialogOpenAndChangeNothing) {
  const struct {
    int field;
    const char* typed;
    const char* message;  // a part of the message shown; nullptr: the
                          // formula engine's own (GetLastErrorM)
  } rows[] = {
      {1, "abc", nullptr},
      {1, "1,2,3", "Please type a number."},  // commas made points: 1.2.3
      {1, "#5", "does not name a field before this one"},
      {1, "0.3", "wall"},  // a wall thicker than half the diameter
  };
  const std::string before = window.svg();
  for (const auto& row : rows) {
    ShownBox shown;
    OnDialog([&](HWND dialog) {
      Type(dialog, row.field, row.typed);
      AnswerNextBox(QMessageBox::Ok, &shown);
      Press(dialog, IDOK);
      EXPECT_TRUE(QApplication::activeModalWidget()) << row.typed;
      Press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(window.EditPipe()) << row.typed;
    CString fault;
    GetLastErrorM(fault);
    const QString expected =
        row.message ? QString(row.message) : QString::fromWCharArray(fault);
    EXPECT_FALSE(expected.isEmpty());
    EXPECT_TRUE(shown.text.contains(expected))
        << row.typed << ": " << shown.text.toStdString();
  }
  EXPECT_EQ(window.svg(), before);
  EXPECT_EQ(window.project().Field(1), L"0.008");
}

TEST_F(DesignerTest, ASavedDocumentReadsBackTheSame) {
  QTemporaryDir dir;
  std::string problem;
  ASSERT_TRUE(window.SaveTo(dir.filePath("run.json"), &problem)) << problem;
  MainWindow again(Sample(), DESIGNER_TEST_SAMPLE);
  ASSERT_TRUE(again.Open(dir.filePath("run.json"), &problem)) << problem;
  for (int k = 0; k < Project::kFieldCount; ++k) {
    EXPECT_EQ(again.project().Field(k), window.project().Field(k)) << k;
  }
  EXPECT_EQ(again.project().Curve(), window.project().Curve());
  EXPECT_EQ(again.project().Nodes().size(), window.project().Nodes().size());
  EXPECT_EQ(again.svg(), window.svg());
  EXPECT_FALSE(again.Open(dir.filePath("missing.json"), &problem));
  EXPECT_NE(problem.find("missing.json"), std::string::npos);
}

// Save on the bundled sample wrote over the program's own sample: it asks
// for a name instead (here the file dialog is cancelled).
TEST_F(DesignerTest, SaveDoesNotWriteOverTheBundledSample) {
  QTemporaryDir dir;
  const QString sample = dir.filePath("sample.json");
  ASSERT_TRUE(QFile::copy(DESIGNER_TEST_SAMPLE, sample));
  const std::string before = designer::ReadFile(sample);
  MainWindow bundled(Sample(), sample, true);
  QAction* save = nullptr;
  for (QAction* a : bundled.findChildren<QAction*>()) {
    if (a->text() == "&Save") save = a;
  }
  ASSERT_NE(save, nullptr);
  bool asked = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      asked = true;
      modal->close();
    }
  });
  save->trigger();
  EXPECT_TRUE(asked);
  EXPECT_EQ(designer::ReadFile(sample), before);
}

// Save left out the profile's step (the reopened run was sampled at 1 m),
// and removing a node kept the inserted node's number, which then named
// the next corner: the inserted node moved to another bend.
TEST(DesignerProject, SaveKeepsTheStepAndSplitsStayOnTheirCorners) {
  std::string json = designer::ReadFile(DESIGNER_TEST_SAMPLE);
  json.insert(json.find('{') + 1, "\"profile_step\": 0.25,");
  const Project stepped = Project::Read(json);
  EXPECT_EQ(Project::Read(stepped.Write()).Report("x"), stepped.Report("x"));
  Project p = Sample();
  const std::string at = "0.438 m along the arc: node at 24.086, 17.879";
  ASSERT_NE(p.Report("x").find("bend at node 3, " + at), std::string::npos);
  p.RemoveNode(0);
  std::string problem;
  ASSERT_TRUE(p.Compute(&problem)) << problem;
  EXPECT_NE(p.Report("x").find("bend at node 2, " + at), std::string::npos)
      << p.Report("x");
  p.RemoveNode(1);  // the corner itself: its inserted node goes with it
  ASSERT_TRUE(p.Compute(&problem)) << problem;
  EXPECT_EQ(p.Report("x").find("along the arc: node at"), std::string::npos);
}

TEST(DesignerSettings, KeptSettingsAreRecalledFromTheApplicationsProfile) {
  designer::CDesignerApp app;
  ASSERT_EQ(AfxGetApp(), &app);
  ASSERT_TRUE(app.InitInstance());
  const designer::Settings kept{"/tmp/a run.json", std::string("\0\1\2", 3)};
  designer::KeepSettings(kept);
  const designer::Settings recalled = designer::RecallSettings();
  EXPECT_EQ(recalled.last_document, kept.last_document);
  EXPECT_EQ(recalled.geometry, kept.geometry);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER,
                          L"Software\\matrix\\pipeline-designer\\Settings", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv) {
  return matrix::testing::RunQtTests(argc, argv);
}
