// matrix-reg's registry-editor files: export and import round trip, a file
// as Windows writes it, malformed files.
#include "reg_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/registry_testing.h"

namespace {

using namespace matrix::testing;

// Wide text as the bytes of a Windows text file: UTF-16LE with a
// byte-order mark (the test's texts are all in the Basic Multilingual Plane).
std::string WindowsFile(const std::wstring& text) {
  std::string out("\xFF\xFE", 2);
  for (wchar_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return out;
}

std::vector<BYTE> Wide(const std::wstring& text) {
  std::vector<BYTE> out((text.size() + 1) * sizeof(wchar_t), 0);
  std::memcpy(out.data(), text.c_str(), out.size());
  return out;
}

std::wstring Tree(HKEY key) {
  std::wstring out;
  for (const auto& name : ValueNames(key)) {
    auto v = ReadValue(key, name.c_str());
    out += name + L":" + std::to_wstring(v.type) + L":";
    for (BYTE b : v.bytes) out += std::to_wstring(b) + L",";
    out += L"\n";
  }
  for (const auto& name : SubkeyNames(key)) {
    HKEY sub = nullptr;
    RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &sub);
    out += L"[" + name + L"]\n" + Tree(sub) + L"[end]\n";
    RegCloseKey(sub);
  }
  return out;
}

LONG Import(const std::string& bytes, std::string* error) {
  std::vector<std::string> warnings;
  return matrix_reg::ImportBytes(bytes, matrix_reg::ReadOptions(), &warnings,
                                 error);
}

matrix_reg::KeyPath PathOf(const ScratchKey& key) {
  matrix_reg::KeyPath path;
  std::string fault;
  matrix_reg::ParseKeyPath(L"HKEY_CURRENT_USER\\" + key.path(), &path, &fault);
  return path;
}

TEST(RegFile, ExportThenImportGivesTheSameTree) {
  ScratchKey root;
  SetString(root.get(), nullptr, L"default");
  SetString(root.get(), L"quote \"and\" back\\slash", L"a \"b\" c\\d = Трубы");
  SetString(root.get(), L"astral",
            std::wstring(L"smile ") + static_cast<wchar_t>(0x1F600));
  SetString(root.get(), L"expand", L"%HOME%\\bin", REG_EXPAND_SZ);
  const wchar_t multi[] = L"one\0two\0";
  RegSetValueExW(root.get(), L"multi", 0, REG_MULTI_SZ,
                 reinterpret_cast<const BYTE*>(multi), sizeof multi);
  const wchar_t inner_zero[] = L"ab\0cd";
  RegSetValueExW(root.get(), L"inner zero", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(inner_zero), sizeof inner_zero);
  SetDword(root.get(), L"dword", 0xCAFE);
  const BYTE three[] = {1, 2, 3};
  RegSetValueExW(root.get(), L"short dword", 0, REG_DWORD, three, sizeof three);
  const unsigned long long q = 0x0123456789ABCDEFull;
  RegSetValueExW(root.get(), L"qword", 0, REG_QWORD,
                 reinterpret_cast<const BYTE*>(&q), 8);
  std::vector<BYTE> long_binary(300);
  for (size_t i = 0; i < long_binary.size(); ++i)
    long_binary[i] = static_cast<BYTE>(i);
  RegSetValueExW(root.get(), L"binary", 0, REG_BINARY, long_binary.data(), 300);
  RegSetValueExW(root.get(), L"empty", 0, REG_NONE, nullptr, 0);
  RegSetValueExW(root.get(), L"odd type", 0, 0x1234, three, sizeof three);
  RegCloseKey(MakeKey(root.get(), L"child\\grandchild"));
  HKEY child = MakeKey(root.get(), L"child");
  SetString(child, L"name", L"Имя");
  RegCloseKey(child);
  const std::wstring before = Tree(root.get());

  std::string bytes, error;
  ASSERT_EQ(matrix_reg::ExportKey(PathOf(root), &bytes, &error), ERROR_SUCCESS);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, root.path().c_str()),
            ERROR_SUCCESS);
  ASSERT_EQ(Import(bytes, &error), ERROR_SUCCESS) << error;
  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, root.path().c_str(), 0, KEY_READ,
                          &again),
            ERROR_SUCCESS);
  EXPECT_EQ(Tree(again), before);
  RegCloseKey(again);
}

