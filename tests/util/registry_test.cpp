// RegDeleteKeyWithSubkey, RegCopyKeyWithSubkey and GetControlPanelProp,
// rule by rule, over the platform's registry store.
#include <gtest/gtest.h>
#include <matrix/util.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/registry_testing.h"

namespace {

using namespace matrix::testing;

// A whole subtree as text: one line per key (path and class) and per value
// (path, name, type, bytes in hex), in enumeration order.
void Describe(HKEY key, const std::wstring& path, std::wstring* out) {
  WCHAR cls[300];
  DWORD length = 300;
  RegQueryInfoKeyW(key, cls, &length, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr);
  *out += L"[" + path + L"] " + std::wstring(cls, length) + L"\n";
  for (const auto& name : ValueNames(key)) {
    auto v = ReadValue(key, name.c_str());
    *out += L"  " + name + L" " + std::to_wstring(v.type) + L" ";
    for (BYTE b : v.bytes) {
      static const wchar_t kHex[] = L"0123456789abcdef";
      *out += kHex[b >> 4];
      *out += kHex[b & 15];
    }
    *out += L"\n";
  }
  for (const auto& name : SubkeyNames(key)) {
    HKEY sub = nullptr;
    RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &sub);
    Describe(sub, path + L"\\" + name, out);
    RegCloseKey(sub);
  }
}
std::wstring Describe(HKEY key) {
  std::wstring out;
  Describe(key, L"", &out);
  return out;
}

// A small tree: classes, several types, three levels.
void Populate(HKEY root) {
  SetString(root, L"title", L"Трубопровод");
  SetDword(root, L"count", 7);
  HKEY a = MakeKey(root, L"a", L"ClassA");
  SetString(a, nullptr, L"default", REG_EXPAND_SZ);
  const BYTE bin[] = {0, 1, 2, 254, 255};
  RegSetValueExW(a, L"bin", 0, REG_BINARY, bin, sizeof bin);
  HKEY ab = MakeKey(a, L"b\\c", L"Deep");
  SetDword(ab, L"leaf", 42);
  RegCloseKey(ab);
  RegCloseKey(a);
  RegCloseKey(MakeKey(root, L"empty"));
}

DWORD Subkeys(HKEY key) {
  DWORD n = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &n, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr);
  return n;
}

// Runs `body` on a thread whose whole stack is 128 KiB.
void OnSmallStack(const std::function<void()>& body) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 128 * 1024);
  pthread_t thread;
  auto* task = new std::function<void()>(body);
  ASSERT_EQ(pthread_create(
                &thread, &attr,
                [](void* p) -> void* {
                  auto* f = static_cast<std::function<void()>*>(p);
                  (*f)();
                  delete f;
                  return nullptr;
                },
                task),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

// A chain of `levels` keys named "n" below `key`.
void MakeChain(HKEY key, int levels) {
  std::wstring chunk;
  for (int i = 0; i < 32; ++i) chunk += L"n\\";
  HKEY current = nullptr;
  RegOpenKeyExW(key, L"", 0, KEY_ALL_ACCESS, &current);
  for (int done = 0; done < levels;) {
    const int step = std::min(32, levels - done);
    HKEY next = nullptr;
    RegCreateKeyExW(current,
                    chunk.substr(0, 2 * static_cast<size_t>(step)).c_str(), 0,
                    nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr);
    SetDword(next, L"depth", static_cast<DWORD>(done + step));
    RegCloseKey(current);
    current = next;
    done += step;
  }
  RegCloseKey(current);
}

int ChainLength(HKEY key) {
  int n = 0;
  HKEY current = nullptr;
  RegOpenKeyExW(key, L"", 0, KEY_READ, &current);
  for (;;) {
    HKEY next = nullptr;
    if (RegOpenKeyExW(current, L"n", 0, KEY_READ, &next) != ERROR_SUCCESS)
      break;
    RegCloseKey(current);
    current = next;
    ++n;
  }
  RegCloseKey(current);
  return n;
}

// ---- RegDeleteKeyWithSubkey -----------------------------------------------

TEST(RegDeleteKeyWithSubkey, KeyWithoutSubkeysIsLeftAsItWas) {
  ScratchKey root;
  SetDword(root.get(), L"v", 1);
  SetString(root.get(), L"s", L"text");
  const std::wstring before = Describe(root.get());
  EXPECT_EQ(RegDeleteKeyWithSubkey(root.get()), ERROR_SUCCESS);
  EXPECT_EQ(Describe(root.get()), before);
}

TEST(RegDeleteKeyWithSubkey, RemovesTheWholeSubtreeAndKeepsTheKeysValues) {
  ScratchKey root;
  Populate(root.get());
  EXPECT_EQ(RegDeleteKeyWithSubkey(root.get()), ERROR_SUCCESS);
  EXPECT_EQ(Subkeys(root.get()), 0u);
  EXPECT_EQ(ValueNames(root.get()),
            (std::vector<std::wstring>{L"title", L"count"}));
  HKEY gone = nullptr;
  EXPECT_EQ(RegOpenKeyExW(root.get(), L"a\\b\\c", 0, KEY_READ, &gone),
            ERROR_FILE_NOT_FOUND);
}

TEST(RegDeleteKeyWithSubkey, ReportsTheFirstFailureAndClosesItsHandles) {
  ScratchKey root;
  Populate(root.get());
  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyExW(root.get(), L"", 0, KEY_QUERY_VALUE, &reader),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyWithSubkey(reader),
            ERROR_ACCESS_DENIED);  // cannot enumerate
  RegCloseKey(reader);
  EXPECT_EQ(RegDeleteKeyWithSubkey(reader), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Subkeys(root.get()), 2u);
}

