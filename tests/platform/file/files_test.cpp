// Files in the platform layer: the thread's last error, CreateDirectoryW,
// the shell's application-data folder, the unshared _wfopen_s, the host's
// file object and module file names.
#include <afxwin.h>
#include <crtio.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <intfile.h>
#include <shlobj.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <winbase.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <type_traits>

#include "support/file_testing.h"

namespace {

using namespace matrix::testing;

constexpr char kAppData[] = "MATRIX_COMMON_APPDATA";
constexpr wchar_t kLoneSurrogate = static_cast<wchar_t>(0xD800);

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

mode_t Umask() {
  const mode_t mask = umask(022);
  umask(mask);
  return mask;
}

// ---- Last error ------------------------------------------------------------

TEST(Win32LastError, BelongsToEachThread) {
  SetLastError(ERROR_DISK_FULL);
  DWORD seen_by_other = 1;
  std::thread other([&] {
    seen_by_other = GetLastError();
    SetLastError(ERROR_ACCESS_DENIED);
  });
  other.join();
  EXPECT_EQ(seen_by_other, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
}

// ---- CreateDirectoryW ------------------------------------------------------

TEST(CreateDirectoryW, CreatesOneLevelWithTheUmasksMode) {
  ScratchFolder scratch;
  ASSERT_TRUE(CreateDirectoryW(Wide(scratch / "new").c_str(), nullptr));
  struct stat st;
  ASSERT_EQ(stat((scratch / "new").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0777u & ~Umask());
}

TEST(CreateDirectoryW, BackslashSeparatesLevels) {
  ScratchFolder scratch;
  ASSERT_TRUE(CreateDirectoryW(Wide(scratch / "a").c_str(), nullptr));
  ASSERT_TRUE(
      CreateDirectoryW((Wide(scratch.path()) + L"\\a\\b").c_str(), nullptr));
  EXPECT_TRUE(IsFolder(scratch / "a/b"));
}

TEST(CreateDirectoryW, ReportsWhyItFailed) {
  ScratchFolder scratch;
  ASSERT_EQ(mkdir((scratch / "folder").c_str(), 0777), 0);
  WriteFile(scratch / "file", "x");
  struct Row {
    std::wstring path;
    DWORD error;
  } rows[] = {
      {Wide(scratch / "folder"), ERROR_ALREADY_EXISTS},
      {Wide(scratch / "file"), ERROR_ALREADY_EXISTS},
      {Wide(scratch / "missing/new"), ERROR_PATH_NOT_FOUND},
      {Wide(scratch / "file/new"), ERROR_PATH_NOT_FOUND},
      {Wide(scratch / "") + kLoneSurrogate, ERROR_NO_UNICODE_TRANSLATION},
      {Wide(scratch / std::string(300, 'n')), ERROR_FILENAME_EXCED_RANGE},
  };
  for (const Row& row : rows) {
    SetLastError(0);
    EXPECT_FALSE(CreateDirectoryW(row.path.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), row.error) << testing::PrintToString(row.path);
  }
}

TEST(CreateDirectoryW, NamesAreUtf8WhateverTheLocale) {
  ScratchFolder scratch;
  ASSERT_TRUE(CreateDirectoryW(
      (Wide(scratch.path()) + L"/Gr\u00FC\u00DFe").c_str(), nullptr));
  EXPECT_TRUE(IsFolder(scratch / "Gr\xC3\xBC\xC3\x9F"
                                 "e"));
}

// ---- SHGetFolderPathW ------------------------------------------------------

constexpr int kCreate = CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE;

TEST(SHGetFolderPathW, GivesTheOverrideWithoutTrailingSeparator) {
  ScratchFolder scratch;
  for (const std::string& value :
       {scratch.path(), scratch.path() + "/", scratch.path() + "//"}) {
    ScopedEnvironment env(kAppData, value);
    wchar_t path[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr,
                               SHGFP_TYPE_CURRENT, path),
              S_OK);
    EXPECT_EQ(std::wstring(path), Wide(scratch.path()));
  }
}

TEST(SHGetFolderPathW, ReadsTheOverrideAtEveryCall) {
  ScratchFolder one, two;
  ScopedEnvironment env(kAppData, one.path());
  wchar_t path[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path),
            S_OK);
  EXPECT_EQ(std::wstring(path), Wide(one.path()));
  env.Set(two.path());
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path),
            S_OK);
  EXPECT_EQ(std::wstring(path), Wide(two.path()));
}

