// The registry store across processes: writers killed at random moments,
// two processes writing at once, the seeding of a new store from the
// locale, volatile keys across a reboot, damaged and read-only stores.
// The test process itself never calls the registry: every call is made in
// a forked child that starts with no store open and points
// MATRIX_REGISTRY_DIR at the test's folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry/store_process.h"
#include "support/testing.h"

namespace {

using namespace matrix::testing;
using namespace matrix::testing::store;

namespace fs = std::filesystem;

HKEY Create(HKEY parent, const std::wstring& path, DWORD options = 0) {
  HKEY key = nullptr;
  RegCreateKeyExW(parent, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS,
                  nullptr, &key, nullptr);
  return key;
}

bool HasKey(HKEY parent, const std::wstring& path) {
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

DWORD DwordOf(HKEY key, const std::wstring& name, LONG* rc) {
  DWORD value = 0, size = sizeof value;
  *rc = RegQueryValueExW(key, name.c_str(), nullptr, nullptr,
                         reinterpret_cast<LPBYTE>(&value), &size);
  return value;
}

// Nine levels below one new key, made by one call.
const std::wstring kChainTail = L"\\1\\2\\3\\4\\5\\6\\7\\8";

struct Ack {
  char kind;  // 'V' a value, 'C' a chain of keys
  int round;
  int index;
};

TEST(RegistryStore, AKilledWriterLosesNothingItAcknowledged) {
  Folder folder;
  std::mt19937 random(20261208);
  std::vector<Ack> acknowledged;
  ASSERT_EQ(RunChild(folder,
                     [](int) {
                       return Create(HKEY_CURRENT_USER, L"Software\\kill") ? 0
                                                                           : 1;
                     }),
            0);
  for (int round = 0; round < 20; ++round) {
    int fd = -1;
    const pid_t writer = Start(
        folder,
        [round](int out) {
          HKEY key = Create(HKEY_CURRENT_USER, L"Software\\kill");
          if (!key) return 1;
          for (int k = 0;; ++k) {
            const std::wstring tag =
                std::to_wstring(round) + L"_" + std::to_wstring(k);
            Ack ack{'V', round, k};
            if (k % 4 == 3) {
              HKEY chain = Create(key, L"c" + tag + kChainTail);
              if (!chain) return 2;
              RegCloseKey(chain);
              ack.kind = 'C';
            } else {
              const DWORD value = static_cast<DWORD>(k);
              if (RegSetValueExW(key, (L"v" + tag).c_str(), 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&value),
                                 sizeof value) != 0)
                return 3;
            }
            if (write(out, &ack, sizeof ack) != sizeof ack) return 4;
          }
        },
        &fd);
    ASSERT_GT(writer, 0);
    std::this_thread::sleep_for(
        std::chrono::microseconds(2000 + random() % 40000));
    kill(writer, SIGKILL);
    const std::string acks = Drain(fd);
    EXPECT_EQ(Reap(writer), 128 + SIGKILL) << "round " << round;
    for (size_t at = 0; at + sizeof(Ack) <= acks.size(); at += sizeof(Ack)) {
      Ack ack;
      std::memcpy(&ack, acks.data() + at, sizeof ack);
      acknowledged.push_back(ack);
    }
    ASSERT_EQ(IntegrityCheck(folder.user()), "ok") << "round " << round;
  }
  ASSERT_GT(acknowledged.size(), 20u);
  std::string report;
  const int rc = RunChild(
      folder,
      [&acknowledged](int out) {
        HKEY key = Create(HKEY_CURRENT_USER, L"Software\\kill");
        for (const Ack& a : acknowledged) {
          const std::wstring tag =
              std::to_wstring(a.round) + L"_" + std::to_wstring(a.index);
          if (a.kind == 'V') {
            LONG status = 0;
            const DWORD v = DwordOf(key, L"v" + tag, &status);
            if (status != ERROR_SUCCESS || v != static_cast<DWORD>(a.index))
              Say(out, "lost value " + Narrow(tag) + "\n");
          } else if (!HasKey(key, L"c" + tag + kChainTail)) {
            Say(out, "lost chain " + Narrow(tag) + "\n");
          }
        }
        // A chain cut short by the kill is there whole or not at all.
        WCHAR name[64];
        for (DWORD i = 0; RegEnumKeyW(key, i, name, 64) == ERROR_SUCCESS; ++i) {
          if (!HasKey(key, std::wstring(name) + kChainTail))
            Say(out, "partial chain " + Narrow(name) + "\n");
        }
        return 0;
      },
      &report);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(report, "");
}

TEST(RegistryStore, TwoProcessesWriteOneKeyAtOnce) {
  Folder folder;
  ASSERT_EQ(RunChild(folder,
                     [](int) {
                       return Create(HKEY_CURRENT_USER, L"Software\\both") ? 0
                                                                           : 1;
                     }),
            0);
  constexpr int kValues = 2000;
  auto work = [](int who) {
    return [who](int out) {
      HKEY key = nullptr;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\both", 0, KEY_ALL_ACCESS,
                        &key) != 0)
        return 1;
      int failures = 0;
      const std::wstring me = L"p" + std::to_wstring(who);
      for (int i = 0; i < kValues; ++i) {
        const DWORD value = static_cast<DWORD>(i * 2 + who);
        LONG rc = RegSetValueExW(
            key, (me + L"_" + std::to_wstring(i)).c_str(), 0, REG_DWORD,
            reinterpret_cast<const BYTE*>(&value), sizeof value);
        if (rc != ERROR_SUCCESS) {
          Say(out,
              "set " + std::to_string(i) + ": " + std::to_string(rc) + "\n");
          ++failures;
        }
        if (i % 10 == 0) {
          // Shared parents, leaves of one's own: the newest created, the
          // one before deleted.
          const std::wstring leaf = L"sub\\s" + std::to_wstring(i / 10 % 7) +
                                    L"\\" + me + L"_" + std::to_wstring(i);
          HKEY made = Create(key, leaf);
          if (!made) ++failures;
          RegCloseKey(made);
          if (i >= 10) {
            const std::wstring old =
                L"sub\\s" + std::to_wstring((i - 10) / 10 % 7) + L"\\" + me +
                L"_" + std::to_wstring(i - 10);
            rc = RegDeleteKeyW(key, old.c_str());
            if (rc != ERROR_SUCCESS) {
              Say(out, "delete " + std::to_string(i) + ": " +
                           std::to_string(rc) + "\n");
              ++failures;
            }
          }
        }
      }
      return failures > 100 ? 100 : failures;
    };
  };
  int fd0 = -1, fd1 = -1;
  const pid_t a = Start(folder, work(0), &fd0);
  const pid_t b = Start(folder, work(1), &fd1);
  const std::string out0 = Drain(fd0), out1 = Drain(fd1);
  EXPECT_EQ(Reap(a), 0) << out0;
  EXPECT_EQ(Reap(b), 0) << out1;
  std::string report;
  EXPECT_EQ(
      RunChild(
          folder,
          [](int out) {
            HKEY key = nullptr;
            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\both", 0, KEY_READ,
                          &key);
            DWORD values = 0;
            RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, &values, nullptr, nullptr, nullptr,
                             nullptr);
            if (values != 2 * kValues)
              Say(out, "values " + std::to_string(values) + "\n");
            for (int who = 0; who < 2; ++who) {
              for (int i = 0; i < kValues; ++i) {
                LONG rc = 0;
                const DWORD v = DwordOf(
                    key,
                    L"p" + std::to_wstring(who) + L"_" + std::to_wstring(i),
                    &rc);
                if (rc != 0 || v != static_cast<DWORD>(i * 2 + who))
                  Say(out, "value " + std::to_string(who) + "_" +
                               std::to_string(i) + "\n");
              }
            }
            // Each process's last leaf is all that is left below the
            // seven shared parents.
            for (int s = 0; s < 7; ++s) {
              HKEY parent = nullptr;
              if (RegOpenKeyExW(key, (L"sub\\s" + std::to_wstring(s)).c_str(),
                                0, KEY_READ, &parent) != 0) {
                Say(out, "missing s" + std::to_string(s) + "\n");
                continue;
              }
              std::set<std::wstring> expected, found;
              const int last = kValues - 10;
              if (last / 10 % 7 == s)
                expected = {L"p0_" + std::to_wstring(last),
                            L"p1_" + std::to_wstring(last)};
              WCHAR name[64];
              for (DWORD i = 0; RegEnumKeyW(parent, i, name, 64) == 0; ++i)
                found.insert(name);
              if (found != expected)
                Say(out, "leaves of s" + std::to_string(s) + "\n");
              RegCloseKey(parent);
            }
            return 0;
          },
          &report),
      0);
  EXPECT_EQ(report, "");
  EXPECT_EQ(IntegrityCheck(folder.user()), "ok");
}

