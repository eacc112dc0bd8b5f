// matrix-reg - the registry editor's files read: the text of a file, its
// lines, and the changes they spell; key paths and the names of types.
#include "reg_file.h"

#include <utf8codec.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "reg_text.h"

namespace matrix_reg {
namespace {

using text::OnlyComment;
using text::Trim;

// Win32's limits that a file is checked against before anything is applied.
constexpr std::size_t kMostKeyNameLength = kKeyNameRoom - 1;
constexpr std::size_t kMostValueNameLength = kValueNameRoom - 1;
constexpr std::size_t kMostLevels = 512;

// The first line of a file, by version.
constexpr wchar_t kVersion5Header[] = L"Windows Registry Editor Version 5.00";
constexpr wchar_t kVersion4Header[] = L"REGEDIT4";

std::string Line(std::size_t n, const std::string& reason) {
  return "line " + std::to_string(n) + ": " + reason;
}

// --- The text of a file
// -------------------------------------------------------

// Splits `text` at CRLF, CR and LF alike.
template <class Char>
std::vector<std::basic_string<Char>> SplitLines(
    std::basic_string_view<Char> text) {
  std::vector<std::basic_string<Char>> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

// UTF-16 after a byte-order mark (little- or big-endian).
bool DecodeUtf16(const std::string& bytes, bool big_endian,
                 std::vector<std::wstring>* lines, std::string* error) {
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(
        static_cast<char16_t>(big_endian ? a << 8 | b : b << 8 | a));
  }
  const std::wstring wide = matrix::platform::FromUtf16(units);
  *lines = SplitLines<wchar_t>(wide);
  if (bytes.size() % 2 != 0) {
    *error = Line(lines->size(), "the file ends in half a UTF-16 unit");
    return false;
  }
  return true;
}

// 8-bit text, line by line: UTF-8 (after a byte-order mark, or when the
// whole file is UTF-8), else the code page.
bool DecodeEightBit(std::string_view bytes, UINT code_page,
                    std::vector<std::wstring>* lines, std::string* error) {
  const bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) bytes.remove_prefix(3);
  std::wstring whole;
  const bool utf8 = bom || matrix::platform::TryToWide(bytes, whole);
  const auto raw = SplitLines<char>(bytes);
  lines->clear();
  for (const std::string& line : raw) {
    std::wstring wide;
    const bool ok = utf8 ? matrix::platform::TryToWide(line, wide)
                         : text::FromEightBit(line, code_page, &wide);
    if (!ok) {
      *error = Line(lines->size() + 1,
                    utf8 ? "bytes that are no UTF-8 after a UTF-8 byte-order "
                           "mark"
                         : "bytes that are neither UTF-8 nor text of code "
                           "page " +
                               std::to_string(code_page) +
                               " (/codepage names another)");
      return false;
    }
    lines->push_back(std::move(wide));
  }
  return true;
}

bool DecodeFile(const std::string& bytes, UINT code_page,
                std::vector<std::wstring>* lines, std::string* error) {
  if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0)
    return DecodeUtf16(bytes, false, lines, error);
  if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFE\xFF") == 0)
    return DecodeUtf16(bytes, true, lines, error);
  return DecodeEightBit(bytes, code_page, lines, error);
}

// --- The parts of a line
// ------------------------------------------------------

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// True when `s` starts with `prefix`, ASCII letters in any case.
bool StartsWithWord(std::wstring_view s, std::wstring_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const wchar_t c = s[i] >= L'A' && s[i] <= L'Z' ? s[i] + 32 : s[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

// A quoted text from `s[*at]` ('"') to its closing quote, with \\ and \".
bool Quoted(std::wstring_view s, std::size_t* at, std::wstring* text) {
  if (*at >= s.size() || s[*at] != L'"') return false;
  text->clear();
  for (std::size_t i = *at + 1; i < s.size(); ++i) {
    if (s[i] == L'\\' && i + 1 < s.size()) {
      *text += s[++i];
    } else if (s[i] == L'"') {
      *at = i + 1;
      return true;
    } else {
      *text += s[i];
    }
  }
  return false;
}

// "01,ff, 2a": bytes separated by commas, blanks around them allowed, and
// a comma after the last (a list whose continuation ends the file).
bool HexBytes(std::wstring_view s, std::vector<BYTE>* out) {
  out->clear();
  s = Trim(s);
  if (!s.empty() && s.back() == L',') s.remove_suffix(1);
  if (s.empty()) return true;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && s[i] != L',') continue;
    const std::wstring_view item = Trim(s.substr(start, i - start));
    if (item.size() != 2 || HexDigit(item[0]) < 0 || HexDigit(item[1]) < 0)
      return false;
    out->push_back(
        static_cast<BYTE>(HexDigit(item[0]) * 16 + HexDigit(item[1])));
    start = i + 1;
  }
  return true;
}

