// The pipeline designer's main window: the nodes as a table to edit, the
// pipe's fields (edited in the framework dialog), the drawing and the
// report, redrawn after every change.
#ifndef MATRIX_EXAMPLES_PIPELINE_DESIGNER_MAIN_WINDOW_H_
#define MATRIX_EXAMPLES_PIPELINE_DESIGNER_MAIN_WINDOW_H_

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>

#include "project.h"

class QLabel;
class QPlainTextEdit;
class QSvgWidget;
class QTableWidget;

namespace designer {

// Reads a whole file; throws DocumentError naming the path and the reason.
std::string ReadFile(const QString& path);

class MainWindow : public QMainWindow {
 public:
  // Shows `project`, read from `path`. `bundled`: `path` is the sample that
  // comes with the program, which Save does not write over (it asks for a
  // name, as Save As does) and which is not kept as the last document.
  MainWindow(const Project& project, const QString& path, bool bundled = false);
  ~MainWindow() override;

  // Opens the document at `path`; false, with the window unchanged and
  // *problem one line, when it cannot be read or computed.
  bool Open(const QString& path, std::string* problem);
  // Writes the document to `path`; false with *problem when it cannot.
  bool SaveTo(const QString& path, std::string* problem);
  // Runs the pipe dialog; true when its fields were accepted.
  bool EditPipe();

  const Project& project() const { return *project_; }
  const QString& path() const { return path_; }
  // The drawing as the window shows it.
  const std::string& svg() const { return svg_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* MakePanels();
  void MakeMenus();
  void Refresh();
  void NodeEdited(int row, int column);
  void AddNode();
  void RemoveNode();
  void OpenChosen();
  void SaveChosen(bool ask);
  void SetNodes(const std::vector<Node>& nodes);

  std::unique_ptr<Project> project_;
  QString path_;
  bool bundled_;
  std::string svg_;
  QTableWidget* nodes_ = nullptr;
  QLabel* fields_ = nullptr;
  QSvgWidget* drawing_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
  bool filling_ = false;  // the table is being filled, not edited
};

}  // namespace designer

#endif  // MATRIX_EXAMPLES_PIPELINE_DESIGNER_MAIN_WINDOW_H_
