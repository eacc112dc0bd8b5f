// matrix - the module object, the last-error text and the fault report.
#include "frame/app.h"

#include <matrix/frame.h>

#include <iterator>
#include <mutex>

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

// Guards the last-error text, and the resource look-up switched to the
// library for the load of a message. Formula functions are meant for one
// thread at a time; hosts that call them from several threads anyway get
// whole messages, the last one written winning, never torn memory.
std::mutex g_last_error_mutex;

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

// Directs the platform's resource look-up to `module` for as long as it
// lives, and restores the previous resource module afterwards. Nothing
// changes for a null module or for the module that is current already.
struct SSetRec {
  explicit SSetRec(HINSTANCE module);
  ~SSetRec();
  SSetRec(const SSetRec&) = delete;
  SSetRec& operator=(const SSetRec&) = delete;

  HINSTANCE m_restore;  // module to make current again; null: nothing
};

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

}  // namespace

CMatrixApp::CMatrixApp() : CWinApp(nullptr) {}
CMatrixApp::~CMatrixApp() = default;

namespace matrix::detail {

CMatrixApp& App() { return g_app; }

CString LastError() {
  const std::lock_guard<std::mutex> lock(g_last_error_mutex);
  return g_last_error;
}

void ClearLastError() {
  const std::lock_guard<std::mutex> lock(g_last_error_mutex);
  g_last_error.Empty();
}

namespace {

[[noreturn]] void Report(UINT id, const std::wstring_view* subject) {
  {
    const std::lock_guard<std::mutex> lock(g_last_error_mutex);
    CString message;
    {
      SSetRec resources(g_app.m_hInstance);
      g_ResourceManager->LoadString(message, id, 0, 0);
    }
    if (subject) {
      CString text(subject->data(), static_cast<int>(subject->size()));
      text += L" - ";
      text += message;
      message = text;
    }
    g_last_error = message;
  }
  AfxThrowUserException();
}

}  // namespace

void ThrowFormulaError(UINT id) { Report(id, nullptr); }
void ThrowFormulaError(UINT id, std::wstring_view subject) {
  Report(id, &subject);
}

}  // namespace matrix::detail

void GetLastErrorM(CString& text) {
  // Copied under the lock, assigned outside it: text is the host's string.
  const CString copy = matrix::detail::LastError();
  text = copy;
}