// The key line "[path]" or "[-path]" ends at the first ']' that only blanks
// or a comment follow, so that "[KEY] ; note" names KEY and "[a]b]" names
// "a]b".
bool KeyLineInner(std::wstring_view line, std::wstring* inner) {
  for (std::size_t p = line.find(L']'); p != std::wstring_view::npos;
       p = line.find(L']', p + 1)) {
    if (OnlyComment(line.substr(p + 1))) {
      *inner = std::wstring(line.substr(1, p - 1));
      return true;
    }
  }
  return false;
}

// --- A file's lines as changes ----------------------------------------------

class Reader {
 public:
  Reader(const std::vector<std::wstring>& lines, const ReadOptions& options,
         std::vector<Change>* changes, std::vector<std::string>* warnings)
      : lines_(lines),
        options_(options),
        changes_(changes),
        warnings_(warnings) {}
  bool Run(std::string* error);

 private:
  bool KeyLine(std::wstring_view line);
  bool ValueLine(std::wstring_view line);
  bool Data(std::wstring_view value, Change* c);
  bool Dword(std::wstring_view value, Change* c);
  bool Hex(std::wstring_view value, Change* c);
  bool HexList(std::wstring_view first, std::vector<BYTE>* bytes);
  bool StringBytes(std::vector<BYTE> raw, Change* c);
  bool Fail(const std::string& reason) { return Fail(line_, reason); }
  bool Fail(std::size_t line, const std::string& reason) {
    error_ = Line(line, reason);
    return false;
  }

  const std::vector<std::wstring>& lines_;
  const ReadOptions& options_;
  std::vector<Change>* changes_;
  std::vector<std::string>* warnings_;
  std::size_t at_ = 0;    // the line being read, from 0
  std::size_t line_ = 0;  // the number of the line its key or value starts on
  bool version4_ = false;
  bool in_key_ = false, deleted_key_ = false;
  KeyPath current_;
  std::string error_;
};

bool Reader::Run(std::string* error) {
  while (at_ < lines_.size() && Trim(lines_[at_]).empty()) ++at_;
  const std::wstring_view header =
      at_ < lines_.size() ? Trim(lines_[at_]) : std::wstring_view();
  version4_ = header == kVersion4Header;
  if (!version4_ && header != kVersion5Header) {
    *error = Line(at_ + 1,
                  "not a registry file (\"Windows Registry Editor Version "
                  "5.00\" or \"REGEDIT4\" expected)");
    return false;
  }
  for (++at_; at_ < lines_.size(); ++at_) {
    const std::wstring_view line = Trim(lines_[at_]);
    if (line.empty() || line.front() == L';') continue;
    line_ = at_ + 1;
    bool ok = true;
    if (line.front() == L'[') {
      ok = KeyLine(line);
    } else if (line.front() == L'@' || line.front() == L'"') {
      ok = ValueLine(line);
    } else {
      ok = Fail("neither a key nor a value");
    }
    if (!ok) {
      *error = error_;
      return false;
    }
  }
  return true;
}

bool Reader::KeyLine(std::wstring_view line) {
  std::wstring inner;
  if (!KeyLineInner(line, &inner)) return Fail("a key line must end with ']'");
  Change c;
  c.line = line_;
  c.kind = Change::kKey;
  if (!inner.empty() && inner.front() == L'-') {
    c.kind = Change::kDeleteKey;
    inner.erase(0, 1);
  }
  std::string fault;
  if (!ParseKeyPath(inner, &c.key, &fault)) return Fail(fault);
  if (c.kind == Change::kDeleteKey && c.key.path.empty())
    return Fail("a root key (" + matrix::platform::ToUtf8(c.key.root_name) +
                ") cannot be deleted");
  current_ = c.key;
  in_key_ = true;
  deleted_key_ = c.kind == Change::kDeleteKey;
  changes_->push_back(std::move(c));
  return true;
}