TEST(SHGetFolderPathW, DefaultTypeIgnoresTheOverride) {
  ScratchFolder scratch;
  ScopedEnvironment env(kAppData, scratch.path());
  wchar_t path[MAX_PATH];
  ASSERT_EQ(
      SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_DONT_VERIFY,
                       nullptr, SHGFP_TYPE_DEFAULT, path),
      S_OK);
  EXPECT_EQ(std::wstring(path), L"/var/lib/matrix/ProgramData");
  env.Set(std::nullopt);
  ASSERT_EQ(
      SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_DONT_VERIFY,
                       nullptr, SHGFP_TYPE_CURRENT, path),
      S_OK);
  EXPECT_EQ(std::wstring(path), L"/var/lib/matrix/ProgramData");
}

TEST(SHGetFolderPathW, CreatesAMissingFolderOnlyWhenAsked) {
  ScratchFolder scratch;
  ScopedEnvironment env(kAppData, scratch / "a/b/c");
  wchar_t path[MAX_PATH] = L"junk";
  EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path),
            HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(path[0], L'\0');
  EXPECT_FALSE(IsFolder(scratch / "a"));

  ASSERT_EQ(
      SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_DONT_VERIFY,
                       nullptr, 0, path),
      S_OK);
  EXPECT_EQ(std::wstring(path), Wide(scratch / "a/b/c"));
  EXPECT_FALSE(IsFolder(scratch / "a"));

  ASSERT_EQ(SHGetFolderPathW(nullptr, kCreate, nullptr, 0, path), S_OK);
  EXPECT_EQ(std::wstring(path), Wide(scratch / "a/b/c"));
  EXPECT_TRUE(IsFolder(scratch / "a/b/c"));
  // Present now, so found without the flag too.
  EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path),
            S_OK);
}

TEST(SHGetFolderPathW, MissingLastLevelIsFileNotFound) {
  ScratchFolder scratch;
  ScopedEnvironment env(kAppData, scratch / "gone");
  wchar_t path[MAX_PATH];
  EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST(SHGetFolderPathW, RefusesWhatItCannotGive) {
  ScratchFolder scratch;
  WriteFile(scratch / "file", "x");
  struct Row {
    std::optional<std::string> value;
    int csidl;
    DWORD flags;
    HRESULT result;
  } rows[] = {
      {scratch.path(), 0x001A, 0, E_INVALIDARG},  // the user's own folder
      {scratch.path(), 0x0028, 0, E_INVALIDARG},
      {scratch.path(), CSIDL_COMMON_APPDATA | 0x0100, 0, E_INVALIDARG},
      {scratch.path(), CSIDL_COMMON_APPDATA, 2, E_INVALIDARG},
      {"relative/path", CSIDL_COMMON_APPDATA, 0,
       HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME)},
      {scratch / "file", CSIDL_COMMON_APPDATA, 0,
       HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
      {scratch / "file/below", kCreate, 0,
       HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)},
      {scratch / "bad\xFF", CSIDL_COMMON_APPDATA, 0,
       HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION)},
  };
  for (const Row& row : rows) {
    ScopedEnvironment env(kAppData, row.value);
    wchar_t path[MAX_PATH] = L"junk";
    EXPECT_EQ(SHGetFolderPathW(nullptr, row.csidl, nullptr, row.flags, path),
              row.result)
        << row.csidl << " " << row.value.value_or("");
    EXPECT_EQ(path[0], L'\0');
  }
  EXPECT_EQ(
      SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, nullptr),
      E_INVALIDARG);
}