TEST(RegDeleteKeyWithSubkey, WalksFiveHundredLevelsOnASmallStack) {
  ScratchKey root;
  HKEY top = MakeKey(root.get(), L"top");
  MakeChain(top, 500);
  ASSERT_EQ(ChainLength(top), 500);
  LONG rc = -1;
  OnSmallStack([&] { rc = RegDeleteKeyWithSubkey(top); });
  EXPECT_EQ(rc, ERROR_SUCCESS);
  EXPECT_EQ(ChainLength(top), 0);
  RegCloseKey(top);
}

// ---- RegCopyKeyWithSubkey --------------------------------------------------

TEST(RegCopyKeyWithSubkey, CopiesKeysClassesAndValuesExactly) {
  ScratchKey source, destination;
  Populate(source.get());
  ASSERT_EQ(RegCopyKeyWithSubkey(source.get(), destination.get()),
            ERROR_SUCCESS);
  EXPECT_EQ(Describe(destination.get()), Describe(source.get()));
  // Twice is the same as once.
  ASSERT_EQ(RegCopyKeyWithSubkey(source.get(), destination.get()),
            ERROR_SUCCESS);
  EXPECT_EQ(Describe(destination.get()), Describe(source.get()));
}

TEST(RegCopyKeyWithSubkey, MergesIntoWhatIsThere) {
  ScratchKey source, destination;
  Populate(source.get());
  SetDword(destination.get(), L"count", 1);  // overwritten
  SetDword(destination.get(), L"own", 2);    // kept
  HKEY extra = MakeKey(destination.get(), L"a\\mine");
  RegCloseKey(extra);
  ASSERT_EQ(RegCopyKeyWithSubkey(source.get(), destination.get()),
            ERROR_SUCCESS);
  DWORD count = 0;
  auto v = ReadValue(destination.get(), L"count");
  std::memcpy(&count, v.bytes.data(), sizeof count);
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(ReadValue(destination.get(), L"own").status, ERROR_SUCCESS);
  HKEY a = nullptr;
  RegOpenKeyExW(destination.get(), L"a", 0, KEY_READ, &a);
  EXPECT_EQ(SubkeyNames(a), (std::vector<std::wstring>{L"b", L"mine"}));
  RegCloseKey(a);
}