// NAME=DATA with NAME "..." or @ (the default value) and blanks around '='.
bool Reader::ValueLine(std::wstring_view line) {
  if (!in_key_) return Fail("a value outside a key");
  Change c;
  c.line = line_;
  c.kind = Change::kValue;
  c.key = current_;
  std::size_t pos = 0;
  if (line.front() == L'@') {
    pos = 1;
  } else if (!Quoted(line, &pos, &c.name)) {
    return Fail("unterminated value name");
  }
  if (c.name.size() > kMostValueNameLength)
    return Fail("a value name of " + std::to_string(c.name.size()) +
                " characters (at most 16383)");
  while (pos < line.size() && text::IsBlank(line[pos])) ++pos;
  if (pos >= line.size() || line[pos] != L'=')
    return Fail("'=' expected after the value name");
  if (!Data(Trim(line.substr(pos + 1)), &c)) return false;
  if (deleted_key_) {
    // The registry editor ignores them; so does the import, but says so.
    warnings_->push_back(Line(line_,
                              "a value after a deleted key ([-KEY]) is "
                              "ignored, as the registry editor ignores it"));
    return true;
  }
  changes_->push_back(std::move(c));
  return true;
}

// "-" (delete), a quoted string, dword:, hex: or hex(type):, each followed
// by nothing but blanks or a ';' comment.
bool Reader::Data(std::wstring_view value, Change* c) {
  if (!value.empty() && value.front() == L'-' && OnlyComment(value.substr(1))) {
    c->kind = Change::kDeleteValue;
    return true;
  }
  if (!value.empty() && value.front() == L'"') {
    std::size_t end = 0;
    std::wstring text;
    if (!Quoted(value, &end, &text) || !OnlyComment(value.substr(end)))
      return Fail("malformed string");
    c->type = REG_SZ;
    text.push_back(0);
    c->data = WideBytes(text);
    return true;
  }
  if (StartsWithWord(value, L"dword:")) return Dword(value.substr(6), c);
  if (StartsWithWord(value, L"hex")) return Hex(value, c);
  return Fail("unreadable value");
}

// 1 to 8 hexadecimal digits.
bool Reader::Dword(std::wstring_view value, Change* c) {
  std::size_t n = 0;
  DWORD v = 0;
  while (n < value.size() && HexDigit(value[n]) >= 0) {
    v = v * 16 + static_cast<DWORD>(HexDigit(value[n]));
    ++n;
  }
  if (n == 0 || n > 8 || !OnlyComment(value.substr(n)))
    return Fail("a dword needs 1 to 8 hexadecimal digits");
  c->type = REG_DWORD;
  c->data.resize(4);
  std::memcpy(c->data.data(), &v, 4);
  return true;
}

bool Reader::Hex(std::wstring_view value, Change* c) {
  const std::size_t colon = value.find(L':');
  if (colon == std::wstring_view::npos) return Fail("':' expected after hex");
  const std::wstring_view kind = value.substr(3, colon - 3);
  c->type = REG_BINARY;
  if (!kind.empty()) {
    if (kind.size() < 3 || kind.size() > 10 || kind.front() != L'(' ||
        kind.back() != L')')
      return Fail("hex(type) expected");
    DWORD t = 0;
    for (std::size_t k = 1; k + 1 < kind.size(); ++k) {
      if (HexDigit(kind[k]) < 0) return Fail("hex(type) expected");
      t = t * 16 + static_cast<DWORD>(HexDigit(kind[k]));
    }
    c->type = t;
  }
  std::vector<BYTE> raw;
  if (!HexList(value.substr(colon + 1), &raw)) return false;
  if (c->type == REG_SZ || c->type == REG_EXPAND_SZ || c->type == REG_MULTI_SZ)
    return StringBytes(std::move(raw), c);
  c->data = std::move(raw);
  return true;
}

