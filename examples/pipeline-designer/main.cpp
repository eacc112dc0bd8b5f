// The pipeline designer: a pipe run computed with the library behind a
// desktop window.
//
//   pipeline-designer [input.json]
//   pipeline-designer --screenshot FILE.png [input.json]
//
// Without an input it opens the last document, else the bundled sample.
// --screenshot lays the window out at 1280x800 on whatever platform Qt runs
// on, writes a PNG of the whole window and exits. Exit status: 0 done, 1 the
// picture could not be written, 2 bad input or bad arguments (one line on
// standard error).
#include <matrix-qt/binding.h>

#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "main_window.h"
#include "project.h"
#include "settings.h"

#ifndef DESIGNER_SAMPLE
#define DESIGNER_SAMPLE "sample.json"
#endif

namespace {

// The program's application object: its profile keeps the settings.
designer::CDesignerApp theApp;

int Fail(int status, const std::string& why) {
  std::fprintf(stderr, "pipeline-designer: %s\n", why.c_str());
  return status;
}

// The offscreen platform warns once a window that it cannot size by hints;
// a screenshot has no use for the warning.
void QuietHints(QtMsgType type, const QMessageLogContext&, const QString& m) {
  if (m.contains("propagateSizeHints")) return;
  std::fprintf(stderr, "%s\n", m.toLocal8Bit().constData());
  if (type == QtFatalMsg) std::abort();
}

int Screenshot(const designer::Project& project, const QString& input,
               const QString& output) {
  qInstallMessageHandler(QuietHints);
  designer::MainWindow window(project, input);
  window.setAttribute(Qt::WA_DontShowOnScreen);
  window.resize(1280, 800);
  window.show();
  QApplication::processEvents();
  if (!window.grab().save(output, "PNG")) {
    return Fail(1, output.toStdString() + ": cannot be written");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  theApp.InitInstance();
  QString screenshot, input;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0')
        return Fail(2, "--screenshot needs a file name");
      screenshot = QString::fromLocal8Bit(argv[++i]);
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return Fail(2, std::string("unknown option ") + argv[i]);
    } else if (input.isEmpty()) {
      input = QString::fromLocal8Bit(argv[i]);
    } else {
      return Fail(2, "more than one input");
    }
  }
  const designer::Settings kept =
      screenshot.isEmpty() ? designer::RecallSettings() : designer::Settings{};
  std::optional<designer::Project> project;
  // The one line that says why `path` cannot be opened ("" when it was).
  auto open = [&project](const QString& path) -> std::string {
    try {
      project.emplace(designer::Project::Read(designer::ReadFile(path)));
      return std::string();
    } catch (const designer::DocumentError& e) {
      const std::string where = path.toStdString() + ": ";
      const std::string why = e.what();
      return why.rfind(where, 0) == 0 ? why : where + why;
    }
  };
  if (!input.isEmpty()) {
    if (const std::string problem = open(input); !problem.empty())
      return Fail(2, problem);
  } else if (!kept.last_document.empty() &&
             QFileInfo::exists(QString::fromStdString(kept.last_document))) {
    // The last document, gone bad since, is not a reason to stop: it is
    // said, and the sample opens.
    input = QString::fromStdString(kept.last_document);
    if (const std::string problem = open(input); !problem.empty()) {
      std::fprintf(stderr, "pipeline-designer: %s (the sample opens)\n",
                   problem.c_str());
      input.clear();
    }
  }
  const bool bundled = input.isEmpty();
  if (bundled) {
    input = DESIGNER_SAMPLE;
    if (const std::string problem = open(input); !problem.empty())
      return Fail(2, problem);
  }
  // The document is read before Qt starts, so that a bad one is told in
  // one line whatever Qt has to say about its platform.
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("Pipeline designer");
  matrix_qt::Binding binding;
  if (!screenshot.isEmpty()) return Screenshot(*project, input, screenshot);
  designer::MainWindow window(*project, input, bundled);
  if (!kept.geometry.empty()) {
    window.restoreGeometry(QByteArray::fromStdString(kept.geometry));
  } else {
    window.resize(1280, 800);
  }
  window.show();
  return app.exec();
}
