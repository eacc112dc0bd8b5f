// Platform layer - application object, module handles and the module state.
#include <afxwin.h>
#include <dlfcn.h>
#include <sys/auxv.h>

#include <atomic>

namespace {

HINSTANCE MainProgramHandle() {
  // The program headers of the main program are mapped with its first
  // segment, so the module that holds them is the main program.
  const void* phdr = reinterpret_cast<const void*>(getauxval(AT_PHDR));
  return phdr ? AfxModuleHandleOf(phdr) : nullptr;
}

struct ModuleState {
  HINSTANCE instance = MainProgramHandle();
  std::atomic<HINSTANCE> resource{instance};
};

ModuleState& State() {
  static ModuleState state;
  return state;
}

}  // namespace

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

CCmdTarget::~CCmdTarget() = default;
CWinThread::~CWinThread() = default;

CWinApp::CWinApp(LPCTSTR app_name)
    : m_pszAppName(app_name), m_hInstance(nullptr) {}
CWinApp::~CWinApp() = default;
BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

HINSTANCE AfxModuleHandleOf(const void* address) {
  Dl_info info;
  if (!address || dladdr(address, &info) == 0) return nullptr;
  return static_cast<HINSTANCE>(info.dli_fbase);
}

BOOL AfxInitModule(CWinApp& app) {
  app.m_hInstance = AfxModuleHandleOf(&app);
  return app.InitInstance();
}

int AfxTermModule(CWinApp& app) { return app.ExitInstance(); }

HINSTANCE AfxGetInstanceHandle() { return State().instance; }
HINSTANCE AfxGetResourceHandle() { return State().resource.load(); }
void AfxSetResourceHandle(HINSTANCE module) { State().resource.store(module); }
