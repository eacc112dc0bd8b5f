// matrix-reg - the registry editor's files written: a key and everything
// below it, in the form that the registry editor of Windows exports and that
// imports back into exactly the same keys, types and bytes.
#include <utf8codec.h>

#include <cstdio>
#include <cstring>

#include "reg_file.h"
#include "reg_text.h"

namespace matrix_reg {
namespace {

// Hex lists wrap once a line passes this column, as the registry editor's.
constexpr std::size_t kWrapColumn = 76;

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// What cannot be written, named by its key (and value).
struct Refusal {
  std::wstring where;
  std::string why;
};

std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  return out;
}

bool HasLineEnd(std::wstring_view text) {
  return text.find_first_of(L"\r\n") != std::wstring::npos;
}

// A key name reads back from "[...]" as itself unless it holds a line end
// or a ']' that only blanks and a ';' comment would follow, the line's own
// closing ']' counted (so "Column[1]" fits and "a] ;b" does not).
bool KeyNameFits(const std::wstring& name) {
  if (HasLineEnd(name)) return false;
  const std::wstring line_rest = name + L']';
  for (std::size_t p = name.find(L']'); p != std::wstring::npos;
       p = name.find(L']', p + 1)) {
    if (text::OnlyComment(std::wstring_view(line_rest).substr(p + 1)))
      return false;
  }
  return true;
}

// A REG_SZ that is one terminated text without inner zeros or line ends,
// and Unicode text throughout, is written as a quoted string; anything else
// as hex(1), so that the file stays valid UTF-16 for every reader.
bool PlainString(const std::wstring& all, std::wstring* text) {
  if (all.empty() || all.back() != 0) return false;
  *text = all.substr(0, all.size() - 1);
  for (const wchar_t c : *text) {
    if (c == 0 || c == L'\r' || c == L'\n' ||
        !matrix::platform::IsScalarValue(static_cast<char32_t>(c)))
      return false;
  }
  return true;
}

void HexList(const std::vector<BYTE>& bytes, std::size_t prefix,
             std::wstring* out) {
  std::size_t column = prefix;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    wchar_t item[4];
    std::swprintf(item, 4, L"%02x", bytes[i]);
    *out += item;
    column += 2;
    if (i + 1 < bytes.size()) {
      *out += L',';
      ++column;
      if (column > kWrapColumn) {
        *out += L"\\\r\n  ";
        column = 2;
      }
    }
  }
}

// The data part of a value line, after "NAME=".
bool DataText(DWORD type, const std::vector<BYTE>& data, std::size_t column,
              std::wstring* line, std::string* why) {
  std::vector<BYTE> bytes = data;
  if (IsStringType(type)) {
    if (data.size() % sizeof(wchar_t) != 0) {
      *why = "string data that end in part of a character";
      return false;
    }
    const std::wstring all = WideText(data);
    std::u16string units;
    std::size_t bad = 0;
    if (!text::ToUtf16(all, &units, &bad)) {
      *why = "string data that are no UTF-16 text at character " +
             std::to_string(bad) +
             " (a value above U+10FFFF, or a lone high surrogate before a "
             "lone low one)";
      return false;
    }
    std::wstring plain;
    if (type == REG_SZ && PlainString(all, &plain)) {
      *line += L"\"" + Escape(plain) + L"\"";
      return true;
    }
    bytes.clear();
    for (const char16_t u : units) {
      bytes.push_back(static_cast<BYTE>(u & 0xFF));
      bytes.push_back(static_cast<BYTE>(u >> 8));
    }
  } else if (type == REG_DWORD && data.size() == 4) {
    DWORD v;
    std::memcpy(&v, data.data(), 4);
    wchar_t number[16];
    std::swprintf(number, 16, L"dword:%08x", v);
    *line += number;
    return true;
  }
  wchar_t prefix[24];
  if (type == REG_BINARY) {
    std::swprintf(prefix, 24, L"hex:");
  } else {
    std::swprintf(prefix, 24, L"hex(%x):", type);
  }
  *line += prefix;
  HexList(bytes, column + std::wcslen(prefix), line);
  return true;
}

LONG RefuseKeyName(const std::wstring& where, Refusal* refusal) {
  refusal->where = where;
  refusal->why = "a key name that holds a line end or a ']' before a ';'";
  return ERROR_INVALID_DATA;
}

