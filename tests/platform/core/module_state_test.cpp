// Module state: module handles as load addresses, the instance and resource
// handles, string tables looked up by (module, id, language), the loaders
// that go through the current resource handle, the application object's
// start-up, and the exceptions that AfxThrow* throw.
#include <afxwin.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <ostream>
#include <string>

#include "support/afx_testing.h"

namespace {

using namespace matrix::testing;

// Stand-in modules for our own tables: never the program's handle, whose
// table the library registers at start-up.
const HINSTANCE kModuleA = reinterpret_cast<HINSTANCE>(0x1000);
const HINSTANCE kModuleB = reinterpret_cast<HINSTANCE>(0x2000);
constexpr WORD kRussian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
constexpr WORD kEnglish = MAKELANGID(0x09, SUBLANG_DEFAULT);
constexpr WORD kGerman = MAKELANGID(0x07, SUBLANG_DEFAULT);

int g_object_in_program = 0;

// The load address of the main program (name_part nullptr) or of the first
// loaded object whose path holds name_part, from the program headers: the
// page of the lowest loadable segment.
std::uintptr_t LoadAddress(const char* name_part) {
  struct Query {
    const char* name_part;
    std::uintptr_t found;
  } query{name_part, 0};
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        auto* q = static_cast<Query*>(data);
        // The program comes first; a library is found by its path.
        if (q->name_part && !std::strstr(info->dlpi_name, q->name_part)) {
          return 0;
        }
        std::uintptr_t lowest = UINTPTR_MAX;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const auto& ph = info->dlpi_phdr[i];
          if (ph.p_type == PT_LOAD && ph.p_vaddr < lowest) lowest = ph.p_vaddr;
        }
        q->found = (info->dlpi_addr + lowest) & ~std::uintptr_t{0xFFF};
        return 1;
      },
      &query);
  return query.found;
}

std::uintptr_t Address(HINSTANCE h) {
  return reinterpret_cast<std::uintptr_t>(h);
}

// Restores the resource handle however the test ends.
class ResourceHandleGuard {
 public:
  ResourceHandleGuard() : saved_(AfxGetResourceHandle()) {}
  ~ResourceHandleGuard() { AfxSetResourceHandle(saved_); }

 private:
  HINSTANCE saved_;
};

TEST(ModuleHandle, IsTheLoadAddressOfTheHoldingModule) {
  const HINSTANCE program = AfxGetInstanceHandle();
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(Address(program), LoadAddress(nullptr));
  EXPECT_EQ(AfxModuleHandleOf(&g_object_in_program), program);
  EXPECT_EQ(AfxModuleHandleOf(reinterpret_cast<const void*>(&LoadAddress)),
            program);
  // The name in CObject's run-time class record is a literal of the
  // platform library (the record itself may be copied into the program).
  const HINSTANCE platform =
      AfxModuleHandleOf(RUNTIME_CLASS(CObject)->m_lpszClassName);
  ASSERT_NE(platform, nullptr);
  EXPECT_NE(platform, program);
  EXPECT_EQ(Address(platform), LoadAddress("libmatrix-platform"));
  EXPECT_EQ(std::memcmp(program, ELFMAG, SELFMAG), 0);
  EXPECT_EQ(std::memcmp(platform, ELFMAG, SELFMAG), 0);
}

TEST(ModuleHandle, IsNullOutsideEveryModule) {
  int on_the_stack = 0;
  EXPECT_EQ(AfxModuleHandleOf(nullptr), nullptr);
  EXPECT_EQ(AfxModuleHandleOf(&on_the_stack), nullptr);
}

TEST(ResourceHandle, StartsAtTheProgramAndIsSwitched) {
  ResourceHandleGuard guard;
  EXPECT_EQ(AfxGetResourceHandle(), AfxGetInstanceHandle());
  const HINSTANCE program = AfxGetInstanceHandle();
  AfxSetResourceHandle(kModuleA);
  EXPECT_EQ(AfxGetResourceHandle(), kModuleA);
  EXPECT_EQ(AfxGetInstanceHandle(), program);  // the instance stays
}

