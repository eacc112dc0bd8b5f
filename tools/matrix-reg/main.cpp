// matrix-reg - looks into and edits the registry store, with the commands,
// arguments and output of Windows' `reg`:
//   matrix-reg query KEY [/v NAME | /ve] [/s]
//   matrix-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]
//   matrix-reg delete KEY [/v NAME | /ve | /va] [/f]
//   matrix-reg export KEY FILE [/y]
//   matrix-reg import FILE
// KEY is HKEY_CURRENT_USER (HKCU) or HKEY_LOCAL_MACHINE (HKLM) with a path.
// Text goes out in UTF-8; files are the registry editor's (UTF-16LE).
#include <utf8codec.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "reg_file.h"

namespace {

using matrix_reg::KeyPath;

constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or "
    "value.\n";

// The store is damaged or is not a store; the layer left it as it was.
constexpr const char* kDamaged =
    "ERROR: The registry store is damaged and was left as it is (code "
    "1015). Move its file aside with the -wal and -shm files beside it: "
    "$MATRIX_REGISTRY_DIR/user.sqlite3 or "
    "${XDG_CONFIG_HOME:-~/.config}/matrix/registry/user.sqlite3 for HKCU, "
    "machine.sqlite3 in that folder or /var/lib/matrix/registry for HKLM. "
    "The next call starts a new store.\n";

void Out(const std::wstring& text) {
  std::fputs(matrix::platform::ToUtf8(text).c_str(), stdout);
}

int Fail(const std::string& message) {
  std::fputs(message.c_str(), stderr);
  return 1;
}

int Usage() {
  return Fail(
      "Usage: matrix-reg query KEY [/v NAME | /ve] [/s]\n"
      "       matrix-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d "
      "DATA] [/f]\n"
      "       matrix-reg delete KEY [/v NAME | /ve | /va] [/f]\n"
      "       matrix-reg export KEY FILE [/y]\n"
      "       matrix-reg import FILE\n");
}

int FailCode(LONG rc) {
  if (rc == ERROR_FILE_NOT_FOUND) return Fail(kNotFound);
  if (rc == ERROR_REGISTRY_CORRUPT) return Fail(kDamaged);
  if (rc == ERROR_ACCESS_DENIED) return Fail("ERROR: Access is denied.\n");
  return Fail("ERROR: The registry call failed with code " +
              std::to_string(rc) + ".\n");
}

// The switches after the positional arguments: /x or /x VALUE, named with
// case ignored; a switch given twice keeps its last value.
struct Arguments {
  std::vector<std::wstring> positional;
  std::vector<std::pair<std::wstring, std::wstring>> switches;
  size_t IndexOf(const std::wstring& name) const {
    size_t i = 0;
    while (i < switches.size() &&
           !matrix_reg::SameText(switches[i].first, name))
      ++i;
    return i;
  }
  bool Has(const wchar_t* name) const {
    return IndexOf(name) < switches.size();
  }
  // REQUIRES: Has(name).
  const std::wstring& Value(const wchar_t* name) const {
    return switches[IndexOf(name)].second;
  }
  void Set(const std::wstring& name, const std::wstring& value) {
    const size_t i = IndexOf(name);
    if (i < switches.size()) {
      switches[i].second = value;
    } else {
      switches.emplace_back(name, value);
    }
  }
};
bool Parse(int argc, char** argv, const std::vector<std::wstring>& valued,
           Arguments* out) {
  for (int i = 2; i < argc; ++i) {
    std::wstring a = matrix::platform::ToWide(argv[i]);
    if (a.size() >= 2 && a[0] == L'/') {
      const std::wstring name = a.substr(1);
      bool takes = false;
      for (const auto& v : valued)
        takes = takes || matrix_reg::SameText(v, name);
      if (takes) {
        if (i + 1 >= argc) return false;
        out->Set(name, matrix::platform::ToWide(argv[++i]));
      } else {
        out->Set(name, L"");
      }
    } else {
      out->positional.push_back(a);
    }
  }
  return true;
}

void ShowValues(HKEY key, const std::wstring* only, int* matches) {
  for (DWORD j = 0;; ++j) {
    std::vector<WCHAR> name(matrix_reg::kValueNameRoom);
    DWORD length = matrix_reg::kValueNameRoom, type = 0, size = 0;
    if (RegEnumValueW(key, j, name.data(), &length, nullptr, &type, nullptr,
                      &size) != 0)
      break;
    std::vector<BYTE> data(size);
    length = matrix_reg::kValueNameRoom;
    if (RegEnumValueW(key, j, name.data(), &length, nullptr, &type, data.data(),
                      &size) != 0)
      break;
    const std::wstring value_name(name.data(), length);
    if (only && !matrix_reg::SameText(value_name, *only)) continue;
    data.resize(size);
    Out(L"    " +
        (value_name.empty() ? std::wstring(L"(Default)") : value_name) +
        L"    " + matrix_reg::TypeName(type) + L"    " +
        matrix_reg::ShowData(type, data) + L"\n");
    ++*matches;
  }
}

void Query(HKEY key, const std::wstring& full, const std::wstring* only,
           bool recurse, int* matches) {
  Out(L"\n" + full + L"\n");
  ShowValues(key, only, matches);
  WCHAR name[matrix_reg::kKeyNameRoom];
  std::vector<std::wstring> subkeys;
  for (DWORD i = 0; RegEnumKeyW(key, i, name, matrix_reg::kKeyNameRoom) == 0;
       ++i)
    subkeys.push_back(name);
  if (!recurse) {
    if (!subkeys.empty()) Out(L"\n");
    for (const auto& s : subkeys) Out(full + L"\\" + s + L"\n");
    return;
  }
  for (const auto& s : subkeys) {
    HKEY child = nullptr;
    if (RegOpenKeyExW(key, s.c_str(), 0, KEY_READ, &child) != 0) continue;
    Query(child, full + L"\\" + s, only, true, matches);
    RegCloseKey(child);
  }
}

int CmdQuery(const Arguments& args, const KeyPath& path) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(path.root, path.path.c_str(), 0, KEY_READ, &key);
  if (rc != 0) return FailCode(rc);
  std::wstring name;
  const std::wstring* only = nullptr;
  if (args.Has(L"v")) {
    name = args.Value(L"v");
    only = &name;
  } else if (args.Has(L"ve")) {
    only = &name;
  }
  int matches = 0;
  if (only && !args.Has(L"s")) {
    DWORD type = 0, size = 0;
    rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != 0) {
      RegCloseKey(key);
      return FailCode(rc);
    }
    std::vector<BYTE> data(size);
    RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    data.resize(size);
    Out(L"\n" + path.Full() + L"\n    " +
        (name.empty() ? std::wstring(L"(Default)") : name) + L"    " +
        matrix_reg::TypeName(type) + L"    " +
        matrix_reg::ShowData(type, data) + L"\n\n");
    RegCloseKey(key);
    return 0;
  }
  Query(key, path.Full(), only, args.Has(L"s"), &matches);
  RegCloseKey(key);
  if (args.Has(L"s"))
    Out(L"\nEnd of search: " + std::to_wstring(matches) +
        L" match(es) found.\n");
  return 0;
}

