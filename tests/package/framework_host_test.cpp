// A host written as framework code is written, linked against the shared
// libraries: it catches the exceptions the library and the platform layer
// throw as pointers and Delete()s them, with plain C++ handlers and with
// the TRY/CATCH macros, tells their kinds apart with IsKindOf, and derives
// an exception class of its own. The sanitizer run's leak check proves
// that every exception is freed exactly once.
#include <afxwin.h>
#include <gtest/gtest.h>
#include <matrix/matrix.h>

#include <climits>
#include <cstdint>

// The shared test helpers see only the public headers, as a host does.
#include "support/afx_testing.h"

namespace {

using namespace matrix::testing;

// The host's own exception, derived from one of the layer's, counting its
// live objects.
int g_alive = 0;

class CHostException : public CUserException {
  DECLARE_DYNAMIC(CHostException)

 public:
  CHostException() { ++g_alive; }
  ~CHostException() override { --g_alive; }
};

IMPLEMENT_DYNAMIC(CHostException, CUserException)

// What each throwing call of the library and the layer throws, and the
// run-time class a host sees.
void FormulaFault() {
  CString text(L"1/0");
  Values values;
  CompileStrV(text, values, 0);
}
void CheckerFault() {
  CString text(L"2+");
  VerifyFormule(text);
}
void ReferenceOutside() {
  CString text(L"#3+1");
  Values values;
  CompileStrV(text, values, 0);
}
void WorkArrayTooLarge() {
  double one = 1, x = 0;
  Holetsky(INT_MAX, &one, &one, &x);
}
void StringIndexOutside() { CString(L"abc").GetAt(7); }
void ArrayTooLarge() {
  Values values;
  values.SetSize(INTPTR_MAX);
}
void Unsupported() { AfxThrowNotSupportedException(); }

struct Thrower {
  const char* what;
  void (*call)();
  CRuntimeClass* kind;
};

const Thrower kThrowers[] = {
    {"formula fault", FormulaFault, RUNTIME_CLASS(CUserException)},
    {"checker fault", CheckerFault, RUNTIME_CLASS(CUserException)},
    {"reference outside", ReferenceOutside,
     RUNTIME_CLASS(CInvalidArgException)},
    {"work array", WorkArrayTooLarge, RUNTIME_CLASS(CMemoryException)},
    {"string index", StringIndexOutside, RUNTIME_CLASS(CInvalidArgException)},
    {"array size", ArrayTooLarge, RUNTIME_CLASS(CMemoryException)},
    {"not supported", Unsupported, RUNTIME_CLASS(CNotSupportedException)},
};

TEST(FrameworkHost, CatchesEveryExceptionAsAPointerAndTellsItsKind) {
  CRuntimeClass* const kinds[] = {
      RUNTIME_CLASS(CUserException), RUNTIME_CLASS(CInvalidArgException),
      RUNTIME_CLASS(CMemoryException), RUNTIME_CLASS(CNotSupportedException)};
  for (const Thrower& t : kThrowers) {
    bool caught = false;
    try {
      t.call();
    } catch (CException* e) {
      caught = true;
      EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CException))) << t.what;
      EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CSimpleException))) << t.what;
      EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CObject))) << t.what;
      EXPECT_EQ(e->GetRuntimeClass(), t.kind) << t.what;
      for (CRuntimeClass* k : kinds) {
        EXPECT_EQ(e->IsKindOf(k), k == t.kind)
            << t.what << " " << k->m_lpszClassName;
      }
      e->Delete();
    }
    EXPECT_TRUE(caught) << t.what;
  }
}

TEST(FrameworkHost, TryCatchMacrosPickTheFirstMatchingHandler) {
  for (const Thrower& t : kThrowers) {
    int handler = 0;
    TRY { t.call(); }
    CATCH(CUserException, e) {
      handler = 1;
      EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CUserException)));
    }
    AND_CATCH(CInvalidArgException, e) {
      handler = 2;
      EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CInvalidArgException)));
    }
    AND_CATCH(CMemoryException, e) {
      handler = 3;
      EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CMemoryException)));
    }
    AND_CATCH(CException, e) {
      handler = 4;
      EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CNotSupportedException)));
    }
    END_CATCH
    const int expected = t.kind == RUNTIME_CLASS(CUserException)         ? 1
                         : t.kind == RUNTIME_CLASS(CInvalidArgException) ? 2
                         : t.kind == RUNTIME_CLASS(CMemoryException)     ? 3
                                                                         : 4;
    EXPECT_EQ(handler, expected) << t.what;
  }
}

