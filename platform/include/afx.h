/// \file
/// \ingroup core_afx
/// \brief Core framework types: CObject, the exceptions, CString.
#ifndef MATRIX_PLATFORM_AFX_H_
#define MATRIX_PLATFORM_AFX_H_

/// \defgroup core_afx afx.h: objects, exceptions, CString
/// \ingroup core
/// \brief Core framework types: CObject, the exceptions, CString.
/// @{

#include <afxexport.h>
#include <windef.h>

#include <new>
#include <stdexcept>
#include <string>

class CObject;

/// Run-time class information: one constant record per class, linked to the
/// record of its base class. Records are compared by address, so every
/// class has exactly one, defined in the module that implements the class
/// and shared with every other module through the dynamic linker.
struct MATRIX_PLATFORM_API CRuntimeClass {
  LPCSTR m_lpszClassName;           ///< the class's name
  int m_nObjectSize;                ///< sizeof the class
  UINT m_wSchema;                   ///< 0xFFFF: not serialisable
  CObject* (*m_pfnCreateObject)();  ///< null: not dynamically creatable
  CRuntimeClass* m_pBaseClass;      ///< null only for CObject

  /// A new object of the class, or nullptr when it cannot be created that
  /// way (no DECLARE_DYNCREATE).
  CObject* CreateObject() const;
  /// TRUE when this class is `base` or derives from it; FALSE for null.
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

/// The run-time class record of `class_name`.
#define RUNTIME_CLASS(class_name) \
  (const_cast<CRuntimeClass*>(&class_name::class##class_name))

/// In a class body: the class's record and its GetRuntimeClass. The class
/// must derive from CObject.
#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  CRuntimeClass* GetRuntimeClass() const override;

/// In one source file of the module that implements `class_name`.
#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                    \
  const CRuntimeClass class_name::class##class_name = {                   \
      #class_name, static_cast<int>(sizeof(class_name)), 0xFFFF, nullptr, \
      RUNTIME_CLASS(base_class_name)};                                    \
  CRuntimeClass* class_name::GetRuntimeClass() const {                    \
    return RUNTIME_CLASS(class_name);                                     \
  }

/// Root of the framework's class tree. Objects derived from it are not
/// copyable unless they say how (the framework declares the copy operations
/// private; `= delete` has the same effect for code written against it).
class MATRIX_PLATFORM_API CObject {
 public:
  virtual ~CObject();
  CObject(const CObject&) = delete;
  void operator=(const CObject&) = delete;

  /// The record of the object's most derived class that declares one
  /// (DECLARE_DYNAMIC); CObject's own for classes that declare none.
  virtual CRuntimeClass* GetRuntimeClass() const;
  /// TRUE when the object's class is `cls` or derives from it.
  BOOL IsKindOf(const CRuntimeClass* cls) const;

  /// CObject's own run-time class record.
  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
};

/// `object` as a `class_name*` when it is of that class (IsKindOf), else
/// nullptr; nullptr stays nullptr.
#define DYNAMIC_DOWNCAST(class_name, object)    \
  (static_cast<class_name*>(AfxDynamicDownCast( \
      RUNTIME_CLASS(class_name), static_cast<CObject*>(object))))
/// \copydoc DYNAMIC_DOWNCAST
MATRIX_PLATFORM_API CObject* AfxDynamicDownCast(CRuntimeClass* cls,
                                                CObject* object);

/// \name Message-box style and result
/// The message-box style and result that ReportError speaks of, with
/// Win32's values (the window layer defines the same).
/// @{

#ifndef MB_OK
#define MB_OK 0x00000000L  ///< one OK button
#endif
#ifndef IDOK
#define IDOK 1  ///< the OK button was pressed
#endif
/// @}

/// Exceptions travel as the framework has them: thrown as a pointer to an
/// object made with new (`throw new CUserException`) and caught as a
/// pointer, `catch (CException* e) { ...; e->Delete(); }`; the catcher
/// frees it with Delete(), never with delete, because some exceptions are
/// not on the heap (see CMemoryException). The TRY/CATCH macros below do
/// the Delete() themselves. Header comments name a thrown exception by the
/// type it is caught as: "throws CUserException*".
class MATRIX_PLATFORM_API CException : public CObject {
  DECLARE_DYNAMIC(CException)

 public:
  /// `auto_delete`: TRUE when the object was made with new, so that Delete()
  /// frees it; FALSE for an object that lives elsewhere (static or on the
  /// stack), which Delete() leaves alone.
  /// (Inline: the class is abstract, and compilers differ in which of its
  /// constructors they would emit for export.)
  CException() : m_bAutoDelete(TRUE) {}
  /// \copydoc CException::CException()
  explicit CException(BOOL auto_delete) : m_bAutoDelete(auto_delete) {}
  ~CException() override = 0;

  /// Frees the object when it was made with new (m_bAutoDelete), else does
  /// nothing. The only way a catcher should dispose of an exception.
  void Delete();

  /// Copies the exception's message, cut to `max_error` - 1 characters and
  /// a terminating 0, into `error`, and 0 into `*help_context` when given.
  /// Returns FALSE, leaving an empty text, when the exception has no
  /// message (as for every exception of this layer).
  virtual BOOL GetErrorMessage(LPTSTR error, UINT max_error,
                               PUINT help_context = nullptr) const;
  /// The same for a non-const exception, as the framework has both; unless
  /// overridden it calls the const form, so a class may override either.
  virtual BOOL GetErrorMessage(LPTSTR error, UINT max_error,
                               PUINT help_context = nullptr);

  /// Reports the message (or string resource `message_id` when there is
  /// none; "No error message is available." when that is 0) to the user in
  /// a message box of style `type`, through AfxMessageBox and so the host's
  /// handler, and returns the box's result (IDOK when no handler is set).
  virtual int ReportError(UINT type = MB_OK, UINT message_id = 0);

  /// TRUE when Delete() frees the object (it was made with new).
  BOOL m_bAutoDelete;
};

/// Base of the framework's exceptions that carry no data of their own.
class MATRIX_PLATFORM_API CSimpleException : public CException {
  DECLARE_DYNAMIC(CSimpleException)

 public:
  CSimpleException() = default;
  /// An exception that Delete() frees when `auto_delete` is TRUE.
  explicit CSimpleException(BOOL auto_delete) : CException(auto_delete) {}
  ~CSimpleException() override = 0;
};

/// An operation failed and its failure has already been put into words for
/// the user (the framework's convention); carries no data.
class MATRIX_PLATFORM_API CUserException : public CSimpleException {
  DECLARE_DYNAMIC(CUserException)

 public:
  CUserException();
  /// An exception that Delete() frees when `auto_delete` is TRUE.
  explicit CUserException(BOOL auto_delete);
  ~CUserException() override;
};

/// An argument was outside what the callee accepts (an index out of range).
class MATRIX_PLATFORM_API CInvalidArgException : public CSimpleException {
  DECLARE_DYNAMIC(CInvalidArgException)

 public:
  CInvalidArgException();
  /// An exception that Delete() frees when `auto_delete` is TRUE.
  explicit CInvalidArgException(BOOL auto_delete);
  ~CInvalidArgException() override;
};

/// Memory could not be had. AfxThrowMemoryException throws one object made
/// before memory ran out, whose Delete() frees nothing.
class MATRIX_PLATFORM_API CMemoryException : public CSimpleException {
  DECLARE_DYNAMIC(CMemoryException)

 public:
  CMemoryException();
  /// An exception that Delete() frees when `auto_delete` is TRUE.
  explicit CMemoryException(BOOL auto_delete);
  ~CMemoryException() override;
};

/// An operation the object does not offer was asked for (a dialog without
/// the control an exchange names).
class MATRIX_PLATFORM_API CNotSupportedException : public CSimpleException {
  DECLARE_DYNAMIC(CNotSupportedException)

 public:
  CNotSupportedException();
  /// An exception that Delete() frees when `auto_delete` is TRUE.
  explicit CNotSupportedException(BOOL auto_delete);
  ~CNotSupportedException() override;
};

/// Throw the corresponding exception as a pointer; they never return. The
/// user, invalid-argument and not-supported exceptions are new objects,
/// which the catcher Delete()s; when even that object cannot be had, the
/// memory exception is thrown instead. AfxThrowMemoryException throws a
/// pointer to one static object, which needs no memory and which Delete()
/// leaves alone.
[[noreturn]] MATRIX_PLATFORM_API void AfxThrowUserException();
/// \copydoc AfxThrowUserException()
[[noreturn]] MATRIX_PLATFORM_API void AfxThrowInvalidArgException();
/// \copydoc AfxThrowUserException()
[[noreturn]] MATRIX_PLATFORM_API void AfxThrowNotSupportedException();
/// \copydoc AfxThrowUserException()
[[noreturn]] MATRIX_PLATFORM_API void AfxThrowMemoryException();

namespace matrix::platform {

/// Runs f and returns what it returns. Code written against the framework
/// expects running out of memory to arrive as a CMemoryException, so the
/// standard library's ways of saying so become AfxThrowMemoryException():
/// std::bad_alloc, and std::length_error (a container asked to grow past
/// what it can ever hold).
template <class F>
decltype(auto) WithFrameworkMemory(F&& f) {
  try {
    return static_cast<F&&>(f)();
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  } catch (const std::length_error&) {
    AfxThrowMemoryException();
  }
}

}  // namespace matrix::platform

/// The handler chain of the TRY macros: one link per TRY block, per thread.
/// A link owns the exception its CATCH block caught and Delete()s it when
/// the block is left, unless THROW_LAST threw it on.
struct MATRIX_PLATFORM_API AFX_EXCEPTION_LINK {
  AFX_EXCEPTION_LINK* m_pLinkPrev;  ///< the enclosing TRY block's link
  CException* m_pException;         ///< the caught exception, or null

  AFX_EXCEPTION_LINK();
  ~AFX_EXCEPTION_LINK();
  AFX_EXCEPTION_LINK(const AFX_EXCEPTION_LINK&) = delete;
  AFX_EXCEPTION_LINK& operator=(const AFX_EXCEPTION_LINK&) = delete;
};

/// Delete()s the exception of the innermost TRY block of this thread, if
/// any, and unlinks it (run by the link's destructor).
MATRIX_PLATFORM_API void AfxTryCleanup();
/// Gives up the innermost TRY block's claim on its caught exception, so that
/// it survives being thrown on (THROW_LAST).
MATRIX_PLATFORM_API void AfxThrowLastCleanup();

/// The framework's exception macros, over C++ try/catch of pointers:
/// ```
/// TRY { ... }
/// CATCH(CUserException, e) { ... }
/// AND_CATCH(CException, e) { ... }
/// END_CATCH
/// ```
/// The caught exception is Delete()d when the handler ends, also when the
/// handler throws another one; THROW_LAST() throws it on instead.
#define TRY                               \
  {                                       \
    AFX_EXCEPTION_LINK _afxExceptionLink; \
    try {
/// Ends the TRY block (or the handler before) and catches `class_name*` as
/// `e`.
#define CATCH(class_name, e) \
  }                          \
  catch (class_name * e) {   \
    _afxExceptionLink.m_pException = e;
/// Ends the handler before and catches another class, `class_name*`, as
/// `e`.
#define AND_CATCH(class_name, e) \
  }                              \
  catch (class_name * e) {       \
    _afxExceptionLink.m_pException = e;
/// Ends the last handler of a TRY block.
#define END_CATCH \
  }               \
  }
/// Ends the TRY block and catches every CException* as `e`.
#define CATCH_ALL(e)       \
  }                        \
  catch (CException * e) { \
    {                      \
      _afxExceptionLink.m_pException = e;
/// Ends the handler before and catches every other CException* as `e`.
#define AND_CATCH_ALL(e)   \
  }                        \
  catch (CException * e) { \
    {                      \
      _afxExceptionLink.m_pException = e;
/// Ends a CATCH_ALL or AND_CATCH_ALL handler.
#define END_CATCH_ALL \
  }                   \
  }                   \
  }
/// Ends a TRY block without handlers: a CException* thrown in it is caught
/// and Delete()d.
#define END_TRY                         \
  }                                     \
  catch (CException * e) {              \
    _afxExceptionLink.m_pException = e; \
  }                                     \
  }