// The values of `key`, one line each.
LONG ExportValues(HKEY key, const std::wstring& full, std::wstring* out,
                  Refusal* refusal) {
  std::vector<WCHAR> name(kValueNameRoom);
  for (DWORD j = 0;; ++j) {
    DWORD name_length = kValueNameRoom, type = 0, size = 0;
    LONG rc = RegEnumValueW(key, j, name.data(), &name_length, nullptr, &type,
                            nullptr, &size);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
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
    refusal->where = full + L", value \"" + value_name + L"\"";
    if (HasLineEnd(value_name)) {
      refusal->why = "a value name that holds a line end";
      return ERROR_INVALID_DATA;
    }
    if (!DataText(type, data, line.size(), &line, &refusal->why))
      return ERROR_INVALID_DATA;
    *out += line + L"\r\n";
  }
}

LONG ExportTree(HKEY key, const std::wstring& full, std::wstring* out,
                Refusal* refusal) {
  *out += L"[" + full + L"]\r\n";
  LONG rc = ExportValues(key, full, out, refusal);
  if (rc != ERROR_SUCCESS) return rc;
  *out += L"\r\n";
  WCHAR sub[kKeyNameRoom];
  for (DWORD i = 0;; ++i) {
    rc = RegEnumKeyW(key, i, sub, kKeyNameRoom);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    if (!KeyNameFits(sub)) return RefuseKeyName(full + L"\\" + sub, refusal);
    HKEY child = nullptr;
    rc = RegOpenKeyExW(key, sub, 0, KEY_READ, &child);
    if (rc != ERROR_SUCCESS) return rc;
    rc = ExportTree(child, full + L"\\" + sub, out, refusal);
    RegCloseKey(child);
    if (rc != ERROR_SUCCESS) return rc;
  }
}

// The name of the subkey of `parent` that `level` names, as the store
// spells it; `level` itself when it is not found.
std::wstring StoredName(HKEY parent, const std::wstring& level) {
  WCHAR sub[kKeyNameRoom];
  for (DWORD i = 0; RegEnumKeyW(parent, i, sub, kKeyNameRoom) == ERROR_SUCCESS;
       ++i) {
    if (SameText(sub, level)) return sub;
  }
  return level;
}

// `key`'s full path with every level spelt as the store spells it: an
// import makes missing keys by the names the file gives, so the file must
// not carry the case that the command line happened to use.
LONG StoredPath(const KeyPath& key, std::wstring* full, Refusal* refusal) {
  *full = key.root_name;
  HKEY parent = key.root;
  LONG rc = ERROR_SUCCESS;
  for (std::size_t start = 0; rc == ERROR_SUCCESS && start < key.path.size();) {
    std::size_t end = key.path.find(L'\\', start);
    if (end == std::wstring::npos) end = key.path.size();
    const std::wstring level =
        StoredName(parent, key.path.substr(start, end - start));
    *full += L"\\" + level;
    if (!KeyNameFits(level)) rc = RefuseKeyName(*full, refusal);
    HKEY child = nullptr;
    if (rc == ERROR_SUCCESS)
      rc = RegOpenKeyExW(parent, level.c_str(), 0, KEY_READ, &child);
    if (parent != key.root) RegCloseKey(parent);
    parent = child;
    start = end + 1;
  }
  if (parent && parent != key.root) RegCloseKey(parent);
  return rc;
}

}  // namespace

LONG ExportKey(const KeyPath& key, std::string* bytes, std::string* error) {
  HKEY handle = nullptr;
  LONG rc = RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_READ, &handle);
  if (rc != ERROR_SUCCESS) return rc;
  std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n";
  Refusal refusal;
  std::wstring full;
  rc = StoredPath(key, &full, &refusal);
  if (rc == ERROR_SUCCESS) rc = ExportTree(handle, full, &text, &refusal);
  RegCloseKey(handle);
  if (rc == ERROR_INVALID_DATA)
    *error = matrix::platform::ToUtf8(refusal.where) + ": " + refusal.why +
             " cannot be written in a registry file";
  if (rc != ERROR_SUCCESS) return rc;
  std::u16string units;
  std::size_t bad = 0;
  if (!text::ToUtf16(text, &units, &bad)) {  // each part was checked above
    *error = "the file's text has no UTF-16 form at character " +
             std::to_string(bad);
    return ERROR_INVALID_DATA;
  }
  bytes->assign("\xFF\xFE", 2);
  for (const char16_t u : units) {
    bytes->push_back(static_cast<char>(u & 0xFF));
    bytes->push_back(static_cast<char>(u >> 8));
  }
  return ERROR_SUCCESS;
}

}  // namespace matrix_reg
