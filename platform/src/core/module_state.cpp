// Platform layer - application object, module handles and the module state.
#include <afxwin.h>
#include <dlfcn.h>
#include <sys/auxv.h>
#include <winbase.h>

#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <mutex>
#include <string>
#include <vector>

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

namespace {

// A copy made with malloc, as the framework's strings of CWinApp are.
LPCTSTR Duplicate(const std::wstring& text) {
  auto* copy =
      static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
  if (!copy) AfxThrowMemoryException();
  text.copy(copy, text.size());
  copy[text.size()] = 0;
  return copy;
}

void Release(LPCTSTR& text) {
  std::free(const_cast<wchar_t*>(text));
  text = nullptr;
}

bool EndsWithNoCase(const std::wstring& text, const wchar_t* ending) {
  const std::size_t n = std::wcslen(ending);
  if (text.size() <= n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    wchar_t c = text[text.size() - n + i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != ending[i]) return false;
  }
  return true;
}

// The file name, without its folder and extension, of the module that
// holds `object` (the program for an object on the heap or the stack).
// Windows names end in an extension that the framework drops; a Linux
// program has none, so a dot in its name (org.example.Designer,
// designer-2.3) is part of the name, and two programs never share one
// settings file for it. A shared library's name ends before ".so".
std::wstring ModuleBaseName(const void* object) {
  wchar_t path[4096];
  const DWORD length =
      GetModuleFileNameW(AfxModuleHandleOf(object), path, 4096);
  std::wstring name(path, length < 4096 ? length : 0);
  name = name.substr(name.rfind(L'/') + 1);
  for (std::size_t so = name.find(L".so"); so != std::wstring::npos;
       so = name.find(L".so", so + 1)) {
    if (so > 0 && (so + 3 == name.size() || name[so + 3] == L'.'))
      return name.substr(0, so);
  }
  if (EndsWithNoCase(name, L".exe") || EndsWithNoCase(name, L".dll"))
    return name.substr(0, name.size() - 4);
  return name;
}

// The host program's application objects, the last made first to answer.
struct Applications {
  std::mutex mutex;
  std::vector<CWinApp*> living;
};
Applications& HostApplications() {
  static Applications* apps = new Applications();  // outlives every object
  return *apps;
}

bool IsHostObject(const void* object) {
  const HINSTANCE module = AfxModuleHandleOf(object);
  return module == nullptr || module == AfxGetInstanceHandle();
}

}  // namespace

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_pszAppName(lpszAppName ? Duplicate(lpszAppName) : nullptr),
      m_pszExeName(Duplicate(ModuleBaseName(this))),
      m_pszProfileName(Duplicate(std::wstring(m_pszExeName) + L".INI")),
      m_pszRegistryKey(nullptr),
      m_hInstance(nullptr) {
  if (!IsHostObject(this)) return;
  Applications& apps = HostApplications();
  std::lock_guard<std::mutex> lock(apps.mutex);
  apps.living.push_back(this);
}

CWinApp::~CWinApp() {
  {
    Applications& apps = HostApplications();
    std::lock_guard<std::mutex> lock(apps.mutex);
    std::erase(apps.living, this);
  }
  Release(m_pszAppName);
  Release(m_pszExeName);
  Release(m_pszProfileName);
  Release(m_pszRegistryKey);
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
  Release(m_pszRegistryKey);
  if (!lpszRegistryKey) return;
  m_pszRegistryKey = Duplicate(lpszRegistryKey);
  const LPCTSTR name = m_pszAppName ? m_pszAppName : m_pszExeName;
  LPCTSTR profile = Duplicate(name ? name : L"");
  Release(m_pszProfileName);
  m_pszProfileName = profile;
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey) {
  CString company;
  if (AfxLoadStringResource(AfxGetResourceHandle(), nIDRegistryKey, 0, company))
    SetRegistryKey(company.GetString());
}

CWinApp* AfxGetApp() {
  Applications& apps = HostApplications();
  std::lock_guard<std::mutex> lock(apps.mutex);
  return apps.living.empty() ? nullptr : apps.living.back();
}
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