/// Throws the exception pointer `e`.
#define THROW(e) throw e;
/// In a handler: throws the caught exception on, without its Delete().
#define THROW_LAST() (AfxThrowLastCleanup(), throw)

/// Wide-character string (wchar_t; 32 bits on Linux). Indices and lengths
/// are int as in the framework. Out-of-range arguments of the extraction and
/// search functions are clamped as the framework clamps them; GetAt, SetAt
/// and operator[] outside the string throw CInvalidArgException*; exhausted
/// memory throws CMemoryException*.
class MATRIX_PLATFORM_API CString {
 public:
  CString();
  /// A copy of `other`.
  CString(const CString& other);
  /// Takes over the characters of `other`, which is left empty.
  CString(CString&& other) noexcept;
  /// \copydoc CString::CString(CString&&)
  CString(const wchar_t* text);  // NOLINT: implicit, as in the framework
  /// The first `length` characters at `text` (embedded zeros included); null
  /// with length 0 is empty. A negative length, or null with a positive one,
  /// throws CInvalidArgException*.
  CString(const wchar_t* text, int length);
  /// `ch` repeated `repeat` times (empty for repeat <= 0).
  explicit CString(wchar_t ch, int repeat = 1);
  ~CString();

  /// Replaces the content with a copy of `other`, of `text` (null: empty) or of
  /// the one character `ch`, and returns this string.
  CString& operator=(const CString& other);
  /// \copydoc CString::operator=(const CString&)
  CString& operator=(CString&& other) noexcept;
  /// \copydoc CString::operator=(const CString&)
  CString& operator=(const wchar_t* text);
  /// \copydoc CString::operator=(const CString&)
  CString& operator=(wchar_t ch);