TEST(SHGetFolderPathW, NeverWritesMoreThanMaxPathCharacters) {
  ScratchFolder scratch;
  // MAX_PATH - 1 characters fit with the terminator; one more does not.
  const std::string base = scratch.path() + "/";
  const std::string longest =
      base + std::string(MAX_PATH - 1 - base.size(), 'x');
  const std::string too_long = longest + "y";
  wchar_t buffer[MAX_PATH + 40];
  for (wchar_t& c : buffer) c = L'#';
  {
    ScopedEnvironment env(kAppData, longest);
    ASSERT_EQ(
        SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_DONT_VERIFY,
                         nullptr, 0, buffer),
        S_OK);
    EXPECT_EQ(std::wcslen(buffer), static_cast<std::size_t>(MAX_PATH - 1));
  }
  {
    ScopedEnvironment env(kAppData, too_long);
    EXPECT_EQ(
        SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_DONT_VERIFY,
                         nullptr, 0, buffer),
        HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(buffer[0], L'\0');
  }
  for (int i = MAX_PATH; i < MAX_PATH + 40; ++i) EXPECT_EQ(buffer[i], L'#');
}

// ---- _wfopen_s -------------------------------------------------------------

FILE* const kUntouched = reinterpret_cast<FILE*>(0x1);

TEST(WFOpenS, AcceptsTheRunTimesModes) {
  ScratchFolder scratch;
  const std::wstring name = Wide(scratch / "f");
  for (const wchar_t* mode :
       {L"w", L"wb", L"wt", L"w+", L"w+b", L"wb+", L"r", L"rb", L"rt", L"r+",
        L"r+b", L"a", L"ab", L"a+", L"a+t"}) {
    FILE* file = nullptr;
    ASSERT_EQ(_wfopen_s(&file, name.c_str(), mode), 0) << mode;
    ASSERT_NE(file, nullptr);
    std::fclose(file);
  }
  ASSERT_EQ(unlink((scratch / "f").c_str()), 0);
  FILE* file = nullptr;
  ASSERT_EQ(_wfopen_s(&file, name.c_str(), L"wx"), 0);
  std::fclose(file);
  EXPECT_EQ(_wfopen_s(&file, name.c_str(), L"wbx"), EEXIST);
  EXPECT_EQ(file, nullptr);
}

TEST(WFOpenS, RefusesOtherModesAndNullArgumentsLeavingTheStream) {
  ScratchFolder scratch;
  WriteFile(scratch / "f", "keep");
  const std::wstring name = Wide(scratch / "f");
  for (const wchar_t* mode :
       {L"", L"q", L"W", L"rw", L"r++", L"wbb", L"rbt", L"rx", L"ax", L"wxx",
        L"w, ccs=UTF-8", L"wN", L"+w"}) {
    FILE* file = kUntouched;
    EXPECT_EQ(_wfopen_s(&file, name.c_str(), mode), EINVAL) << mode;
    EXPECT_EQ(file, kUntouched) << mode;
  }
  FILE* file = kUntouched;
  EXPECT_EQ(_wfopen_s(&file, nullptr, L"r"), EINVAL);
  EXPECT_EQ(_wfopen_s(&file, name.c_str(), nullptr), EINVAL);
  EXPECT_EQ(file, kUntouched);
  EXPECT_EQ(_wfopen_s(nullptr, name.c_str(), L"r"), EINVAL);
  EXPECT_EQ(ReadFile(scratch / "f"), "keep");
}