TEST(RegCopyKeyWithSubkey, CopiesOneMebibyteAndStopsOneByteBeyond) {
  ScratchKey source, destination;
  std::vector<BYTE> exact(1048576, 0x5A), over(1048577, 0xA5);
  RegSetValueExW(source.get(), L"first", 0, REG_BINARY, exact.data(),
                 static_cast<DWORD>(exact.size()));
  RegSetValueExW(source.get(), L"second", 0, REG_BINARY, over.data(),
                 static_cast<DWORD>(over.size()));
  SetDword(source.get(), L"third", 3);
  EXPECT_EQ(RegCopyKeyWithSubkey(source.get(), destination.get()),
            ERROR_MORE_DATA);
  EXPECT_EQ(ReadValue(destination.get(), L"first").bytes,
            exact);  // written before the stop
  EXPECT_EQ(ValueNames(destination.get()), std::vector<std::wstring>{L"first"});
}

TEST(RegCopyKeyWithSubkey, AValueNameOver260CharactersEndsTheCopy) {
  ScratchKey source, destination;
  SetDword(source.get(), std::wstring(260, L'k').c_str(), 1);
  SetDword(source.get(), std::wstring(261, L'l').c_str(), 2);
  EXPECT_EQ(RegCopyKeyWithSubkey(source.get(), destination.get()),
            ERROR_MORE_DATA);
  EXPECT_EQ(ValueNames(destination.get()),
            std::vector<std::wstring>{std::wstring(260, L'k')});
}

// A source handle that may not enumerate subkeys makes the copy fail: the
// subkey phase must not end silently and report the values' success with
// the subtree missing.
TEST(RegCopyKeyWithSubkey,
     ReportsAFailedSubkeyReadInsteadOfDroppingTheSubtree) {
  ScratchKey source, destination;
  Populate(source.get());
  HKEY values_only = nullptr;
  ASSERT_EQ(RegOpenKeyExW(source.get(), L"", 0, KEY_QUERY_VALUE, &values_only),
            ERROR_SUCCESS);
  EXPECT_EQ(RegCopyKeyWithSubkey(values_only, destination.get()),
            ERROR_ACCESS_DENIED);
  RegCloseKey(values_only);
  // A source key deleted under the copy's feet is reported too.
  HKEY doomed = MakeKey(source.get(), L"doomed");
  RegDeleteKeyW(source.get(), L"doomed");
  EXPECT_EQ(RegCopyKeyWithSubkey(doomed, destination.get()), ERROR_KEY_DELETED);
  RegCloseKey(doomed);
}

// A destination below the source is refused: copied, it would receive
// itself level after level, down to the depth limit.
TEST(RegCopyKeyWithSubkey, RefusesADestinationInsideTheSource) {
  ScratchKey source;
  Populate(source.get());
  const std::wstring before = Describe(source.get());
  for (const wchar_t* inside : {L"a", L"a\\b\\c", L"empty"}) {
    HKEY destination = nullptr;
    RegOpenKeyExW(source.get(), inside, 0, KEY_ALL_ACCESS, &destination);
    EXPECT_EQ(RegCopyKeyWithSubkey(source.get(), destination),
              ERROR_INVALID_PARAMETER)
        << inside;
    RegCloseKey(destination);
  }
  EXPECT_EQ(Describe(source.get()), before);
  // Onto itself: allowed, nothing changes.
  HKEY same = nullptr;
  RegOpenKeyExW(source.get(), L"", 0, KEY_ALL_ACCESS, &same);
  EXPECT_EQ(RegCopyKeyWithSubkey(source.get(), same), ERROR_SUCCESS);
  RegCloseKey(same);
  EXPECT_EQ(Describe(source.get()), before);
  // The other way round (the source inside the destination) is an ordinary
  // copy.
  HKEY a = nullptr;
  RegOpenKeyExW(source.get(), L"a", 0, KEY_READ, &a);
  EXPECT_EQ(RegCopyKeyWithSubkey(a, source.get()), ERROR_SUCCESS);
  RegCloseKey(a);
  HKEY lifted = nullptr;
  EXPECT_EQ(RegOpenKeyExW(source.get(), L"b\\c", 0, KEY_READ, &lifted),
            ERROR_SUCCESS);
  RegCloseKey(lifted);
}

