// The application object's settings: the framework's names before and
// after SetRegistryKey, values in the registry below the key
// Software\<company>\<application>, and in the initialisation file before
// SetRegistryKey.
#include <afxwin.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/file_testing.h"
#include "support/registry_testing.h"

namespace {

using namespace matrix::testing;

// As a host's application class: SetRegistryKey is protected.
class SettingsApp : public CWinApp {
 public:
  using CWinApp::CWinApp;
  using CWinApp::SetRegistryKey;
};

std::wstring ProgramBaseName() {
  wchar_t path[4096];
  const DWORD n = GetModuleFileNameW(nullptr, path, 4096);
  const std::wstring full(path, n);
  return full.substr(full.rfind(L'/') + 1);  // the test program has no '.'
}

// The program's name cut at its last dot: org.example.Designer and
// org.example.Viewer shared the settings file org.example.INI.
TEST(CWinAppSettings, ADotInTheProgramsNameIsPartOfIt) {
  ScratchFolder scratch;
  const std::pair<const char*, const char*> cases[] = {
      {"org.example.Designer", "org.example.Designer org.example.Designer.INI"},
      {"designer-2.3", "designer-2.3 designer-2.3.INI"},
      {"Tool.EXE", "Tool Tool.INI"},
  };
  for (const auto& [name, expected] : cases) {
    const std::filesystem::path copy = scratch / name;
    std::filesystem::copy_file(MATRIX_TEST_EXE_NAME_PROGRAM, copy);
    std::string command = "'";
    command += copy.string();
    command += "'";
    std::FILE* out = popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, out) != nullptr;
    pclose(out);
    ASSERT_TRUE(read) << name;
    EXPECT_EQ(std::string(line), std::string(expected) + "\n");
  }
}

TEST(CWinAppSettings, NamesAreTheFrameworksBeforeAndAfterSetRegistryKey) {
  SettingsApp named(L"Pipes");
  EXPECT_EQ(named.m_pszRegistryKey, nullptr);
  EXPECT_EQ(std::wstring(named.m_pszExeName), ProgramBaseName());
  EXPECT_EQ(std::wstring(named.m_pszProfileName), ProgramBaseName() + L".INI");
  named.SetRegistryKey(L"Pipe Works");
  EXPECT_STREQ(named.m_pszRegistryKey, L"Pipe Works");
  EXPECT_STREQ(named.m_pszProfileName, L"Pipes");
  SettingsApp unnamed;
  unnamed.SetRegistryKey(L"Pipe Works");
  EXPECT_EQ(std::wstring(unnamed.m_pszProfileName), ProgramBaseName());
  // The strings are the framework's: malloc'd, freed by the destructor.
  free(const_cast<wchar_t*>(unnamed.m_pszProfileName));
  unnamed.m_pszProfileName = wcsdup(L"Other");
}

TEST(CWinAppSettings, AfxGetAppIsTheLatestLivingObjectOfTheProgram) {
  CWinApp* before = AfxGetApp();
  EXPECT_NE(before,
            nullptr);  // the test program defines two at namespace scope
  {
    SettingsApp mine(L"Mine");
    EXPECT_EQ(AfxGetApp(), &mine);
    auto* heap = new SettingsApp(L"Heap");
    EXPECT_EQ(AfxGetApp(), heap);
    delete heap;
    EXPECT_EQ(AfxGetApp(), &mine);
  }
  EXPECT_EQ(AfxGetApp(), before);
}

// The value `entry` of section `section` under Software\<company>\<app>.
ValueBytes Stored(const std::wstring& company, const std::wstring& app,
                  const wchar_t* section, const wchar_t* entry) {
  HKEY key = nullptr;
  const std::wstring path =
      L"Software\\" + company + L"\\" + app + L"\\" + section;
  ValueBytes v;
  v.status = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
  if (v.status != ERROR_SUCCESS) return v;
  v = ReadValue(key, entry);
  RegCloseKey(key);
  return v;
}

