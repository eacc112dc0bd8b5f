// The pipeline designer's main window.
#include "main_window.h"

#include <afxwin.h>
#include <matrix/matrix.h>
#include <utf8codec.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <charconv>

#include "pipe_dialog.h"
#include "settings.h"

namespace designer {

namespace {

// The drawing, scaled to fit with its proportions kept.
class Drawing : public QSvgWidget {
 public:
  using QSvgWidget::QSvgWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QSizeF size = renderer()->defaultSize();
    if (size.isEmpty()) return;
    const double scale =
        std::min(width() / size.width(), height() / size.height());
    const QSizeF fitted = size * scale;
    renderer()->render(&painter,
                       QRectF(QPointF((width() - fitted.width()) / 2,
                                      (height() - fitted.height()) / 2),
                              fitted));
  }
};

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// A coordinate as typed into a cell: trimmed, a decimal comma taken as the
// point (the library's CompileStringFromCtrl), then the whole text a
// number. False for anything else.
bool ReadCoordinate(const QString& typed, double* value) {
  CString text(typed.toStdWString().c_str());
  CompileStringFromCtrl(text);
  const std::string narrow = matrix::platform::ToUtf8(text.GetString());
  const auto [end, error] =
      std::from_chars(narrow.data(), narrow.data() + narrow.size(), *value);
  return !narrow.empty() && error == std::errc() &&
         end == narrow.data() + narrow.size();
}

QString Coordinate(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return QString::fromLatin1(buffer, static_cast<int>(end - buffer));
}

}  // namespace

std::string ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw DocumentError(path.toStdString() + ": " +
                        file.errorString().toStdString());
  }
  return file.readAll().toStdString();
}

MainWindow::MainWindow(const Project& project, const QString& path,
                       bool bundled)
    : project_(std::make_unique<Project>(project)),
      path_(path),
      bundled_(bundled) {
  setCentralWidget(MakePanels());
  MakeMenus();
  Refresh();
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::MakePanels() {
  nodes_ = new QTableWidget(0, 3);
  nodes_->setHorizontalHeaderLabels({"x, m", "y, m", "z, m"});
  nodes_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  connect(nodes_, &QTableWidget::cellChanged, this,
          [this](int row, int column) { NodeEdited(row, column); });
  auto* add = new QPushButton("Add node");
  auto* remove = new QPushButton("Remove node");
  connect(add, &QPushButton::clicked, this, [this] { AddNode(); });
  connect(remove, &QPushButton::clicked, this, [this] { RemoveNode(); });
  auto* pipe = new QPushButton("Pipe fields...");
  connect(pipe, &QPushButton::clicked, this, [this] { EditPipe(); });
  fields_ = new QLabel;
  fields_->setTextFormat(Qt::RichText);
  fields_->setAlignment(Qt::AlignTop | Qt::AlignLeft);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(remove);
  auto* left_layout = new QVBoxLayout;
  left_layout->addWidget(new QLabel("<b>Nodes</b>"));
  left_layout->addWidget(nodes_, 3);
  left_layout->addLayout(buttons);
  left_layout->addWidget(new QLabel("<b>Pipe</b>"));
  left_layout->addWidget(fields_, 2);
  left_layout->addWidget(pipe);
  auto* left = new QWidget;
  left->setLayout(left_layout);

  drawing_ = new Drawing;
  report_ = new QPlainTextEdit;
  report_->setReadOnly(true);
  report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* right = new QSplitter(Qt::Vertical);
  right->addWidget(drawing_);
  right->addWidget(report_);
  right->setSizes({500, 240});
  auto* split = new QSplitter(Qt::Horizontal);
  split->addWidget(left);
  split->addWidget(right);
  split->setSizes({320, 960});
  return split;
}

void MainWindow::MakeMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  QToolBar* tools = addToolBar("Document");
  tools->setMovable(false);
  auto add = [&](QMenu* menu, const char* name, QKeySequence keys,
                 auto handler) {
    QAction* action = menu->addAction(name);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, handler);
    tools->addAction(action);
  };
  add(file, "&Open...", QKeySequence::Open, [this] { OpenChosen(); });
  add(file, "&Save", QKeySequence::Save, [this] { SaveChosen(false); });
  add(file, "Save &As...", QKeySequence::SaveAs, [this] { SaveChosen(true); });
  QMenu* edit = menuBar()->addMenu("&Edit");
  add(edit, "&Pipe fields...", QKeySequence(Qt::CTRL | Qt::Key_P),
      [this] { EditPipe(); });
  file->addSeparator();
  file->addAction("&Quit", QKeySequence::Quit, this, [this] { close(); });
}