class StringTable : public ::testing::Test {
 protected:
  void TearDown() override {
    AfxUnregisterStringTable(kModuleA);
    AfxUnregisterStringTable(kModuleB);
  }
  template <std::size_t N>
  static void Register(HINSTANCE module, WORD language,
                       const AFX_STRING_RESOURCE (&table)[N]) {
    AfxRegisterStringTable(module, language, table, N);
  }
  ResourceHandleGuard guard_;
};

TEST_F(StringTable, IsFoundByModuleAndIdUntilUnregistered) {
  Register(kModuleA, kRussian, {{1, L"один"}, {2, L"два"}});
  CString text(L"stale");
  EXPECT_TRUE(AfxLoadStringResource(kModuleA, 2, 0, text));
  EXPECT_EQ(text, L"два");
  text = L"stale";
  EXPECT_FALSE(AfxLoadStringResource(kModuleA, 3, 0, text));
  EXPECT_TRUE(text.IsEmpty());  // a failed load leaves the text empty
  text = L"stale";
  EXPECT_FALSE(AfxLoadStringResource(kModuleB, 1, 0, text));
  EXPECT_TRUE(text.IsEmpty());
  AfxUnregisterStringTable(kModuleB);  // has none: changes nothing
  EXPECT_TRUE(AfxLoadStringResource(kModuleA, 1, 0, text));
  AfxUnregisterStringTable(kModuleA);
  EXPECT_FALSE(AfxLoadStringResource(kModuleA, 1, 0, text));
  EXPECT_FALSE(AfxLoadStringResource(kModuleA, 2, kRussian, text));
}

TEST_F(StringTable, LanguageSelectsTheTableAndZeroTakesTheFirstHolder) {
  Register(kModuleA, kRussian, {{1, L"да"}, {2, L"только русский"}});
  Register(kModuleA, kEnglish, {{1, L"yes"}, {3, L"English only"}});
  const struct {
    UINT id;
    WORD language;
    const wchar_t* want;  // nullptr: not found
  } cases[] = {{1, 0, L"да"},          {1, kRussian, L"да"},
               {1, kEnglish, L"yes"},  {2, 0, L"только русский"},
               {2, kEnglish, nullptr}, {3, 0, L"English only"},
               {3, kRussian, nullptr}, {1, kGerman, nullptr}};
  for (const auto& c : cases) {
    CString text;
    EXPECT_EQ(AfxLoadStringResource(kModuleA, c.id, c.language, text),
              c.want ? TRUE : FALSE)
        << c.id << "/" << c.language;
    EXPECT_EQ(text, c.want ? c.want : L"");
  }
  AfxUnregisterStringTable(kModuleA);  // every table of the module goes
  CString text;
  EXPECT_FALSE(AfxLoadStringResource(kModuleA, 3, kEnglish, text));
}

TEST_F(StringTable, IsCopiedWhenRegistered) {
  wchar_t buffer[] = L"before";
  AFX_STRING_RESOURCE table[] = {{5, buffer}, {6, nullptr}};
  Register(kModuleA, kRussian, table);
  buffer[0] = L'X';
  table[0].id = 99;
  CString text;
  EXPECT_TRUE(AfxLoadStringResource(kModuleA, 5, 0, text));
  EXPECT_EQ(text, L"before");
  EXPECT_FALSE(AfxLoadStringResource(kModuleA, 99, 0, text));
  EXPECT_TRUE(AfxLoadStringResource(kModuleA, 6, 0, text));  // a null text
  EXPECT_TRUE(text.IsEmpty());
  AfxRegisterStringTable(kModuleB, kRussian, nullptr, 0);
  EXPECT_FALSE(AfxLoadStringResource(kModuleB, 5, 0, text));
}