struct Seed {
  const char* locale;
  std::vector<std::pair<std::wstring, std::wstring>> values;
};

TEST(RegistryStore, ANewUserStoreIsSeededFromTheEnvironmentsLocale) {
  const Seed seeds[] = {
      {"ru_RU.UTF-8",
       {{L"LocaleName", L"ru-RU"},
        {L"sDecimal", L","},
        {L"sList", L";"},
        {L"sNegativeSign", L"-"},
        {L"iMeasure", L"0"},
        {L"sShortDate", L"dd.MM.yyyy"},
        {L"sDate", L"."},
        {L"sTimeFormat", L"HH:mm:ss"},
        {L"sTime", L":"},
        {L"sCurrency", L"\u20BD"}}},
      {"en_US.UTF-8",
       {{L"LocaleName", L"en-US"},
        {L"sDecimal", L"."},
        {L"sThousand", L","},
        {L"sList", L","},
        {L"sNegativeSign", L"-"},
        {L"iMeasure", L"1"},
        {L"sShortDate", L"MM/dd/yyyy"},
        {L"sDate", L"/"},
        {L"sTimeFormat", L"hh:mm:ss tt"},
        {L"sTime", L":"},
        {L"sCurrency", L"$"}}},
      {"C",
       {{L"LocaleName", L"en-US"},
        {L"sDecimal", L"."},
        {L"sThousand", L""},
        {L"sList", L","},
        {L"iMeasure", L"0"},
        {L"sShortDate", L"MM/dd/yy"},
        {L"sTimeFormat", L"HH:mm:ss"},
        {L"sCurrency", L""}}},
  };
  for (const Seed& seed : seeds) {
    locale_t probe =
        newlocale(LC_ALL_MASK, seed.locale, static_cast<locale_t>(nullptr));
    if (!probe) {
      ADD_FAILURE() << seed.locale
                    << " is not installed (scripts/setup.sh generates it)";
      continue;
    }
    freelocale(probe);
    Folder folder;
    std::string report;
    const int rc = RunChild(
        folder,
        [&seed](int out) {
          for (const char* name : {"LANG", "LANGUAGE", "LC_NUMERIC", "LC_TIME",
                                   "LC_MONETARY", "LC_MEASUREMENT", "LC_CTYPE"})
            unsetenv(name);
          setenv("LC_ALL", seed.locale, 1);
          HKEY key = nullptr;
          if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\International",
                            0, KEY_READ, &key) != 0)
            return 1;
          for (const auto& [name, text] : seed.values) {
            DWORD type = 0, size = 0;
            std::vector<BYTE> data(256);
            size = static_cast<DWORD>(data.size());
            const LONG status = RegQueryValueExW(key, name.c_str(), nullptr,
                                                 &type, data.data(), &size);
            const size_t expected_size = (text.size() + 1) * sizeof(wchar_t);
            if (status != 0 || type != REG_SZ || size != expected_size ||
                std::memcmp(data.data(), text.c_str(), expected_size) != 0) {
              std::wstring got(reinterpret_cast<const wchar_t*>(data.data()),
                               size / sizeof(wchar_t));
              Say(out, Narrow(name) + " = \"" + Narrow(got) + "\" (" +
                           std::to_string(status) + ")\n");
            }
          }
          return 0;
        },
        &report);
    EXPECT_EQ(rc, 0) << seed.locale;
    EXPECT_EQ(report, "") << seed.locale;
  }
}

