// Platform layer - Windows code pages read into wide text
// (MultiByteToWideChar, IsValidCodePage): UTF-8 by the layer's own coder,
// the other code pages through the C library's iconv converters.
#include <iconv.h>
#include <stringapiset.h>
#include <utf8codec.h>
#include <winbase.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <string>

namespace {

// The code pages read here, by their Windows numbers, and the names of the
// C library's converters for them: the ANSI and OEM code pages of Windows,
// the ISO 8859 and KOI8 ones, and the double-byte ones of East Asia.
struct CodePageName {
  UINT number;
  const char* name;
};
constexpr CodePageName kCodePages[] = {
    {437, "CP437"},         {737, "CP737"},        {775, "CP775"},
    {850, "CP850"},         {852, "CP852"},        {855, "CP855"},
    {857, "CP857"},         {858, "CP858"},        {860, "CP860"},
    {861, "CP861"},         {862, "CP862"},        {863, "CP863"},
    {864, "CP864"},         {865, "CP865"},        {866, "CP866"},
    {869, "CP869"},         {874, "CP874"},        {932, "CP932"},
    {936, "CP936"},         {949, "CP949"},        {950, "CP950"},
    {1250, "CP1250"},       {1251, "CP1251"},      {1252, "CP1252"},
    {1253, "CP1253"},       {1254, "CP1254"},      {1255, "CP1255"},
    {1256, "CP1256"},       {1257, "CP1257"},      {1258, "CP1258"},
    {20866, "KOI8-R"},      {21866, "KOI8-U"},     {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},
};

const char* ConverterName(UINT code_page) {
  for (const CodePageName& c : kCodePages) {
    if (c.number == code_page) return c.name;
  }
  return nullptr;
}

// One converter from a code page to wide characters, closed on every path.
class Converter {
 public:
  explicit Converter(const char* from) : cd_(iconv_open("WCHAR_T", from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Reads `size` bytes of the code page `name` into `*out`. A byte that
// starts no character of the code page (or one cut off at the end) fails
// the read when `strict` (false), else becomes U+FFFD and reading goes on
// after it.
bool ReadCodePage(const char* name, const char* bytes, std::size_t size,
                  bool strict, std::wstring* out) {
  const Converter converter(name);
  if (!converter.ok()) return false;
  out->assign(size, L'\0');  // never more characters than bytes
  char* in = const_cast<char*>(bytes);
  std::size_t in_left = size;
  char* to = reinterpret_cast<char*>(out->data());
  std::size_t to_left = out->size() * sizeof(wchar_t);
  while (in_left > 0) {
    if (iconv(converter.get(), &in, &in_left, &to, &to_left) !=
        static_cast<std::size_t>(-1))
      break;
    if ((errno != EILSEQ && errno != EINVAL) || strict) return false;
    const wchar_t replacement = matrix::platform::kReplacementCharacter;
    *reinterpret_cast<wchar_t*>(to) = replacement;
    to += sizeof(wchar_t);
    to_left -= sizeof(wchar_t);
    ++in;
    --in_left;
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);  // reset
  }
  // Some converters hold the last character back (to compose it with a
  // diacritic that may follow): let it out.
  if (iconv(converter.get(), nullptr, nullptr, &to, &to_left) ==
      static_cast<std::size_t>(-1))
    return false;
  out->resize(out->size() - to_left / sizeof(wchar_t));
  return true;
}

bool ReadText(UINT code_page, const char* bytes, std::size_t size, bool strict,
              std::wstring* out) {
  if (code_page != CP_UTF8)
    return ReadCodePage(ConverterName(code_page), bytes, size, strict, out);
  const std::string_view text(bytes, size);
  if (strict) return matrix::platform::TryToWide(text, *out);
  matrix::platform::ToWide(text, *out);
  return true;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

BOOL IsValidCodePage(UINT CodePage) {
  if (CodePage == CP_UTF8) return TRUE;
  const char* name = ConverterName(CodePage);
  return name && Converter(name).ok() ? TRUE : FALSE;
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr,
                        int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) {
  if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 ||
      cchWideChar < 0 || (cchWideChar > 0 && !lpWideCharStr))
    return Fail(ERROR_INVALID_PARAMETER);
  const DWORD allowed = CodePage == CP_UTF8
                            ? MB_ERR_INVALID_CHARS
                            : MB_ERR_INVALID_CHARS | MB_PRECOMPOSED;
  if ((dwFlags & ~allowed) != 0) return Fail(ERROR_INVALID_FLAGS);
  if (!IsValidCodePage(CodePage)) return Fail(ERROR_INVALID_PARAMETER);
  // -1: the text to its 0, which is read (and counted) with it.
  const std::size_t size =
      cbMultiByte == -1 ? std::char_traits<char>::length(lpMultiByteStr) + 1
                        : static_cast<std::size_t>(cbMultiByte);
  std::wstring wide;
  if (!ReadText(CodePage, lpMultiByteStr, size,
                (dwFlags & MB_ERR_INVALID_CHARS) != 0, &wide))
    return Fail(ERROR_NO_UNICODE_TRANSLATION);
  if (wide.size() > static_cast<std::size_t>(INT_MAX))
    return Fail(ERROR_INVALID_PARAMETER);
  const int count = static_cast<int>(wide.size());
  if (cchWideChar == 0) return count;  // the room needed
  if (count > cchWideChar) return Fail(ERROR_INSUFFICIENT_BUFFER);
  wide.copy(lpWideCharStr, wide.size());
  return count;
}
