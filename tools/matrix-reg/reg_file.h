// matrix-reg - the registry editor's text formats ("Windows Registry Editor
// Version 5.00" and the older 8-bit "REGEDIT4"), read and written over the
// platform's registry calls.
#ifndef MATRIX_TOOLS_MATRIX_REG_REG_FILE_H_
#define MATRIX_TOOLS_MATRIX_REG_REG_FILE_H_

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace matrix_reg {

// Room for the longest key name (255 characters) and the longest value name
// (16 383), terminator included.
constexpr DWORD kKeyNameRoom = 256;
constexpr DWORD kValueNameRoom = 16384;

// The code page of 8-bit text when none is named: Windows' ANSI code page
// of Western Europe.
constexpr UINT kDefaultCodePage = 1252;

// String data in the store's form: wide text as its wchar_t bytes, and
// back (bytes beyond the last whole character are dropped).
std::vector<BYTE> WideBytes(const std::wstring& text);
std::wstring WideText(const std::vector<BYTE>& data);

// True when `a` and `b` are the same name with case ignored as the store
// ignores it (CompareStringOrdinal's rule): key, value, root and type names
// and the tool's commands and switches.
bool SameText(const std::wstring& a, const std::wstring& b);

// A key path as written: a root name (HKEY_CURRENT_USER, HKCU,
// HKEY_LOCAL_MACHINE, HKLM) and the path below it, with trailing '\'s
// dropped.
struct KeyPath {
  HKEY root = nullptr;
  std::wstring root_name;  // the long form, as exports write it
  std::wstring path;       // "" for the root itself
  std::wstring Full() const {
    return path.empty() ? root_name : root_name + L"\\" + path;
  }
};
// Reads `text` into `*out`; false with the reason in `*fault`: a root the
// store does not have (named, with the roots it has), a doubled '\', a
// level longer than 255 characters or holding a surrogate, or a path
// deeper than 512 levels.
bool ParseKeyPath(const std::wstring& text, KeyPath* out, std::string* fault);

// How 8-bit text is read: valid UTF-8 as UTF-8, anything else by the
// Windows code page `code_page` (MultiByteToWideChar's).
struct ReadOptions {
  UINT code_page = kDefaultCodePage;
};

// One change of a file: a key to create or delete, or a value of the
// key before it to set or delete, with the line it starts on. Data are in
// the store's form: string types hold wchar_t text.
struct Change {
  enum Kind { kKey, kDeleteKey, kValue, kDeleteValue } kind = kKey;
  KeyPath key;
  std::wstring name;  // "" for the default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  std::size_t line = 0;
};

// Reads a whole file (UTF-16 after its byte-order mark, else UTF-8, else
// 8-bit text of `options.code_page`) into `*changes`, checking everything
// that can be checked without the store: the header, every line's form,
// the key paths (roots, '\'s, the name and depth limits), the value names'
// length. Lines the registry editor ignores (values after a [-KEY]) are
// dropped with "line N: ..." in `*warnings`. Returns false with
// "line N: reason" in `*error` for a file that is refused.
bool ParseRegFile(const std::string& bytes, const ReadOptions& options,
                  std::vector<Change>* changes,
                  std::vector<std::string>* warnings, std::string* error);

// Applies parsed changes in one registry transaction, so that either all
// are made or none: the failing call's code, with "line N (KEY, value
// NAME)" of the change it failed on in `*error`, or the commit's code.
LONG ApplyChanges(const std::vector<Change>& changes, std::string* error);

// Imports a file: ParseRegFile, then ApplyChanges; ERROR_BAD_FORMAT for a
// refused file (nothing applied), else what ApplyChanges returns.
LONG ImportBytes(const std::string& bytes, const ReadOptions& options,
                 std::vector<std::string>* warnings, std::string* error);

// Writes `key` and everything below it as a file (UTF-16LE with a
// byte-order mark, CRLF lines, as the Windows registry editor writes) that
// imports back into exactly the same keys, types and bytes. A name or string
// data that the format cannot hold gives ERROR_INVALID_DATA with the key
// and value and why in `*error` (for example string data that are no
// UTF-16 text: a partial character, a value above U+10FFFF, or a lone high
// surrogate right before a lone low one).
LONG ExportKey(const KeyPath& key, std::string* bytes, std::string* error);

// Value data as `reg query` shows them.
std::wstring ShowData(DWORD type, const std::vector<BYTE>& data);
std::wstring TypeName(DWORD type);
bool TypeFromName(const std::wstring& name, DWORD* type);

}  // namespace matrix_reg

#endif  // MATRIX_TOOLS_MATRIX_REG_REG_FILE_H_