// A hex list, which may go on over the lines after it while a line ends in
// '\'; blank and comment lines between them are skipped, and a '\' on the
// file's last line ends it. Continuation belongs to hex lists alone.
bool Reader::HexList(std::wstring_view first, std::vector<BYTE>* bytes) {
  const std::size_t start = line_;
  auto piece = [](std::wstring_view s) {
    return Trim(s.substr(0, std::min(s.find(L';'), s.size())));
  };
  std::wstring list(piece(first));
  while (!list.empty() && list.back() == L'\\') {
    list.pop_back();
    std::size_t next = at_ + 1;
    while (next < lines_.size() && OnlyComment(lines_[next])) ++next;
    if (next == lines_.size()) break;
    const std::wstring_view more = Trim(lines_[next]);
    if (more.front() == L'[' || more.front() == L'"' || more.front() == L'@')
      return Fail(next + 1, "the hex list of line " + std::to_string(start) +
                                " goes on with '\\', but this line holds no "
                                "hexadecimal bytes");
    at_ = next;
    list += piece(more);
  }
  if (!HexBytes(list, bytes)) return Fail(start, "malformed hexadecimal bytes");
  return true;
}

// String types: UTF-16LE units in a version 5 file, 8-bit text in REGEDIT4.
bool Reader::StringBytes(std::vector<BYTE> raw, Change* c) {
  std::wstring wide;
  if (version4_) {
    const std::string_view bytes(reinterpret_cast<const char*>(raw.data()),
                                 raw.size());
    if (!text::FromEightBit(bytes, options_.code_page, &wide))
      return Fail("string bytes that are neither UTF-8 nor text of code page " +
                  std::to_string(options_.code_page));
  } else {
    if (raw.size() % 2 != 0)
      return Fail("UTF-16 text with an odd number of bytes");
    std::u16string units;
    for (std::size_t i = 0; i < raw.size(); i += 2)
      units.push_back(static_cast<char16_t>(raw[i] | raw[i + 1] << 8));
    wide = matrix::platform::FromUtf16(units);
  }
  c->data = WideBytes(wide);
  return true;
}

// The root `root` names: false, with why, for a root the store does not
// have (naming the roots it has).
bool FindRoot(const std::wstring& root, KeyPath* out, std::string* fault) {
  static const struct {
    const wchar_t* name;
    const wchar_t* short_name;
    HKEY key;  // null: a root of Windows that the store does not have
  } kRoots[] = {
      {L"HKEY_CURRENT_USER", L"HKCU", HKEY_CURRENT_USER},
      {L"HKEY_LOCAL_MACHINE", L"HKLM", HKEY_LOCAL_MACHINE},
      {L"HKEY_CLASSES_ROOT", L"HKCR", nullptr},
      {L"HKEY_USERS", L"HKU", nullptr},
      {L"HKEY_CURRENT_CONFIG", L"HKCC", nullptr},
      {L"HKEY_PERFORMANCE_DATA", nullptr, nullptr},
      {L"HKEY_DYN_DATA", nullptr, nullptr},
  };
  const auto* found = std::find_if(
      std::begin(kRoots), std::end(kRoots), [&root](const auto& r) {
        return SameText(root, r.name) ||
               (r.short_name && SameText(root, r.short_name));
      });
  if (found != std::end(kRoots) && found->key) {
    out->root = found->key;
    out->root_name = found->name;
    return true;
  }
  *fault = (found == std::end(kRoots)
                ? "unknown root key \"" + matrix::platform::ToUtf8(root) + "\""
                : matrix::platform::ToUtf8(found->name) +
                      " is not in this registry") +
           ", which has HKEY_CURRENT_USER (HKCU) and HKEY_LOCAL_MACHINE (HKLM)";
  return false;
}

// Why one level of a key path would be refused by the store, or null.
const char* LevelFault(std::wstring_view level) {
  if (level.empty()) return "a doubled '\\' in the key path";
  if (level.size() > kMostKeyNameLength)
    return "a key name of more than 255 characters";
  for (const wchar_t c : level) {
    if (!matrix::platform::IsScalarValue(static_cast<char32_t>(c)))
      return "a key name that holds no Unicode text (a lone surrogate)";
  }
  return nullptr;
}

}  // namespace

