// The registry store under injected faults: every changing call is run
// once for every write, sync, read and lock it makes, with that operation
// failing (a full disk, EIO, a lock held elsewhere), and once on a file
// system gone read-only. Each time the call gives the store's code for
// the fault, or succeeds where SQLite got past it, and afterwards the
// store opens, passes SQLite's integrity check and holds exactly what the
// commits before the fault left: nothing of a call that failed. Each run
// is a child of its own with a copy of one prepared store; the faults come
// from a SQLite file system installed as the child's default (fault_vfs.h).
#include <gtest/gtest.h>
#include <matrix/matrix.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/fault_vfs.h"
#include "platform/registry/store_process.h"
#ifdef MATRIX_TEST_REG_FILE
#include "reg_file.h"
#endif

namespace {

using namespace matrix::testing::store;

HKEY CreateKey(const std::wstring& path) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

LONG SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(key, name, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        (text.size() + 1) * sizeof(wchar_t));
}

// The store every run starts from: Software\vendor with a value, a leaf
// key with values, a tree of two levels to copy, an empty key to copy
// into; its commits left in the log, as a process leaves them.
void Prepare(const Folder& folder) {
  ASSERT_EQ(RunChild(folder,
                     [](int) {
                       LONG rc = SetText(CreateKey(L"Software\\vendor"), L"v",
                                         L"vendor's");
                       HKEY leaf = CreateKey(L"Software\\vendor\\leaf");
                       rc |= SetText(leaf, L"a", L"leaf a");
                       rc |= SetText(leaf, L"b", L"leaf b");
                       for (const wchar_t* sub : {L"", L"\\one", L"\\two"}) {
                         HKEY key = CreateKey(
                             std::wstring(L"Software\\vendor\\tree") + sub);
                         rc |= SetText(key, L"x", std::wstring(L"x") + sub);
                         rc |= SetText(key, L"y", std::wstring(300, L'y'));
                       }
                       return rc == 0 && CreateKey(L"Software\\copy") ? 0 : 1;
                     }),
            0);
}

void CopyStore(const Folder& from, const Folder& to) {
  namespace fs = std::filesystem;
  fs::copy_file(from.user(), to.user());
  if (fs::exists(from.user() + "-wal"))
    fs::copy_file(from.user() + "-wal", to.user() + "-wal");
}

// What the store at `path` holds, read with SQLite itself; with `times`
// the keys' write times too.
std::string Dump(const std::string& path, bool times) {
  static const char* const kQueries[] = {
      "SELECT id, parent, folded, name, nlen, class, clen, depth, boot"
      " FROM keys ORDER BY id",
      "SELECT id, key, folded, name, nlen, type, hex(data) FROM vals"
      " ORDER BY id",
      "SELECT name, seq FROM sqlite_sequence", "SELECT id, mtime FROM keys"};
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK)
    return "cannot open";
  std::string out;
  for (int q = 0; q < (times ? 4 : 3); ++q) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, kQueries[q], -1, &st, nullptr);
    while (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const auto* text = sqlite3_column_text(st, i);
        out += text ? reinterpret_cast<const char*>(text) : "NULL";
        out += '|';
      }
      out += '\n';
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_OK) out += "query failed\n";
  }
  sqlite3_close(db);
  return out;
}

// One changing call, run in a child with its store connected.
struct Scenario {
  const char* what;
  std::function<LONG()> call;
};

// What a child's run of a call reports.
struct Run {
  LONG rc = -1;
  long commits = -1;
  long counts[4] = {-1, -1, -1, -1};
  LONG afterwards = -1;  // a read by the same process once the fault is gone
};

