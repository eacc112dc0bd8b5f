// Initialisation files through the private-profile calls: what Win32's
// documentation and Wine's profile tests say Windows does with sections,
// keys, quotes, defaults, buffers that are too small, numbers and writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <winbase.h>

#include <filesystem>
#include <string>

#include "support/file_testing.h"

namespace {

using namespace matrix::testing;

constexpr char kContent[] =
    "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n"
    "[ section2 ]\r\n; a comment=not a key\r\n";

// Reads with a buffer of `size` characters; "#" marks what was not written.
std::wstring Get(const wchar_t* section, const wchar_t* key,
                 const wchar_t* fallback, DWORD size, const std::wstring& file,
                 DWORD* returned) {
  std::wstring buffer(64, L'#');
  *returned = GetPrivateProfileStringW(section, key, fallback, buffer.data(),
                                       size, file.c_str());
  return buffer.substr(0, size == 0 ? 4 : size);
}

TEST(PrivateProfile, ReadsValuesNamesAndDefaultsByWin32sRules) {
  ScratchFolder scratch;
  WriteFile(scratch / "a.ini", std::string(kContent));
  const std::wstring file = Wide(scratch / "a.ini");
  using namespace std::string_literals;
  struct Case {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* fallback;
    DWORD size;
    std::wstring expected;  // the buffer's first `size` characters
    DWORD returned;
  } cases[] = {
      {L"section1", L"name1", L"d", 10, L"val1\0#####"s, 4},
      {L"SECTION1", L"NaMe1", L"d", 10, L"val1\0#####"s, 4},  // case ignored
      {L"section1", L"name2", L"d", 10, L"val2\0#####"s, 4},  // quotes go
      {L"section1", L"name3", L"d", 10, L"d\0########"s, 1},  // no '=': no key
      {L"section1", L"missing", L"default  ", 10, L"default\0##"s, 7},
      {L"section1", L"missing", nullptr, 4, L"\0###"s, 0},
      {L"nosection", L"name1", L"d", 4, L"d\0##"s, 1},
      {L"section1", L"name1", L"d", 4, L"val\0"s, 3},  // cut: size - 1
      {L"section1", L"name1", L"d", 5, L"val1\0"s, 4},
      {L"section1", L"name4", L"d", 1, L"\0"s, 0},
      {L"section1", L"name1", L"d", 0, L"####"s, 0},  // nothing written
      {L"section1", nullptr, L"d", 30,
       L"name1\0name2\0name4\0\0"s + std::wstring(11, L'#'), 18},
      {L"section1", nullptr, L"d", 16, L"name1\0name2\0na\0\0"s, 14},
      {nullptr, nullptr, L"d", 30,
       L"section1\0section2\0\0"s + std::wstring(11, L'#'), 18},
      {nullptr, L"x", L"d", 16, L"section1\0secti\0\0"s, 14},
  };
  for (const Case& c : cases) {
    DWORD returned = 0;
    EXPECT_EQ(Get(c.section, c.key, c.fallback, c.size, file, &returned),
              c.expected)
        << (c.key ? std::string(c.key, c.key + std::wcslen(c.key)) : "")
        << c.size;
    EXPECT_EQ(returned, c.returned) << c.size;
  }
}

TEST(PrivateProfile, AMissingFileGivesTheDefaultAndSaysSo) {
  ScratchFolder scratch;
  for (const std::wstring& file :
       {Wide(scratch / "missing.ini"), std::wstring(L"")}) {
    DWORD returned = 0;
    SetLastError(0);
    EXPECT_EQ(Get(L"s", L"k", L"fallback", 10, file, &returned),
              std::wstring(L"fallback\0#", 10));
    EXPECT_EQ(returned, 8u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
}

// From Wine's profile tests, which record what Windows answers.
TEST(PrivateProfile, ReadsIntegersAsWin32Does) {
  ScratchFolder scratch;
  const std::wstring file = Wide(scratch / "n.ini");
  struct Case {
    const char* text;  // null: no such key
    INT fallback;
    UINT expected;
  } cases[] = {
      {nullptr, -1, 4294967295u},
      {nullptr, 1, 1},
      {"-1", 1, 4294967295u},
      {"1", -1, 1},
      {"+1", -1, 1},
      {"4294967296", 1, 0},
      {"4294967297", 1, 1},
      {"-4294967297", 1, 4294967295u},
      {"42A94967297", 1, 42},
      {"B4294967297", 1, 0},
      {"0x1F", 1, 31},
      {"", 5, 5},
  };
  for (const Case& c : cases) {
    WriteFile(scratch / "n.ini",
              c.text ? std::string("[s]\nk=") + c.text + "\n" : "[s]\n");
    EXPECT_EQ(GetPrivateProfileIntW(L"s", L"k", c.fallback, file.c_str()),
              c.expected)
        << (c.text ? c.text : "(none)");
  }
  EXPECT_EQ(GetPrivateProfileIntW(nullptr, L"k", 7, file.c_str()), 7u);
}

TEST(PrivateProfile, WritesAddReplaceAndDeleteLinesAsWin32Writes) {
  ScratchFolder scratch;
  const std::wstring file = Wide(scratch / "w.ini");
  const wchar_t* f = file.c_str();
  EXPECT_TRUE(WritePrivateProfileStringW(L"App1", L"key1", L"string1", f));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App1", L"key2", L"string2", f));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App2", L"key3", L"string3", f));
  EXPECT_EQ(
      ReadFile(scratch / "w.ini"),
      "[App1]\r\nkey1=string1\r\nkey2=string2\r\n[App2]\r\nkey3=string3\r\n");
  struct Step {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
    const char* file_after;
  } steps[] = {
      // The key keeps its spelling.
      {L"app1", L"KEY1", L"new",
       "[App1]\r\nkey1=new\r\nkey2=string2\r\n[App2]\r\nkey3=string3\r\n"},
      {L"App1", L"key2", nullptr,
       "[App1]\r\nkey1=new\r\n[App2]\r\nkey3=string3\r\n"},
      {L"App1", L"key2", nullptr,
       "[App1]\r\nkey1=new\r\n[App2]\r\nkey3=string3\r\n"},
      {L"App1", L"key9", L"x",
       "[App1]\r\nkey1=new\r\nkey9=x\r\n[App2]\r\nkey3=string3\r\n"},
      {L"App1", nullptr, L"ignored", "[App2]\r\nkey3=string3\r\n"},
      {L"App2", L"key3", nullptr, "[App2]\r\n"},
  };
  for (const Step& s : steps) {
    EXPECT_TRUE(WritePrivateProfileStringW(s.section, s.key, s.value, f));
    EXPECT_EQ(ReadFile(scratch / "w.ini"), s.file_after);
  }
  // A file's own line ends and other lines stay as they were.
  WriteFile(scratch / "lf.ini", std::string("; kept\n[s]\nk=1\n"));
  const std::wstring lf = Wide(scratch / "lf.ini");
  EXPECT_TRUE(WritePrivateProfileStringW(L"t", L"k", L"2", lf.c_str()));
  EXPECT_EQ(ReadFile(scratch / "lf.ini"), "; kept\n[s]\nk=1\n[t]\nk=2\n");
  // Deleting from a missing file makes none.
  const std::wstring none = Wide(scratch / "none.ini");
  EXPECT_TRUE(WritePrivateProfileStringW(L"s", nullptr, nullptr, none.c_str()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"s", L"k", nullptr, none.c_str()));
  const std::wstring no_folder = Wide(scratch / "no/folder.ini");
  EXPECT_TRUE(
      WritePrivateProfileStringW(L"s", L"k", nullptr, no_folder.c_str()));
  EXPECT_EQ(ReadFile(scratch / "none.ini"), "");
}

TEST(PrivateProfile, RefusesWhatWouldNotReadBack) {
  ScratchFolder scratch;
  const std::wstring file = Wide(scratch / "r.ini");
  struct Case {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
    const wchar_t* file;
    DWORD error;
  } cases[] = {
      {nullptr, L"k", L"v", file.c_str(), ERROR_FILE_NOT_FOUND},
      {L"s", L"k", L"v", L"", ERROR_ACCESS_DENIED},
      {L"s", L"k", L"v", nullptr, ERROR_INVALID_PARAMETER},
      {L"s", L"k", L"two\nlines", file.c_str(), ERROR_INVALID_PARAMETER},
      {L"s]", L"k", L"v", file.c_str(), ERROR_INVALID_PARAMETER},
      {L"s", L"k=1", L"v", file.c_str(), ERROR_INVALID_PARAMETER},
      {L"s", L" ", L"v", file.c_str(), ERROR_INVALID_PARAMETER},
      // These would read back as a comment and as a section.
      {L"s", L" ;k", L"v", file.c_str(), ERROR_INVALID_PARAMETER},
      {L"s", L"[x]y", L"v", file.c_str(), ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringW(c.section, c.key, c.value, c.file));
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(ReadFile(scratch / "r.ini"), "");
}

// Settings kept as a link to a shared file are written into that file.
TEST(PrivateProfile, WritingThroughALinkChangesTheFileItPointsTo) {
  ScratchFolder scratch;
  WriteFile(scratch / "real.ini", "[s]\nk=old\n");
  ASSERT_EQ(symlink("real.ini", (scratch / "link.ini").c_str()), 0);
  const std::wstring link = Wide(scratch / "link.ini");
  EXPECT_TRUE(WritePrivateProfileStringW(L"s", L"k", L"new", link.c_str()));
  EXPECT_TRUE(std::filesystem::is_symlink(scratch / "link.ini"));
  EXPECT_EQ(ReadFile(scratch / "real.ini"), "[s]\nk=new\n");
}

// Names written with blanks around them were written so and then never
// found: each write added another copy of the section.
TEST(PrivateProfile, BlanksAroundNamesDoNotCountWhenWriting) {
  ScratchFolder scratch;
  const std::wstring file = Wide(scratch / "b.ini");
  EXPECT_TRUE(WritePrivateProfileStringW(L" S ", L"key ", L"v", file.c_str()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"S", L" key", L"v2", file.c_str()));
  EXPECT_EQ(ReadFile(scratch / "b.ini"), "[S]\r\nkey=v2\r\n");
  wchar_t out[16];
  EXPECT_EQ(
      GetPrivateProfileStringW(L" S", L"key ", L"", out, 16, file.c_str()), 2u);
  EXPECT_TRUE(
      WritePrivateProfileStringW(L"S ", nullptr, nullptr, file.c_str()));
  EXPECT_EQ(ReadFile(scratch / "b.ini"), "");
}

// A read-only file was replaced by a written copy; a name that a killed
// process of the same number left behind made the write fail.
TEST(PrivateProfile, AReadOnlyFileIsRefusedAndALeftoverNameIsPassedOver) {
  ScratchFolder scratch;
  WriteFile(scratch / "ro.ini", "[s]\nk=old\n");
  chmod((scratch / "ro.ini").c_str(), 0444);
  const std::wstring ro = Wide(scratch / "ro.ini");
  SetLastError(0);
  EXPECT_FALSE(WritePrivateProfileStringW(L"s", L"k", L"new", ro.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadFile(scratch / "ro.ini"), "[s]\nk=old\n");
  for (int serial = 0; serial < 50; ++serial) {
    WriteFile(scratch / ("rw.ini." + std::to_string(getpid()) + "." +
                         std::to_string(serial) + ".tmp"),
              "");
  }
  const std::wstring rw = Wide(scratch / "rw.ini");
  EXPECT_TRUE(WritePrivateProfileStringW(L"s", L"k", L"v", rw.c_str()));
  EXPECT_EQ(ReadFile(scratch / "rw.ini"), "[s]\r\nk=v\r\n");
}

// A Unicode file as Win32 writes one (UTF-16LE with its mark) was read as
// UTF-8 (nothing found) and written to in UTF-8.
TEST(PrivateProfile, AUtf16FileIsReadAndWrittenAsUtf16) {
  ScratchFolder scratch;
  auto utf16 = [](const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
  };
  WriteFile(scratch / "u.ini", utf16("[S]\r\nk=old\r\n"));
  const std::wstring file = Wide(scratch / "u.ini");
  wchar_t out[16];
  EXPECT_EQ(GetPrivateProfileStringW(L"S", L"k", L"", out, 16, file.c_str()),
            3u);
  EXPECT_EQ(std::wstring(out), L"old");
  EXPECT_TRUE(WritePrivateProfileStringW(L"S", L"j", L"new", file.c_str()));
  EXPECT_EQ(ReadFile(scratch / "u.ini"), utf16("[S]\r\nk=old\r\nj=new\r\n"));
}

TEST(PrivateProfile, ABareNameLivesInTheUsersSettingsFolder) {
  ScratchFolder scratch;
  const ScopedEnvironment settings("MATRIX_REGISTRY_DIR", scratch / "settings");
  EXPECT_TRUE(WritePrivateProfileStringW(L"s", L"k", L"v", L"app.INI"));
  EXPECT_EQ(ReadFile(scratch / "settings/app.INI"), "[s]\r\nk=v\r\n");
  wchar_t text[8];
  EXPECT_EQ(GetPrivateProfileStringW(L"s", L"k", L"", text, 8, L"app.INI"), 1u);
  EXPECT_STREQ(text, L"v");
}

}  // namespace
