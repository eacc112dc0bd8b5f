/// \file
/// \ingroup window_afxwin
/// \brief Command targets and their message maps, application object, module
/// state, string resources; the integer points, sizes and rectangles
/// (atltypes.h).
#ifndef MATRIX_PLATFORM_AFXWIN_H_
#define MATRIX_PLATFORM_AFXWIN_H_

/// \defgroup window_afxwin afxwin.h: message maps
/// \ingroup window
/// \brief Command targets and their message maps: a class's table of command
/// handlers, searched before its base class's.
/// @{

#include <afx.h>
#include <afxcoll.h>
#include <afxtempl.h>
#include <atltypes.h>
#include <winreg.h>
#include <winuser.h>

#include <cstddef>

class CCmdTarget;

/// \name Message maps
///
/// A class's table of command handlers, searched before its base class's:
///
/// ```
/// class CPipeDialog : public CDialog {
///   ...
///   afx_msg void OnCurveChange();
///   DECLARE_MESSAGE_MAP()
/// };
/// BEGIN_MESSAGE_MAP(CPipeDialog, CDialog)
///   ON_CBN_SELCHANGE(IDC_CURVE, &CPipeDialog::OnCurveChange)
/// END_MESSAGE_MAP()
/// ```
///
/// Every handler takes no arguments and returns nothing (the framework's
/// command signature); only WM_COMMAND is mapped.
/// @{

/// Marks a message handler in a class body; expands to nothing.
#define afx_msg

/// A handler, called on the object whose map holds it.
typedef void (CCmdTarget::*AFX_PMSG)();

/// The signatures of the handlers in a message map.
enum AfxSig : UINT_PTR {
  AfxSig_end = 0,  ///< marks the end of a map
  AfxSigCmd_v,     ///< void ()
};

/// The notification code of a command from a menu, accelerator or a plain
/// WM_COMMAND without a control.
#define CN_COMMAND 0

/// One entry of a message map: a command or a range of commands and its
/// handler.
struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  ///< WM_COMMAND
  UINT nCode;     ///< notification code (CN_COMMAND, BN_CLICKED, ...)
  UINT nID;       ///< first control id
  UINT nLastID;   ///< last control id of the range
  UINT_PTR nSig;  ///< AfxSigCmd_v; AfxSig_end ends the table
  AFX_PMSG pfn;   ///< the handler
};

/// A class's message map, linked to its base class's.
struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  ///< the base class's map
  const AFX_MSGMAP_ENTRY* lpEntries;     ///< the entries, up to AfxSig_end
};

/// The handler OnCmdMsg found, when it is asked to look without calling.
struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget;  ///< the object whose map holds it
  AFX_PMSG pmf;         ///< the handler
};

/// In a class body: declares the class's message map (protected).
#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

/// In one source file: starts the message map of `theClass`, whose unhandled
/// commands go to `baseClass`'s map.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { \
    return GetThisMessageMap();                       \
  }                                                   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
    using ThisClass [[maybe_unused]] = theClass;      \
    using TheBaseClass = baseClass;                   \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
/// Ends the message map that BEGIN_MESSAGE_MAP started.
#define END_MESSAGE_MAP()                                                 \
  { 0, 0, 0, 0, AfxSig_end, static_cast<AFX_PMSG>(nullptr) }              \
  }                                                                       \
  ;                                                                       \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, \
                                        &_messageEntries[0]};             \
  return &messageMap;                                                     \
  }

/// Map entry: command `id` (a menu, an accelerator, CN_COMMAND) calls
/// `memberFxn`.
#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND,                    \
   CN_COMMAND,                    \
   static_cast<WORD>(id),         \
   static_cast<WORD>(id),         \
   AfxSigCmd_v,                   \
   static_cast<AFX_PMSG>(memberFxn)},
/// Map entry: notification `wNotifyCode` from control `id` calls `memberFxn`.
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
  {WM_COMMAND,                                 \
   static_cast<WORD>(wNotifyCode),             \
   static_cast<WORD>(id),                      \
   static_cast<WORD>(id),                      \
   AfxSigCmd_v,                                \
   static_cast<AFX_PMSG>(memberFxn)},
/// Map entries for BN_CLICKED, EN_CHANGE and CBN_SELCHANGE from control `id`.
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
/// \copydoc ON_BN_CLICKED
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
/// \copydoc ON_BN_CLICKED
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)