Run RunCall(const Folder& folder, const Scenario& s, const Fault& fault,
            const std::string& snapshots = "") {
  std::string text;
  RunChild(
      folder,
      [&](int out) {
        InstallFaultVfs();
        SnapshotCommitsTo(snapshots);
        HKEY key = nullptr;
        if (fault.read_only_opens) Arm(fault);
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key))
          return 1;
        Arm(fault);
        Run r;
        r.rc = s.call();
        r.commits = Commits();
        for (int i = 0; i < 4; ++i)
          r.counts[i] = Count(static_cast<Operation>(i));
        Disarm();
        r.afterwards =
            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key);
        Say(out, std::to_string(r.rc) + " " + std::to_string(r.commits) + " " +
                     std::to_string(r.counts[0]) + " " +
                     std::to_string(r.counts[1]) + " " +
                     std::to_string(r.counts[2]) + " " +
                     std::to_string(r.counts[3]) + " " +
                     std::to_string(r.afterwards));
        return 0;
      },
      &text);
  Run r;
  std::istringstream in(text);
  in >> r.rc >> r.commits >> r.counts[0] >> r.counts[1] >> r.counts[2] >>
      r.counts[3] >> r.afterwards;
  return r;
}

// The fault kinds and the codes the store gives for them.
struct Kind {
  const char* what;
  Operation operation;
  int result;
  LONG code;
};
const Kind kKinds[] = {
    {"a full disk on a write", Operation::kWrite, SQLITE_FULL, ERROR_DISK_FULL},
    {"EIO on a write", Operation::kWrite, SQLITE_IOERR_WRITE,
     ERROR_REGISTRY_IO_FAILED},
    {"EIO on a sync", Operation::kSync, SQLITE_IOERR_FSYNC,
     ERROR_REGISTRY_IO_FAILED},
    {"EIO on a read", Operation::kRead, SQLITE_IOERR_READ,
     ERROR_REGISTRY_IO_FAILED},
    {"a lock held elsewhere", Operation::kLock, SQLITE_BUSY, ERROR_BUSY},
};

// Checks one faulted run against the states `states` (after 0, 1, ...
// commits of the call's run without faults); false (with failures added)
// when it does not hold.
bool Holds(const Folder& folder, const Run& run, LONG code,
           const std::vector<std::string>& states, const std::string& where) {
  const long total = static_cast<long>(states.size()) - 1;
  bool good = true;
  auto check = [&](bool ok, const std::string& what) {
    if (!ok) ADD_FAILURE() << where << ": " << what;
    good = good && ok;
  };
  check(run.rc == ERROR_SUCCESS || run.rc == code,
        "the call gave " + std::to_string(run.rc));
  check(run.commits >= 0 && run.commits <= total,
        std::to_string(run.commits) + " commits");
  if (!good) return false;
  // Success means every commit made; a single call's failure, none (a
  // sequence of calls may fail in a read after its last commit).
  check(run.rc == ERROR_SUCCESS ? run.commits == total
                                : total != 1 || run.commits == 0,
        "gave " + std::to_string(run.rc) + " after " +
            std::to_string(run.commits) + " of " + std::to_string(total) +
            " commits");
  check(run.afterwards == ERROR_SUCCESS,
        "the same process then read with " + std::to_string(run.afterwards));
  check(IntegrityCheck(folder.user()) == "ok", "the integrity check failed");
  const bool none = run.commits == 0;
  check(Dump(folder.user(), none) == states[run.commits],
        "the store holds other than " + std::to_string(run.commits) +
            " commits left");
  check(CodesOfCalls(folder) == "0/0/0", "it does not open and take a write");
  return good;
}

void ExpectEveryFaultSurvived(const Scenario& s) {
  Folder prepared;
  Prepare(prepared);
  // The call without faults: how many operations it makes, and the store
  // after each of its commits.
  Folder reference;
  CopyStore(prepared, reference);
  const std::string snapshots = reference.path() + "/commits";
  mkdir(snapshots.c_str(), 0700);
  const Run clean = RunCall(reference, s, Fault(), snapshots);
  ASSERT_EQ(clean.rc, ERROR_SUCCESS) << s.what;
  std::vector<std::string> states{Dump(prepared.user(), true)};
  for (long k = 1; k <= clean.commits; ++k)
    states.push_back(
        Dump(snapshots + "/" + std::to_string(k) + "/user.sqlite3", false));
  for (const Kind& kind : kKinds) {
    const long total = clean.counts[static_cast<int>(kind.operation)];
    for (long n = 1; n <= total; ++n) {
      Folder folder;
      CopyStore(prepared, folder);
      Fault fault;
      fault.operation = kind.operation;
      fault.nth = n;
      fault.result = kind.result;
      const std::string where = std::string(s.what) + ", " + kind.what +
                                ", operation " + std::to_string(n) + " of " +
                                std::to_string(total);
      if (!Holds(folder, RunCall(folder, s, fault), kind.code, states, where))
        break;  // one failure per kind tells enough
    }
  }
  // A file system gone read-only: opened for reading only, it refuses.
  Folder folder;
  CopyStore(prepared, folder);
  Fault read_only;
  read_only.read_only_opens = true;
  Holds(folder, RunCall(folder, s, read_only), ERROR_ACCESS_DENIED, states,
        std::string(s.what) + ", a read-only file system");
}

