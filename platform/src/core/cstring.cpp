// Platform layer - CString over std::wstring.
#include <afxwin.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <exception>
#include <string>
#include <utility>

#include "text_fold.h"

using matrix::platform::WithFrameworkMemory;

namespace {

std::size_t Len(const wchar_t* text) { return text ? std::wcslen(text) : 0; }

// The parts of one %-conversion that change in translation.
struct ConversionSize {
  enum Width { kNone, kShort, kLong } width = kNone;  // h, or l/w, given
  std::wstring prefix;  // the C library's size prefix to write
};

// Copies the flags, the field width and the precision of a conversion
// (they mean the same in both conventions) from `p` to `out`.
const wchar_t* CopyFlagsWidthPrecision(const wchar_t* p, std::wstring& out) {
  while (*p && std::wcschr(L"-+ #0'", *p)) out += *p++;
  while (*p && (std::iswdigit(*p) || *p == L'*')) out += *p++;
  if (*p == L'.') {
    out += *p++;
    while (*p && (std::iswdigit(*p) || *p == L'*')) out += *p++;
  }
  return p;
}

// Reads the size prefixes at `p` into `size`: I64 is long long, I32 int,
// I pointer-sized; h, l, w and the C library's own letters are kept.
const wchar_t* ReadSize(const wchar_t* p, ConversionSize& size) {
  for (;;) {
    if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
      size.prefix = L"ll";
      p += 3;
    } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
      p += 3;
    } else if (p[0] == L'I') {
      size.prefix = L"z";
      p += 1;
    } else if (*p == L'h') {
      size.width = ConversionSize::kShort;
      size.prefix += *p++;
    } else if (*p == L'l' || *p == L'w') {
      size.width = ConversionSize::kLong;
      size.prefix += (*p == L'w') ? L'l' : *p;
      ++p;
    } else if (*p && std::wcschr(L"Lqjzt", *p)) {
      size.prefix += *p++;
    } else {
      return p;
    }
  }
}

// Writes conversion `conv` with its size in the C library's convention.
void WriteConversion(wchar_t conv, const ConversionSize& size,
                     std::wstring& out) {
  if (conv == L's' || conv == L'c' || conv == L'S' || conv == L'C') {
    // %s and %c are wide unless h says narrow; %S and %C are narrow unless
    // l or w says wide.
    const bool wide = (conv == L's' || conv == L'c')
                          ? size.width != ConversionSize::kShort
                          : size.width == ConversionSize::kLong;
    if (wide) out += L'l';
    out += (conv == L'S' || conv == L's') ? L's' : L'c';
    return;
  }
  // The framework's long is 32 bits: %ld, %lu and %lx take a LONG or a
  // DWORD, which are int-sized here.
  if (size.prefix == L"l" && std::wcschr(L"diouxX", conv)) {
    out += conv;
    return;
  }
  out += size.prefix;
  out += conv;
}

// Rewrites a format in the framework's wide conventions into the C
// library's: there %s and %c in a wide format are wide, %S and %C narrow,
// and I64/I32/I are integer sizes. A conversion cut short by the end of
// the format is copied as far as it goes.
std::wstring TranslateFormat(const wchar_t* format) {
  std::wstring out;
  const wchar_t* p = format;
  while (*p) {
    if (*p != L'%') {
      out += *p++;
      continue;
    }
    out += *p++;
    if (*p == L'%') {
      out += *p++;
      continue;
    }
    p = CopyFlagsWidthPrecision(p, out);
    ConversionSize size;
    p = ReadSize(p, size);
    const wchar_t conv = *p;
    if (!conv) break;
    ++p;
    WriteConversion(conv, size, out);
  }
  return out;
}

std::wstring FormatV(const wchar_t* format, va_list args) {
  if (!format) AfxThrowInvalidArgException();
  std::wstring fmt =
      WithFrameworkMemory([&] { return TranslateFormat(format); });
  wchar_t* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_wmemstream(&buffer, &size);
  if (!stream) AfxThrowMemoryException();
  int written = std::vfwprintf(stream, fmt.c_str(), args);
  std::fclose(stream);
  if (written < 0) {
    std::free(buffer);
    AfxThrowInvalidArgException();
  }
  std::wstring result;
  try {
    result.assign(buffer, size);
  } catch (...) {
    std::free(buffer);
    AfxThrowMemoryException();
  }
  std::free(buffer);
  return result;
}

// The text of `format` with `args`, or what formatting threw, kept until
// Take() throws it: a variadic caller must end its argument list (va_end,
// in the function that began it) before an exception may leave it.
class Formatted {
 public:
  Formatted(const wchar_t* format, va_list args) noexcept {
    try {
      text_ = FormatV(format, args);
    } catch (...) {
      failure_ = std::current_exception();
    }
  }
  std::wstring& Take() {
    if (failure_) std::rethrow_exception(failure_);
    return text_;
  }

