// matrix - the module object, the last-error text and the fault report.
#include "frame/app.h"

#include <matrix/frame.h>

#include <iterator>

namespace {

constexpr WORD kMessageLanguage = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);

const AFX_STRING_RESOURCE kMessages[] = {
#define MATRIX_MESSAGE(id, text) {id, text},
#include "messages.inc"
#undef MATRIX_MESSAGE
};

// Static initialisation, in this order: the last-error text (empty), the
// module object, then the start-up of the library module, which records the
// module's instance handle in the object and registers the message table
// under it. Unloading runs the same in reverse.
CString g_last_error;
CMatrixApp g_app;

struct ModuleStartup {
  ModuleStartup() {
    AfxInitModule(g_app);
    AfxRegisterStringTable(g_app.m_hInstance, kMessageLanguage, kMessages,
                           std::size(kMessages));
  }
  ~ModuleStartup() {
    AfxUnregisterStringTable(g_app.m_hInstance);
    AfxTermModule(g_app);
  }
};
ModuleStartup g_startup;

}  // namespace

CMatrixApp::CMatrixApp() : CWinApp(nullptr) {}
CMatrixApp::~CMatrixApp() = default;

SSetRec::SSetRec(HINSTANCE module) : m_restore(nullptr) {
  if (!module) return;
  HINSTANCE current = AfxGetResourceHandle();
  if (current == module) return;
  m_restore = current;
  AfxSetResourceHandle(module);
}

SSetRec::~SSetRec() {
  if (m_restore) AfxSetResourceHandle(m_restore);
}

namespace matrix::detail {

CMatrixApp& App() { return g_app; }
CString& LastError() { return g_last_error; }

namespace {

[[noreturn]] void Report(UINT id, const std::wstring_view* subject) {
  SSetRec resources(g_app.m_hInstance);
  g_ResourceManager->LoadString(g_last_error, id, 0, 0);
  if (subject) {
    CString text(subject->data(), static_cast<int>(subject->size()));
    text += L" - ";
    text += g_last_error;
    g_last_error = text;
  }
  AfxThrowUserException();
}

}  // namespace

void ThrowFormulaError(UINT id) { Report(id, nullptr); }
void ThrowFormulaError(UINT id, std::wstring_view subject) {
  Report(id, &subject);
}

}  // namespace matrix::detail

void GetLastErrorM(CString& text) { text = g_last_error; }