TEST(WFOpenS, ReportsFailuresWithNullStreamAndLastError) {
  ScratchFolder scratch;
  ASSERT_EQ(mkdir((scratch / "folder").c_str(), 0777), 0);
  struct Row {
    std::wstring name;
    const wchar_t* mode;
    errno_t error;
    DWORD last_error;
  } rows[] = {
      {Wide(scratch / "missing"), L"r", ENOENT, ERROR_FILE_NOT_FOUND},
      {Wide(scratch / "no/such"), L"w", ENOENT, ERROR_PATH_NOT_FOUND},
      {Wide(scratch / "folder"), L"w", EACCES, ERROR_ACCESS_DENIED},
      {Wide(scratch / "folder"), L"r", EACCES, ERROR_ACCESS_DENIED},
      {Wide(scratch / "") + kLoneSurrogate, L"w", EILSEQ,
       ERROR_NO_UNICODE_TRANSLATION},
      {Wide(scratch / "") + static_cast<wchar_t>(0x110000), L"w", EILSEQ,
       ERROR_NO_UNICODE_TRANSLATION},
      {Wide(scratch / std::string(300, 'n')), L"w", ENAMETOOLONG,
       ERROR_FILENAME_EXCED_RANGE},
  };
  for (const Row& row : rows) {
    FILE* file = kUntouched;
    SetLastError(0);
    EXPECT_EQ(_wfopen_s(&file, row.name.c_str(), row.mode), row.error)
        << testing::PrintToString(row.name);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(GetLastError(), row.last_error)
        << testing::PrintToString(row.name);
  }
}