 private:
  std::wstring text_;
  std::exception_ptr failure_;
};

bool IsSpace(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; }

}  // namespace

CString::CString() = default;
CString::CString(const CString& other)
    : s_(WithFrameworkMemory([&] { return other.s_; })) {}
CString::CString(CString&& other) noexcept : s_(std::move(other.s_)) {}
CString::CString(const wchar_t* text)
    : s_(WithFrameworkMemory([&] { return std::wstring(text ? text : L""); })) {
}
CString::CString(const wchar_t* text, int length)
    : s_(WithFrameworkMemory([&] {
        if (length < 0) AfxThrowInvalidArgException();
        if (!text && length > 0) AfxThrowInvalidArgException();
        return text ? std::wstring(text, static_cast<std::size_t>(length))
                    : std::wstring();
      })) {}
CString::CString(wchar_t ch, int repeat)
    : s_(WithFrameworkMemory([&] {
        return std::wstring(repeat > 0 ? static_cast<std::size_t>(repeat) : 0,
                            ch);
      })) {}
CString::~CString() = default;

CString& CString::operator=(const CString& other) {
  if (this != &other) WithFrameworkMemory([&] { s_ = other.s_; });
  return *this;
}
CString& CString::operator=(CString&& other) noexcept {
  s_ = std::move(other.s_);
  return *this;
}
CString& CString::operator=(const wchar_t* text) {
  // `text` may point into this string.
  WithFrameworkMemory([&] { s_ = std::wstring(text ? text : L""); });
  return *this;
}
CString& CString::operator=(wchar_t ch) {
  WithFrameworkMemory([&] { s_.assign(1, ch); });
  return *this;
}

void CString::Empty() { s_.clear(); }

wchar_t CString::GetAt(int index) const {
  if (index < 0 || index > GetLength()) AfxThrowInvalidArgException();
  return s_.c_str()[index];
}

void CString::SetAt(int index, wchar_t ch) {
  if (index < 0 || index >= GetLength()) AfxThrowInvalidArgException();
  s_[static_cast<std::size_t>(index)] = ch;
}

CString& CString::operator+=(const CString& other) {
  WithFrameworkMemory([&] { s_ += other.s_; });
  return *this;
}
CString& CString::operator+=(const wchar_t* text) {
  if (text) WithFrameworkMemory([&] { s_ += std::wstring(text); });
  return *this;
}
CString& CString::operator+=(wchar_t ch) {
  WithFrameworkMemory([&] { s_ += ch; });
  return *this;
}

