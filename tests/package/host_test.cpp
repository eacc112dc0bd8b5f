// The library seen from a host: a separate executable linked against the
// shared libraries, as a host program is. It catches what they throw by
// type (as pointers, as the framework throws them), which fails to link or
// to match when the exception classes are not exported, and checks that
// messages come from the library's own module.
#include <afxwin.h>
#include <gtest/gtest.h>
#include <matrix/matrix.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

// The shared test helpers see only the public headers, as a host does.
#include "support/afx_testing.h"

namespace {

using namespace matrix::testing;

void FormulaFault() {
  CString text(L"1/0");
  Values values;
  CompileStrV(text, values, 0);
}

void ReferenceOutside() {
  CString text(L"#3+1");
  Values values;
  CompileStrV(text, values, 0);
}

TEST(Host, CatchesEachExceptionByType) {
  EXPECT_TRUE(Catches<CUserException>(FormulaFault));
  EXPECT_TRUE(Catches<CException>(FormulaFault));
  EXPECT_FALSE(Catches<CInvalidArgException>(FormulaFault));
  EXPECT_TRUE(Catches<CInvalidArgException>(ReferenceOutside));
  EXPECT_FALSE(Catches<CUserException>(ReferenceOutside));
  EXPECT_TRUE(Catches<CUserException>(AfxThrowUserException));
  EXPECT_TRUE(Catches<CInvalidArgException>(AfxThrowInvalidArgException));
  EXPECT_TRUE(Catches<CMemoryException>(AfxThrowMemoryException));
  EXPECT_TRUE(Catches<CException>(AfxThrowMemoryException));
}

TEST(Host, MessagesComeFromTheLibraryModuleAndTheHandleIsRestored) {
  const HINSTANCE host = AfxGetInstanceHandle();
  const HINSTANCE library =
      AfxModuleHandleOf(reinterpret_cast<const void*>(&GetLastErrorM));
  ASSERT_NE(host, nullptr);
  ASSERT_NE(library, nullptr);
  EXPECT_NE(host, library);
  EXPECT_EQ(AfxGetResourceHandle(), host);

  CString message;
  EXPECT_FALSE(AfxLoadStringResource(host, 170, 0, message));
  EXPECT_TRUE(AfxLoadStringResource(library, 170, 0, message));
  EXPECT_TRUE(AfxLoadStringResource(
      library, 170, MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), message));

  EXPECT_TRUE(Catches<CUserException>(FormulaFault));
  EXPECT_EQ(AfxGetResourceHandle(), host);
  CString last;
  GetLastErrorM(last);
  EXPECT_EQ(last, message);
}

TEST(Host, EvaluatesAndClearsTheValueArray) {
  CString text(L"#0+#1*2");
  Values values;
  values.Add(1.5);
  values.Add(4);
  EXPECT_EQ(CompileStrV(text, values, 1), 9.5);
  EXPECT_EQ(values.GetSize(), 0);
  CString last(L"stale");
  GetLastErrorM(last);
  EXPECT_TRUE(last.IsEmpty());
}

TEST(Host, UsesTheExportedValueClass) {
  CDoubleData a(1.0);
  CDoubleData b(2.0);
  a + b;
  EXPECT_EQ(a.Data(), 3.0);
  CObject* base = &a;
  EXPECT_NE(dynamic_cast<CDoubleData*>(base), nullptr);
  EXPECT_EQ(a == a, 1);
  EXPECT_EQ(a == b, 0);
}

// ---- Files and versions
// ------------------------------------------------------

// A host finds the library by its file name, as it would find a DLL, and
// reads its version through that handle.
TEST(Host, TheLibraryFoundByItsFileNameCarriesTheProjectVersion) {
  const std::wstring name =
      L"libmatrix.so." + std::to_wstring(MATRIX_TEST_VERSION_MAJOR);
  const HMODULE library = GetModuleHandleW(name.c_str());
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(library,
            AfxModuleHandleOf(reinterpret_cast<const void*>(&OpenTempFile)));
  DWORD product_ms = 0, product_ls = 0, file_ms = 0, file_ls = 0;
  ASSERT_EQ(GetProductAndFileVersion(library, product_ms, product_ls, file_ms,
                                     file_ls),
            1);
  EXPECT_EQ(product_ms,
            (MATRIX_TEST_VERSION_MAJOR << 16) | MATRIX_TEST_VERSION_MINOR);
  EXPECT_EQ(product_ls, MATRIX_TEST_VERSION_PATCH << 16);
  EXPECT_EQ(file_ms, product_ms);
  EXPECT_EQ(file_ls, product_ls);
}

// The library's own application object is not the host's: AfxGetApp gives
// the host program's.
TEST(Host, AfxGetAppIsTheHostsApplicationObject) {
  EXPECT_EQ(AfxGetApp(), nullptr);  // this host has made none
  {
    CWinApp host(L"Host");
    EXPECT_EQ(AfxGetApp(), &host);
  }
  EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST(Host, OpensANumberedFileInItsOwnFileObject) {
  std::string folder =
      (std::filesystem::temp_directory_path() / "matrix-host-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  setenv("MATRIX_COMMON_APPDATA", folder.c_str(), 1);
  {
    CIntFileA file;
    ASSERT_EQ(OpenTempFile(file, L"", L"host.log"), 1);
    EXPECT_TRUE(file.IsOpen());
  }
  EXPECT_TRUE(std::filesystem::exists(folder + "/ZELMAR/host0.log"));
  unsetenv("MATRIX_COMMON_APPDATA");
  std::filesystem::remove_all(folder);
}

}  // namespace