TEST(RegFile, ImportsAFileAsWindowsWritesIt) {
  ScratchKey root;
  const std::wstring key = L"HKEY_CURRENT_USER\\" + root.path();
  // As the Windows registry editor exports: CRLF lines, hex lines wrapped
  // after 76 columns, string types as UTF-16LE bytes.
  const std::wstring text =
      L"Windows Registry Editor Version 5.00\r\n"
      L"\r\n"
      L"[" +
      key +
      L"]\r\n"
      L"@=\"Default text\"\r\n"
      L"\"Path\"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,"
      L"49,00,4c,\\\r\n"
      L"  00,45,00,25,00,5c,00,78,00,00,00\r\n"
      L"\"Size\"=dword:0000ffff\r\n"
      L"\"Quote\"=\"a \\\"b\\\" c\\\\d\"\r\n"
      L"\"List\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,"
      L"00\r\n"
      L"\"Raw\"=hex:de,ad,be,ef\r\n"
      L"\r\n"
      L"[" +
      key +
      L"\\Child]\r\n"
      L"\"Name\"=\"\u0418\u043c\u044f\"\r\n"
      L"\r\n";
  std::string error;
  ASSERT_EQ(Import(WindowsFile(text), &error), ERROR_SUCCESS) << error;
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> bytes;
  } cases[] = {
      {L"", REG_SZ, Wide(L"Default text")},
      {L"Path", REG_EXPAND_SZ, Wide(L"%USERPROFILE%\\x")},
      {L"Size", REG_DWORD, {0xff, 0xff, 0, 0}},
      {L"Quote", REG_SZ, Wide(L"a \"b\" c\\d")},
      {L"List", REG_MULTI_SZ, Wide(std::wstring(L"one\0two\0", 8))},
      {L"Raw", REG_BINARY, {0xde, 0xad, 0xbe, 0xef}},
  };
  for (const Case& c : cases) {
    auto v = ReadValue(root.get(), c.name);
    EXPECT_EQ(v.status, ERROR_SUCCESS) << c.name;
    EXPECT_EQ(v.type, c.type) << c.name;
    EXPECT_EQ(v.bytes, c.bytes) << c.name;
  }
  HKEY child = nullptr;
  ASSERT_EQ(RegOpenKeyExW(root.get(), L"Child", 0, KEY_READ, &child),
            ERROR_SUCCESS);
  EXPECT_EQ(ReadValue(child, L"Name").bytes, Wide(L"Имя"));
  RegCloseKey(child);

  // And what is exported reads back as the same text, line for line.
  std::string exported;
  ASSERT_EQ(matrix_reg::ExportKey(PathOf(root), &exported, &error),
            ERROR_SUCCESS);
  EXPECT_EQ(exported, WindowsFile(text));
}

TEST(RegFile, DeletionsRemoveKeysAndValues) {
  ScratchKey root;
  RegCloseKey(MakeKey(root.get(), L"gone\\deep"));
  SetString(root.get(), L"drop", L"x");
  SetString(root.get(), L"keep", L"y");
  const std::wstring key = L"HKEY_CURRENT_USER\\" + root.path();
  const std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n[-" +
                            key + L"\\gone]\r\n\r\n[" + key +
                            L"]\r\n\"drop\"=-\r\n";
  std::string error;
  ASSERT_EQ(Import(WindowsFile(text), &error), ERROR_SUCCESS) << error;
  EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::wstring>{});
  EXPECT_EQ(ValueNames(root.get()), std::vector<std::wstring>{L"keep"});
}