  /// The number of characters.
  int GetLength() const { return static_cast<int>(s_.size()); }
  /// True when the string holds no characters.
  bool IsEmpty() const { return s_.empty(); }
  /// Makes the string empty.
  void Empty();
  /// The characters with a terminating 0, valid until the string changes.
  const wchar_t* GetString() const { return s_.c_str(); }
  /// \copydoc CString::GetString() const
  operator const wchar_t*() const { return s_.c_str(); }  // NOLINT

  /// Character at `index`; `index == GetLength()` reads the terminating 0.
  wchar_t GetAt(int index) const;
  /// GetAt(index).
  wchar_t operator[](int index) const { return GetAt(index); }
  /// Replaces the character at `index` (0 .. GetLength()-1) by `ch`.
  void SetAt(int index, wchar_t ch);

  /// Appends `other`, `text` (null: nothing) or `ch` and returns this string.
  CString& operator+=(const CString& other);
  /// \copydoc CString::operator+=(const CString&)
  CString& operator+=(const wchar_t* text);
  /// \copydoc CString::operator+=(const CString&)
  CString& operator+=(wchar_t ch);

  /// -1, 0 or 1 as this string sorts before, equal to or after `text` (null
  /// reads as ""), by wcscmp: characters compare by code, and the comparison
  /// stops at the first 0, embedded or terminating, as every comparison of
  /// CString does (==, !=, <). CompareNoCase folds case with towlower in the
  /// C library's current LC_CTYPE locale first.
  int Compare(const wchar_t* text) const;
  /// \copydoc CString::Compare(const wchar_t*) const
  int CompareNoCase(const wchar_t* text) const;

