// The exception classes, the run-time class records and the handler chain
// of the TRY macros, inside one module: what Delete() frees, what the
// message functions write, and that the chain stays in step whatever
// leaves a TRY block.
#include <afx.h>
#include <gtest/gtest.h>

#include "support/afx_testing.h"

namespace {

TEST(Exception, DeleteFreesOnlyWhatWasMadeWithNew) {
  // On the stack, as the framework allows with auto-delete off: Delete()
  // must leave it alone (the sanitizer run would report a bad free).
  CUserException on_stack(FALSE);
  on_stack.Delete();
  EXPECT_TRUE(on_stack.IsKindOf(RUNTIME_CLASS(CUserException)));
  CException* on_heap = new CInvalidArgException;
  EXPECT_TRUE(on_heap->m_bAutoDelete);
  on_heap->Delete();  // the leak check fails when this frees nothing
}

TEST(Exception, GetErrorMessageWritesAnEmptyTextWithinTheBuffer) {
  CNotSupportedException e(FALSE);
  TCHAR text[4] = {L'x', L'x', L'x', L'x'};
  UINT help = 7;
  EXPECT_FALSE(e.GetErrorMessage(text, 4, &help));
  EXPECT_EQ(text[0], L'\0');
  EXPECT_EQ(text[1], L'x');
  EXPECT_EQ(help, 0u);
  // No room, or no buffer at all: nothing is written.
  text[0] = L'x';
  EXPECT_FALSE(e.GetErrorMessage(text, 0));
  EXPECT_EQ(text[0], L'x');
  EXPECT_FALSE(e.GetErrorMessage(nullptr, 10));
  EXPECT_EQ(e.ReportError(), IDOK);
}

// A host exception that has a message, overriding the const form only; the
// non-const form, which a call through a non-const pointer picks, reaches
// it.
class CWithMessage : public CUserException {
 public:
  using CUserException::GetErrorMessage;
  BOOL GetErrorMessage(LPTSTR error, UINT max_error,
                       PUINT help_context = nullptr) const override {
    if (help_context != nullptr) *help_context = 5;
    if (max_error < 3) return FALSE;
    error[0] = L'o';
    error[1] = L'k';
    error[2] = L'\0';
    return TRUE;
  }
};

TEST(Exception, EitherFormOfGetErrorMessageReachesAnOverride) {
  CWithMessage e;
  CException* mutable_e = &e;
  const CException* const_e = &e;
  TCHAR text[8] = {};
  UINT help = 0;
  EXPECT_TRUE(mutable_e->GetErrorMessage(text, 8, &help));
  EXPECT_STREQ(text, L"ok");
  EXPECT_EQ(help, 5u);
  text[0] = 0;
  EXPECT_TRUE(const_e->GetErrorMessage(text, 8));
  EXPECT_STREQ(text, L"ok");
}

TEST(RuntimeClass, WalksTheBaseChain) {
  const struct {
    CRuntimeClass* cls;
    CRuntimeClass* base;
    BOOL derived;
  } cases[] = {
      {RUNTIME_CLASS(CUserException), RUNTIME_CLASS(CUserException), TRUE},
      {RUNTIME_CLASS(CUserException), RUNTIME_CLASS(CSimpleException), TRUE},
      {RUNTIME_CLASS(CUserException), RUNTIME_CLASS(CException), TRUE},
      {RUNTIME_CLASS(CUserException), RUNTIME_CLASS(CObject), TRUE},
      {RUNTIME_CLASS(CException), RUNTIME_CLASS(CUserException), FALSE},
      {RUNTIME_CLASS(CMemoryException), RUNTIME_CLASS(CUserException), FALSE},
      {RUNTIME_CLASS(CObject), RUNTIME_CLASS(CObject), TRUE},
      {RUNTIME_CLASS(CObject), nullptr, FALSE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.cls->IsDerivedFrom(c.base), c.derived)
        << c.cls->m_lpszClassName;
  }
  EXPECT_EQ(RUNTIME_CLASS(CObject)->m_pBaseClass, nullptr);
  EXPECT_STREQ(RUNTIME_CLASS(CInvalidArgException)->m_lpszClassName,
               "CInvalidArgException");
  EXPECT_EQ(RUNTIME_CLASS(CMemoryException)->m_nObjectSize,
            static_cast<int>(sizeof(CMemoryException)));
  EXPECT_EQ(RUNTIME_CLASS(CUserException)->CreateObject(), nullptr);
  EXPECT_EQ(DYNAMIC_DOWNCAST(CUserException, static_cast<CObject*>(nullptr)),
            nullptr);
}

TEST(TryMacros, ExceptionsOfOtherTypesPassThroughAndTheChainUnwinds) {
  // An int is no framework exception: it leaves the TRY block untouched,
  // and the link of that block is gone afterwards, so that THROW_LAST in
  // the outer handler still keeps the outer exception alive.
  bool passed_on = false;
  try {
    TRY { throw 5; }
    CATCH(CException, e) { ADD_FAILURE() << "took an int"; }
    END_CATCH
  } catch (int five) {
    passed_on = five == 5;
  }
  EXPECT_TRUE(passed_on);

  bool kept = false;
  TRY{TRY{AfxThrowUserException();
}
CATCH(CUserException, e) {
  TRY { AfxThrowInvalidArgException(); }
  CATCH(CInvalidArgException, inner) {}
  END_CATCH
  THROW_LAST();
}
END_CATCH
}  // namespace
CATCH(CUserException, e) { kept = e->IsKindOf(RUNTIME_CLASS(CUserException)); }
END_CATCH
EXPECT_TRUE(kept);
}

TEST(TryMacros, CleanupWithoutATryBlockDoesNothing) {
  AfxTryCleanup();
  AfxThrowLastCleanup();
  EXPECT_AFX_THROW(AfxThrowNotSupportedException(), CNotSupportedException);
}

}  // namespace