/// The framework's base chain of the application object and the windows;
/// the root of the message maps.
class MATRIX_PLATFORM_API CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  CCmdTarget() = default;
  ~CCmdTarget() override;

  /// Looks for the handler of command `id` with notification `code` in this
  /// object's message map, then in its base classes' maps, and calls it.
  /// With `handler_info` it only reports the handler found. TRUE when one
  /// was found; FALSE leaves the command unhandled. `extra` is unused.
  virtual BOOL OnCmdMsg(UINT id, int code, void* extra,
                        AFX_CMDHANDLERINFO* handler_info);

 protected:
  /// This class's own message map (CCmdTarget's is empty).
  static const AFX_MSGMAP* GetThisMessageMap();
  /// The message map of the object's most derived class that declares one
  /// (DECLARE_MESSAGE_MAP).
  virtual const AFX_MSGMAP* GetMessageMap() const;
};
/// @}

/// @}

/// \defgroup core_afxwin afxwin.h: application and module state
/// \ingroup core
/// \brief The application object of a module, the process's module state,
/// string resources and the resource manager. afxwin.h also includes
/// atltypes.h, afxdc.h and afxwnd.h.
/// @{

/// The framework's thread object, the base of the application object.
class MATRIX_PLATFORM_API CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)

 public:
  CWinThread() = default;
  ~CWinThread() override;
};

/// The application object of a module. A library defines one at namespace
/// scope; AfxInitModule records its instance handle and runs InitInstance.
/// The host program's own object (one it defines, or makes on the heap or
/// the stack) is the one AfxGetApp gives.
///
/// Its strings are the framework's: each is allocated with malloc (a copy of
/// the name given to the constructor, of the module's file name...), freed
/// with free() by the destructor, so that a host that replaces one frees the
/// old string and assigns a malloc'd copy (wcsdup). m_pszExeName is the file
/// name of the object's module without its extension (".exe" or ".dll" as
/// on Windows, a shared library's ".so..."; a Linux program has none, and
/// a dot in its name stays: "org.example.Designer"); m_pszRegistryKey is
/// null and m_pszProfileName "<m_pszExeName>.INI" until SetRegistryKey.
///
/// The settings calls keep \<section>\\\<entry> values: after SetRegistryKey in
/// the registry, as values of the key
/// HKEY_CURRENT_USER\\Software\\\<m_pszRegistryKey>\\\<m_pszProfileName>\\\<section>
/// (REG_DWORD, REG_SZ, REG_BINARY), before it
/// in the initialisation file m_pszProfileName through the private-profile
/// calls of winbase.h (a bare name: in the user's settings folder). Names
/// are compared with case ignored. Reading never creates a key or a file.
class MATRIX_PLATFORM_API CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)

 public:
  /// An application object named `lpszAppName` (may be null: then the
  /// program's file name stands for it).
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;
  /// Run by AfxInitModule; the default returns TRUE.
  virtual BOOL InitInstance();
  /// Run by AfxTermModule; the default returns 0.
  virtual int ExitInstance();

  /// The number of `lpszEntry`: a 4-byte REG_DWORD's value, or the file's
  /// text read by GetPrivateProfileIntW. `nDefault` when it is missing (or,
  /// in the registry, of another type).
  virtual UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                             int nDefault);
  /// Writes `nValue` as a REG_DWORD, or in decimal to the file. FALSE when
  /// the registry or the file refused it.
  virtual BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                               int nValue);
  /// The text of `lpszEntry` (REG_SZ or REG_EXPAND_SZ, as stored), or
  /// `lpszDefault` (null: "") when it is missing or of another type.
  virtual CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                                   LPCTSTR lpszDefault = nullptr);
  /// Writes `lpszValue` as a REG_SZ; a null `lpszValue` deletes the entry,
  /// a null `lpszEntry` the whole section with everything in it. FALSE when
  /// refused, and in the registry (as the framework's RegDeleteKey and
  /// RegDeleteValue answer) when there was nothing to delete.
  virtual BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                                  LPCTSTR lpszValue);
  /// Stores in `*ppData` a buffer made with new BYTE[] (the caller frees it
  /// with delete[]) holding the entry's bytes, and their count in `*pBytes`;
  /// TRUE. On a miss (no entry, no section, another type, a file's text that
  /// is no binary entry) FALSE with null and 0 stored.
  virtual BOOL GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                                LPBYTE* ppData, UINT* pBytes);
  /// Writes `nBytes` bytes at `pData` as a REG_BINARY, or to the file as the
  /// framework writes them (each byte as two letters 'A' to 'P', the low
  /// half first). FALSE when refused.
  virtual BOOL WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                                  LPBYTE pData, UINT nBytes);
  /// HKEY_CURRENT_USER\\Software\\\<m_pszRegistryKey>\\\<m_pszProfileName>, and
  /// its subkey `lpszSection`, created when missing and opened for reading
  /// and writing; the caller closes the key. Null without SetRegistryKey or
  /// when the registry refuses.
  HKEY GetAppRegistryKey();
  /// \copydoc CWinApp::GetAppRegistryKey()
  HKEY GetSectionKey(LPCTSTR lpszSection);

  LPCTSTR m_pszAppName;      ///< the name given (a copy), or null
  LPCTSTR m_pszExeName;      ///< the module's file name, no folder or extension
  LPCTSTR m_pszProfileName;  ///< the profile: the file, or the registry key
  LPCTSTR m_pszRegistryKey;  ///< the company name SetRegistryKey gave, or null
  HINSTANCE m_hInstance;     ///< set by AfxInitModule

 protected:
  /// From InitInstance: the settings go to the registry from now on, under
  /// the company name `lpszRegistryKey` (or the string resource
  /// `nIDRegistryKey` of the current resource module), and m_pszProfileName
  /// becomes the application's name (m_pszAppName, else m_pszExeName). A
  /// null name sends them back to the file named m_pszProfileName.
  void SetRegistryKey(LPCTSTR lpszRegistryKey);
  /// \copydoc CWinApp::SetRegistryKey(LPCTSTR)
  void SetRegistryKey(UINT nIDRegistryKey);
};