bool DataFor(DWORD type, const std::wstring& text,
             const std::wstring& separator, std::vector<BYTE>* out) {
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::wstring t = text;
      t.push_back(0);
      *out = matrix_reg::WideBytes(t);
      return true;
    }
    case REG_MULTI_SZ: {
      std::wstring all;
      size_t start = 0;
      if (!text.empty()) {
        for (;;) {
          const size_t at = text.find(separator, start);
          all +=
              text.substr(start, at == std::wstring::npos ? std::wstring::npos
                                                          : at - start);
          all.push_back(0);
          if (at == std::wstring::npos) break;
          start = at + separator.size();
        }
      }
      all.push_back(0);
      *out = matrix_reg::WideBytes(all);
      return true;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
    case REG_QWORD: {
      const std::string narrow =
          matrix::platform::ToUtf8(text.empty() ? L"0" : text);
      char* end = nullptr;
      const unsigned long long v = std::strtoull(narrow.c_str(), &end, 0);
      if (!end || *end) return false;
      if (type == REG_QWORD) {
        out->resize(8);
        std::memcpy(out->data(), &v, 8);
      } else {
        if (v > 0xFFFFFFFFull) return false;
        DWORD d = static_cast<DWORD>(v);
        if (type == REG_DWORD_BIG_ENDIAN) d = __builtin_bswap32(d);
        out->resize(4);
        std::memcpy(out->data(), &d, 4);
      }
      return true;
    }
    default: {
      if (text.size() % 2) return false;
      out->clear();
      for (size_t i = 0; i < text.size(); i += 2) {
        const std::string pair = matrix::platform::ToUtf8(text.substr(i, 2));
        char* end = nullptr;
        const unsigned long b = std::strtoul(pair.c_str(), &end, 16);
        if (!end || *end) return false;
        out->push_back(static_cast<BYTE>(b));
      }
      return true;
    }
  }
}