TEST(CWinAppSettings, TheRegistryHoldsTheSettingsAfterSetRegistryKey) {
  RegistryFolder();
  const std::wstring company = L"matrix-tests-company";
  SettingsApp app(L"Pipes");
  app.SetRegistryKey(company.c_str());
  RemoveTree(HKEY_CURRENT_USER, L"Software\\" + company);
  EXPECT_EQ(app.GetProfileInt(L"Window", L"Width", 17), 17u);  // missing
  EXPECT_EQ(app.GetProfileString(L"Window", L"Title", L"none"), L"none");
  // Reading made nothing.
  EXPECT_EQ(Stored(company, L"Pipes", L"Window", L"Width").status,
            ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(app.WriteProfileInt(L"Window", L"Width", -2));
  EXPECT_TRUE(app.WriteProfileString(L"Window", L"Title", L"Трубы"));
  BYTE raw[] = {0x1F, 0x00, 0xFF};
  EXPECT_TRUE(app.WriteProfileBinary(L"Window", L"Place", raw, 3));
  const auto width = Stored(company, L"Pipes", L"Window", L"Width");
  EXPECT_EQ(width.type, REG_DWORD);
  EXPECT_EQ(width.bytes, (std::vector<BYTE>{0xFE, 0xFF, 0xFF, 0xFF}));
  const auto title = Stored(company, L"Pipes", L"WINDOW", L"title");
  EXPECT_EQ(title.type, REG_SZ);
  EXPECT_EQ(title.bytes.size(), 6 * sizeof(wchar_t));
  EXPECT_EQ(Stored(company, L"Pipes", L"Window", L"Place").bytes,
            (std::vector<BYTE>{0x1F, 0x00, 0xFF}));
  EXPECT_EQ(app.GetProfileInt(L"window", L"WIDTH", 0), 0xFFFFFFFEu);
  EXPECT_EQ(app.GetProfileString(L"Window", L"Title"), L"Трубы");
  // An entry of another type gives the default.
  EXPECT_EQ(app.GetProfileInt(L"Window", L"Title", 5), 5u);
  EXPECT_EQ(app.GetProfileString(L"Window", L"Width", L"d"), L"d");
  // Deleting an entry, then the section; nothing left to delete is FALSE.
  EXPECT_TRUE(app.WriteProfileString(L"Window", L"Title", nullptr));
  EXPECT_FALSE(app.WriteProfileString(L"Window", L"Title", nullptr));
  EXPECT_EQ(app.GetProfileString(L"Window", L"Title", L"gone"), L"gone");
  EXPECT_TRUE(app.WriteProfileString(L"Window", nullptr, nullptr));
  EXPECT_FALSE(app.WriteProfileString(L"Window", nullptr, nullptr));
  EXPECT_EQ(app.GetProfileInt(L"Window", L"Width", 3), 3u);
  RemoveTree(HKEY_CURRENT_USER, L"Software\\" + company);
}

TEST(CWinAppSettings, GetProfileBinaryGivesANewBufferOrNullAndZero) {
  RegistryFolder();
  SettingsApp registry(L"Binary");
  registry.SetRegistryKey(L"matrix-tests-binary");
  SettingsApp file(L"Binary");
  free(const_cast<wchar_t*>(file.m_pszProfileName));
  file.m_pszProfileName = wcsdup(L"matrix-tests-binary.INI");
  for (SettingsApp* app : {&registry, &file}) {
    BYTE raw[] = {1, 2, 250};
    ASSERT_TRUE(app->WriteProfileBinary(L"S", L"Data", raw, 3));
    LPBYTE data = reinterpret_cast<LPBYTE>(1);
    UINT size = 99;
    ASSERT_TRUE(app->GetProfileBinary(L"S", L"Data", &data, &size));
    EXPECT_EQ(std::vector<BYTE>(data, data + size),
              (std::vector<BYTE>{1, 2, 250}));
    delete[] data;
    for (const wchar_t* missing_section : {L"S", L"NoSection"}) {
      data = reinterpret_cast<LPBYTE>(1);
      size = 99;
      EXPECT_FALSE(
          app->GetProfileBinary(missing_section, L"Missing", &data, &size));
      EXPECT_EQ(data, nullptr);
      EXPECT_EQ(size, 0u);
    }
    app->WriteProfileString(L"S", nullptr, nullptr);
  }
  RemoveTree(HKEY_CURRENT_USER, L"Software\\matrix-tests-binary");
}

TEST(CWinAppSettings,
     BeforeSetRegistryKeyTheSettingsGoToTheInitialisationFile) {
  const std::string folder = RegistryFolder();  // the user's settings folder
  SettingsApp app(L"Pipes");
  free(const_cast<wchar_t*>(app.m_pszProfileName));
  app.m_pszProfileName = wcsdup(L"matrix-tests-settings.INI");
  const std::string ini = folder + "/matrix-tests-settings.INI";
  EXPECT_EQ(app.GetProfileInt(L"Window", L"Width", 17), 17u);
  EXPECT_TRUE(app.WriteProfileInt(L"Window", L"Width", 640));
  EXPECT_TRUE(app.WriteProfileString(L"Window", L"Title", L"Трубы"));
  BYTE raw[] = {0x1F, 0x00};
  EXPECT_TRUE(app.WriteProfileBinary(L"Window", L"Place", raw, 2));
  // The framework's letters: low half first, 'A' for 0.
  EXPECT_EQ(ReadFile(ini),
            "[Window]\r\nWidth=640\r\nTitle=Трубы\r\nPlace=PBAA\r\n");
  EXPECT_EQ(app.GetProfileInt(L"WINDOW", L"width", 0), 640u);
  EXPECT_EQ(app.GetProfileString(L"Window", L"Title"), L"Трубы");
  EXPECT_TRUE(app.WriteProfileString(L"Window", L"Title", nullptr));
  EXPECT_EQ(app.GetProfileString(L"Window", L"Title", L"gone"), L"gone");
  EXPECT_TRUE(app.WriteProfileString(L"Window", nullptr, nullptr));
  EXPECT_EQ(ReadFile(ini), "");
  EXPECT_EQ(app.GetProfileInt(L"Window", L"Width", 3), 3u);
}

}  // namespace