/// The host program's application object: the last one made that lives in
/// the program (not in a shared library) or on the heap or stack, and is not
/// destroyed yet; null when there is none.
MATRIX_PLATFORM_API CWinApp* AfxGetApp();

/// The module handle (load address) of the module that contains `address`,
/// or nullptr when no loaded module contains it. Pass a function, or a
/// variable of the module's own code: a shared library's variable that a
/// program refers to may have been copied into the program by a copy
/// relocation, and its address then names the program.
MATRIX_PLATFORM_API HINSTANCE AfxModuleHandleOf(const void* address);

/// Start-up and exit of a library's application object, in the role of the
/// framework's start-up of a regular library: AfxInitModule sets
/// `app.m_hInstance` to the handle of the module that holds `app` and runs
/// InitInstance; AfxTermModule runs ExitInstance.
MATRIX_PLATFORM_API BOOL AfxInitModule(CWinApp& app);
/// \copydoc AfxInitModule(CWinApp&)
MATRIX_PLATFORM_API int AfxTermModule(CWinApp& app);

/// The process's module state, shared by the host and every library: the
/// instance handle of the host program and the module from which resources
/// are currently loaded (initially the host program).
MATRIX_PLATFORM_API HINSTANCE AfxGetInstanceHandle();
/// \copydoc AfxGetInstanceHandle()
MATRIX_PLATFORM_API HINSTANCE AfxGetResourceHandle();
/// \copydoc AfxGetInstanceHandle()
MATRIX_PLATFORM_API void AfxSetResourceHandle(HINSTANCE module);

/// One entry of a module's string table.
struct AFX_STRING_RESOURCE {
  UINT id;              ///< string id
  const wchar_t* text;  ///< the text
};

/// String resources, looked up by (module, id). A module registers its
/// table (copied; language as MAKELANGID gives it) at start-up and withdraws
/// it before it is unloaded.
MATRIX_PLATFORM_API void AfxRegisterStringTable(
    HINSTANCE module, WORD language, const AFX_STRING_RESOURCE* table,
    std::size_t count);
/// \copydoc AfxRegisterStringTable
MATRIX_PLATFORM_API void AfxUnregisterStringTable(HINSTANCE module);

/// Loads string `id` of `module` into `text`. `language` 0 takes the
/// module's first table that holds the id. Returns FALSE, leaving `text`
/// empty, when there is no such string.
MATRIX_PLATFORM_API BOOL AfxLoadStringResource(HINSTANCE module, UINT id,
                                               WORD language, CString& text);

/// The resource manager: loads strings from the current resource module.
class MATRIX_PLATFORM_API CResourceManager {
 public:
  /// Loads string `id` into `text` (language 0: any); `flags` is reserved
  /// and must be 0. FALSE, and an empty `text`, when there is none.
  BOOL LoadString(CString& text, UINT id, WORD language = 0, DWORD flags = 0);
};

/// Reaches the one resource manager through operator->, as hosts of the
/// framework do.
class MATRIX_PLATFORM_API CResourceManagerRef {
 public:
  /// The process's one resource manager.
  CResourceManager* operator->() const;
};

/// The resource manager, as `g_ResourceManager->LoadString(text, id)`.
MATRIX_PLATFORM_API extern CResourceManagerRef g_ResourceManager;

// The drawing surface builds on CPoint and CRect.
#include <afxdc.h>

// Windows and controls, dialog data exchange, message boxes.
#include <afxwnd.h>

/// @}

#endif  // MATRIX_PLATFORM_AFXWIN_H_