TEST(RegistryStore, VolatileKeysVanishAfterAReboot) {
  Folder folder;
  ASSERT_EQ(RunChild(folder,
                     [](int) {
                       // Every level a volatile create makes is volatile: the
                       // parent first.
                       RegCloseKey(Create(HKEY_CURRENT_USER, L"Software"));
                       HKEY v = Create(HKEY_CURRENT_USER, L"Software\\session",
                                       REG_OPTION_VOLATILE);
                       HKEY d = Create(HKEY_CURRENT_USER, L"Software\\durable");
                       return v && d ? 0 : 1;
                     }),
            0);
  // The same boot: still there.
  EXPECT_EQ(
      RunChild(folder,
               [](int) {
                 return HasKey(HKEY_CURRENT_USER, L"Software\\session") ? 0 : 1;
               }),
      0);
  // Pretend the keys were made during an earlier boot.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(folder.user().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE keys SET boot='0' WHERE boot IS NOT NULL",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  EXPECT_EQ(
      RunChild(folder,
               [](int) {
                 return !HasKey(HKEY_CURRENT_USER, L"Software\\session") &&
                                HasKey(HKEY_CURRENT_USER, L"Software\\durable")
                            ? 0
                            : 1;
               }),
      0);
}

// The first `bytes` bytes of the store's WAL index (the -shm file).
std::string WalIndexStart(const Folder& folder, size_t bytes) {
  return FileBytes(folder.user() + "-shm").substr(0, bytes);
}

