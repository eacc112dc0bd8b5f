// Platform layer - CObject's run-time class, the exception classes and the
// handler chain of the TRY macros. The destructors are the key functions,
// so the type information lives here, once, and a host catches what the
// library throws by type.
#include <afx.h>
#include <afxwin.h>

#include <new>

// --- Run-time classes -------------------------------------------------------

const CRuntimeClass CObject::classCObject = {
    "CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};

CObject::~CObject() = default;

CRuntimeClass* CObject::GetRuntimeClass() const {
  return RUNTIME_CLASS(CObject);
}

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const {
  return GetRuntimeClass()->IsDerivedFrom(cls);
}

CObject* CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  if (base == nullptr) return FALSE;
  for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass) {
    if (c == base) return TRUE;
  }
  return FALSE;
}

CObject* AfxDynamicDownCast(CRuntimeClass* cls, CObject* object) {
  return object != nullptr && object->IsKindOf(cls) ? object : nullptr;
}

// --- Exceptions -------------------------------------------------------------

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CSimpleException, CException)
IMPLEMENT_DYNAMIC(CUserException, CSimpleException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CSimpleException)
IMPLEMENT_DYNAMIC(CMemoryException, CSimpleException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CSimpleException)

CException::~CException() = default;

void CException::Delete() {
  if (m_bAutoDelete > 0) delete this;
}

BOOL CException::GetErrorMessage(LPTSTR error, UINT max_error,
                                 PUINT help_context) const {
  if (help_context != nullptr) *help_context = 0;
  if (error != nullptr && max_error > 0) *error = L'\0';
  return FALSE;
}

BOOL CException::GetErrorMessage(LPTSTR error, UINT max_error,
                                 PUINT help_context) {
  return static_cast<const CException*>(this)->GetErrorMessage(error, max_error,
                                                               help_context);
}

int CException::ReportError(UINT type, UINT message_id) {
  wchar_t text[512];
  UINT help = 0;
  if (GetErrorMessage(text, 512, &help)) return AfxMessageBox(text, type, help);
  if (message_id == 0) {
    return AfxMessageBox(L"No error message is available.", type, 0);
  }
  return AfxMessageBox(message_id, type, help);
}

CSimpleException::~CSimpleException() = default;

CUserException::CUserException() = default;
CUserException::CUserException(BOOL auto_delete)
    : CSimpleException(auto_delete) {}
CUserException::~CUserException() = default;

CInvalidArgException::CInvalidArgException() = default;
CInvalidArgException::CInvalidArgException(BOOL auto_delete)
    : CSimpleException(auto_delete) {}
CInvalidArgException::~CInvalidArgException() = default;

CMemoryException::CMemoryException() = default;
CMemoryException::CMemoryException(BOOL auto_delete)
    : CSimpleException(auto_delete) {}
CMemoryException::~CMemoryException() = default;

CNotSupportedException::CNotSupportedException() = default;
CNotSupportedException::CNotSupportedException(BOOL auto_delete)
    : CSimpleException(auto_delete) {}
CNotSupportedException::~CNotSupportedException() = default;

namespace {

// Made at start-up, before memory can run out, and never freed: reporting
// exhausted memory must not need memory.
CMemoryException& TheMemoryException() {
  static CMemoryException exception(FALSE);
  return exception;
}
// Constructed during static initialisation, not at the first throw.
[[maybe_unused]] CMemoryException& memory_exception = TheMemoryException();

// A new exception of type E, thrown by pointer; the memory exception when
// not even that can be had.
template <class E>
[[noreturn]] void ThrowNew() {
  E* e = new (std::nothrow) E;
  if (e == nullptr) AfxThrowMemoryException();
  throw e;
}

// The innermost TRY block of this thread.
thread_local AFX_EXCEPTION_LINK* innermost = nullptr;

}  // namespace

void AfxThrowUserException() { ThrowNew<CUserException>(); }
void AfxThrowInvalidArgException() { ThrowNew<CInvalidArgException>(); }
void AfxThrowNotSupportedException() { ThrowNew<CNotSupportedException>(); }
void AfxThrowMemoryException() { throw &TheMemoryException(); }

// --- The handler chain of TRY -----------------------------------------------

AFX_EXCEPTION_LINK::AFX_EXCEPTION_LINK()
    : m_pLinkPrev(innermost), m_pException(nullptr) {
  innermost = this;
}

AFX_EXCEPTION_LINK::~AFX_EXCEPTION_LINK() {
  if (m_pException != nullptr) m_pException->Delete();
  m_pException = nullptr;
  if (innermost == this) innermost = m_pLinkPrev;
}

void AfxTryCleanup() {
  AFX_EXCEPTION_LINK* link = innermost;
  if (link == nullptr) return;
  if (link->m_pException != nullptr) link->m_pException->Delete();
  link->m_pException = nullptr;
  innermost = link->m_pLinkPrev;
}

void AfxThrowLastCleanup() {
  if (innermost != nullptr) innermost->m_pException = nullptr;
}