int CmdAdd(const Arguments& args, const KeyPath& path) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(path.root, path.path.c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc != 0) return FailCode(rc);
  if (args.Has(L"v") || args.Has(L"ve")) {
    const std::wstring name = args.Has(L"v") ? args.Value(L"v") : L"";
    DWORD type = REG_SZ;
    if (args.Has(L"t") && !matrix_reg::TypeFromName(args.Value(L"t"), &type)) {
      RegCloseKey(key);
      return Fail("ERROR: Invalid type.\n");
    }
    std::vector<BYTE> data;
    const std::wstring text = args.Has(L"d") ? args.Value(L"d") : L"";
    const std::wstring separator = args.Has(L"s") ? args.Value(L"s") : L"\\0";
    if (!DataFor(type, text, separator, &data)) {
      RegCloseKey(key);
      return Fail("ERROR: Invalid data for the type.\n");
    }
    rc = RegSetValueExW(key, name.c_str(), 0, type, data.data(),
                        static_cast<DWORD>(data.size()));
  }
  RegCloseKey(key);
  if (rc != 0) return FailCode(rc);
  Out(L"The operation completed successfully.\n");
  return 0;
}

int CmdDelete(const Arguments& args, const KeyPath& path) {
  LONG rc;
  if (args.Has(L"v") || args.Has(L"ve") || args.Has(L"va")) {
    HKEY key = nullptr;
    rc = RegOpenKeyExW(path.root, path.path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc != 0) return FailCode(rc);
    if (args.Has(L"va")) {
      std::vector<WCHAR> name(matrix_reg::kValueNameRoom);
      for (;;) {
        DWORD length = matrix_reg::kValueNameRoom;
        rc = RegEnumValueW(key, 0, name.data(), &length, nullptr, nullptr,
                           nullptr, nullptr);
        if (rc != 0) break;
        rc = RegDeleteValueW(key, name.data());
        if (rc != 0) break;
      }
      if (rc == ERROR_NO_MORE_ITEMS) rc = 0;
    } else {
      rc =
          RegDeleteValueW(key, args.Has(L"v") ? args.Value(L"v").c_str() : L"");
    }
    RegCloseKey(key);
  } else {
    if (path.path.empty())
      return Fail("ERROR: A root key cannot be deleted.\n");
    rc = RegDeleteTreeW(path.root, path.path.c_str());
  }
  if (rc != 0) return FailCode(rc);
  Out(L"The operation completed successfully.\n");
  return 0;
}

int CmdExport(const Arguments& args, const KeyPath& path) {
  const std::string file = matrix::platform::ToUtf8(args.positional[1]);
  if (!args.Has(L"y") && std::ifstream(file).good())
    return Fail("ERROR: " + file + " exists; /y overwrites it.\n");
  std::string bytes;
  const LONG rc = matrix_reg::ExportKey(path, &bytes);
  if (rc != 0) return FailCode(rc);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return Fail("ERROR: cannot write " + file + ".\n");
  Out(L"The operation completed successfully.\n");
  return 0;
}

int CmdImport(const std::wstring& name) {
  const std::string file = matrix::platform::ToUtf8(name);
  std::ifstream in(file, std::ios::binary);
  if (!in) return Fail("ERROR: cannot read " + file + ".\n");
  const std::string bytes((std::istreambuf_iterator<char>(in)),
                          std::istreambuf_iterator<char>());
  std::string error;
  const LONG rc = matrix_reg::ImportBytes(bytes, &error);
  if (rc == ERROR_BAD_FORMAT)
    return Fail("ERROR: " + file + ", " + error + "; nothing was imported.\n");
  if (rc != 0)
    return Fail("ERROR: importing " + error + " failed with code " +
                std::to_string(rc) + ".\n");
  Out(L"The operation completed successfully.\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::wstring command = matrix::platform::ToWide(argv[1]);
  auto is = [&command](const wchar_t* name) {
    return matrix_reg::SameText(command, name);
  };
  Arguments args;
  const std::vector<std::wstring> valued =
      is(L"add") ? std::vector<std::wstring>{L"v", L"t", L"d", L"s"}
                 : std::vector<std::wstring>{L"v"};
  if (!Parse(argc, argv, valued, &args) || args.positional.empty())
    return Usage();
  if (is(L"import")) return CmdImport(args.positional[0]);
  KeyPath path;
  if (!matrix_reg::ParseKeyPath(args.positional[0], &path))
    return Fail("ERROR: Invalid key name (HKCU or HKLM, then the path).\n");
  if (is(L"query")) return CmdQuery(args, path);
  if (is(L"add")) return CmdAdd(args, path);
  if (is(L"delete")) return CmdDelete(args, path);
  if (is(L"export") && args.positional.size() == 2)
    return CmdExport(args, path);
  return Usage();
}
