// The registry calls, one by one: status codes, buffer rules, access, order.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/locale_testing.h"
#include "support/registry_testing.h"

namespace {

using namespace matrix::testing;

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
  std::vector<BYTE> out;
  for (int v : values) out.push_back(static_cast<BYTE>(v));
  return out;
}

TEST(Registry, PredefinedKeysAreWin32sSignExtendedValues) {
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(HKEY_CURRENT_USER),
            static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001u)));
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(HKEY_LOCAL_MACHINE),
            static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));
  RegistryFolder();
  // Only the user's and the machine's stores exist.
  for (HKEY unbacked : {HKEY_CLASSES_ROOT, HKEY_USERS, HKEY_CURRENT_CONFIG}) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(unbacked, L"Software", 0, KEY_READ, &key),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(key, nullptr);
  }
  for (HKEY backed : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(backed, L"Software\\matrix-tests\\predefined", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(backed, L"Software\\matrix-tests\\predefined"),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(backed),
              ERROR_SUCCESS);  // a no-op, and it stays usable
    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyExW(backed, nullptr, 0, KEY_READ, &same),
              ERROR_SUCCESS);
    EXPECT_EQ(same, backed);
  }
}

TEST(Registry, CreateMakesEveryMissingLevelAndReportsTheDisposition) {
  ScratchKey root;
  ASSERT_EQ(root.status(), ERROR_SUCCESS);
  HKEY key = nullptr;
  DWORD disposition = 0;
  WCHAR cls[] = L"Pipe";
  ASSERT_EQ(RegCreateKeyExW(root.get(), L"a\\b\\c", 0, cls, 0, KEY_ALL_ACCESS,
                            nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(key);
  WCHAR other[] = L"Other";
  ASSERT_EQ(RegCreateKeyExW(root.get(), L"A\\B\\C\\", 0, other, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  // The class was given to the keys it created, and only to them.
  WCHAR got[32];
  DWORD length = 32;
  ASSERT_EQ(
      RegQueryInfoKeyW(key, got, &length, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr),
      ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(got, length), L"Pipe");
  RegCloseKey(key);
  for (const wchar_t* level : {L"a", L"a\\b", L"a\\b\\c"}) {
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExW(root.get(), level, 0, KEY_READ, &opened),
              ERROR_SUCCESS)
        << level;
    RegCloseKey(opened);
  }
  // "" is a new handle to the same key.
  ASSERT_EQ(RegCreateKeyExW(root.get(), L"", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_NE(key, root.get());
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(SubkeyNames(key), std::vector<std::wstring>{L"a"});
  RegCloseKey(key);
}

TEST(Registry, BadPathsAndNamesAreRefused) {
  ScratchKey root;
  const std::wstring longest(255, L'x');
  struct Case {
    std::wstring path;
    LONG create;
  } cases[] = {
      {L"\\lead", ERROR_BAD_PATHNAME},
      {L"a\\\\b", ERROR_BAD_PATHNAME},
      {longest, ERROR_SUCCESS},
      {longest + L"x", ERROR_INVALID_PARAMETER},
      {std::wstring(L"sur") + static_cast<wchar_t>(0xD800),
       ERROR_INVALID_PARAMETER},
      {std::wstring(L"big") + static_cast<wchar_t>(0x110000),
       ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegCreateKeyExW(root.get(), c.path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              c.create)
        << c.path.size();
    if (c.create != ERROR_SUCCESS) {
      EXPECT_EQ(key, nullptr);
    }
    RegCloseKey(key);
  }
  // 32 levels a call, classes up to 255 characters, a result pointer.
  std::wstring deep;
  for (int i = 0; i < 33; ++i) deep += L"l\\";
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(root.get(), deep.c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  std::wstring cls(256, L'c');
  EXPECT_EQ(RegCreateKeyExW(root.get(), L"c", 0, cls.data(), 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExW(root.get(), L"c", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::wstring>{longest});
}

// Windows ignores any number of trailing backslashes in a subkey path, for
// opening and creating alike; creating "tail\\" used to fail.
TEST(Registry, TrailingBackslashesAreIgnoredAndInnerOnesRefused) {
  ScratchKey root;
  struct Case {
    const wchar_t* path;
    LONG rc;  // of creating, then of opening it
  } cases[] = {
      {L"tail\\", ERROR_SUCCESS},      {L"tail\\\\", ERROR_SUCCESS},
      {L"tail\\\\\\", ERROR_SUCCESS},  {L"tail\\\\inner", ERROR_BAD_PATHNAME},
      {L"\\tail", ERROR_BAD_PATHNAME}, {L"\\tail\\", ERROR_BAD_PATHNAME},
  };
  for (const Case& c : cases) {
    HKEY created = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegCreateKeyExW(root.get(), c.path, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &created, nullptr),
              c.rc)
        << c.path;
    HKEY opened = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(root.get(), c.path, 0, KEY_READ, &opened), c.rc)
        << c.path;
    if (c.rc == ERROR_SUCCESS) {
      // The key named is "tail" itself, not a key with an empty name.
      BOOL within = FALSE;
      HKEY tail = nullptr;
      ASSERT_EQ(RegOpenKeyExW(root.get(), L"tail", 0, KEY_READ, &tail),
                ERROR_SUCCESS);
      EXPECT_EQ(AfxRegIsKeyWithin(opened, tail, &within), ERROR_SUCCESS);
      EXPECT_TRUE(within) << c.path;
      EXPECT_EQ(SubkeyNames(tail), std::vector<std::wstring>{}) << c.path;
      RegCloseKey(tail);
      RegCloseKey(created);
      RegCloseKey(opened);
    } else {
      EXPECT_EQ(created, nullptr);
      EXPECT_EQ(opened, nullptr);
    }
  }
  EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::wstring>{L"tail"});
}

TEST(Registry, KeysNestNoDeeperThan512Levels) {
  ScratchKey root;  // at depth 3: Software\matrix-tests\kN
  std::wstring chunk;
  for (int i = 0; i < 32; ++i) chunk += L"d\\";
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(root.get(), L"", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  int depth = 3;
  while (depth + 32 <= 512) {
    HKEY next = nullptr;
    ASSERT_EQ(RegCreateKeyExW(key, chunk.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &next, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    key = next;
    depth += 32;
  }
  while (depth < 512) {
    HKEY next = nullptr;
    ASSERT_EQ(RegCreateKeyExW(key, L"d", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &next, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    key = next;
    ++depth;
  }
  HKEY beyond = nullptr;
  EXPECT_EQ(RegCreateKeyExW(key, L"d", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &beyond, nullptr),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST(Registry, OpenFindsKeysWithoutRegardToCase) {
  ScratchKey root;
  HKEY made = MakeKey(root.get(), L"Ключ\\MiXeD");
  RegCloseKey(made);
  // The fold is the layer's own: the C locale does not change it (nor its
  // absence, so a missing locale is no reason to stop).
  for (const char* locale : {"C", "ru_RU.UTF-8"}) {
    const ScopedLocale scoped(LC_ALL, locale);
    for (const wchar_t* spelling :
         {L"КЛЮЧ\\mixed", L"ключ\\MIXED", L"Ключ\\MiXeD"}) {
      HKEY key = nullptr;
      EXPECT_EQ(RegOpenKeyExW(root.get(), spelling, 0, KEY_READ, &key),
                ERROR_SUCCESS);
      RegCloseKey(key);
    }
  }
  // The name is kept as written.
  EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::wstring>{L"Ключ"});
  HKEY again = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(root.get(), L"КЛЮЧ", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &again, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(again);
  HKEY missing = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyExW(root.get(), L"absent", 0, KEY_READ, &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
}

TEST(Registry, AClosedHandleIsRefusedEverywhere) {
  ScratchKey root;
  HKEY key = MakeKey(root.get(), L"k");
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  WCHAR name[8];
  DWORD length = 8, size = 4, count = 0, value = 1;
  HKEY sub = nullptr;
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegEnumKeyW(key, 0, name, 8), ERROR_INVALID_HANDLE);
  EXPECT_EQ(
      RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
      ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExW(key, L"v", nullptr, nullptr, nullptr, &size),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetDword(key, L"v", value), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegDeleteValueW(key, L"v"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegDeleteKeyW(key, L"x"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyExW(key, L"", 0, KEY_READ, &sub), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCreateKeyExW(key, L"x", 0, nullptr, 0, KEY_READ, nullptr, &sub,
                            nullptr),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(
      RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr),
      ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegFlushKey(key), ERROR_INVALID_HANDLE);
  // A later handle never takes the closed one's value.
  HKEY next = MakeKey(root.get(), L"k");
  EXPECT_NE(next, key);
  RegCloseKey(next);
}

TEST(Registry, SubkeysEnumerateInFoldedOrderWithWin32sBufferRule) {
  ScratchKey root;
  for (const wchar_t* name :
       {L"beta", L"Alpha", L"gamma", L"Дельта", L"ALPHA2"})
    RegCloseKey(MakeKey(root.get(), name));
  EXPECT_EQ(SubkeyNames(root.get()),
            (std::vector<std::wstring>{L"Alpha", L"ALPHA2", L"beta", L"gamma",
                                       L"Дельта"}));
  WCHAR name[8] = L"keep";
  EXPECT_EQ(RegEnumKeyW(root.get(), 0, name, 5),
            ERROR_MORE_DATA);  // "Alpha" needs 6
  EXPECT_STREQ(name, L"keep");
  EXPECT_EQ(RegEnumKeyW(root.get(), 0, name, 6), ERROR_SUCCESS);
  EXPECT_STREQ(name, L"Alpha");
  EXPECT_EQ(RegEnumKeyW(root.get(), 5, name, 8), ERROR_NO_MORE_ITEMS);
  // Random access and going back work as well as walking forward.
  EXPECT_EQ(RegEnumKeyW(root.get(), 3, name, 8), ERROR_SUCCESS);
  EXPECT_STREQ(name, L"gamma");
  EXPECT_EQ(RegEnumKeyW(root.get(), 1, name, 8), ERROR_SUCCESS);
  EXPECT_STREQ(name, L"ALPHA2");
}

TEST(Registry, ValuesEnumerateInCreationOrderAndOverwritingKeepsThePlace) {
  ScratchKey root;
  for (const wchar_t* name : {L"z", L"a", L"m"}) SetDword(root.get(), name, 1);
  SetString(root.get(), L"A", L"again");  // overwrites "a" in place
  EXPECT_EQ(ValueNames(root.get()),
            (std::vector<std::wstring>{L"z", L"a", L"m"}));
  RegDeleteValueW(root.get(), L"z");
  SetDword(root.get(), L"z", 2);
  EXPECT_EQ(ValueNames(root.get()),
            (std::vector<std::wstring>{L"a", L"m", L"z"}));
  // More values than one read-ahead holds, walked forwards.
  ScratchKey many;
  for (int i = 0; i < 300; ++i)
    SetDword(many.get(), std::to_wstring(i).c_str(), i);
  const auto names = ValueNames(many.get());
  ASSERT_EQ(names.size(), 300u);
  for (int i = 0; i < 300; ++i) EXPECT_EQ(names[i], std::to_wstring(i));
}

TEST(Registry, EnumValueFollowsWin32sCountsAndBuffers) {
  ScratchKey root;
  const std::wstring text = L"hello";
  ASSERT_EQ(SetString(root.get(), L"greeting", text), ERROR_SUCCESS);
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  WCHAR name[16];
  DWORD length = 16, type = 0, size = 0;
  // Size only.
  ASSERT_EQ(RegEnumValueW(root.get(), 0, name, &length, nullptr, &type, nullptr,
                          &size),
            ERROR_SUCCESS);
  EXPECT_EQ(length, 8u);  // without terminator
  EXPECT_STREQ(name, L"greeting");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, bytes);
  // Data too small: the size needed, the buffer untouched.
  std::vector<BYTE> small(bytes - 1, 0xAB);
  length = 16;
  size = bytes - 1;
  EXPECT_EQ(RegEnumValueW(root.get(), 0, name, &length, nullptr, &type,
                          small.data(), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, bytes);
  EXPECT_EQ(small, std::vector<BYTE>(bytes - 1, 0xAB));
  // Name too small: "greeting" and its terminator need 9. As Windows does
  // (Wine's registry tests show it), the type and the data's size are
  // still reported while the name count and both buffers stay as they were.
  struct NameTooSmall {
    DWORD data_room;  // 0: no data buffer, a size query
  } rows[] = {{0}, {bytes}, {bytes - 1}};
  for (const NameTooSmall& r : rows) {
    WCHAR kept[16] = L"xxxxxxxxxxxxxx";
    std::vector<BYTE> data(bytes, 0xCD);
    length = 8;
    type = 1234;
    size = r.data_room;
    EXPECT_EQ(RegEnumValueW(root.get(), 0, kept, &length, nullptr, &type,
                            r.data_room ? data.data() : nullptr, &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, bytes);
    EXPECT_STREQ(kept, L"xxxxxxxxxxxxxx");
    EXPECT_EQ(data, std::vector<BYTE>(bytes, 0xCD));
  }
  // Data without a count, no more values.
  length = 16;
  EXPECT_EQ(RegEnumValueW(root.get(), 0, name, &length, nullptr, nullptr,
                          small.data(), nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegEnumValueW(root.get(), 1, name, &length, nullptr, nullptr,
                          nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  // Exactly enough.
  std::vector<BYTE> exact(bytes);
  length = 9;
  size = bytes;
  ASSERT_EQ(RegEnumValueW(root.get(), 0, name, &length, nullptr, &type,
                          exact.data(), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::memcmp(exact.data(), text.c_str(), bytes), 0);
}

TEST(Registry, QueryValueFollowsWin32sBufferRules) {
  ScratchKey root;
  ASSERT_EQ(RegSetValueExW(root.get(), nullptr, 0, REG_BINARY,
                           Bytes({1, 2, 3}).data(), 3),
            ERROR_SUCCESS);
  // Null and "" both name the default value.
  for (const wchar_t* name : {static_cast<const wchar_t*>(nullptr), L""}) {
    auto v = ReadValue(root.get(), name);
    EXPECT_EQ(v.status, ERROR_SUCCESS);
    EXPECT_EQ(v.type, REG_BINARY);
    EXPECT_EQ(v.bytes, Bytes({1, 2, 3}));
  }
  std::vector<BYTE> buffer(2, 0xEE);
  DWORD size = 2, type = 0;
  EXPECT_EQ(
      RegQueryValueExW(root.get(), L"", nullptr, &type, buffer.data(), &size),
      ERROR_MORE_DATA);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(buffer, Bytes({0xEE, 0xEE}));
  EXPECT_EQ(
      RegQueryValueExW(root.get(), L"", nullptr, &type, buffer.data(), nullptr),
      ERROR_INVALID_PARAMETER);
  EXPECT_EQ(
      RegQueryValueExW(root.get(), L"absent", nullptr, &type, nullptr, &size),
      ERROR_FILE_NOT_FOUND);
}

TEST(Registry, SetValueStoresExactlyTheCallersBytes) {
  ScratchKey root;
  // String data without a terminator, a DWORD of 3 bytes, an unknown type:
  // all stored as given, like Win32.
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> bytes;
  } cases[] = {
      {L"sz", REG_SZ, Bytes({'a', 0, 0, 0})},
      {L"short", REG_DWORD, Bytes({1, 2, 3})},
      {L"odd", 0x12345678, Bytes({9})},
      {L"empty", REG_BINARY, {}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(RegSetValueExW(root.get(), c.name, 0, c.type,
                             c.bytes.empty() ? nullptr : c.bytes.data(),
                             static_cast<DWORD>(c.bytes.size())),
              ERROR_SUCCESS);
  }
  for (const Case& c : cases) {
    auto v = ReadValue(root.get(), c.name);
    EXPECT_EQ(v.status, ERROR_SUCCESS) << c.name;
    EXPECT_EQ(v.type, c.type) << c.name;
    EXPECT_EQ(v.bytes, c.bytes) << c.name;
  }
  EXPECT_EQ(RegSetValueExW(root.get(), L"x", 0, REG_BINARY, nullptr, 1),
            ERROR_INVALID_PARAMETER);
  // Value names up to 16 383 characters.
  const std::wstring longest(16383, L'n');
  EXPECT_EQ(SetDword(root.get(), longest.c_str(), 1), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(root.get(), (longest + L"n").c_str(), 1),
            ERROR_INVALID_PARAMETER);
  // Well over 1 MiB.
  std::vector<BYTE> big(3 * 1024 * 1024 + 7);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i * 31);
  ASSERT_EQ(RegSetValueExW(root.get(), L"big", 0, REG_BINARY, big.data(),
                           static_cast<DWORD>(big.size())),
            ERROR_SUCCESS);
  EXPECT_EQ(ReadValue(root.get(), L"big").bytes, big);
}

TEST(Registry, DeleteKeyRefusesKeysWithSubkeysAndRetiresTheirHandles) {
  ScratchKey root;
  HKEY parent = MakeKey(root.get(), L"p");
  HKEY child = MakeKey(root.get(), L"p\\c");
  SetDword(child, L"v", 1);
  EXPECT_EQ(RegDeleteKeyW(root.get(), L"p"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(root.get(), L"p\\c"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(root.get(), L"p\\c"), ERROR_FILE_NOT_FOUND);
  DWORD size = 0;
  WCHAR name[8];
  HKEY sub = nullptr;
  EXPECT_EQ(RegQueryValueExW(child, L"v", nullptr, nullptr, nullptr, &size),
            ERROR_KEY_DELETED);
  EXPECT_EQ(SetDword(child, L"v", 2), ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumKeyW(child, 0, name, 8), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCreateKeyExW(child, L"x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &sub, nullptr),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
  // Re-created under the same name, it is a new key: its values are gone.
  HKEY again = MakeKey(root.get(), L"p\\c");
  EXPECT_EQ(ReadValue(again, L"v").status, ERROR_FILE_NOT_FOUND);
  RegCloseKey(again);
  EXPECT_EQ(RegDeleteKeyW(root.get(), nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L""),
            ERROR_ACCESS_DENIED);  // the root stays
  RegCloseKey(parent);
}

TEST(Registry, DeleteTreeDeletesASubtreeOrEmptiesAKey) {
  ScratchKey root;
  const struct {
    const wchar_t* sub_key;
    REGSAM access;  // of the handle the call is given
    LONG expected;
    std::vector<std::wstring> subkeys_left;
    size_t values_left;
  } rows[] = {
      {L"t", KEY_ALL_ACCESS, ERROR_SUCCESS, {L"u"}, 1},
      {nullptr, KEY_ALL_ACCESS, ERROR_SUCCESS, {}, 0},  // the key stays
      {L"missing", KEY_ALL_ACCESS, ERROR_FILE_NOT_FOUND, {L"t", L"u"}, 1},
      // Emptying a key of its values needs KEY_SET_VALUE; deleting keys
      // is not checked against the handle, as for RegDeleteKeyW.
      {nullptr, KEY_READ, ERROR_ACCESS_DENIED, {L"t", L"u"}, 1},
      {L"T", KEY_READ, ERROR_SUCCESS, {L"u"}, 1},
  };
  int n = 0;
  for (const auto& r : rows) {
    const std::wstring path = L"r" + std::to_wstring(n++);
    HKEY base = MakeKey(root.get(), path);
    SetDword(base, L"v", 1);
    HKEY deep = MakeKey(base, L"t\\a\\b");
    SetDword(deep, L"w", 2);
    RegCloseKey(MakeKey(base, L"u"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(base, L"", 0, r.access, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(key, r.sub_key), r.expected) << path;
    EXPECT_EQ(SubkeyNames(base), r.subkeys_left) << path;
    EXPECT_EQ(ValueNames(base).size(), r.values_left) << path;
    const bool deep_gone = r.expected == ERROR_SUCCESS;
    EXPECT_EQ(ReadValue(deep, L"w").status,
              deep_gone ? ERROR_KEY_DELETED : ERROR_SUCCESS)
        << path;
    RegCloseKey(deep);
    RegCloseKey(key);
    RegCloseKey(base);
  }
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteTreeW(root.get(), L"\\bad"), ERROR_BAD_PATHNAME);
}

TEST(Registry, DeleteValueRemovesOneValue) {
  ScratchKey root;
  SetDword(root.get(), L"a", 1);
  SetDword(root.get(), L"b", 2);
  EXPECT_EQ(RegDeleteValueW(root.get(), L"A"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(root.get(), L"a"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ValueNames(root.get()), std::vector<std::wstring>{L"b"});
}

TEST(Registry, QueryInfoCountsWhatEnumerationYields) {
  ScratchKey root;
  WCHAR cls[] = L"twelve chars";
  RegCloseKey(MakeKey(root.get(), L"short", cls));
  RegCloseKey(MakeKey(root.get(), L"muchlongername"));
  SetDword(root.get(), L"v", 1);
  SetString(root.get(), L"longest value name", L"abc");
  DWORD subkeys = 0, max_subkey = 0, max_class = 0, values = 0, max_name = 0,
        max_data = 0, security = 7;
  FILETIME written{};
  ASSERT_EQ(RegQueryInfoKeyW(root.get(), nullptr, nullptr, nullptr, &subkeys,
                             &max_subkey, &max_class, &values, &max_name,
                             &max_data, &security, &written),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 2u);
  EXPECT_EQ(max_subkey, 14u);
  EXPECT_EQ(max_class, 12u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(max_name, 18u);
  EXPECT_EQ(max_data, 4 * sizeof(wchar_t));
  EXPECT_EQ(security, 0u);
  EXPECT_NE(written.dwHighDateTime, 0u);
  EXPECT_EQ(SubkeyNames(root.get()).size(), subkeys);
  EXPECT_EQ(ValueNames(root.get()).size(), values);
  // Every output is optional.
  EXPECT_EQ(
      RegQueryInfoKeyW(root.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
      ERROR_SUCCESS);
  // The class count in and out, as for names.
  HKEY key = nullptr;
  RegOpenKeyExW(root.get(), L"short", 0, KEY_READ, &key);
  WCHAR got[16] = L"keep";
  DWORD length = 12;  // no room for the terminator
  EXPECT_EQ(
      RegQueryInfoKeyW(key, got, &length, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr),
      ERROR_MORE_DATA);
  EXPECT_EQ(length, 12u);
  EXPECT_STREQ(got, L"keep");
  length = 13;
  EXPECT_EQ(
      RegQueryInfoKeyW(key, got, &length, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr),
      ERROR_SUCCESS);
  EXPECT_EQ(length, 12u);
  EXPECT_STREQ(got, L"twelve chars");
  RegCloseKey(key);
}

TEST(Registry, EachCallChecksTheRightWin32Checks) {
  ScratchKey root;
  SetDword(root.get(), L"v", 1);
  RegCloseKey(MakeKey(root.get(), L"sub"));
  struct Case {
    REGSAM access;
    LONG query, set, enum_keys, enum_values, info;
  } cases[] = {
      {KEY_QUERY_VALUE, ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED,
       ERROR_SUCCESS, ERROR_SUCCESS},
      {KEY_SET_VALUE, ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_ACCESS_DENIED,
       ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {KEY_ENUMERATE_SUB_KEYS, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED,
       ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {KEY_READ, ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_SUCCESS,
       ERROR_SUCCESS, ERROR_SUCCESS},
      {KEY_WRITE, ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_ACCESS_DENIED,
       ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(root.get(), L"", 0, c.access, &key), ERROR_SUCCESS);
    DWORD size = 0, count = 0, length = 8;
    WCHAR name[8];
    EXPECT_EQ(RegQueryValueExW(key, L"v", nullptr, nullptr, nullptr, &size),
              c.query)
        << c.access;
    EXPECT_EQ(SetDword(key, L"w", 1), c.set) << c.access;
    EXPECT_EQ(RegDeleteValueW(key, L"w"),
              c.set == ERROR_SUCCESS ? ERROR_SUCCESS : c.set);
    EXPECT_EQ(RegEnumKeyW(key, 0, name, 8), c.enum_keys) << c.access;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr,
                            nullptr),
              c.enum_values)
        << c.access;
    EXPECT_EQ(
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
        c.info)
        << c.access;
    // Creating and deleting subkeys are not checked against the handle.
    HKEY made = nullptr;
    EXPECT_EQ(RegCreateKeyExW(key, L"made", 0, nullptr, 0, KEY_READ, nullptr,
                              &made, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(made);
    EXPECT_EQ(RegDeleteKeyW(key, L"made"), ERROR_SUCCESS);
    RegCloseKey(key);
  }
}

TEST(Registry, VolatileKeysHoldOnlyVolatileKeys) {
  ScratchKey root;
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(root.get(), L"session", 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyExW(key, L"durable", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &child, nullptr),
            ERROR_CHILD_MUST_BE_VOLATILE);
  EXPECT_EQ(RegCreateKeyExW(key, L"also", 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(child);
  RegCloseKey(key);
  EXPECT_EQ(
      RegCreateKeyExW(root.get(), L"link", 0, nullptr, REG_OPTION_CREATE_LINK,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_INVALID_PARAMETER);
}

TEST(Registry, IsKeyWithinTellsTheSubtreeOfAKey) {
  ScratchKey root;
  HKEY a = MakeKey(root.get(), L"a");
  HKEY ab = MakeKey(root.get(), L"a\\b");
  HKEY c = MakeKey(root.get(), L"c");
  HKEY a_again = MakeKey(root.get(), L"A");
  struct Case {
    HKEY outer, key;
    BOOL within;
  } cases[] = {
      {a, a, TRUE},
      {a, a_again, TRUE},
      {a, ab, TRUE},
      {ab, a, FALSE},
      {a, c, FALSE},
      {HKEY_CURRENT_USER, ab, TRUE},
      {HKEY_LOCAL_MACHINE, ab, FALSE},
  };
  for (const Case& k : cases) {
    BOOL within = 2;
    EXPECT_EQ(AfxRegIsKeyWithin(k.outer, k.key, &within), ERROR_SUCCESS);
    EXPECT_EQ(within, k.within);
  }
  EXPECT_EQ(AfxRegIsKeyWithin(a, ab, nullptr), ERROR_INVALID_PARAMETER);
  for (HKEY k : {a, ab, c, a_again}) RegCloseKey(k);
  BOOL within = FALSE;
  EXPECT_EQ(AfxRegIsKeyWithin(a, ab, &within), ERROR_INVALID_HANDLE);
}

TEST(Registry, FlushKeyMakesTheStoreDurable) {
  ScratchKey root;
  SetDword(root.get(), L"v", 1);
  EXPECT_EQ(RegFlushKey(root.get()), ERROR_SUCCESS);
  EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

// A flush through a handle whose key was deleted reported success; every
// other call on such a handle gives ERROR_KEY_DELETED, and so does this one.
TEST(Registry, FlushKeyOnADeletedKeyGivesKeyDeleted) {
  ScratchKey root;
  HKEY key = MakeKey(root.get(), L"gone");
  ASSERT_EQ(RegDeleteKeyW(root.get(), L"gone"), ERROR_SUCCESS);
  EXPECT_EQ(RegFlushKey(key), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// What several calls change, on either store, is made at once or not at all.
TEST(RegistryTransaction, CommitMakesEveryChangeAndRollbackNone) {
  ScratchKey root;
  SetDword(root.get(), L"old", 1);
  const std::wstring machine_path =
      L"Software\\matrix-tests\\txn-" + std::to_wstring(getpid());
  for (const bool commit : {false, true}) {
    ASSERT_EQ(AfxRegBeginTransaction(), ERROR_SUCCESS);
    HKEY key = MakeKey(root.get(), L"new\\deep");
    EXPECT_EQ(SetDword(key, L"v", 7), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteValueW(root.get(), L"old"), ERROR_SUCCESS);
    HKEY machine = MakeKey(HKEY_LOCAL_MACHINE, machine_path);
    EXPECT_EQ(SetDword(machine, L"m", 8), ERROR_SUCCESS);
    RegCloseKey(machine);
    // Inside, the thread sees its own changes.
    EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::wstring>{L"new"});
    EXPECT_EQ(commit ? AfxRegCommitTransaction() : AfxRegRollbackTransaction(),
              ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(root.get()), commit
                                           ? std::vector<std::wstring>{L"new"}
                                           : std::vector<std::wstring>{})
        << commit;
    EXPECT_EQ(ValueNames(root.get()), commit
                                          ? std::vector<std::wstring>{}
                                          : std::vector<std::wstring>{L"old"})
        << commit;
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, machine_path.c_str(), 0,
                            KEY_READ, &opened),
              commit ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND)
        << commit;
    RegCloseKey(opened);
  }
  RemoveTree(HKEY_LOCAL_MACHINE, machine_path);
}

TEST(RegistryTransaction, AFailingCallUndoesOnlyItsOwnPart) {
  ScratchKey root;
  ASSERT_EQ(AfxRegBeginTransaction(), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(root.get(), L"kept", 1), ERROR_SUCCESS);
  // The path's first levels would be made before the bad level is met.
  HKEY bad = nullptr;
  EXPECT_EQ(
      RegCreateKeyExW(root.get(), (L"a\\b\\" + std::wstring(256, L'x')).c_str(),
                      0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &bad, nullptr),
      ERROR_INVALID_PARAMETER);
  RegCloseKey(MakeKey(root.get(), L"after"));
  EXPECT_EQ(AfxRegCommitTransaction(), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(root.get()), std::vector<std::wstring>{L"kept"});
  EXPECT_EQ(SubkeyNames(root.get()), std::vector<std::wstring>{L"after"});
}

// A handle on a key that a rolled-back transaction made must not reach the
// key made next, which SQLite gives the same id.
TEST(RegistryTransaction, HandlesOnRolledBackKeysReachNoLaterKey) {
  ScratchKey root;
  ASSERT_EQ(AfxRegBeginTransaction(), ERROR_SUCCESS);
  HKEY draft = MakeKey(root.get(), L"Draft");
  ASSERT_EQ(AfxRegRollbackTransaction(), ERROR_SUCCESS);
  HKEY precious = MakeKey(root.get(), L"Precious");
  ASSERT_EQ(SetDword(precious, L"keep", 42), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(draft, L"keep", 0xdead), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteTreeW(draft, nullptr), ERROR_KEY_DELETED);
  DWORD value = 0, size = sizeof value;
  EXPECT_EQ(RegQueryValueExW(precious, L"keep", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 42u);
  RegCloseKey(draft);
  RegCloseKey(precious);
}

TEST(RegistryTransaction, IsTheThreadsAndOthersWaitForIt) {
  ScratchKey root;
  EXPECT_EQ(AfxRegCommitTransaction(), ERROR_INVALID_FUNCTION);
  EXPECT_EQ(AfxRegRollbackTransaction(), ERROR_INVALID_FUNCTION);
  ASSERT_EQ(AfxRegBeginTransaction(), ERROR_SUCCESS);
  EXPECT_EQ(AfxRegBeginTransaction(), ERROR_INVALID_FUNCTION);
  EXPECT_EQ(SetDword(root.get(), L"mine", 1), ERROR_SUCCESS);
  std::atomic<bool> done{false};
  LONG other = -1;
  std::thread writer([&] {
    other = SetDword(root.get(), L"theirs", 2);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(done.load());  // waiting for the transaction to end
  EXPECT_EQ(AfxRegRollbackTransaction(), ERROR_SUCCESS);
  writer.join();
  EXPECT_EQ(other, ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(root.get()), std::vector<std::wstring>{L"theirs"});
}

TEST(Registry, ThreadsMayWriteOneKeyAtOnce) {
  ScratchKey root;
  constexpr int kThreads = 4, kEach = 200;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        const std::wstring name =
            L"t" + std::to_wstring(t) + L"_" + std::to_wstring(i);
        if (SetDword(root.get(), name.c_str(), static_cast<DWORD>(i)) !=
            ERROR_SUCCESS)
          ++failures[t];
        HKEY k = MakeKey(root.get(), L"shared");
        if (!k) ++failures[t];
        RegCloseKey(k);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
  DWORD values = 0;
  RegQueryInfoKeyW(root.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(values, static_cast<DWORD>(kThreads * kEach));
}

TEST(Registry, AForkedChildUsesItsOwnConnection) {
  ScratchKey root;
  SetDword(root.get(), L"before", 1);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(10);
    const bool ok = ReadValue(root.get(), L"before").status == ERROR_SUCCESS &&
                    SetDword(root.get(), L"child", 2) == ERROR_SUCCESS;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadValue(root.get(), L"child").status, ERROR_SUCCESS);
  EXPECT_EQ(SetDword(root.get(), L"after", 3), ERROR_SUCCESS);
}

}  // namespace