TEST_F(StringTable, LoadersReadTheCurrentResourceModule) {
  Register(kModuleA, kRussian, {{7, L"из A"}});
  Register(kModuleB, kRussian, {{7, L"из B"}, {8, L"только B"}});
  CString own, managed;
  AfxSetResourceHandle(kModuleA);
  EXPECT_TRUE(own.LoadString(7));
  EXPECT_EQ(own, L"из A");
  EXPECT_TRUE(g_ResourceManager->LoadString(managed, 7));
  EXPECT_EQ(managed, L"из A");
  EXPECT_FALSE(own.LoadString(8));
  EXPECT_TRUE(own.IsEmpty());
  EXPECT_FALSE(g_ResourceManager->LoadString(managed, 8, 0, 0));
  EXPECT_TRUE(managed.IsEmpty());
  AfxSetResourceHandle(kModuleB);
  EXPECT_TRUE(own.LoadString(8));
  EXPECT_EQ(own, L"только B");
  EXPECT_TRUE(g_ResourceManager->LoadString(managed, 7, kRussian));
  EXPECT_EQ(managed, L"из B");
  EXPECT_FALSE(g_ResourceManager->LoadString(managed, 7, kEnglish));
  EXPECT_TRUE(managed.IsEmpty());
}

class CountingApp : public CWinApp {
 public:
  CountingApp() : CWinApp(L"counting") {}
  BOOL InitInstance() override {
    ++init_calls;
    return init_result;
  }
  int ExitInstance() override { return 7; }
  int init_calls = 0;
  BOOL init_result = TRUE;
};

CountingApp g_counting_app;  // at namespace scope, as a library's own
CWinApp g_plain_app;

TEST(CWinApp, InitModuleRecordsTheHoldingModuleAndRunsTheHooks) {
  EXPECT_STREQ(g_counting_app.m_pszAppName, L"counting");
  g_counting_app.m_hInstance = nullptr;
  g_counting_app.init_calls = 0;
  g_counting_app.init_result = TRUE;
  EXPECT_EQ(AfxInitModule(g_counting_app), TRUE);
  EXPECT_EQ(g_counting_app.m_hInstance, AfxGetInstanceHandle());
  g_counting_app.init_result = FALSE;
  EXPECT_EQ(AfxInitModule(g_counting_app), FALSE);
  EXPECT_EQ(g_counting_app.init_calls, 2);
  EXPECT_EQ(AfxTermModule(g_counting_app), 7);

  EXPECT_EQ(g_plain_app.m_pszAppName, nullptr);
  EXPECT_EQ(AfxInitModule(g_plain_app), TRUE);
  EXPECT_EQ(g_plain_app.m_hInstance, AfxGetInstanceHandle());
  EXPECT_EQ(AfxTermModule(g_plain_app), 0);
}

TEST(AfxThrow, ThrowsAPointerToItsOwnTypeCaughtAsAPointerToABase) {
  const struct {
    void (*thrower)();
    bool user, invalid, memory, unsupported;
  } cases[] = {{AfxThrowUserException, true, false, false, false},
               {AfxThrowInvalidArgException, false, true, false, false},
               {AfxThrowMemoryException, false, false, true, false},
               {AfxThrowNotSupportedException, false, false, false, true}};
  for (const auto& c : cases) {
    EXPECT_EQ(Catches<CUserException>(c.thrower), c.user);
    EXPECT_EQ(Catches<CInvalidArgException>(c.thrower), c.invalid);
    EXPECT_EQ(Catches<CMemoryException>(c.thrower), c.memory);
    EXPECT_EQ(Catches<CNotSupportedException>(c.thrower), c.unsupported);
    EXPECT_TRUE(Catches<CSimpleException>(c.thrower));
    EXPECT_TRUE(Catches<CException>(c.thrower));
    EXPECT_TRUE(Catches<CObject>(c.thrower));
  }
}

}  // namespace
