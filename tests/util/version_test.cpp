// GetProductAndFileVersion: the four version words of a loaded module,
// modules without a version, and module paths too long for a first guess.
#include <afxwin.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <matrix/util.h>
#include <winbase.h>

#include <filesystem>
#include <string>

#include "support/file_testing.h"

namespace {

using namespace matrix::testing;

constexpr DWORD kSentinel = 0xDEADBEEF;

struct Words {
  DWORD product_ms = kSentinel, product_ls = kSentinel;
  DWORD file_ms = kSentinel, file_ls = kSentinel;
};

int Read(HINSTANCE module, Words& w) {
  return GetProductAndFileVersion(module, w.product_ms, w.product_ls, w.file_ms,
                                  w.file_ls);
}

// A module loaded from `path` for the test's lifetime.
class Loaded {
 public:
  Loaded(const std::string& path, const char* symbol)
      : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ != nullptr) {
      module_ = AfxModuleHandleOf(dlsym(handle_, symbol));
    }
  }
  ~Loaded() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
  HINSTANCE module() const { return module_; }

 private:
  void* handle_;
  HINSTANCE module_ = nullptr;
};

TEST(GetProductAndFileVersion, ReturnsTheWordsAsStoredProductFirst) {
  // The fixture says product version 2.1.0.5 and file version 2.1.0.7.
  Loaded fixture(MATRIX_TEST_VERSIONED_MODULE, "matrix_fixture_answer");
  ASSERT_NE(fixture.module(), nullptr);
  Words w;
  EXPECT_EQ(Read(fixture.module(), w), 1);
  EXPECT_EQ(w.product_ms, 131073u);  // 2 * 65536 + 1
  EXPECT_EQ(w.product_ls, 5u);
  EXPECT_EQ(w.file_ms, 131073u);
  EXPECT_EQ(w.file_ls, 7u);
}

TEST(GetProductAndFileVersion, ThePlatformLibraryCarriesTheProjectVersion) {
  const HINSTANCE platform =
      AfxModuleHandleOf(reinterpret_cast<const void*>(&AfxModuleHandleOf));
  Words w;
  ASSERT_EQ(Read(platform, w), 1);
  const DWORD ms =
      (MATRIX_TEST_VERSION_MAJOR << 16) | MATRIX_TEST_VERSION_MINOR;
  const DWORD ls = MATRIX_TEST_VERSION_PATCH << 16;
  EXPECT_EQ(w.product_ms, ms);
  EXPECT_EQ(w.product_ls, ls);
  EXPECT_EQ(w.file_ms, ms);
  EXPECT_EQ(w.file_ls, ls);
}

TEST(GetProductAndFileVersion, WithoutAVersionLeavesAllFourUnchanged) {
  Loaded plain(MATRIX_TEST_PLAIN_MODULE, "matrix_fixture_plain");
  ASSERT_NE(plain.module(), nullptr);
  int on_the_stack = 0;
  for (HINSTANCE module :
       {plain.module(), static_cast<HINSTANCE>(nullptr),  // the test program
        reinterpret_cast<HINSTANCE>(&on_the_stack)}) {
    Words w;
    EXPECT_EQ(Read(module, w), 0);
    EXPECT_EQ(w.product_ms, kSentinel);
    EXPECT_EQ(w.product_ls, kSentinel);
    EXPECT_EQ(w.file_ms, kSentinel);
    EXPECT_EQ(w.file_ls, kSentinel);
  }
}

TEST(GetProductAndFileVersion, ModulePathOver255CharactersIsNeverCut) {
  // The module's whole path is looked up: a path cut to 255 characters
  // could name another file with another version. Here the cut name is a
  // module of version 3.4.5.0.
  ScratchFolder scratch;
  const std::string base = scratch.path() + "/";
  ASSERT_LT(base.size(), 200u);
  const std::string decoy = base + std::string(255 - base.size(), 'm');
  const std::string real = decoy + "_versioned.so";
  ASSERT_EQ(decoy.size(), 255u);
  std::filesystem::copy_file(MATRIX_TEST_VERSIONED_PROGRAM, decoy);
  std::filesystem::copy_file(MATRIX_TEST_VERSIONED_MODULE, real);
  Loaded fixture(real, "matrix_fixture_answer");
  ASSERT_NE(fixture.module(), nullptr);
  Words w;
  ASSERT_EQ(Read(fixture.module(), w), 1);
  EXPECT_EQ(w.product_ms, 131073u);
  EXPECT_EQ(w.file_ls, 7u);

  // Deeper still: 40 levels of 100 characters, past several doublings.
  std::string deep = scratch.path();
  for (int i = 0; i < 40; ++i) {
    deep += "/" + std::string(100, static_cast<char>('a' + i % 26));
  }
  std::filesystem::create_directories(deep);
  const std::string far = deep + "/versioned.so";
  ASSERT_GT(far.size(), 4000u);
  std::filesystem::copy_file(MATRIX_TEST_VERSIONED_MODULE, far);
  Loaded deep_fixture(far, "matrix_fixture_answer");
  ASSERT_NE(deep_fixture.module(), nullptr);
  Words d;
  EXPECT_EQ(Read(deep_fixture.module(), d), 1);
  EXPECT_EQ(d.file_ms, 131073u);
}

TEST(GetProductAndFileVersion, AModuleLoadedAfreshIsLookedUpByItsNewPath) {
  ScratchFolder scratch;
  const std::string first = scratch / "first.so";
  const std::string second = scratch / "second.so";
  std::filesystem::copy_file(MATRIX_TEST_VERSIONED_MODULE, first);
  std::filesystem::copy_file(MATRIX_TEST_PLAIN_MODULE, second);
  {
    Loaded a(first, "matrix_fixture_answer");
    Words w;
    ASSERT_EQ(Read(a.module(), w), 1);
  }
  // Perhaps at the same address: the plain module has no version.
  Loaded b(second, "matrix_fixture_plain");
  ASSERT_NE(b.module(), nullptr);
  wchar_t name[4096];
  ASSERT_GT(GetModuleFileNameW(b.module(), name, 4096), 0u);
  EXPECT_EQ(std::wstring(name), Wide(second));
  Words w;
  EXPECT_EQ(Read(b.module(), w), 0);
  EXPECT_EQ(w.file_ms, kSentinel);
}

}  // namespace