TEST(RegFile, AMalformedFileIsRefusedWithItsLineAndImportsNothing) {
  ScratchKey root;
  const std::wstring key = L"HKEY_CURRENT_USER\\" + root.path();
  const std::wstring good = L"[" + key + L"\\first]\r\n\"a\"=\"b\"\r\n";
  struct Case {
    std::wstring tail;  // from line 5 on
    const char* line;
  } cases[] = {
      {L"\"x\"=dword:123456789\r\n", "line 5:"},
      {L"\"x\"=hex:0g\r\n", "line 5:"},
      {L"\"x\"=\"unterminated\r\n", "line 5:"},
      {L"[HKEY_NOWHERE\\x]\r\n", "line 5:"},
      {L"\r\n\"x\"=hex(2):41,00,\\\r\n  42\r\n", "line 6:"},
      {L"garbage\r\n", "line 5:"},
  };
  for (const Case& c : cases) {
    const std::wstring text =
        L"Windows Registry Editor Version 5.00\r\n\r\n" + good + c.tail;
    std::string error;
    EXPECT_EQ(Import(WindowsFile(text), &error), ERROR_BAD_FORMAT);
    EXPECT_EQ(error.rfind(c.line, 0), 0u) << error;
    EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::wstring>{}) << error;
  }
  std::string error;
  EXPECT_EQ(Import("REGEDIT5\r\n", &error), ERROR_BAD_FORMAT);
  EXPECT_EQ(error.rfind("line 1:", 0), 0u) << error;
}

// Continuation belongs to hex lists alone: a comment that ends in '\' used
// to swallow the key line after it, sending its values to the key before.
TEST(RegFile, OnlyHexListsGoOnOverTheirLineEnd) {
  const std::string head =
      "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n";
  struct Case {
    std::string tail;                          // from line 3 on
    std::vector<std::wstring> keys_of_values;  // the key of each value read
    std::vector<std::size_t> sizes;            // its data's size
    const char* refusal;                       // or the refusal's start
  } cases[] = {
      {"; files go to C:\\Temp\\\r\n[HKEY_CURRENT_USER\\B]\r\n\"x\"=\"1\"\r\n",
       {L"B"},
       {8},
       nullptr},
      {"\"x\"=\"C:\\\\\"\r\n\"y\"=\"1\"\r\n", {L"A", L"A"}, {16, 8}, nullptr},
      {"\"x\"=hex:01,\\\r\n\r\n; between\r\n  02\r\n", {L"A"}, {2}, nullptr},
      {"\"x\"=hex:01,\\", {L"A"}, {1}, nullptr},
      {"\"x\"=hex:01,\\\r\n\"y\"=\"1\"\r\n", {}, {}, "line 4:"},
      {"\"x\"=hex:01,\\\r\n[HKEY_CURRENT_USER\\B]\r\n", {}, {}, "line 4:"},
  };
  for (const Case& c : cases) {
    std::vector<matrix_reg::Change> changes;
    std::vector<std::string> warnings;
    std::string error;
    const bool ok = matrix_reg::ParseRegFile(
        head + c.tail, matrix_reg::ReadOptions(), &changes, &warnings, &error);
    EXPECT_EQ(ok, c.refusal == nullptr) << c.tail << error;
    if (!ok) {
      EXPECT_EQ(error.rfind(c.refusal, 0), 0u) << error;
      continue;
    }
    std::vector<std::wstring> keys;
    std::vector<std::size_t> sizes;
    for (const auto& change : changes) {
      if (change.kind != matrix_reg::Change::kValue) continue;
      keys.push_back(change.key.path);
      sizes.push_back(change.data.size());
    }
    EXPECT_EQ(keys, c.keys_of_values) << c.tail;
    EXPECT_EQ(sizes, c.sizes) << c.tail;
  }
}

