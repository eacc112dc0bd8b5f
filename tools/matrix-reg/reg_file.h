// matrix-reg - the registry editor's text format ("Windows Registry Editor
// Version 5.00"), read and written over the platform's registry calls.
#ifndef MATRIX_TOOLS_MATRIX_REG_REG_FILE_H_
#define MATRIX_TOOLS_MATRIX_REG_REG_FILE_H_

#include <windows.h>

#include <string>
#include <vector>

namespace matrix_reg {

// Room for the longest key name (255 characters) and the longest value name
// (16 383), terminator included.
constexpr DWORD kKeyNameRoom = 256;
constexpr DWORD kValueNameRoom = 16384;

// String data in the store's form: wide text as its wchar_t bytes, and
// back (bytes beyond the last whole character are dropped).
std::vector<BYTE> WideBytes(const std::wstring& text);
std::wstring WideText(const std::vector<BYTE>& data);

// True when `a` and `b` are the same name with case ignored as the store
// ignores it (CompareStringOrdinal's rule): key, value, root and type names
// and the tool's commands and switches.
bool SameText(const std::wstring& a, const std::wstring& b);

// A key path as written: a root name (HKEY_CURRENT_USER, HKCU,
// HKEY_LOCAL_MACHINE, HKLM) and the path below it.
struct KeyPath {
  HKEY root = nullptr;
  std::wstring root_name;  // the long form, as exports write it
  std::wstring path;       // "" for the root itself
  std::wstring Full() const {
    return path.empty() ? root_name : root_name + L"\\" + path;
  }
};
bool ParseKeyPath(const std::wstring& text, KeyPath* out);

// One change of a file: a key to create or delete, or a value of the
// key before it to set or delete. Data are in the store's form: string
// types hold wchar_t text.
struct Change {
  enum Kind { kKey, kDeleteKey, kValue, kDeleteValue } kind = kKey;
  KeyPath key;
  std::wstring name;  // "" for the default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// Reads a file's bytes (UTF-16LE with its byte-order mark, or UTF-8);
// false with "line N: reason" in `*error` for a malformed one.
bool ParseRegFile(const std::string& bytes, std::vector<Change>* changes,
                  std::string* error);

// Applies parsed changes in order; the first failing call's code, with
// the change it failed on in `*failed`.
LONG ApplyChanges(const std::vector<Change>& changes, std::wstring* failed);

// Imports a file: reads and checks all of it first, so that a malformed
// file imports nothing (ERROR_BAD_FORMAT, "line N: reason" in `*error`);
// then applies it (the failing call's code, and what failed, in `*error`).
LONG ImportBytes(const std::string& bytes, std::string* error);

// Writes `key` and everything below it as a file (UTF-16LE with a
// byte-order mark, CRLF lines, as the Windows registry editor writes).
LONG ExportKey(const KeyPath& key, std::string* bytes);

// Value data as `reg query` shows them.
std::wstring ShowData(DWORD type, const std::vector<BYTE>& data);
std::wstring TypeName(DWORD type);
bool TypeFromName(const std::wstring& name, DWORD* type);

}  // namespace matrix_reg

#endif  // MATRIX_TOOLS_MATRIX_REG_REG_FILE_H_
