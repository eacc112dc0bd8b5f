// The library seen from a host: a separate executable linked against the
// shared libraries, as a host program is. It catches what they throw by
// type (as pointers, as the framework throws them), which fails to link or
// to match when the exception classes are not exported, and checks that
// messages come from the library's own module.
#include <afxwin.h>
#include <gtest/gtest.h>
#include <matrix/matrix.h>

namespace {

using Values = CArray<double, double const&>;

// True when `thrower` throws a pointer that a handler for Caught* takes;
// whatever it throws is Delete()d.
template <class Caught>
bool Catches(void (*thrower)()) {
  try {
    try {
      thrower();
    } catch (Caught* e) {
      e->Delete();
      return true;
    }
  } catch (CException* e) {
    e->Delete();
  }
  return false;
}

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

}  // namespace
