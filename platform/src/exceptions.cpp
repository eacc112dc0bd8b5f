// Platform layer - CObject and the exception classes. The destructors are
// the key functions, so the type information lives here, once, and a host
// catches what the library throws by type.
#include <afx.h>

CObject::~CObject() = default;

CException::~CException() = default;
const char* CException::what() const noexcept { return "CException"; }

CUserException::~CUserException() = default;
const char* CUserException::what() const noexcept { return "CUserException"; }

CInvalidArgException::~CInvalidArgException() = default;
const char* CInvalidArgException::what() const noexcept {
  return "CInvalidArgException";
}

CMemoryException::~CMemoryException() = default;
const char* CMemoryException::what() const noexcept {
  return "CMemoryException";
}

void AfxThrowUserException() { throw CUserException(); }
void AfxThrowInvalidArgException() { throw CInvalidArgException(); }
void AfxThrowMemoryException() { throw CMemoryException(); }