void MainWindow::Refresh() {
  filling_ = true;
  const std::vector<Node> nodes = project_->Nodes();
  nodes_->setRowCount(static_cast<int>(nodes.size()));
  for (int i = 0; i < static_cast<int>(nodes.size()); ++i) {
    const double c[3] = {nodes[i].x, nodes[i].y, nodes[i].z};
    for (int j = 0; j < 3; ++j) {
      nodes_->setItem(i, j, new QTableWidgetItem(Coordinate(c[j])));
    }
  }
  filling_ = false;
  QString fields = "<table>";
  for (int k = 0; k < Project::kFieldCount; ++k) {
    fields +=
        QString("<tr><td>%1</td><td>&nbsp;%2</td><td>&nbsp;= %3</td></tr>")
            .arg(QString::fromWCharArray(Project::FieldLabel(k)),
                 QString::fromStdWString(project_->Field(k)).toHtmlEscaped(),
                 QString::number(project_->Value(k), 'g', 6));
  }
  fields += QString("<tr><td>Fatigue curve</td><td>&nbsp;%1</td></tr></table>")
                .arg(QString::fromStdWString(project_->Curve()));
  fields_->setText(fields);
  svg_ = project_->Svg();
  drawing_->load(QByteArray::fromStdString(svg_));
  report_->setPlainText(Text(project_->Report(path_.toStdString())));
  const QString title = Text(project_->Title());
  setWindowTitle((title.isEmpty() ? QFileInfo(path_).fileName() : title) +
                 " - pipeline designer");
  statusBar()->showMessage(path_);
}

bool MainWindow::Open(const QString& path, std::string* problem) {
  try {
    *project_ = Project::Read(ReadFile(path));
  } catch (const DocumentError& e) {
    *problem = e.what();
    return false;
  }
  path_ = path;
  bundled_ = false;
  Refresh();
  return true;
}

bool MainWindow::SaveTo(const QString& path, std::string* problem) {
  QSaveFile file(path);
  const std::string text = project_->Write();
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.commit()) {
    *problem = path.toStdString() + ": " + file.errorString().toStdString();
    return false;
  }
  path_ = path;
  bundled_ = false;
  statusBar()->showMessage(path_);
  return true;
}

bool MainWindow::EditPipe() {
  // The dialog sized by its controls, over the middle of this window.
  constexpr int kWidth = 374, kHeight = 332;
  const QPoint middle = geometry().center();
  CPipeDialog dialog(*project_,
                     CRect(middle.x() - kWidth / 2, middle.y() - kHeight / 2,
                           middle.x() + kWidth / 2, middle.y() + kHeight / 2));
  if (dialog.DoModal() != IDOK) return false;
  *project_ = dialog.Result();
  Refresh();
  return true;
}

void MainWindow::SetNodes(const std::vector<Node>& nodes) {
  const std::vector<Node> before = project_->Nodes();
  project_->SetNodes(nodes);
  std::string problem;
  if (!project_->Compute(&problem)) {
    project_->SetNodes(before);
    project_->Compute(&problem);
    AfxMessageBox(matrix::platform::ToWide(problem).c_str(),
                  MB_ICONEXCLAMATION);
  }
  Refresh();
}

void MainWindow::NodeEdited(int row, int column) {
  if (filling_) return;
  std::vector<Node> nodes = project_->Nodes();
  double value = 0;
  if (row < 0 || row >= static_cast<int>(nodes.size()) ||
      !ReadCoordinate(nodes_->item(row, column)->text(), &value)) {
    AfxMessageBox(AFX_IDP_PARSE_REAL, MB_ICONEXCLAMATION);
    Refresh();
    return;
  }
  double* c[3] = {&nodes[row].x, &nodes[row].y, &nodes[row].z};
  *c[column] = value;
  SetNodes(nodes);
}

void MainWindow::AddNode() {
  std::vector<Node> nodes = project_->Nodes();
  Node next = nodes.empty() ? Node{} : nodes.back();
  next.x += 10;
  nodes.push_back(next);
  SetNodes(nodes);
}

void MainWindow::RemoveNode() {
  const int row = nodes_->currentRow();
  if (row < 0 || row >= static_cast<int>(project_->Nodes().size())) return;
  const Project before = *project_;
  project_->RemoveNode(static_cast<std::size_t>(row));
  std::string problem;
  if (!project_->Compute(&problem)) {
    *project_ = before;
    AfxMessageBox(matrix::platform::ToWide(problem).c_str(),
                  MB_ICONEXCLAMATION);
  }
  Refresh();
}

void MainWindow::OpenChosen() {
  const QString path = QFileDialog::getOpenFileName(
      this, "Open a pipe run", QFileInfo(path_).path(), "Pipe runs (*.json)");
  if (path.isEmpty()) return;
  std::string problem;
  if (!Open(path, &problem)) {
    AfxMessageBox(matrix::platform::ToWide(problem).c_str(),
                  MB_ICONEXCLAMATION);
  }
}

void MainWindow::SaveChosen(bool ask) {
  QString path = path_;
  if (ask || path.isEmpty() || bundled_) {
    path = QFileDialog::getSaveFileName(this, "Save the pipe run", path_,
                                        "Pipe runs (*.json)");
    if (path.isEmpty()) return;
  }
  std::string problem;
  if (!SaveTo(path, &problem)) {
    AfxMessageBox(matrix::platform::ToWide(problem).c_str(),
                  MB_ICONEXCLAMATION);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  const QByteArray geometry = saveGeometry();
  // The whole path: the next start may be in another folder.
  KeepSettings({bundled_ ? std::string()
                         : QFileInfo(path_).absoluteFilePath().toStdString(),
                geometry.toStdString()});
  event->accept();
}

}  // namespace designer
