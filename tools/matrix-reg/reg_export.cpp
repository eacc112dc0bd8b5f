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
// or a ']' that only blanks and a ';' comment would follow.
bool KeyNameFits(const std::wstring& name) {
  if (HasLineEnd(name)) return false;
  for (std::size_t p = name.find(L']'); p != std::wstring::npos;
       p = name.find(L']', p + 1)) {
    if (text::OnlyComment(std::wstring_view(name).substr(p + 1))) return false;
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
    if (!KeyNameFits(sub)) {
      refusal->where = full + L"\\" + sub;
      refusal->why = "a key name that holds a line end or a ']' before a ';'";
      return ERROR_INVALID_DATA;
    }
    HKEY child = nullptr;
    rc = RegOpenKeyExW(key, sub, 0, KEY_READ, &child);
    if (rc != ERROR_SUCCESS) return rc;
    rc = ExportTree(child, full + L"\\" + sub, out, refusal);
    RegCloseKey(child);
    if (rc != ERROR_SUCCESS) return rc;
  }
}

}  // namespace

LONG ExportKey(const KeyPath& key, std::string* bytes, std::string* error) {
  HKEY handle = nullptr;
  LONG rc = RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_READ, &handle);
  if (rc != ERROR_SUCCESS) return rc;
  std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n";
  Refusal refusal;
  rc = ExportTree(handle, key.Full(), &text, &refusal);
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
