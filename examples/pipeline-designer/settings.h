// What the pipeline designer keeps between runs: the last document and the
// main window's geometry, through its application object's profile calls.
#ifndef MATRIX_EXAMPLES_PIPELINE_DESIGNER_SETTINGS_H_
#define MATRIX_EXAMPLES_PIPELINE_DESIGNER_SETTINGS_H_

#include <afxwin.h>

#include <string>

namespace designer {

// The designer's application object. InitInstance sends its settings to
// the registry, HKEY_CURRENT_USER\Software\matrix\pipeline-designer, as a
// framework program does with SetRegistryKey.
class CDesignerApp : public CWinApp {
 public:
  CDesignerApp() : CWinApp(L"pipeline-designer") {}
  BOOL InitInstance() override;
};

struct Settings {
  std::string last_document;  // UTF-8 path; empty: none
  std::string geometry;       // the window's saved geometry, as bytes
};

// Reads the settings (empty where none are kept, they cannot be read, or
// the program has no application object) or writes them, in the section
// "Settings" of the application object's profile. The one place that knows
// where they live.
Settings RecallSettings();
void KeepSettings(const Settings& settings);

}  // namespace designer

#endif  // MATRIX_EXAMPLES_PIPELINE_DESIGNER_SETTINGS_H_
