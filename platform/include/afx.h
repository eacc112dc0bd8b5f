// Platform layer - core framework types: CObject, the exceptions, CString.
#ifndef MATRIX_PLATFORM_AFX_H_
#define MATRIX_PLATFORM_AFX_H_

#include <afxexport.h>
#include <windef.h>

#include <exception>
#include <string>

// Root of the framework's class tree. Objects derived from it are not
// copyable unless they say how (the framework declares the copy operations
// private; `= delete` has the same effect for code written against it).
class MATRIX_PLATFORM_API CObject {
 public:
  virtual ~CObject();
  CObject(const CObject&) = delete;
  void operator=(const CObject&) = delete;

 protected:
  CObject() = default;
};

// Exceptions are thrown by value and caught by reference. All derive from
// CException, itself a std::exception, so a host may also catch them as such.
class MATRIX_PLATFORM_API CException : public std::exception {
 public:
  CException() = default;
  CException(const CException&) = default;
  CException& operator=(const CException&) = default;
  ~CException() override;
  const char* what() const noexcept override;
};

// An operation failed and its failure has already been put into words for
// the user (the framework's convention); carries no data.
class MATRIX_PLATFORM_API CUserException : public CException {
 public:
  ~CUserException() override;
  const char* what() const noexcept override;
};

// An argument was outside what the callee accepts (an index out of range).
class MATRIX_PLATFORM_API CInvalidArgException : public CException {
 public:
  ~CInvalidArgException() override;
  const char* what() const noexcept override;
};

// Memory could not be had.
class MATRIX_PLATFORM_API CMemoryException : public CException {
 public:
  ~CMemoryException() override;
  const char* what() const noexcept override;
};

// Throw the corresponding exception by value; they never return.
[[noreturn]] MATRIX_PLATFORM_API void AfxThrowUserException();
[[noreturn]] MATRIX_PLATFORM_API void AfxThrowInvalidArgException();
[[noreturn]] MATRIX_PLATFORM_API void AfxThrowMemoryException();

// Wide-character string (wchar_t; 32 bits on Linux). Indices and lengths
// are int as in the framework. Out-of-range arguments of the extraction and
// search functions are clamped as the framework clamps them; GetAt, SetAt
// and operator[] outside the string throw CInvalidArgException; exhausted
// memory throws CMemoryException.
class MATRIX_PLATFORM_API CString {
 public:
  CString();
  CString(const CString& other);
  CString(CString&& other) noexcept;
  CString(const wchar_t* text);  // NOLINT: implicit, as in the framework
  CString(const wchar_t* text, int length);
  explicit CString(wchar_t ch, int repeat = 1);
  ~CString();

  CString& operator=(const CString& other);
  CString& operator=(CString&& other) noexcept;
  CString& operator=(const wchar_t* text);
  CString& operator=(wchar_t ch);

  int GetLength() const { return static_cast<int>(s_.size()); }
  bool IsEmpty() const { return s_.empty(); }
  void Empty();
  const wchar_t* GetString() const { return s_.c_str(); }
  operator const wchar_t*() const { return s_.c_str(); }  // NOLINT

  // Character at `index`; `index == GetLength()` reads the terminating 0.
  wchar_t GetAt(int index) const;
  wchar_t operator[](int index) const { return GetAt(index); }
  void SetAt(int index, wchar_t ch);

  CString& operator+=(const CString& other);
  CString& operator+=(const wchar_t* text);
  CString& operator+=(wchar_t ch);

  // -1, 0 or 1 as this string sorts before, equal to or after `text` (null
  // reads as ""), by wcscmp: characters compare by code, and the comparison
  // stops at the first 0, embedded or terminating, as every comparison of
  // CString does (==, !=, <). CompareNoCase folds case with towlower in the
  // C library's current LC_CTYPE locale first.
  int Compare(const wchar_t* text) const;
  int CompareNoCase(const wchar_t* text) const;

  // Searches return the zero-based index, or -1 when nothing is found.
  int Find(wchar_t ch, int start = 0) const;
  int Find(const wchar_t* sub, int start = 0) const;
  int FindOneOf(const wchar_t* chars) const;
  int ReverseFind(wchar_t ch) const;

  // Editing in place; each returns the count or the new length as named.
  int Replace(wchar_t old_ch, wchar_t new_ch);                    // count
  int Replace(const wchar_t* old_text, const wchar_t* new_text);  // count
  int Remove(wchar_t ch);                                         // count
  int Insert(int index, wchar_t ch);                              // new length
  int Insert(int index, const wchar_t* text);                     // new length
  int Delete(int index, int count = 1);                           // new length

  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;

  // White space is what iswspace says in the current locale.
  CString& Trim();
  CString& Trim(wchar_t target);
  CString& Trim(const wchar_t* targets);
  CString& TrimLeft();
  CString& TrimLeft(wchar_t target);
  CString& TrimLeft(const wchar_t* targets);
  CString& TrimRight();
  CString& TrimRight(wchar_t target);
  CString& TrimRight(const wchar_t* targets);

  // Case mapping by towupper/towlower, that is by the C library's current
  // LC_CTYPE locale.
  CString& MakeUpper();
  CString& MakeLower();

  // printf-style formatting with the framework's wide conventions: %s and
  // %c take a wide string and a wide character, %S and %C narrow ones (%ls,
  // %hs, %lc, %hc say it explicitly), %I64d/%I64u/%I64x take 64-bit
  // integers. Numbers follow the C library's current LC_NUMERIC, as the
  // framework's Format does.
  void Format(const wchar_t* format, ...);
  void AppendFormat(const wchar_t* format, ...);

  // Loads string resource `id` of the current resource module (see
  // AfxGetResourceHandle); FALSE, and an empty string, when it has none.
  BOOL LoadString(UINT id);

  // Direct access to the characters: room for at least `min_length`
  // characters and a terminating 0. ReleaseBuffer(-1) takes the length up to
  // the first 0; any other value sets the length (clamped to the buffer).
  wchar_t* GetBuffer();
  wchar_t* GetBuffer(int min_length);
  wchar_t* GetBufferSetLength(int length);
  void ReleaseBuffer(int new_length = -1);

 private:
  std::wstring s_;
};

MATRIX_PLATFORM_API CString operator+(const CString& a, const CString& b);
MATRIX_PLATFORM_API CString operator+(const CString& a, const wchar_t* b);
MATRIX_PLATFORM_API CString operator+(const wchar_t* a, const CString& b);
MATRIX_PLATFORM_API CString operator+(const CString& a, wchar_t b);
MATRIX_PLATFORM_API CString operator+(wchar_t a, const CString& b);

MATRIX_PLATFORM_API bool operator==(const CString& a, const CString& b);
MATRIX_PLATFORM_API bool operator==(const CString& a, const wchar_t* b);
MATRIX_PLATFORM_API bool operator<(const CString& a, const CString& b);
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
inline bool operator==(const wchar_t* a, const CString& b) { return b == a; }
inline bool operator!=(const wchar_t* a, const CString& b) { return !(b == a); }

#endif  // MATRIX_PLATFORM_AFX_H_
