// Passing an exception on after a clean-up: the handled exception travels
// when the clean-up succeeds; when the clean-up throws, its exception
// travels and the handled framework exception is freed, not leaked.
#include "frame/rethrow.h"

#include <afx.h>
#include <gtest/gtest.h>

#include "support/afx_testing.h"

namespace {

int g_alive = 0;

class CCountedException : public CUserException {
 public:
  CCountedException() { ++g_alive; }
  ~CCountedException() override { --g_alive; }
};

void HandleThenCleanUp(void (*thrower)(), void (*cleanup)()) {
  try {
    thrower();
  } catch (...) {
    matrix::detail::CleanUpAndRethrow(cleanup);
  }
}

void ThrowCounted() { throw new CCountedException; }
void ThrowInt() { throw 3; }
void Nothing() {}

TEST(Rethrow, HandledExceptionTravelsWhenTheCleanUpSucceeds) {
  EXPECT_AFX_THROW(HandleThenCleanUp(ThrowCounted, Nothing), CUserException);
  EXPECT_EQ(g_alive, 0);
  EXPECT_THROW(HandleThenCleanUp(ThrowInt, Nothing), int);
}

TEST(Rethrow, AFrameworkExceptionLostToAFailingCleanUpIsFreed) {
  EXPECT_AFX_THROW(HandleThenCleanUp(ThrowCounted, AfxThrowMemoryException),
                   CMemoryException);
  EXPECT_EQ(g_alive, 0);
  EXPECT_AFX_THROW(HandleThenCleanUp(ThrowInt, AfxThrowInvalidArgException),
                   CInvalidArgException);
}

}  // namespace