TEST(RegistryFaults, CreatingFiveLevelsLeavesTheStoreAsBefore) {
  ExpectEveryFaultSurvived(
      {"RegCreateKeyExW of five levels", [] {
         HKEY key = nullptr;
         const LONG rc = RegCreateKeyExW(
             HKEY_CURRENT_USER, L"Software\\vendor\\a\\b\\c\\d\\e", 0, nullptr,
             0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
         RegCloseKey(key);
         return rc;
       }});
}

TEST(RegistryFaults, SettingALargeValueLeavesTheStoreAsBefore) {
  ExpectEveryFaultSurvived(
      {"RegSetValueExW of 64 KiB", [] {
         HKEY key = nullptr;
         LONG rc = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\vendor", 0,
                                 KEY_SET_VALUE, &key);
         std::vector<BYTE> data(64 * 1024);
         for (size_t i = 0; i < data.size(); ++i)
           data[i] = static_cast<BYTE>(i * 31 + 7);
         if (rc == 0)
           rc = RegSetValueExW(key, L"big", 0, REG_BINARY, data.data(),
                               static_cast<DWORD>(data.size()));
         RegCloseKey(key);
         return rc;
       }});
}

TEST(RegistryFaults, DeletingAKeyLeavesTheStoreAsBefore) {
  ExpectEveryFaultSurvived({"RegDeleteKeyW", [] {
                              return RegDeleteKeyW(HKEY_CURRENT_USER,
                                                   L"Software\\vendor\\leaf");
                            }});
}

// The library's copy makes one changing call per key and value: a fault
// leaves what the calls before it committed.
TEST(RegistryFaults, CopyingATreeLeavesWhatTheCallsBeforeTheFaultCommitted) {
  ExpectEveryFaultSurvived(
      {"RegCopyKeyWithSubkey", [] {
         HKEY from = nullptr, to = nullptr;
         LONG rc = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\vendor\\tree",
                                 0, KEY_READ, &from);
         if (rc == 0)
           rc = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\copy", 0,
                              KEY_ALL_ACCESS, &to);
         if (rc == 0) rc = RegCopyKeyWithSubkey(from, to);
         RegCloseKey(from);
         RegCloseKey(to);
         return rc;
       }});
}

TEST(RegistryFaults, FlushingLeavesTheStoreAsBefore) {
  ExpectEveryFaultSurvived(
      {"RegFlushKey", [] { return RegFlushKey(HKEY_CURRENT_USER); }});
}

#ifdef MATRIX_TEST_REG_FILE
// An import is one transaction: a fault anywhere in it leaves the store as
// it was before the import.
TEST(RegistryFaults, ImportingAFileLeavesTheStoreAsBeforeOnAnyFault) {
  ExpectEveryFaultSurvived({"matrix-reg import", [] {
                              const std::string file =
                                  "Windows Registry Editor Version 5.00\r\n\r\n"
                                  "[HKEY_CURRENT_USER\\Software\\imported]\r\n"
                                  "\"a\"=\"text\"\r\n"
                                  "\"b\"=dword:00000010\r\n\r\n"
                                  "[HKEY_CURRENT_USER\\Software\\imported\\"
                                  "sub]\r\n"
                                  "\"c\"=hex:01,02,03\r\n\r\n"
                                  "[-HKEY_CURRENT_USER\\Software\\vendor\\"
                                  "leaf]\r\n";
                              std::vector<std::string> warnings;
                              std::string error;
                              return matrix_reg::ImportBytes(
                                  file, matrix_reg::ReadOptions(), &warnings,
                                  &error);
                            }});
}
#endif

}  // namespace