TEST(FrameworkHost, CatchAllTakesEveryFrameworkException) {
  int caught = 0;
  for (const Thrower& t : kThrowers) {
    TRY { t.call(); }
    CATCH_ALL(e) {
      ++caught;
      EXPECT_EQ(e->GetRuntimeClass(), t.kind);
    }
    END_CATCH_ALL
  }
  EXPECT_EQ(caught, static_cast<int>(std::size(kThrowers)));

  bool all = false;
  TRY { FormulaFault(); }
  CATCH(CInvalidArgException, e) { ADD_FAILURE() << "wrong handler"; }
  AND_CATCH_ALL(e) { all = e->IsKindOf(RUNTIME_CLASS(CUserException)); }
  END_CATCH_ALL
  EXPECT_TRUE(all);
}

TEST(FrameworkHost, ThrowLastPassesTheSameObjectOnAndItIsFreedOnce) {
  CException* inner = nullptr;
  CException* outer = nullptr;
  TRY{TRY{THROW(new CHostException);
}
CATCH(CHostException, e) {
  inner = e;
  THROW_LAST();
}
END_CATCH
}  // namespace
CATCH(CUserException, e) {
  outer = e;
  EXPECT_EQ(g_alive, 1);
}
END_CATCH
EXPECT_NE(inner, nullptr);
EXPECT_EQ(inner, outer);
EXPECT_EQ(g_alive, 0);
}

TEST(FrameworkHost, AHandlerThatThrowsAnotherExceptionFreesTheFirst) {
  bool second = false;
  TRY{TRY{THROW(new CHostException);
}
CATCH(CHostException, e) {
  EXPECT_EQ(g_alive, 1);
  CString text(L"#9");
  Values values;
  CompileStrV(text, values, 0);  // throws CInvalidArgException
}
END_CATCH
}
CATCH(CInvalidArgException, e) {
  second = true;
  EXPECT_EQ(g_alive, 0);
}
END_CATCH
EXPECT_TRUE(second);
EXPECT_EQ(g_alive, 0);
}

TEST(FrameworkHost, HostExceptionClassesJoinTheLayersTree) {
  try {
    throw new CHostException;
  } catch (CUserException* e) {
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CHostException)));
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CUserException)));
    EXPECT_FALSE(e->IsKindOf(RUNTIME_CLASS(CMemoryException)));
    EXPECT_STREQ(e->GetRuntimeClass()->m_lpszClassName, "CHostException");
    EXPECT_EQ(DYNAMIC_DOWNCAST(CHostException, e), e);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CMemoryException, e), nullptr);
    e->Delete();
  }
  EXPECT_EQ(g_alive, 0);
  EXPECT_TRUE(
      RUNTIME_CLASS(CHostException)->IsDerivedFrom(RUNTIME_CLASS(CException)));
  EXPECT_FALSE(
      RUNTIME_CLASS(CException)->IsDerivedFrom(RUNTIME_CLASS(CHostException)));
}

TEST(FrameworkHost, TheMemoryExceptionIsOneObjectThatDeleteDoesNotFree) {
  CException* first = nullptr;
  CException* second = nullptr;
  try {
    WorkArrayTooLarge();
  } catch (CMemoryException* e) {
    first = e;
    EXPECT_FALSE(e->m_bAutoDelete);
    e->Delete();
  }
  try {
    AfxThrowMemoryException();
  } catch (CMemoryException* e) {
    second = e;
    e->Delete();
  }
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  // Still there after Delete(): the sanitizer run would report a use after
  // free otherwise.
  EXPECT_TRUE(first->IsKindOf(RUNTIME_CLASS(CMemoryException)));
}

TEST(FrameworkHost, ErrorTextsAndReportsAsTheLayerHasThem) {
  for (const Thrower& t : kThrowers) {
    try {
      t.call();
    } catch (CException* e) {
      TCHAR text[64] = L"stale";
      UINT help = 99;
      EXPECT_FALSE(e->GetErrorMessage(text, 64, &help)) << t.what;
      EXPECT_EQ(text[0], L'\0');
      EXPECT_EQ(help, 0u);
      EXPECT_FALSE(e->GetErrorMessage(text, 64));
      EXPECT_EQ(e->ReportError(), IDOK);
      EXPECT_EQ(e->ReportError(MB_OK, 170), IDOK);
      e->Delete();
    }
  }
}

TEST(FrameworkHost, TheValueClassHasItsRunTimeClass) {
  CDoubleData d(2.5);
  CObject* object = &d;
  EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CDoubleData)));
  EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(object->IsKindOf(RUNTIME_CLASS(CException)));
  EXPECT_STREQ(object->GetRuntimeClass()->m_lpszClassName, "CDoubleData");
  EXPECT_EQ(RUNTIME_CLASS(CDoubleData)->m_pBaseClass, RUNTIME_CLASS(CObject));
  EXPECT_EQ(RUNTIME_CLASS(CDoubleData)->CreateObject(), nullptr);
  EXPECT_EQ(DYNAMIC_DOWNCAST(CDoubleData, object), &d);
}

}  // namespace
