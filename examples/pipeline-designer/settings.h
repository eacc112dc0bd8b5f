// What the pipeline designer keeps between runs: the last document and the
// main window's geometry.
#ifndef MATRIX_EXAMPLES_PIPELINE_DESIGNER_SETTINGS_H_
#define MATRIX_EXAMPLES_PIPELINE_DESIGNER_SETTINGS_H_

#include <string>

namespace designer {

struct Settings {
  std::string last_document;  // UTF-8 path; empty: none
  std::string geometry;       // the window's saved geometry, as bytes
};

// Reads the settings (empty where none are kept or they cannot be read) or
// writes them, under HKEY_CURRENT_USER\Software\matrix\pipeline-designer
// with the registry calls. The one place that knows where they live.
Settings RecallSettings();
void KeepSettings(const Settings& settings);

}  // namespace designer

#endif  // MATRIX_EXAMPLES_PIPELINE_DESIGNER_SETTINGS_H_