int CString::Compare(const wchar_t* text) const {
  int r = std::wcscmp(s_.c_str(), text ? text : L"");
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(const wchar_t* text) const {
  int r = matrix::platform::CompareCrtNoCase(s_.c_str(), text ? text : L"");
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::Find(wchar_t ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  std::size_t at = s_.find(ch, static_cast<std::size_t>(start));
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const wchar_t* sub, int start) const {
  if (!sub || start < 0 || start > GetLength()) return -1;
  std::size_t at = s_.find(sub, static_cast<std::size_t>(start));
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(const wchar_t* chars) const {
  if (!chars) return -1;
  std::size_t at = s_.find_first_of(chars);
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(wchar_t ch) const {
  std::size_t at = s_.rfind(ch);
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Replace(wchar_t old_ch, wchar_t new_ch) {
  if (old_ch == new_ch) return 0;
  int count = 0;
  for (wchar_t& c : s_) {
    if (c == old_ch) {
      c = new_ch;
      ++count;
    }
  }
  return count;
}

int CString::Replace(const wchar_t* old_text, const wchar_t* new_text) {
  std::size_t old_len = Len(old_text);
  if (old_len == 0) return 0;
  return WithFrameworkMemory([&] {
    std::wstring from(old_text);
    std::wstring to(new_text ? new_text : L"");
    std::wstring out;
    int count = 0;
    std::size_t pos = 0;
    for (;;) {
      std::size_t at = s_.find(from, pos);
      if (at == std::wstring::npos) break;
      out.append(s_, pos, at - pos);
      out += to;
      pos = at + old_len;
      ++count;
    }
    if (count) {
      out.append(s_, pos, std::wstring::npos);
      s_.swap(out);
    }
    return count;
  });
}

int CString::Remove(wchar_t ch) {
  std::size_t before = s_.size();
  std::erase(s_, ch);
  return static_cast<int>(before - s_.size());
}

int CString::Insert(int index, wchar_t ch) {
  if (index < 0) index = 0;
  if (index > GetLength()) index = GetLength();
  WithFrameworkMemory(
      [&] { s_.insert(static_cast<std::size_t>(index), 1, ch); });
  return GetLength();
}

int CString::Insert(int index, const wchar_t* text) {
  if (index < 0) index = 0;
  if (index > GetLength()) index = GetLength();
  if (text) {
    WithFrameworkMemory([&] {
      std::wstring copy(text);  // `text` may point into this string
      s_.insert(static_cast<std::size_t>(index), copy);
    });
  }
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0) index = 0;
  if (count < 0) count = 0;
  int length = GetLength();
  if (index < length && count > 0) {
    if (count > length - index) count = length - index;
    s_.erase(static_cast<std::size_t>(index), static_cast<std::size_t>(count));
  }
  return GetLength();
}

CString CString::Left(int count) const {
  if (count < 0) count = 0;
  if (count >= GetLength()) return *this;
  return CString(s_.c_str(), count);
}

CString CString::Mid(int first) const {
  if (first < 0) first = 0;
  return Mid(first, GetLength() - first);
}

CString CString::Mid(int first, int count) const {
  int length = GetLength();
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  if (first > length) return CString();
  if (count > length - first) count = length - first;
  if (first == 0 && count == length) return *this;
  return CString(s_.c_str() + first, count);
}

CString CString::Right(int count) const {
  if (count < 0) count = 0;
  int length = GetLength();
  if (count >= length) return *this;
  return CString(s_.c_str() + (length - count), count);
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(wchar_t target) {
  return TrimRight(target).TrimLeft(target);
}
CString& CString::Trim(const wchar_t* targets) {
  return TrimRight(targets).TrimLeft(targets);
}

CString& CString::TrimLeft() {
  std::size_t i = 0;
  while (i < s_.size() && IsSpace(s_[i])) ++i;
  s_.erase(0, i);
  return *this;
}
CString& CString::TrimLeft(wchar_t target) {
  std::size_t i = 0;
  while (i < s_.size() && s_[i] == target) ++i;
  s_.erase(0, i);
  return *this;
}
CString& CString::TrimLeft(const wchar_t* targets) {
  if (!targets || !*targets) return *this;
  std::size_t i = s_.find_first_not_of(targets);
  s_.erase(0, i == std::wstring::npos ? s_.size() : i);
  return *this;
}

CString& CString::TrimRight() {
  std::size_t n = s_.size();
  while (n > 0 && IsSpace(s_[n - 1])) --n;
  s_.resize(n);
  return *this;
}
CString& CString::TrimRight(wchar_t target) {
  std::size_t n = s_.size();
  while (n > 0 && s_[n - 1] == target) --n;
  s_.resize(n);
  return *this;
}
CString& CString::TrimRight(const wchar_t* targets) {
  if (!targets || !*targets) return *this;
  std::size_t i = s_.find_last_not_of(targets);
  s_.resize(i == std::wstring::npos ? 0 : i + 1);
  return *this;
}

CString& CString::MakeUpper() {
  for (wchar_t& c : s_)
    c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return *this;
}

CString& CString::MakeLower() {
  for (wchar_t& c : s_)
    c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return *this;
}

void CString::Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  Formatted result(format, args);
  va_end(args);
  s_.swap(result.Take());
}

void CString::AppendFormat(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  Formatted result(format, args);
  va_end(args);
  *this += result.Take().c_str();
}

BOOL CString::LoadString(UINT id) {
  return AfxLoadStringResource(AfxGetResourceHandle(), id, 0, *this);
}

wchar_t* CString::GetBuffer() { return s_.data(); }

wchar_t* CString::GetBuffer(int min_length) {
  if (min_length > GetLength()) {
    WithFrameworkMemory(
        [&] { s_.resize(static_cast<std::size_t>(min_length)); });
  }
  return s_.data();
}

wchar_t* CString::GetBufferSetLength(int length) {
  if (length < 0) AfxThrowInvalidArgException();
  WithFrameworkMemory([&] { s_.resize(static_cast<std::size_t>(length)); });
  return s_.data();
}

void CString::ReleaseBuffer(int new_length) {
  if (new_length < 0) {
    s_.resize(std::wcslen(s_.c_str()));
  } else if (static_cast<std::size_t>(new_length) < s_.size()) {
    s_.resize(static_cast<std::size_t>(new_length));
  }
}

CString operator+(const CString& a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(const CString& a, const wchar_t* b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(const wchar_t* a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(const CString& a, wchar_t b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(wchar_t a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

// Every comparison goes through the C string functions, as the framework's
// do, so all of them stop at the first embedded 0 and agree with each other.
bool operator==(const CString& a, const CString& b) {
  return std::wcscmp(a.GetString(), b.GetString()) == 0;
}
bool operator==(const CString& a, const wchar_t* b) {
  return std::wcscmp(a.GetString(), b ? b : L"") == 0;
}
bool operator<(const CString& a, const CString& b) {
  return std::wcscmp(a.GetString(), b.GetString()) < 0;
}
