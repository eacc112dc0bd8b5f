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

matrix_reg::KeyPath PathOf(const ScratchKey& key) {
  matrix_reg::KeyPath path;
  matrix_reg::ParseKeyPath(L"HKEY_CURRENT_USER\\" + key.path(), &path);
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

  std::string bytes;
  ASSERT_EQ(matrix_reg::ExportKey(PathOf(root), &bytes), ERROR_SUCCESS);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, root.path().c_str()),
            ERROR_SUCCESS);
  std::string error;
  ASSERT_EQ(matrix_reg::ImportBytes(bytes, &error), ERROR_SUCCESS) << error;
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
  ASSERT_EQ(matrix_reg::ImportBytes(WindowsFile(text), &error), ERROR_SUCCESS)
      << error;
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
  ASSERT_EQ(matrix_reg::ExportKey(PathOf(root), &exported), ERROR_SUCCESS);
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
  ASSERT_EQ(matrix_reg::ImportBytes(WindowsFile(text), &error), ERROR_SUCCESS)
      << error;
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
    EXPECT_EQ(matrix_reg::ImportBytes(WindowsFile(text), &error),
              ERROR_BAD_FORMAT);
    EXPECT_EQ(error.rfind(c.line, 0), 0u) << error;
    EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::wstring>{}) << error;
  }
  std::string error;
  EXPECT_EQ(matrix_reg::ImportBytes("REGEDIT5\r\n", &error), ERROR_BAD_FORMAT);
  EXPECT_EQ(error.rfind("line 1:", 0), 0u) << error;
}

}  // namespace
