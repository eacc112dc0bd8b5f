// matrix-reg - looks into and edits the registry store, with the commands,
// switches and output of Windows' `reg` (see kUsage). Only the switches named
// there are switches, written /x or -x in any case; every other argument,
// an absolute path such as /home/me/settings.reg too, is an argument. Text
// goes out in UTF-8; files are the registry editor's.
#include <utf8codec.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "reg_file.h"

namespace {

using matrix_reg::KeyPath;
using matrix_reg::SameText;

constexpr char kUsage[] =
    "Usage: matrix-reg query KEY [/v NAME | /ve] [/s]\n"
    "       matrix-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] "
    "[/d DATA] [/f]\n"
    "       matrix-reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "       matrix-reg export KEY FILE [/y]\n"
    "       matrix-reg import FILE [/codepage N]\n"
    "       matrix-reg --help | -h | /?\n"
    "KEY is HKEY_CURRENT_USER (HKCU) or HKEY_LOCAL_MACHINE (HKLM), then the\n"
    "path below it. Switches are also written -v ..., in any case. Exports\n"
    "are UTF-16LE with CRLF lines, as the Windows registry editor writes "
    "them;\n"
    "imports read those, UTF-8, and REGEDIT4 files, and apply a file whole or\n"
    "not at all. 8-bit text that is not UTF-8 is read by the Windows code "
    "page\n"
    "N of /codepage N (default 1252): 437, 737, 775, 850, 852, 855, 857, 858,\n"
    "860-866, 869, 874, 932, 936, 949, 950, 1250-1258, 20866, 21866,\n"
    "28591-28599, 28603, 28605 or 65001.\n";

constexpr char kNotFound[] =
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

int FailCode(LONG rc, const std::string& what = "") {
  if (rc == ERROR_FILE_NOT_FOUND && what.empty()) return Fail(kNotFound);
  if (rc == ERROR_REGISTRY_CORRUPT) return Fail(kDamaged);
  if (rc == ERROR_ACCESS_DENIED && what.empty())
    return Fail("ERROR: Access is denied.\n");
  return Fail("ERROR: " + (what.empty() ? "The registry call" : what) +
              " failed with code " + std::to_string(rc) + ".\n");
}

// --- The command line
// ---------------------------------------------------------

struct SwitchSpec {
  const wchar_t* name;
  bool takes_value;
};
struct CommandSpec {
  const wchar_t* name;
  std::size_t arguments;
  std::vector<SwitchSpec> switches;
};
const CommandSpec kCommands[] = {
    {L"query", 1, {{L"v", true}, {L"ve", false}, {L"s", false}}},
    {L"add",
     1,
     {{L"v", true},
      {L"ve", false},
      {L"t", true},
      {L"s", true},
      {L"d", true},
      {L"f", false}}},
    {L"delete",
     1,
     {{L"v", true}, {L"ve", false}, {L"va", false}, {L"f", false}}},
    {L"export", 2, {{L"y", false}}},
    {L"import", 1, {{L"codepage", true}}},
};
// Every switch of every command: an argument spelt as one of these is a
// switch (refused where its command has no such switch).
constexpr const wchar_t* kSwitchNames[] = {L"v", L"ve", L"va", L"t",       L"s",
                                           L"d", L"f",  L"y",  L"codepage"};

bool IsHelp(const std::string& a) {
  return a == "--help" || a == "-h" || a == "/?" || a == "-?";
}

// The switch that `a` spells ("/v", "-VE"), or null.
const wchar_t* SwitchOf(const std::wstring& a) {
  if (a.size() < 2 || (a[0] != L'/' && a[0] != L'-')) return nullptr;
  for (const wchar_t* name : kSwitchNames) {
    if (SameText(a.substr(1), name)) return name;
  }
  return nullptr;
}

struct Arguments {
  const CommandSpec* command = nullptr;
  std::vector<std::wstring> positional;
  std::vector<std::pair<std::wstring, std::wstring>> switches;
  const std::wstring* Find(const wchar_t* name) const {
    for (const auto& [n, v] : switches) {
      if (n == name) return &v;
    }
    return nullptr;
  }
  bool Has(const wchar_t* name) const { return Find(name) != nullptr; }
  std::wstring Value(const wchar_t* name) const {
    const std::wstring* v = Find(name);
    return v ? *v : std::wstring();
  }
};

// False for a command line that is wrong: an unknown command, a switch its
// command does not have or given twice, a switch without its value, too few
// or too many arguments, or /v, /ve and /va together.
bool Parse(int argc, char** argv, Arguments* out) {
  const std::wstring command = matrix::platform::ToWide(argv[1]);
  for (const CommandSpec& c : kCommands) {
    if (SameText(command, c.name)) out->command = &c;
  }
  if (!out->command) return false;
  for (int i = 2; i < argc; ++i) {
    const std::wstring a = matrix::platform::ToWide(argv[i]);
    const wchar_t* name = SwitchOf(a);
    if (!name) {
      out->positional.push_back(a);
      continue;
    }
    const SwitchSpec* spec = nullptr;
    for (const SwitchSpec& s : out->command->switches) {
      if (std::wcscmp(s.name, name) == 0) spec = &s;
    }
    if (!spec || out->Has(name)) return false;
    if (spec->takes_value && i + 1 >= argc) return false;
    out->switches.emplace_back(
        name, spec->takes_value ? matrix::platform::ToWide(argv[++i]) : L"");
  }
  const int names = out->Has(L"v") + out->Has(L"ve") + out->Has(L"va");
  return out->positional.size() == out->command->arguments && names <= 1;
}

// --- query
// ----------------------------------------------------------------------

void ShowValues(HKEY key, const std::wstring* only, int* matches) {
  std::vector<WCHAR> name(matrix_reg::kValueNameRoom);
  for (DWORD j = 0;; ++j) {
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
    if (only && !SameText(value_name, *only)) continue;
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

// One value, looked up by the store (its letter case rule).
int QueryOne(HKEY key, const KeyPath& path, const std::wstring& name) {
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
  std::vector<BYTE> data(size);
  if (rc == 0)
    rc =
        RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
  if (rc != 0) return FailCode(rc);
  data.resize(size);
  // The name as stored, which may differ in case from the one asked for.
  std::wstring stored = name;
  std::vector<WCHAR> buffer(matrix_reg::kValueNameRoom);
  for (DWORD j = 0;; ++j) {
    DWORD length = matrix_reg::kValueNameRoom;
    if (RegEnumValueW(key, j, buffer.data(), &length, nullptr, nullptr, nullptr,
                      nullptr) != 0)
      break;
    const std::wstring candidate(buffer.data(), length);
    if (SameText(candidate, name)) stored = candidate;
  }
  Out(L"\n" + path.Full() + L"\n    " +
      (stored.empty() ? std::wstring(L"(Default)") : stored) + L"    " +
      matrix_reg::TypeName(type) + L"    " + matrix_reg::ShowData(type, data) +
      L"\n\n");
  return 0;
}

int CmdQuery(const Arguments& args, const KeyPath& path) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(path.root, path.path.c_str(), 0, KEY_READ, &key);
  if (rc != 0) return FailCode(rc);
  const std::wstring name = args.Value(L"v");
  const bool one = args.Has(L"v") || args.Has(L"ve");
  int status = 0;
  if (one && !args.Has(L"s")) {
    status = QueryOne(key, path, name);
  } else {
    int matches = 0;
    Query(key, path.Full(), one ? &name : nullptr, args.Has(L"s"), &matches);
    if (args.Has(L"s"))
      Out(L"\nEnd of search: " + std::to_wstring(matches) +
          L" match(es) found.\n");
  }
  RegCloseKey(key);
  return status;
}

// --- add, delete
// ------------------------------------------------------------------

bool DataFor(DWORD type, const std::wstring& text,
             const std::wstring& separator, std::vector<BYTE>* out) {
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      *out = matrix_reg::WideBytes(text + L'\0');
      return true;
    case REG_MULTI_SZ: {
      std::wstring all;
      for (std::size_t start = 0; !text.empty();) {
        const std::size_t at = text.find(separator, start);
        all += text.substr(start, at == std::wstring::npos ? at : at - start);
        all.push_back(0);
        if (at == std::wstring::npos) break;
        start = at + separator.size();
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
      if (!end || *end || narrow[0] == '-') return false;
      if (type == REG_QWORD) {
        out->resize(8);
        std::memcpy(out->data(), &v, 8);
        return true;
      }
      if (v > 0xFFFFFFFFull) return false;
      DWORD d = static_cast<DWORD>(v);
      if (type == REG_DWORD_BIG_ENDIAN) d = __builtin_bswap32(d);
      out->resize(4);
      std::memcpy(out->data(), &d, 4);
      return true;
    }
    default: {
      if (text.size() % 2) return false;
      out->clear();
      for (std::size_t i = 0; i < text.size(); i += 2) {
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
  DWORD type = REG_SZ;
  if (args.Has(L"t") && !matrix_reg::TypeFromName(args.Value(L"t"), &type))
    return Fail("ERROR: Invalid type.\n");
  std::vector<BYTE> data;
  const std::wstring separator = args.Has(L"s") ? args.Value(L"s") : L"\\0";
  // An empty separator would be found at every place and split for ever.
  if (separator.empty()) return Fail("ERROR: Invalid separator.\n");
  if (!DataFor(type, args.Value(L"d"), separator, &data))
    return Fail("ERROR: Invalid data for the type.\n");
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(path.root, path.path.c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc != 0) return FailCode(rc);
  if (args.Has(L"v") || args.Has(L"ve"))
    rc = RegSetValueExW(key, args.Value(L"v").c_str(), 0, type, data.data(),
                        static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  if (rc != 0) return FailCode(rc);
  Out(L"The operation completed successfully.\n");
  return 0;
}

LONG DeleteAllValues(HKEY key) {
  std::vector<WCHAR> name(matrix_reg::kValueNameRoom);
  for (;;) {
    DWORD length = matrix_reg::kValueNameRoom;
    LONG rc = RegEnumValueW(key, 0, name.data(), &length, nullptr, nullptr,
                            nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc == ERROR_SUCCESS) rc = RegDeleteValueW(key, name.data());
    if (rc != ERROR_SUCCESS) return rc;
  }
}

int CmdDelete(const Arguments& args, const KeyPath& path) {
  LONG rc;
  if (args.Has(L"v") || args.Has(L"ve") || args.Has(L"va")) {
    HKEY key = nullptr;
    rc = RegOpenKeyExW(path.root, path.path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc != 0) return FailCode(rc);
    rc = args.Has(L"va") ? DeleteAllValues(key)
                         : RegDeleteValueW(key, args.Value(L"v").c_str());
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

// --- export, import
// ---------------------------------------------------------------

// Writes `bytes` to `file` through a file beside it renamed over it, so that
// a failed write leaves no file (and an older one as it was).
bool WriteWhole(const std::string& file, const std::string& bytes) {
  const std::string temporary = file + ".matrix-reg-tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (out && std::rename(temporary.c_str(), file.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  return false;
}

int CmdExport(const Arguments& args, const KeyPath& path) {
  const std::string file = matrix::platform::ToUtf8(args.positional[1]);
  if (!args.Has(L"y") && std::ifstream(file).good())
    return Fail("ERROR: " + file + " exists; /y overwrites it.\n");
  std::string bytes, error;
  const LONG rc = matrix_reg::ExportKey(path, &bytes, &error);
  if (rc == ERROR_INVALID_DATA)
    return Fail("ERROR: " + error + "; nothing was written.\n");
  if (rc != 0) return FailCode(rc);
  if (!WriteWhole(file, bytes))
    return Fail("ERROR: cannot write " + file + ".\n");
  Out(L"The operation completed successfully.\n");
  return 0;
}

// The code page of /codepage N; false (with the message written) for one
// that is not read.
bool CodePageOf(const Arguments& args, UINT* code_page) {
  *code_page = matrix_reg::kDefaultCodePage;
  if (!args.Has(L"codepage")) return true;
  const std::string text = matrix::platform::ToUtf8(args.Value(L"codepage"));
  char* end = nullptr;
  const unsigned long n = std::strtoul(text.c_str(), &end, 10);
  if (!text.empty() && *end == 0 && text[0] != '-' && n <= 0xFFFF &&
      IsValidCodePage(static_cast<UINT>(n))) {
    *code_page = static_cast<UINT>(n);
    return true;
  }
  Fail("ERROR: code page " + text + " is not supported (see --help).\n");
  return false;
}

int CmdImport(const Arguments& args) {
  matrix_reg::ReadOptions options;
  if (!CodePageOf(args, &options.code_page)) return 1;
  const std::string file = matrix::platform::ToUtf8(args.positional[0]);
  std::ifstream in(file, std::ios::binary);
  if (!in) return Fail("ERROR: cannot read " + file + ".\n");
  const std::string bytes((std::istreambuf_iterator<char>(in)),
                          std::istreambuf_iterator<char>());
  std::vector<std::string> warnings;
  std::string error;
  const LONG rc = matrix_reg::ImportBytes(bytes, options, &warnings, &error);
  for (const std::string& w : warnings)
    std::fputs(("WARNING: " + file + ", " + w + ".\n").c_str(), stderr);
  if (rc == ERROR_BAD_FORMAT)
    return Fail("ERROR: " + file + ", " + error + "; nothing was imported.\n");
  if (rc != 0)
    return Fail("ERROR: " + file + ", " + error +
                ": the registry refused the change with code " +
                std::to_string(rc) + "; nothing was imported.\n");
  Out(L"The operation completed successfully.\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (IsHelp(argv[1]) || (argc == 3 && IsHelp(argv[2])))) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  Arguments args;
  if (argc < 2 || !Parse(argc, argv, &args)) return Fail(kUsage);
  if (SameText(args.command->name, L"import")) return CmdImport(args);
  KeyPath path;
  std::string fault;
  if (!matrix_reg::ParseKeyPath(args.positional[0], &path, &fault))
    return Fail("ERROR: Invalid key name: " + fault + ".\n");
  if (SameText(args.command->name, L"query")) return CmdQuery(args, path);
  if (SameText(args.command->name, L"add")) return CmdAdd(args, path);
  if (SameText(args.command->name, L"delete")) return CmdDelete(args, path);
  return CmdExport(args, path);
}
