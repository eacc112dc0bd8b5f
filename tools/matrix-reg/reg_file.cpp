// matrix-reg - the registry editor's text format over the registry calls.
#include "reg_file.h"

#include <utf8codec.h>

#include <cstdio>
#include <cstring>
#include <cwctype>

namespace matrix_reg {
namespace {

// Wide text as UTF-16LE bytes and back: the one place where string data
// change form between the store (wchar_t units) and a file.
std::vector<BYTE> Utf16Bytes(const std::wstring& text) {
  std::vector<BYTE> out;
  out.reserve(text.size() * 2);
  for (const wchar_t c : text) {
    std::uint16_t units[2];
    const int count =
        matrix::platform::PutUtf16(static_cast<char32_t>(c), units);
    for (int k = 0; k < count; ++k) {
      out.push_back(static_cast<BYTE>(units[k] & 0xFF));
      out.push_back(static_cast<BYTE>(units[k] >> 8));
    }
  }
  return out;
}

std::wstring DecodeUtf16(const BYTE* p, size_t bytes) {
  std::wstring out;
  for (size_t i = 0; i + 1 < bytes; i += 2) {
    char32_t u = p[i] | (p[i + 1] << 8);
    if (matrix::platform::IsHighSurrogate(u) && i + 3 < bytes) {
      const char32_t low = p[i + 2] | (p[i + 3] << 8);
      if (matrix::platform::IsLowSurrogate(low)) {
        u = matrix::platform::JoinSurrogates(u, low);
        i += 2;
      }
    }
    out.push_back(static_cast<wchar_t>(u));
  }
  return out;
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  return out;
}

// A REG_SZ that is one terminated text without inner zeros is written as
// a quoted string; anything else as hex(1).
bool PlainString(const std::vector<BYTE>& data, std::wstring* text) {
  if (data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0)
    return false;
  std::wstring all = WideText(data);
  if (all.back() != 0) return false;
  all.pop_back();
  if (all.find(L'\0') != std::wstring::npos) return false;
  *text = all;
  return true;
}

void HexList(const std::vector<BYTE>& bytes, size_t prefix, std::wstring* out) {
  size_t column = prefix;
  for (size_t i = 0; i < bytes.size(); ++i) {
    wchar_t item[4];
    std::swprintf(item, 4, L"%02x", bytes[i]);
    *out += item;
    column += 2;
    if (i + 1 < bytes.size()) {
      *out += L',';
      ++column;
      if (column > 76) {
        *out += L"\\\r\n  ";
        column = 2;
      }
    }
  }
}

LONG ExportTree(HKEY key, const std::wstring& full, std::wstring* out) {
  *out += L"[" + full + L"]\r\n";
  for (DWORD j = 0;; ++j) {
    std::vector<WCHAR> name(kValueNameRoom);
    DWORD name_length = kValueNameRoom, type = 0, size = 0;
    LONG rc = RegEnumValueW(key, j, name.data(), &name_length, nullptr, &type,
                            nullptr, &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<BYTE> data(size);
    name_length = kValueNameRoom;
    rc = RegEnumValueW(key, j, name.data(), &name_length, nullptr, &type,
                       data.data(), &size);
    if (rc != ERROR_SUCCESS) return rc;
    data.resize(size);
    const std::wstring value_name(name.data(), name_length);
    std::wstring line =
        value_name.empty() ? L"@=" : L"\"" + Escape(value_name) + L"\"=";
    std::wstring text;
    if (type == REG_SZ && PlainString(data, &text)) {
      line += L"\"" + Escape(text) + L"\"";
    } else if (type == REG_DWORD && data.size() == 4) {
      DWORD v;
      std::memcpy(&v, data.data(), 4);
      wchar_t number[16];
      std::swprintf(number, 16, L"dword:%08x", v);
      line += number;
    } else {
      wchar_t prefix[24];
      if (type == REG_BINARY)
        std::swprintf(prefix, 24, L"hex:");
      else
        std::swprintf(prefix, 24, L"hex(%x):", type);
      line += prefix;
      HexList(IsStringType(type) ? Utf16Bytes(WideText(data)) : data,
              line.size(), &line);
    }
    *out += line + L"\r\n";
  }
  *out += L"\r\n";
  WCHAR sub[kKeyNameRoom];
  for (DWORD i = 0;; ++i) {
    LONG rc = RegEnumKeyW(key, i, sub, kKeyNameRoom);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return rc;
    HKEY child = nullptr;
    rc = RegOpenKeyExW(key, sub, 0, KEY_READ, &child);
    if (rc != ERROR_SUCCESS) return rc;
    rc = ExportTree(child, full + L"\\" + sub, out);
    RegCloseKey(child);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

// Creates a path of any depth, 32 levels a call.
LONG CreatePath(HKEY root, const std::wstring& path, HKEY* result) {
  std::vector<std::wstring> pieces(1);
  int levels = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') {
      if (++levels == 32 && i < path.size()) {
        pieces.emplace_back();
        levels = 0;
        continue;
      }
    }
    if (i < path.size()) pieces.back() += path[i];
  }
  HKEY current = nullptr;
  LONG rc = RegOpenKeyExW(root, L"", 0, KEY_ALL_ACCESS, &current);
  for (const std::wstring& piece : pieces) {
    if (rc != ERROR_SUCCESS) return rc;
    HKEY next = nullptr;
    rc = RegCreateKeyExW(current, piece.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                         nullptr, &next, nullptr);
    RegCloseKey(current);
    current = next;
  }
  if (rc != ERROR_SUCCESS) return rc;
  *result = current;
  return ERROR_SUCCESS;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

std::wstring Trim(const std::wstring& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == L' ' || s[a] == L'\t')) ++a;
  while (b > a && (s[b - 1] == L' ' || s[b - 1] == L'\t' || s[b - 1] == L'\r'))
    --b;
  return s.substr(a, b - a);
}

// A quoted text from `s[*at]` ('"') to its closing quote, with \\ and \".
bool Quoted(const std::wstring& s, size_t* at, std::wstring* text) {
  if (*at >= s.size() || s[*at] != L'"') return false;
  text->clear();
  for (size_t i = *at + 1; i < s.size(); ++i) {
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

bool HexBytes(const std::wstring& s, std::vector<BYTE>* out) {
  out->clear();
  std::wstring item;
  auto flush = [&]() -> bool {
    const std::wstring t = Trim(item);
    item.clear();
    if (t.size() != 2) return false;
    const int hi = HexDigit(t[0]), lo = HexDigit(t[1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<BYTE>(hi * 16 + lo));
    return true;
  };
  if (Trim(s).empty()) return true;
  for (wchar_t c : s) {
    if (c == L',') {
      if (!flush()) return false;
    } else {
      item += c;
    }
  }
  return flush();
}

std::string Line(size_t n, const char* reason) {
  return "line " + std::to_string(n) + ": " + reason;
}

// The first line of every file.
constexpr wchar_t kFileHeader[] = L"Windows Registry Editor Version 5.00";

// A file's bytes as text: UTF-16LE after its byte-order mark, else UTF-8
// (after a byte-order mark or without one).
std::wstring DecodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return DecodeUtf16(reinterpret_cast<const BYTE*>(bytes.data()) + 2,
                       bytes.size() - 2);
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
    return matrix::platform::ToWide(bytes.substr(3));
  return matrix::platform::ToWide(bytes);
}

// One logical line, trimmed, and the number of the physical line it starts
// on.
struct LogicalLine {
  size_t number;
  std::wstring text;
};

// The physical lines of `text` joined into logical ones: a line that ends
// in '\' (a key line excepted) continues on the next.
std::vector<LogicalLine> JoinLines(const std::wstring& text) {
  std::vector<LogicalLine> lines;
  size_t number = 0;
  std::wstring pending;
  size_t pending_from = 0;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring trimmed = Trim(text.substr(start, end - start));
    ++number;
    if (pending.empty()) pending_from = number;
    if (!trimmed.empty() && trimmed.back() == L'\\' &&
        trimmed.front() != L'[') {
      pending += trimmed.substr(0, trimmed.size() - 1);
    } else {
      lines.push_back({pending_from, pending + trimmed});
      pending.clear();
    }
    start = end + 1;
  }
  if (!pending.empty()) lines.push_back({pending_from, pending});
  return lines;
}

// Each Read... below returns null when it read its part of a line into
// `*c`, else the reason the line is refused.

// "[path]" creates a key, "[-path]" deletes one.
const char* ReadKeyLine(const std::wstring& line, Change* c) {
  if (line.back() != L']') return "a key line must end with ']'";
  std::wstring inner = line.substr(1, line.size() - 2);
  c->kind = Change::kKey;
  if (!inner.empty() && inner[0] == L'-') {
    c->kind = Change::kDeleteKey;
    inner.erase(0, 1);
  }
  if (!ParseKeyPath(inner, &c->key))
    return "unknown root key (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE "
           "expected)";
  return nullptr;
}

// "text" with \\ and \": REG_SZ data, terminator included.
const char* ReadString(const std::wstring& value, Change* c) {
  size_t end = 0;
  std::wstring text;
  if (!Quoted(value, &end, &text) || !Trim(value.substr(end)).empty())
    return "malformed string";
  c->type = REG_SZ;
  text.push_back(0);
  c->data = WideBytes(text);
  return nullptr;
}

// dword:XXXXXXXX, 1 to 8 hexadecimal digits: REG_DWORD data.
const char* ReadDword(const std::wstring& digits, Change* c) {
  constexpr const char* kFault = "a dword needs 1 to 8 hexadecimal digits";
  if (digits.empty() || digits.size() > 8) return kFault;
  DWORD v = 0;
  for (wchar_t d : digits) {
    const int h = HexDigit(d);
    if (h < 0) return kFault;
    v = v * 16 + static_cast<DWORD>(h);
  }
  c->type = REG_DWORD;
  c->data.resize(4);
  std::memcpy(c->data.data(), &v, 4);
  return nullptr;
}

// hex:bytes (REG_BINARY) or hex(type):bytes; string types' bytes are
// UTF-16LE text.
const char* ReadHex(const std::wstring& value, Change* c) {
  const size_t colon = value.find(L':');
  if (colon == std::wstring::npos) return "':' expected after hex";
  const std::wstring kind = value.substr(3, colon - 3);
  c->type = REG_BINARY;
  if (!kind.empty()) {
    if (kind.size() < 3 || kind.front() != L'(' || kind.back() != L')' ||
        kind.size() > 10)
      return "hex(type) expected";
    DWORD t = 0;
    for (size_t k = 1; k + 1 < kind.size(); ++k) {
      const int h = HexDigit(kind[k]);
      if (h < 0) return "hex(type) expected";
      t = t * 16 + static_cast<DWORD>(h);
    }
    c->type = t;
  }
  std::vector<BYTE> raw;
  if (!HexBytes(value.substr(colon + 1), &raw))
    return "malformed hexadecimal bytes";
  if (!IsStringType(c->type)) {
    c->data = std::move(raw);
    return nullptr;
  }
  if (raw.size() % 2 != 0) return "UTF-16 text with an odd number of bytes";
  c->data = WideBytes(DecodeUtf16(raw.data(), raw.size()));
  return nullptr;
}

// NAME=DATA, NAME "..." or @ (the default value), DATA "-" (delete), a
// string, a dword or hex bytes.
const char* ReadValueLine(const std::wstring& line, Change* c) {
  c->kind = Change::kValue;
  size_t pos = 0;
  if (line[0] == L'@') {
    pos = 1;
  } else if (!Quoted(line, &pos, &c->name)) {
    return "unterminated value name";
  }
  while (pos < line.size() && line[pos] == L' ') ++pos;
  if (pos >= line.size() || line[pos] != L'=')
    return "'=' expected after the value name";
  const std::wstring value = Trim(line.substr(pos + 1));
  if (value == L"-") {
    c->kind = Change::kDeleteValue;
    return nullptr;
  }
  if (!value.empty() && value[0] == L'"') return ReadString(value, c);
  if (value.compare(0, 6, L"dword:") == 0) return ReadDword(value.substr(6), c);
  if (value.compare(0, 3, L"hex") == 0) return ReadHex(value, c);
  return "unreadable value";
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

bool ParseKeyPath(const std::wstring& text, KeyPath* out) {
  const size_t slash = text.find(L'\\');
  const std::wstring root = text.substr(0, slash);
  if (SameText(root, L"HKEY_CURRENT_USER") || SameText(root, L"HKCU")) {
    out->root = HKEY_CURRENT_USER;
    out->root_name = L"HKEY_CURRENT_USER";
  } else if (SameText(root, L"HKEY_LOCAL_MACHINE") || SameText(root, L"HKLM")) {
    out->root = HKEY_LOCAL_MACHINE;
    out->root_name = L"HKEY_LOCAL_MACHINE";
  } else {
    return false;
  }
  out->path = slash == std::wstring::npos ? L"" : text.substr(slash + 1);
  while (!out->path.empty() && out->path.back() == L'\\') out->path.pop_back();
  return true;
}

bool ParseRegFile(const std::string& bytes, std::vector<Change>* changes,
                  std::string* error) {
  changes->clear();
  const std::vector<LogicalLine> lines = JoinLines(DecodeFile(bytes));
  size_t i = 0;
  while (i < lines.size() && lines[i].text.empty()) ++i;
  if (i == lines.size() || lines[i].text != kFileHeader) {
    *error = Line(i < lines.size() ? lines[i].number : 1,
                  "not a registry file (\"Windows Registry Editor Version "
                  "5.00\" expected)");
    return false;
  }
  bool in_key = false, deleted_key = false;
  KeyPath current;
  for (++i; i < lines.size(); ++i) {
    const std::wstring& line = lines[i].text;
    if (line.empty() || line[0] == L';') continue;
    Change c;
    const char* fault = nullptr;
    if (line[0] == L'[') {
      fault = ReadKeyLine(line, &c);
      current = c.key;
      in_key = true;
      deleted_key = c.kind == Change::kDeleteKey;
    } else if (line[0] != L'@' && line[0] != L'"') {
      fault = "neither a key nor a value";
    } else if (!in_key || deleted_key) {
      fault = "a value outside a key";
    } else {
      c.key = current;
      fault = ReadValueLine(line, &c);
    }
    if (fault) {
      *error = Line(lines[i].number, fault);
      return false;
    }
    changes->push_back(std::move(c));
  }
  return true;
}

LONG ApplyChanges(const std::vector<Change>& changes, std::wstring* failed) {
  HKEY current = nullptr;
  LONG rc = ERROR_SUCCESS;
  for (const Change& c : changes) {
    switch (c.kind) {
      case Change::kKey:
        RegCloseKey(current);
        current = nullptr;
        rc = CreatePath(c.key.root, c.key.path, &current);
        break;
      case Change::kDeleteKey:
        RegCloseKey(current);
        current = nullptr;
        rc = c.key.path.empty()
                 ? ERROR_ACCESS_DENIED
                 : RegDeleteTreeW(c.key.root, c.key.path.c_str());
        if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
        break;
      case Change::kValue:
        rc = RegSetValueExW(current, c.name.c_str(), 0, c.type, c.data.data(),
                            static_cast<DWORD>(c.data.size()));
        break;
      case Change::kDeleteValue:
        rc = RegDeleteValueW(current, c.name.c_str());
        if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
        break;
    }
    if (rc != ERROR_SUCCESS) {
      *failed = c.key.Full() + (c.kind >= Change::kValue ? L" " + c.name : L"");
      break;
    }
  }
  RegCloseKey(current);
  return rc;
}

LONG ImportBytes(const std::string& bytes, std::string* error) {
  std::vector<Change> changes;
  if (!ParseRegFile(bytes, &changes, error)) return ERROR_BAD_FORMAT;
  std::wstring failed;
  const LONG rc = ApplyChanges(changes, &failed);
  if (rc != ERROR_SUCCESS) *error = matrix::platform::ToUtf8(failed);
  return rc;
}

LONG ExportKey(const KeyPath& key, std::string* bytes) {
  HKEY handle = nullptr;
  LONG rc = RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_READ, &handle);
  if (rc != ERROR_SUCCESS) return rc;
  std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n";
  rc = ExportTree(handle, key.Full(), &text);
  RegCloseKey(handle);
  if (rc != ERROR_SUCCESS) return rc;
  const std::vector<BYTE> utf16 = Utf16Bytes(text);
  bytes->assign("\xFF\xFE", 2);
  bytes->append(reinterpret_cast<const char*>(utf16.data()), utf16.size());
  return ERROR_SUCCESS;
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