// The store tells another process's commits from the header of SQLite's
// WAL index, a layout SQLite calls transient; this pins that layout for the
// SQLite the layer runs on (two equal 48-byte copies at the start, byte 12
// set once valid, rewritten by every commit) and checks that a walk
// notices a commit made by another process between two of its steps.
TEST(RegistryStore, AWalkNoticesAnotherProcessesCommitThroughTheWalIndex) {
  Folder folder;
  ASSERT_EQ(RunChild(folder,
                     [](int) {
                       for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) {
                         HKEY key =
                             Create(HKEY_CURRENT_USER,
                                    std::wstring(L"Software\\walk\\") + name);
                         if (!key) return 1;
                         RegCloseKey(key);
                       }
                       return 0;
                     }),
            0);
  constexpr size_t kHeader = 48;
  const std::string before = WalIndexStart(folder, 2 * kHeader);
  ASSERT_EQ(before.size(), 2 * kHeader);
  EXPECT_EQ(before.substr(0, kHeader), before.substr(kHeader));
  EXPECT_NE(before[12], 0);  // isInit
  std::string seen;
  ASSERT_EQ(
      RunChild(
          folder,
          [](int out) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\walk", 0, KEY_READ,
                              &key) != ERROR_SUCCESS)
              return 1;
            WCHAR name[8];
            // Index 1 reads "b" and "c" ahead.
            if (RegEnumKeyW(key, 0, name, 8) != ERROR_SUCCESS ||
                RegEnumKeyW(key, 1, name, 8) != ERROR_SUCCESS)
              return 2;
            const pid_t other = fork();
            if (other == 0) {
              const LONG rc =
                  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\walk\\c");
              RegCloseKey(Create(HKEY_CURRENT_USER, L"Software\\walk\\bb"));
              _exit(rc == ERROR_SUCCESS ? 0 : 1);
            }
            if (Reap(other) != 0) return 3;
            if (RegEnumKeyW(key, 2, name, 8) != ERROR_SUCCESS) return 4;
            const std::wstring third = name;
            Say(out, std::string(third.begin(), third.end()));
            return 0;
          },
          &seen),
      0);
  EXPECT_EQ(seen, "bb");  // a, b, bb, d: not the "c" read ahead
  const std::string after = WalIndexStart(folder, 2 * kHeader);
  ASSERT_EQ(after.size(), 2 * kHeader);
  EXPECT_EQ(after.substr(0, kHeader), after.substr(kHeader));
  EXPECT_NE(after.substr(0, kHeader), before.substr(0, kHeader));
}