TEST(RegFile, KeyPathsAreCheckedAsTheStoreWouldCheckThem) {
  std::wstring deep = L"HKCU";
  for (int i = 0; i < 512; ++i) deep += L"\\d";
  struct Case {
    std::wstring text;
    const char* fault;  // null: read, with `path`
    std::wstring path;
  } cases[] = {
      {L"HKCU\\Software\\\\", nullptr, L"Software"},
      {L"hkey_local_machine\\X", nullptr, L"X"},
      {deep, nullptr, deep.substr(5)},
      {deep + L"\\d", "a key path more than 512 levels deep", L""},
      {L"HKCU\\a\\\\b", "a doubled '\\'", L""},
      {L"HKCU\\" + std::wstring(256, L'n'),
       "a key name of more than 255 characters", L""},
      {L"HKCU\\a" + std::wstring(1, static_cast<wchar_t>(0xD800)),
       "a key name that holds no Unicode text", L""},
      {L"HKEY_CLASSES_ROOT\\.txt",
       "HKEY_CLASSES_ROOT is not in this registry, which has HKEY_CURRENT_USER",
       L""},
      {L"HKU", "HKEY_USERS is not in this registry", L""},
      {L"HKEY_NOWHERE", "unknown root key \"HKEY_NOWHERE\"", L""},
  };
  for (const Case& c : cases) {
    matrix_reg::KeyPath path;
    std::string fault;
    const bool ok = matrix_reg::ParseKeyPath(c.text, &path, &fault);
    EXPECT_EQ(ok, c.fault == nullptr) << fault;
    if (ok) {
      EXPECT_EQ(path.path, c.path);
    } else {
      EXPECT_EQ(fault.rfind(c.fault, 0), 0u) << fault;
    }
  }
}

// A lone surrogate in string data used to come back as U+FFFD; between the
// file's UTF-16 and the store's wchar_t it now passes code unit for code
// unit, and pairs still join into the one character they spell.
TEST(RegFile, StringDataThatAreNoTextSurviveTheRoundTrip) {
  ScratchKey root;
  const wchar_t lone_high[] = {L'A', 0xD800, L'B', 0};
  const wchar_t lone_low[] = {0xDC00, L'x', 0, 0};
  const wchar_t astral[] = {0x1F600, L'\r', L'\n', 0};
  const struct {
    const wchar_t* name;
    DWORD type;
    const wchar_t* data;
    std::size_t count;
  } values[] = {
      {L"high", REG_SZ, lone_high, 4},
      {L"low", REG_MULTI_SZ, lone_low, 4},
      {L"astral", REG_EXPAND_SZ, astral, 4},
  };
  for (const auto& v : values)
    RegSetValueExW(root.get(), v.name, 0, v.type,
                   reinterpret_cast<const BYTE*>(v.data),
                   static_cast<DWORD>(v.count * sizeof(wchar_t)));
  const std::wstring before = Tree(root.get());
  std::string bytes, error;
  ASSERT_EQ(matrix_reg::ExportKey(PathOf(root), &bytes, &error), ERROR_SUCCESS)
      << error;
  ASSERT_EQ(RegDeleteTreeW(root.get(), nullptr), ERROR_SUCCESS);
  ASSERT_EQ(Import(bytes, &error), ERROR_SUCCESS) << error;
  EXPECT_EQ(Tree(root.get()), before);
}

// What the file's UTF-16 cannot hold is refused by name rather than written
// as something that would read back differently.
TEST(RegFile, ExportRefusesStringDataWithoutAUtf16Form) {
  const wchar_t pair_look_alike[] = {0xD800, 0xDC00, 0};
  const wchar_t too_big[] = {0x110000, 0};
  const struct {
    const wchar_t* data;
    std::size_t bytes;
    const char* why;
  } cases[] = {
      {L"abc", 10, "string data that end in part of a character"},
      {pair_look_alike, sizeof pair_look_alike,
       "string data that are no UTF-16"},
      {too_big, sizeof too_big, "string data that are no UTF-16"},
  };
  for (const auto& c : cases) {
    ScratchKey root;
    RegSetValueExW(root.get(), L"odd", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(c.data),
                   static_cast<DWORD>(c.bytes));
    std::string bytes, error;
    EXPECT_EQ(matrix_reg::ExportKey(PathOf(root), &bytes, &error),
              ERROR_INVALID_DATA);
    EXPECT_NE(error.find("value \"odd\": " + std::string(c.why)),
              std::string::npos)
        << error;
  }
}

}  // namespace