TEST(WFOpenS, AWriterExcludesEveryOtherOpenReadersShare) {
  ScratchFolder scratch;
  const std::wstring name = Wide(scratch / "f");
  FILE* writer = nullptr;
  ASSERT_EQ(_wfopen_s(&writer, name.c_str(), L"w"), 0);
  FILE* other = kUntouched;
  for (const wchar_t* mode : {L"w", L"a", L"r", L"r+"}) {
    EXPECT_EQ(_wfopen_s(&other, name.c_str(), mode), EACCES) << mode;
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  std::fclose(writer);

  FILE* reader1 = nullptr;
  FILE* reader2 = nullptr;
  ASSERT_EQ(_wfopen_s(&reader1, name.c_str(), L"r"), 0);
  ASSERT_EQ(_wfopen_s(&reader2, name.c_str(), L"rb"), 0);
  EXPECT_EQ(_wfopen_s(&other, name.c_str(), L"a"), EACCES);
  std::fclose(reader1);
  std::fclose(reader2);
  ASSERT_EQ(_wfopen_s(&other, name.c_str(), L"a"), 0);
  std::fclose(other);
}

TEST(WFOpenS, HeldFileKeepsItsContentThroughASecondOpen) {
  // A second "w" open is refused before it can empty the file: what the
  // holder has written stays.
  ScratchFolder scratch;
  const std::wstring name = Wide(scratch / "f");
  FILE* holder = nullptr;
  ASSERT_EQ(_wfopen_s(&holder, name.c_str(), L"w"), 0);
  std::fputs("written by the holder", holder);
  std::fflush(holder);
  FILE* second = nullptr;
  EXPECT_EQ(_wfopen_s(&second, name.c_str(), L"w"), EACCES);
  EXPECT_EQ(_wfopen_s(&second, name.c_str(), L"w+"), EACCES);
  EXPECT_EQ(ReadFile(scratch / "f"), "written by the holder");
  std::fclose(holder);
  // Free again: "w" empties it as usual.
  ASSERT_EQ(_wfopen_s(&second, name.c_str(), L"w"), 0);
  std::fclose(second);
  EXPECT_EQ(ReadFile(scratch / "f"), "");
}

TEST(WFOpenS, AppendKeepsAndExtends) {
  ScratchFolder scratch;
  WriteFile(scratch / "f", "one ");
  FILE* file = nullptr;
  ASSERT_EQ(_wfopen_s(&file, Wide(scratch / "f").c_str(), L"a"), 0);
  std::fputs("two", file);
  std::fclose(file);
  EXPECT_EQ(ReadFile(scratch / "f"), "one two");
}

TEST(WFOpenS, FifoWithoutReaderFailsAtOnce) {
  // Opening a FIFO for writing fails at once rather than wait for a reader
  // for ever.
  ScratchFolder scratch;
  ASSERT_EQ(mkfifo((scratch / "fifo").c_str(), 0666), 0);
  const auto start = std::chrono::steady_clock::now();
  FILE* file = kUntouched;
  EXPECT_EQ(_wfopen_s(&file, Wide(scratch / "fifo").c_str(), L"w"), ENXIO);
  EXPECT_EQ(file, nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // With a reader it opens, and writes block as usual (no O_NONBLOCK left).
  const int reader = open((scratch / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_EQ(_wfopen_s(&file, Wide(scratch / "fifo").c_str(), L"w"), 0);
  EXPECT_EQ(fcntl(fileno(file), F_GETFL) & O_NONBLOCK, 0);
  std::fclose(file);
  close(reader);
}

TEST(WFOpenS, StreamsAreClosedOnExec) {
  ScratchFolder scratch;
  FILE* file = nullptr;
  ASSERT_EQ(_wfopen_s(&file, Wide(scratch / "f").c_str(), L"w"), 0);
  EXPECT_NE(fcntl(fileno(file), F_GETFD) & FD_CLOEXEC, 0);
  std::fclose(file);
}

TEST(WFOpenS, NamesAreUtf8AndBackslashesSeparate) {
  ScratchFolder scratch;
  ASSERT_EQ(mkdir((scratch / "sub").c_str(), 0777), 0);
  FILE* file = nullptr;
  ASSERT_EQ(
      _wfopen_s(&file,
                (Wide(scratch.path()) + L"\\sub\\\u00E9t\u00E9.txt").c_str(),
                L"w"),
      0);
  std::fclose(file);
  EXPECT_EQ(access((scratch / "sub/\xC3\xA9t\xC3\xA9.txt").c_str(), F_OK), 0);
}

// ---- CIntFileA -------------------------------------------------------------

static_assert(!std::is_copy_constructible_v<CIntFileA>);
static_assert(!std::is_copy_assignable_v<CIntFileA>);
static_assert(std::is_base_of_v<CObject, CIntFileA>);

// True when the file may be opened for writing, that is nobody holds it.
bool IsFree(const std::string& path) {
  FILE* file = nullptr;
  if (_wfopen_s(&file, Wide(path).c_str(), L"a") != 0) return false;
  std::fclose(file);
  return true;
}

TEST(CIntFileA, OpenClosesWhatItHeldAndSaysWhetherItHoldsAStream) {
  ScratchFolder scratch;
  CIntFileA file;
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.m_pStream, nullptr);
  file.Close();  // nothing held is fine

  ASSERT_TRUE(file.Open(Wide(scratch / "a").c_str(), L"w"));
  EXPECT_TRUE(file.IsOpen());
  EXPECT_FALSE(IsFree(scratch / "a"));
  ASSERT_TRUE(file.Open(Wide(scratch / "b").c_str(), L"w"));
  EXPECT_TRUE(IsFree(scratch / "a"));
  EXPECT_FALSE(IsFree(scratch / "b"));

  // A failed open still lets go of the previous stream.
  EXPECT_FALSE(file.Open(Wide(scratch / "no/such").c_str(), L"w"));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.m_pStream, nullptr);
  EXPECT_TRUE(IsFree(scratch / "b"));

  ASSERT_TRUE(file.Open(Wide(scratch / "c").c_str(), L"w"));
  std::fputs("text", file.m_pStream);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadFile(scratch / "c"), "text");
  file.Close();
}

TEST(CIntFileA, DestructorClosesTheStreamItHolds) {
  // A file object destroyed while holding a stream closes it (flushing
  // what was written), so that no stream leaks.
  ScratchFolder scratch;
  {
    CIntFileA file;
    ASSERT_TRUE(file.Open(Wide(scratch / "f").c_str(), L"w"));
    std::fputs("flushed on close", file.m_pStream);
    EXPECT_FALSE(IsFree(scratch / "f"));
  }
  EXPECT_TRUE(IsFree(scratch / "f"));
  EXPECT_EQ(ReadFile(scratch / "f"), "flushed on close");
}

// ---- GetModuleFileNameW ----------------------------------------------------

std::wstring RealPath(const char* path) {
  char* resolved = realpath(path, nullptr);
  std::wstring wide = resolved ? Wide(resolved) : L"";
  std::free(resolved);
  return wide;
}

TEST(GetModuleFileNameW, NamesTheProgramForANullHandle) {
  wchar_t name[4096];
  const DWORD length = GetModuleFileNameW(nullptr, name, 4096);
  const std::wstring expected = RealPath("/proc/self/exe");
  EXPECT_EQ(length, expected.size());
  EXPECT_EQ(std::wstring(name), expected);
}

TEST(GetModuleFileNameW, NamesTheLibraryLoadedAtAHandle) {
  const HMODULE platform =
      AfxModuleHandleOf(reinterpret_cast<const void*>(&GetModuleFileNameW));
  ASSERT_NE(platform, nullptr);
  wchar_t name[4096];
  const DWORD length = GetModuleFileNameW(platform, name, 4096);
  ASSERT_GT(length, 0u);
  const std::wstring path(name);
  EXPECT_EQ(path.size(), length);
  EXPECT_EQ(path[0], L'/');
  EXPECT_NE(path.find(L"libmatrix-platform.so"), std::wstring::npos) << length;
  EXPECT_EQ(RealPath(std::string(path.begin(), path.end()).c_str()), path);
  // The program's own handle names the program.
  const HMODULE program =
      AfxModuleHandleOf(reinterpret_cast<const void*>(&IsFree));
  ASSERT_EQ(GetModuleFileNameW(program, name, 4096),
            RealPath("/proc/self/exe").size());
}

// A library loaded by a relative name ("./libplug.so") was named by that
// name resolved against the current folder of each call: after a chdir, a
// file that is not the module, or none.
TEST(GetModuleFileNameW, ALibraryLoadedByARelativeNameKeepsItsPath) {
  const std::filesystem::path module = MATRIX_TEST_PLAIN_MODULE;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(module.parent_path());
  void* loaded = dlopen(("./" + module.filename().string()).c_str(),
                        RTLD_NOW | RTLD_LOCAL);
  std::filesystem::current_path("/");
  ASSERT_NE(loaded, nullptr);
  const HMODULE handle =
      GetModuleHandleW(Wide(module.filename().string()).c_str());
  wchar_t name[4096];
  const DWORD length = GetModuleFileNameW(handle, name, 4096);
  std::filesystem::current_path(before);
  dlclose(loaded);
  EXPECT_EQ(std::wstring(name, length), RealPath(module.c_str()));
}

TEST(GetModuleFileNameW, CutsAPathThatDoesNotFit) {
  const std::wstring full = RealPath("/proc/self/exe");
  const auto n = static_cast<DWORD>(full.size());
  wchar_t name[4096];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, name, n + 1), n);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(GetModuleFileNameW(nullptr, name, n), n);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::wstring(name), full.substr(0, n - 1));
  for (wchar_t& c : name) c = L'#';
  EXPECT_EQ(GetModuleFileNameW(nullptr, name, 5), 5u);
  EXPECT_EQ(std::wstring(name), full.substr(0, 4));
  EXPECT_EQ(name[5], L'#');
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, name, 0), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(GetModuleFileNameW, RefusesAHandleOfNoModule) {
  int on_the_stack = 0;
  wchar_t name[64] = L"junk";
  for (const void* address : {static_cast<const void*>(&on_the_stack),
                              reinterpret_cast<const void*>(0x1000)}) {
    SetLastError(0);
    EXPECT_EQ(
        GetModuleFileNameW(
            reinterpret_cast<HMODULE>(const_cast<void*>(address)), name, 64),
        0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
  EXPECT_EQ(GetModuleFileNameW(nullptr, nullptr, 64), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// ---- GetModuleHandleW, GetModuleHandleExW, FreeLibrary ---------------------

std::wstring FileNameOf(HMODULE module) {
  wchar_t name[4096];
  const DWORD length = GetModuleFileNameW(module, name, 4096);
  return std::wstring(name, length);
}

std::wstring LastLevelOf(const std::wstring& path) {
  return path.substr(path.rfind(L'/') + 1);
}

TEST(GetModuleHandleW, NamesTheProgramAndLoadedModulesByFileName) {
  EXPECT_EQ(GetModuleHandleW(nullptr), AfxGetInstanceHandle());
  EXPECT_EQ(GetModuleHandleW(nullptr),
            AfxModuleHandleOf(reinterpret_cast<const void*>(&IsFree)));
  const HMODULE platform =
      AfxModuleHandleOf(reinterpret_cast<const void*>(&GetModuleHandleW));
  const std::wstring path = FileNameOf(platform);
  std::wstring backslashed = path;
  std::replace(backslashed.begin(), backslashed.end(), L'/', L'\\');
  std::wstring upper = L"LIBMATRIX-PLATFORM.SO.";
  upper += std::to_wstring(MATRIX_TEST_VERSION_MAJOR);
  struct Case {
    std::wstring name;
    HMODULE expected;
  } cases[] = {
      {L"libmatrix-platform.so." + std::to_wstring(MATRIX_TEST_VERSION_MAJOR),
       platform},
      {upper, platform},  // case is ignored, as Win32 ignores it
      {LastLevelOf(path), platform},
      {path, platform},
      {backslashed, platform},
      {LastLevelOf(FileNameOf(nullptr)), GetModuleHandleW(nullptr)},
      {L"libmatrix-platform", nullptr},  // no extension is added
      {L"/nowhere/libmatrix-platform.so.0", nullptr},
      {L"no-such-module.so", nullptr},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleW(c.name.c_str()), c.expected)
        << std::string(c.name.begin(), c.name.end());
    if (!c.expected) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    }
  }
}

TEST(GetModuleHandleExW, FindsTheModuleOfAnAddressAndRefusesBadFlags) {
  const HMODULE platform =
      AfxModuleHandleOf(reinterpret_cast<const void*>(&GetModuleHandleW));
  HMODULE module = nullptr;
  const auto* code = reinterpret_cast<LPCWSTR>(&GetModuleHandleW);
  EXPECT_TRUE(
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         code, &module));
  EXPECT_EQ(module, platform);
  int on_the_stack = 0;
  struct Refusal {
    DWORD flags;
    LPCWSTR name;
    DWORD error;
  } refusals[] = {
      {GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
       reinterpret_cast<LPCWSTR>(&on_the_stack), ERROR_MOD_NOT_FOUND},
      {GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, L"no-such-module.so",
       ERROR_MOD_NOT_FOUND},
      {GET_MODULE_HANDLE_EX_FLAG_PIN |
           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
       nullptr, ERROR_INVALID_PARAMETER},
      {0x100, nullptr, ERROR_INVALID_PARAMETER},
  };
  for (const Refusal& r : refusals) {
    module = platform;
    SetLastError(0);
    EXPECT_FALSE(GetModuleHandleExW(r.flags, r.name, &module)) << r.flags;
    EXPECT_EQ(module, nullptr);
    EXPECT_EQ(GetLastError(), r.error) << r.flags;
  }
  EXPECT_FALSE(GetModuleHandleExW(0, nullptr, nullptr));
}

// A reference taken by GetModuleHandleExW keeps a module loaded after its
// loader let it go, until FreeLibrary gives the reference back.
TEST(GetModuleHandleExW, AReferenceKeepsTheModuleLoadedUntilFreeLibrary) {
  void* loaded = dlopen(MATRIX_TEST_PLAIN_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(loaded, nullptr);
  const std::wstring name =
      LastLevelOf(Wide(std::string(MATRIX_TEST_PLAIN_MODULE)));
  const HMODULE base = GetModuleHandleW(name.c_str());
  ASSERT_NE(base, nullptr);
  HMODULE referenced = nullptr;
  ASSERT_TRUE(GetModuleHandleExW(0, name.c_str(), &referenced));
  EXPECT_EQ(referenced, base);
  dlclose(loaded);
  EXPECT_EQ(GetModuleHandleW(name.c_str()), base);  // still loaded
  EXPECT_TRUE(FreeLibrary(referenced));
  EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr);   // unloaded now
  EXPECT_TRUE(FreeLibrary(GetModuleHandleW(nullptr)));  // the program stays
  EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(0x1000)));
}

}  // namespace