TEST(RegCopyKeyWithSubkey, WalksFiveHundredLevelsOnASmallStack) {
  ScratchKey source, destination;
  MakeChain(source.get(), 500);
  LONG rc = -1;
  OnSmallStack(
      [&] { rc = RegCopyKeyWithSubkey(source.get(), destination.get()); });
  EXPECT_EQ(rc, ERROR_SUCCESS);
  EXPECT_EQ(ChainLength(destination.get()), 500);
}

// ---- GetControlPanelProp ---------------------------------------------------

// The regional-settings key of this process's store, opened for writing.
class International {
 public:
  International() {
    RegistryFolder();
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\International", 0,
                    nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  ~International() {
    for (const wchar_t* name : kTestNames) RegDeleteValueW(key_, name);
    RegCloseKey(key_);
  }
  HKEY get() const { return key_; }
  static constexpr const wchar_t* kTestNames[] = {
      L"tDword", L"tString", L"tShort",  L"tLong", L"tBare",
      L"tOdd",   L"tBinary", L"tExpand", L"tZero", L"tRace"};

 private:
  HKEY key_ = nullptr;
};

TEST(GetControlPanelProp, ANewUserStoreHoldsTheRegionalSettings) {
  International intl;
  CString text(L"unchanged");
  EXPECT_EQ(GetControlPanelProp(L"sDecimal", nullptr, &text), ERROR_SUCCESS);
  EXPECT_TRUE(text == L"." || text == L",");
  EXPECT_EQ(GetControlPanelProp(L"iMeasure", nullptr, &text), ERROR_SUCCESS);
  EXPECT_TRUE(text == L"0" || text == L"1");
}

TEST(GetControlPanelProp, StoresByTypeAndOnlyIntoTheMatchingDestination) {
  International intl;
  SetDword(intl.get(), L"tDword", 0xDEADBEEF);
  SetString(intl.get(), L"tString", L"Метр");
  SetString(intl.get(), L"tExpand", L"%HOME%\\x", REG_EXPAND_SZ);
  const BYTE bin[] = {1, 2, 3, 4};
  RegSetValueExW(intl.get(), L"tBinary", 0, REG_BINARY, bin, sizeof bin);
  struct Case {
    const wchar_t* name;
    LONG rc;
    DWORD number;         // what *dwordOut ends as (starts as 5)
    const wchar_t* text;  // what *stringOut ends as (starts as "x")
  } cases[] = {
      {L"tDword", ERROR_SUCCESS, 0xDEADBEEF, L"x"},
      {L"tString", ERROR_SUCCESS, 5, L"Метр"},
      {L"tExpand", ERROR_SUCCESS, 5, L"%HOME%\\x"},  // not expanded
      {L"tBinary", ERROR_SUCCESS, 5, L"x"},          // another type: nothing
      {L"tMissing", ERROR_FILE_NOT_FOUND, 5, L"x"},
  };
  for (const Case& c : cases) {
    DWORD number = 5;
    CString text(L"x");
    EXPECT_EQ(GetControlPanelProp(c.name, &number, &text), c.rc) << c.name;
    EXPECT_EQ(number, c.number) << c.name;
    EXPECT_STREQ(text, c.text) << c.name;
  }
  // A string asked for with only a number destination: 0, nothing stored.
  DWORD number = 5;
  EXPECT_EQ(GetControlPanelProp(L"tString", &number, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(number, 5u);
  CString text(L"x");
  EXPECT_EQ(GetControlPanelProp(L"tDword", nullptr, &text), ERROR_SUCCESS);
  EXPECT_STREQ(text, L"x");
}

// A REG_DWORD of other than four bytes is invalid data: read into the
// number it would give half a number, or more bytes than it has.
TEST(GetControlPanelProp, ADwordOfAnotherSizeIsInvalidDataAndStoresNothing) {
  International intl;
  const BYTE two[] = {1, 2}, eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
  RegSetValueExW(intl.get(), L"tShort", 0, REG_DWORD, two, sizeof two);
  RegSetValueExW(intl.get(), L"tLong", 0, REG_DWORD, eight, sizeof eight);
  for (const wchar_t* name : {L"tShort", L"tLong"}) {
    DWORD number = 5;
    EXPECT_EQ(GetControlPanelProp(name, &number, nullptr), ERROR_INVALID_DATA)
        << name;
    EXPECT_EQ(number, 5u) << name;
  }
}

TEST(GetControlPanelProp, AStringIsItsWholeCharactersUpToTheFirstZero) {
  International intl;
  const wchar_t bare[] = {L'a', L'b', L'c'};  // no terminator
  RegSetValueExW(intl.get(), L"tBare", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(bare), sizeof bare);
  // Two characters and part of a third.
  std::vector<BYTE> odd(2 * sizeof(wchar_t) + 1, 0);
  const wchar_t two[] = {L'x', L'y'};
  std::memcpy(odd.data(), two, sizeof two);
  odd.back() = 'z';
  RegSetValueExW(intl.get(), L"tOdd", 0, REG_SZ, odd.data(),
                 static_cast<DWORD>(odd.size()));
  const wchar_t zero[] = {L'p', 0, L'q', 0};
  RegSetValueExW(intl.get(), L"tZero", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(zero), sizeof zero);
  struct Case {
    const wchar_t* name;
    const wchar_t* text;
  } cases[] = {{L"tBare", L"abc"}, {L"tOdd", L"xy"}, {L"tZero", L"p"}};
  for (const Case& c : cases) {
    CString text;
    EXPECT_EQ(GetControlPanelProp(c.name, nullptr, &text), ERROR_SUCCESS)
        << c.name;
    EXPECT_STREQ(text, c.text) << c.name;
  }
}

// A value that grows between the size query and the read makes the read
// fail with ERROR_MORE_DATA; the destination string keeps its content
// rather than whatever the failed read left in the buffer.
TEST(GetControlPanelProp, AFailedReadLeavesTheDestinationAsItWas) {
  International intl;
  const std::wstring small = L"s", large(5000, L'L');
  SetString(intl.get(), L"tRace", small);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\International", 0,
                  KEY_ALL_ACCESS, &key);
    for (int i = 0; !stop; ++i) SetString(key, L"tRace", i % 2 ? large : small);
    RegCloseKey(key);
  });
  int failures = 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (failures < 3 && std::chrono::steady_clock::now() < until) {
    CString text(L"before");
    const LONG rc = GetControlPanelProp(L"tRace", nullptr, &text);
    if (rc == ERROR_SUCCESS) {
      EXPECT_TRUE(text == small.c_str() || text == large.c_str());
    } else {
      EXPECT_EQ(rc, ERROR_MORE_DATA);
      EXPECT_STREQ(text, L"before");
      ++failures;
    }
  }
  stop = true;
  writer.join();
  if (failures == 0) GTEST_SKIP() << "the race never struck in 1 s";
}

TEST(GetControlPanelProp, AnUnopenableKeyGivesSuccessWithNothingStored) {
  International intl;
  HKEY panel = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel", 0, KEY_ALL_ACCESS, &panel);
  HKEY saved = MakeKey(HKEY_CURRENT_USER,
                       L"Software\\matrix-tests\\saved-international");
  ASSERT_EQ(RegCopyKeyWithSubkey(intl.get(), saved), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyW(panel, L"International"), ERROR_SUCCESS);
  DWORD number = 5;
  CString text(L"x");
  EXPECT_EQ(GetControlPanelProp(L"sDecimal", &number, &text), ERROR_SUCCESS);
  EXPECT_EQ(number, 5u);
  EXPECT_STREQ(text, L"x");
  HKEY restored = MakeKey(panel, L"International");
  EXPECT_EQ(RegCopyKeyWithSubkey(saved, restored), ERROR_SUCCESS);
  RegCloseKey(restored);
  RegCloseKey(saved);
  RegDeleteKeyW(HKEY_CURRENT_USER,
                L"Software\\matrix-tests\\saved-international");
  RegCloseKey(panel);
}

}  // namespace