std::vector<BYTE> WideBytes(const std::wstring& text) {
  std::vector<BYTE> out(text.size() * sizeof(wchar_t));
  if (!text.empty()) std::memcpy(out.data(), text.data(), out.size());
  return out;
}

std::wstring WideText(const std::vector<BYTE>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), 0);
  if (!text.empty())
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  return text;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool ParseKeyPath(const std::wstring& text, KeyPath* out, std::string* fault) {
  const std::size_t slash = text.find(L'\\');
  if (!FindRoot(text.substr(0, slash), out, fault)) return false;
  out->path = slash == std::wstring::npos ? L"" : text.substr(slash + 1);
  while (!out->path.empty() && out->path.back() == L'\\') out->path.pop_back();
  std::size_t levels = 0;
  for (std::size_t start = 0; !out->path.empty();) {
    const std::size_t end =
        std::min(out->path.find(L'\\', start), out->path.size());
    const char* why =
        LevelFault(std::wstring_view(out->path).substr(start, end - start));
    if (!why && ++levels > kMostLevels)
      why = "a key path more than 512 levels deep";
    if (why) {
      *fault = why;
      return false;
    }
    if (end == out->path.size()) break;
    start = end + 1;
  }
  return true;
}

bool ParseRegFile(const std::string& bytes, const ReadOptions& options,
                  std::vector<Change>* changes,
                  std::vector<std::string>* warnings, std::string* error) {
  changes->clear();
  std::vector<std::wstring> lines;
  if (!DecodeFile(bytes, options.code_page, &lines, error)) return false;
  Reader reader(lines, options, changes, warnings);
  return reader.Run(error);
}

std::wstring TypeName(DWORD type) {
  switch (type) {
    case REG_NONE:
      return L"REG_NONE";
    case REG_SZ:
      return L"REG_SZ";
    case REG_EXPAND_SZ:
      return L"REG_EXPAND_SZ";
    case REG_BINARY:
      return L"REG_BINARY";
    case REG_DWORD:
      return L"REG_DWORD";
    case REG_DWORD_BIG_ENDIAN:
      return L"REG_DWORD_BIG_ENDIAN";
    case REG_MULTI_SZ:
      return L"REG_MULTI_SZ";
    case REG_QWORD:
      return L"REG_QWORD";
    default: {
      wchar_t name[24];
      std::swprintf(name, 24, L"0x%x", type);
      return name;
    }
  }
}

bool TypeFromName(const std::wstring& name, DWORD* type) {
  const DWORD kTypes[] = {REG_NONE,     REG_SZ,    REG_EXPAND_SZ,
                          REG_BINARY,   REG_DWORD, REG_DWORD_BIG_ENDIAN,
                          REG_MULTI_SZ, REG_QWORD};
  for (DWORD t : kTypes) {
    if (SameText(name, TypeName(t))) {
      *type = t;
      return true;
    }
  }
  return false;
}

std::wstring ShowData(DWORD type, const std::vector<BYTE>& data) {
  std::wstring text = WideText(data);
  wchar_t number[32];
  if ((type == REG_SZ || type == REG_EXPAND_SZ))
    return text.substr(0, text.find(L'\0'));
  if (type == REG_MULTI_SZ) {
    while (!text.empty() && text.back() == 0) text.pop_back();
    std::wstring out;
    for (wchar_t c : text)
      out += c == 0 ? std::wstring(L"\\0") : std::wstring(1, c);
    return out;
  }
  if (type == REG_DWORD && data.size() == 4) {
    DWORD v;
    std::memcpy(&v, data.data(), 4);
    std::swprintf(number, 32, L"0x%x", v);
    return number;
  }
  if (type == REG_QWORD && data.size() == 8) {
    unsigned long long v;
    std::memcpy(&v, data.data(), 8);
    std::swprintf(number, 32, L"0x%llx", v);
    return number;
  }
  std::wstring out;
  for (BYTE b : data) {
    std::swprintf(number, 32, L"%02X", b);
    out += number;
  }
  return out;
}

}  // namespace matrix_reg