  /// Searches return the zero-based index, or -1 when nothing is found.
  /// Find: the first `ch` or `sub` at or after `start`; FindOneOf: the first
  /// character that is one of `chars`; ReverseFind: the last `ch`.
  int Find(wchar_t ch, int start = 0) const;
  /// \copydoc CString::Find(wchar_t, int) const
  int Find(const wchar_t* sub, int start = 0) const;
  /// \copydoc CString::Find(wchar_t, int) const
  int FindOneOf(const wchar_t* chars) const;
  /// \copydoc CString::Find(wchar_t, int) const
  int ReverseFind(wchar_t ch) const;

  /// Editing in place; each returns the count or the new length as named.
  /// Replace puts `new_ch` for every `old_ch`, or `new_text` for every
  /// `old_text` found left to right; returns the count replaced.
  int Replace(wchar_t old_ch, wchar_t new_ch);
  /// \copydoc CString::Replace(wchar_t, wchar_t)
  int Replace(const wchar_t* old_text, const wchar_t* new_text);
  /// Removes every `ch`; returns the count removed.
  int Remove(wchar_t ch);
  /// Inserts `ch` or `text` before `index` (clamped to the string); returns
  /// the new length.
  int Insert(int index, wchar_t ch);
  /// \copydoc CString::Insert(int, wchar_t)
  int Insert(int index, const wchar_t* text);
  /// Deletes `count` characters from `index` (clamped to the string);
  /// returns the new length.
  int Delete(int index, int count = 1);

