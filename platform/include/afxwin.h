// Platform layer - application object, module state, string resources;
// the integer points, sizes and rectangles (atltypes.h).
#ifndef MATRIX_PLATFORM_AFXWIN_H_
#define MATRIX_PLATFORM_AFXWIN_H_

#include <afx.h>
#include <afxcoll.h>
#include <afxtempl.h>
#include <atltypes.h>

#include <cstddef>

// The framework's base chain of the application object.
class MATRIX_PLATFORM_API CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  CCmdTarget() = default;
  ~CCmdTarget() override;
};

class MATRIX_PLATFORM_API CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)

 public:
  CWinThread() = default;
  ~CWinThread() override;
};

// The application object of a module. A library defines one at namespace
// scope; AfxInitModule records its instance handle and runs InitInstance.
class MATRIX_PLATFORM_API CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)

 public:
  explicit CWinApp(LPCTSTR app_name = nullptr);
  ~CWinApp() override;
  virtual BOOL InitInstance();
  virtual int ExitInstance();

  LPCTSTR m_pszAppName;
  HINSTANCE m_hInstance;
};

// The module handle (load address) of the module that contains `address`,
// or nullptr when no loaded module contains it. Pass a function, or a
// variable of the module's own code: a shared library's variable that a
// program refers to may have been copied into the program by a copy
// relocation, and its address then names the program.
MATRIX_PLATFORM_API HINSTANCE AfxModuleHandleOf(const void* address);

// Start-up and exit of a library's application object, in the role of the
// framework's start-up of a regular library: AfxInitModule sets
// `app.m_hInstance` to the handle of the module that holds `app` and runs
// InitInstance; AfxTermModule runs ExitInstance.
MATRIX_PLATFORM_API BOOL AfxInitModule(CWinApp& app);
MATRIX_PLATFORM_API int AfxTermModule(CWinApp& app);

// The process's module state, shared by the host and every library: the
// instance handle of the host program and the module from which resources
// are currently loaded (initially the host program).
MATRIX_PLATFORM_API HINSTANCE AfxGetInstanceHandle();
MATRIX_PLATFORM_API HINSTANCE AfxGetResourceHandle();
MATRIX_PLATFORM_API void AfxSetResourceHandle(HINSTANCE module);

// One entry of a module's string table.
struct AFX_STRING_RESOURCE {
  UINT id;
  const wchar_t* text;
};

// String resources, looked up by (module, id). A module registers its
// table (copied; language as MAKELANGID gives it) at start-up and withdraws
// it before it is unloaded.
MATRIX_PLATFORM_API void AfxRegisterStringTable(
    HINSTANCE module, WORD language, const AFX_STRING_RESOURCE* table,
    std::size_t count);
MATRIX_PLATFORM_API void AfxUnregisterStringTable(HINSTANCE module);

// Loads string `id` of `module` into `text`. `language` 0 takes the
// module's first table that holds the id. Returns FALSE, leaving `text`
// empty, when there is no such string.
MATRIX_PLATFORM_API BOOL AfxLoadStringResource(HINSTANCE module, UINT id,
                                               WORD language, CString& text);

// The resource manager: loads strings from the current resource module.
class MATRIX_PLATFORM_API CResourceManager {
 public:
  // Loads string `id` into `text` (language 0: any); `flags` is reserved
  // and must be 0. FALSE, and an empty `text`, when there is none.
  BOOL LoadString(CString& text, UINT id, WORD language = 0, DWORD flags = 0);
};

// Reaches the one resource manager through operator->, as hosts of the
// framework do.
class MATRIX_PLATFORM_API CResourceManagerRef {
 public:
  CResourceManager* operator->() const;
};

MATRIX_PLATFORM_API extern CResourceManagerRef g_ResourceManager;

// The drawing surface builds on CPoint and CRect.
#include <afxdc.h>

// Windows and controls, dialog data exchange, message boxes.
#include <afxwnd.h>

#endif  // MATRIX_PLATFORM_AFXWIN_H_