TEST(RegistryStore, ADamagedStoreIsReportedAndLeftAlone) {
  Folder folder;
  std::string garbage(8192, '\0');
  for (size_t i = 0; i < garbage.size(); ++i)
    garbage[i] = static_cast<char>(i * 7 + 3);
  { std::ofstream(folder.user(), std::ios::binary) << garbage; }
  EXPECT_EQ(
      RunChild(folder,
               [](int) {
                 HKEY key = nullptr;
                 if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ,
                                   &key) != ERROR_REGISTRY_CORRUPT)
                   return 1;
                 if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software", 0, nullptr,
                                     0, KEY_ALL_ACCESS, nullptr, &key,
                                     nullptr) != ERROR_REGISTRY_CORRUPT)
                   return 2;
                 return 0;
               }),
      0);
  EXPECT_TRUE(FileBytes(folder.user()) == garbage);
  // A store of a later layout is not ours to change either.
  Folder later;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(later.user().c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE t(x); PRAGMA user_version=99", nullptr,
               nullptr, nullptr);
  sqlite3_close(db);
  const std::string before = FileBytes(later.user());
  EXPECT_EQ(RunChild(later,
                     [](int) {
                       HKEY key = nullptr;
                       return RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0,
                                            KEY_READ,
                                            &key) == ERROR_REGISTRY_CORRUPT
                                  ? 0
                                  : 1;
                     }),
            0);
  EXPECT_TRUE(FileBytes(later.user()) == before);
}

// Permissions bind only those who are not root: a test run as root makes
// its children an ordinary user ("nobody") that owns the test's folders.
constexpr uid_t kNobody = 65534;
void BecomeOrdinary() {
  if (geteuid() != 0) return;
  if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(97);
}
void HandOver(const Folder& folder) {
  if (geteuid() == 0 && chown(folder.path().c_str(), kNobody, kNobody) != 0)
    ADD_FAILURE() << "cannot hand the folder over";
}

TEST(RegistryStore, AMachineStoreThatMayNotBeWrittenIsReadOnly) {
  Folder folder;
  HandOver(folder);
  ASSERT_EQ(
      RunChild(folder,
               [](int) {
                 BecomeOrdinary();
                 HKEY key = Create(HKEY_LOCAL_MACHINE, L"Software\\vendor");
                 const DWORD v = 42;
                 return key && RegSetValueExW(key, L"v", 0, REG_DWORD,
                                              reinterpret_cast<const BYTE*>(&v),
                                              4) == 0
                            ? 0
                            : 1;
               }),
      0);
  for (const std::string& p :
       {folder.machine(), folder.machine() + "-wal", folder.machine() + "-shm"})
    chmod(p.c_str(), 0444);
  chmod(folder.path().c_str(), 0555);
  auto reader = [](int out) {
    BecomeOrdinary();
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\vendor", 0,
                            KEY_ALL_ACCESS, &key);
    if (rc != 0) {
      Say(out, "open " + std::to_string(rc));
      return 1;
    }
    DwordOf(key, L"v", &rc);
    if (rc != 0) return 2;
    const DWORD v = 1;
    if (RegSetValueExW(key, L"v", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&v),
                       4) != ERROR_ACCESS_DENIED)
      return 3;
    HKEY made = nullptr;
    if (RegCreateKeyExW(key, L"new", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &made, nullptr) != ERROR_ACCESS_DENIED)
      return 4;
    return 0;
  };
  std::string report;
  EXPECT_EQ(RunChild(folder, reader, &report), 0) << report;
  chmod(folder.path().c_str(), 0755);
  // No machine store at all, and none that may be made: an empty one.
  Folder empty;
  HandOver(empty);
  chmod(empty.path().c_str(), 0555);
  EXPECT_EQ(
      RunChild(empty,
               [](int) {
                 BecomeOrdinary();
                 HKEY key = nullptr;
                 if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ,
                                   &key) != ERROR_FILE_NOT_FOUND)
                   return 1;
                 return RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0,
                                        nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                        &key, nullptr) == ERROR_ACCESS_DENIED
                            ? 0
                            : 2;
               }),
      0);
  chmod(empty.path().c_str(), 0755);
}

}  // namespace