  /// The first `count` characters (none for a negative count, all when it
  /// exceeds the length).
  CString Left(int count) const;
  /// The characters from `first` (clamped to 0) to the end.
  CString Mid(int first) const;
  /// At most `count` characters from `first` (a negative `first` or `count`
  /// counts as 0; empty past the end).
  CString Mid(int first, int count) const;
  /// The last `count` characters (none for a negative count, all when it
  /// exceeds the length).
  CString Right(int count) const;

  /// Removes white space, or every `target` or character of `targets`, from
  /// both ends (Trim), the start (TrimLeft) or the end (TrimRight), and
  /// returns this string. White space is what iswspace says in the current
  /// locale.
  CString& Trim();
  /// \copydoc CString::Trim()
  CString& Trim(wchar_t target);
  /// \copydoc CString::Trim()
  CString& Trim(const wchar_t* targets);
  /// \copydoc CString::Trim()
  CString& TrimLeft();
  /// \copydoc CString::Trim()
  CString& TrimLeft(wchar_t target);
  /// \copydoc CString::Trim()
  CString& TrimLeft(const wchar_t* targets);
  /// \copydoc CString::Trim()
  CString& TrimRight();
  /// \copydoc CString::Trim()
  CString& TrimRight(wchar_t target);
  /// \copydoc CString::Trim()
  CString& TrimRight(const wchar_t* targets);

  /// Upper-cases or lower-cases the string in place and returns it. Case
  /// mapping by towupper/towlower, that is by the C library's current
  /// LC_CTYPE locale.
  CString& MakeUpper();
  /// \copydoc CString::MakeUpper()
  CString& MakeLower();

  /// printf-style formatting with the framework's wide conventions: \%s and
  /// \%c take a wide string and a wide character, \%S and \%C narrow ones
  /// (\%ls,
  /// \%hs, \%lc, \%hc say it explicitly), \%I64d/\%I64u/\%I64x take 64-bit
  /// integers. Numbers follow the C library's current LC_NUMERIC, as the
  /// framework's Format does.
  void Format(const wchar_t* format, ...);
  /// \copydoc CString::Format
  void AppendFormat(const wchar_t* format, ...);

  /// Loads string resource `id` of the current resource module (see
  /// AfxGetResourceHandle); FALSE, and an empty string, when it has none.
  BOOL LoadString(UINT id);

  /// Direct access to the characters: room for at least `min_length`
  /// characters and a terminating 0. ReleaseBuffer(-1) takes the length up to
  /// the first 0; any other value sets the length (clamped to the buffer).
  wchar_t* GetBuffer();
  /// \copydoc CString::GetBuffer()
  wchar_t* GetBuffer(int min_length);
  /// \copydoc CString::GetBuffer()
  wchar_t* GetBufferSetLength(int length);
  /// \copydoc CString::GetBuffer()
  void ReleaseBuffer(int new_length = -1);

 private:
  std::wstring s_;
};

/// The concatenation of `a` and `b` (a null text reads as "").
MATRIX_PLATFORM_API CString operator+(const CString& a, const CString& b);
/// \copydoc operator+(const CString&, const CString&)
MATRIX_PLATFORM_API CString operator+(const CString& a, const wchar_t* b);
/// \copydoc operator+(const CString&, const CString&)
MATRIX_PLATFORM_API CString operator+(const wchar_t* a, const CString& b);
/// \copydoc operator+(const CString&, const CString&)
MATRIX_PLATFORM_API CString operator+(const CString& a, wchar_t b);
/// \copydoc operator+(const CString&, const CString&)
MATRIX_PLATFORM_API CString operator+(wchar_t a, const CString& b);

/// Equality by wcscmp (see CString::Compare): up to the first 0.
MATRIX_PLATFORM_API bool operator==(const CString& a, const CString& b);
/// \copydoc operator==(const CString&, const CString&)
MATRIX_PLATFORM_API bool operator==(const CString& a, const wchar_t* b);
/// True when `a` sorts before `b` by wcscmp (see CString::Compare).
MATRIX_PLATFORM_API bool operator<(const CString& a, const CString& b);
/// The negation of operator==.
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
/// \copydoc operator!=(const CString&, const CString&)
inline bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
/// `b == a` and `b != a`, with the text on the left.
inline bool operator==(const wchar_t* a, const CString& b) { return b == a; }
/// \copydoc operator==(const wchar_t*, const CString&)
inline bool operator!=(const wchar_t* a, const CString& b) { return !(b == a); }

/// @}

#endif  // MATRIX_PLATFORM_AFX_H_
