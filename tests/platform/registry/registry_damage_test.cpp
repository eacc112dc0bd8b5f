// Stores the layer cannot trust: cut, foreign, or damaged in the header, a
// page or the log. Each is reported as ERROR_REGISTRY_CORRUPT by every call
// and left exactly as it was, with no log or index file made beside it.
// As in the other process tests, every registry call runs in a child.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry/store_process.h"

namespace {

using namespace matrix::testing::store;

constexpr std::size_t kPage = 4096;  // the page size of the layer's stores

// Runs `sql` on the file `path` with SQLite itself and closes it (a last
// connection: the log is folded into the file and removed).
void RunSql(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

// A store of a dozen keys with a few values each, some kilobytes of pages,
// made by the layer in a child. With `fold`, the log is folded into the
// file and removed, so that the file alone holds the store; without, the
// commits stay in the log, one value per commit at the end.
void MakeStore(const Folder& folder, bool fold) {
  ASSERT_EQ(RunChild(folder,
                     [](int) {
                       const std::wstring data(150, L'd');
                       for (int k = 0; k < 12; ++k) {
                         HKEY key = nullptr;
                         const std::wstring path =
                             L"Software\\vendor\\k" + std::to_wstring(k);
                         if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0,
                                             nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr) != 0)
                           return 1;
                         for (int v = 0; v < 3; ++v) {
                           const std::wstring name = L"v" + std::to_wstring(v);
                           if (RegSetValueExW(
                                   key, name.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(data.c_str()),
                                   (data.size() + 1) * sizeof(wchar_t)) != 0)
                             return 2;
                         }
                         RegCloseKey(key);
                       }
                       return 0;
                     }),
            0);
  if (fold) RunSql(folder.user(), "PRAGMA user_version");
}

// The store's files as they stand.
struct Files {
  std::string file, log;
  bool has_log = false, has_index = false;
  bool operator==(const Files&) const = default;
};
Files FilesOf(const Folder& folder) {
  Files f;
  f.file = FileBytes(folder.user());
  f.has_log = access((folder.user() + "-wal").c_str(), F_OK) == 0;
  f.has_index = access((folder.user() + "-shm").c_str(), F_OK) == 0;
  if (f.has_log) f.log = FileBytes(folder.user() + "-wal");
  return f;
}

void Change(const std::string& path, std::size_t offset, unsigned char mask) {
  std::string bytes = FileBytes(path);
  ASSERT_LT(offset, bytes.size());
  bytes[offset] = static_cast<char>(bytes[offset] ^ mask);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Every call gives 1015 and the files stay as they were.
void ExpectReportedAndLeftAlone(const Folder& folder, const std::string& what) {
  const Files before = FilesOf(folder);
  EXPECT_EQ(CodesOfCalls(folder), "1015/1015/1015") << what;
  const Files after = FilesOf(folder);
  EXPECT_TRUE(after.file == before.file) << what << ": the file changed";
  EXPECT_TRUE(after.log == before.log) << what << ": the log changed";
  EXPECT_EQ(after.has_log, before.has_log) << what;
  EXPECT_EQ(after.has_index, before.has_index) << what;
}

TEST(RegistryStoreTrust, ACutStoreIsReportedAndLeftAlone) {
  Folder whole;
  MakeStore(whole, true);
  const std::size_t size = FileBytes(whole.user()).size();
  ASSERT_GE(size, 6 * kPage);
  // Within the header, within the first page, at a page's end (pages
  // missing), within a later page, and the last page gone.
  for (std::size_t length :
       {std::size_t{50}, std::size_t{103}, kPage - 96, kPage, kPage + 103,
        3 * kPage, size - kPage, size - 1}) {
    Folder folder;
    MakeStore(folder, true);
    ASSERT_EQ(truncate(folder.user().c_str(), static_cast<off_t>(length)), 0);
    ExpectReportedAndLeftAlone(folder, "cut to " + std::to_string(length));
  }
}

TEST(RegistryStoreTrust, AFileThatIsNotAStoreOfThisLayoutIsLeftAlone) {
  struct Case {
    const char* what;
    bool store_first;  // changes a store the layer made, else a new file
    const char* sql;
  };
  const Case cases[] = {
      {"another program's file", false,
       "CREATE TABLE t(x TEXT); INSERT INTO t VALUES('a');"
       " PRAGMA user_version=1"},
      {"another program's file in log mode", false,
       "PRAGMA journal_mode=WAL; CREATE TABLE keys(id, name);"
       " CREATE TABLE vals(x); PRAGMA user_version=1"},
      {"a table more", true, "CREATE TABLE extra(x)"},
      {"a column less", true, "ALTER TABLE vals DROP COLUMN nlen"},
      {"an index less", true, "DROP INDEX vals_order"},
      {"a column of another type", true,
       "PRAGMA writable_schema=ON; UPDATE sqlite_master SET"
       " sql=replace(sql, 'data BLOB', 'data TEXT') WHERE name='vals'"},
      {"a rollback journal", true, "PRAGMA journal_mode=DELETE"},
      {"a negative layout number", true, "PRAGMA user_version=-1"},
  };
  for (const Case& c : cases) {
    Folder folder;
    if (c.store_first) MakeStore(folder, true);
    RunSql(folder.user(), c.sql);
    ExpectReportedAndLeftAlone(folder, c.what);
  }
}

TEST(RegistryStoreTrust, ADamagedHeaderIsReportedAndLeftAlone) {
  struct Case {
    std::size_t offset;
    const char* what;
  };
  const Case cases[] = {
      {0, "the magic text"},        {16, "the page size"},
      {18, "the write version"},    {20, "the reserved bytes per page"},
      {21, "the payload fraction"}, {56, "the text encoding"},
      {60, "the layout number"},    {75, "the bytes reserved as zero"},
  };
  for (const Case& c : cases) {
    Folder folder;
    MakeStore(folder, true);
    Change(folder.user(), c.offset, 0x80);
    ExpectReportedAndLeftAlone(folder, c.what);
  }
}

// The first page of the b-tree `name` of the store `path` (from 1).
std::size_t RootPage(const std::string& path, const std::string& name) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name=?1", -1,
                     &st, nullptr);
  sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  const std::size_t page =
      sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
  sqlite3_finalize(st);
  sqlite3_close(db);
  return page;
}

// Damage that SQLite reads on without noticing: a call returns 0 and a
// value reads back other than written. The first open of a process checks
// the pages and refuses the store instead.
TEST(RegistryStoreTrust, ADamagedPageIsReportedAndLeftAlone) {
  struct Case {
    const char* tree;
    std::size_t offset;  // within the tree's first page; from its end if > 0
    bool from_end;
    const char* what;
  };
  const Case cases[] = {
      {"keys", 3, false, "the cell count of the key rows' page"},
      {"keys", 8, false, "a cell pointer of the key rows' page"},
      {"sqlite_autoindex_keys_1", 3, true, "a name in the key names' index"},
      {"sqlite_autoindex_vals_1", 3, true, "a name in the value names' index"},
      {"vals_order", 0, false, "the kind of the value order's page"},
  };
  for (const Case& c : cases) {
    Folder folder;
    MakeStore(folder, true);
    const std::size_t page = RootPage(folder.user(), c.tree);
    ASSERT_GT(page, 1u) << c.what;
    const std::size_t at =
        c.from_end ? page * kPage - c.offset : (page - 1) * kPage + c.offset;
    Change(folder.user(), at, 0x01);
    ExpectReportedAndLeftAlone(folder, c.what);
  }
}

constexpr std::size_t kLogHeader = 32;
constexpr std::size_t kFrame = 24 + kPage;

// A log whose frames were changed after they were written: SQLite's
// recovery would end the log at the damaged frame, dropping every commit
// after it, and the next commit would overwrite them.
TEST(RegistryStoreTrust, ADamagedLogIsReportedAndLeftAlone) {
  struct Case {
    std::size_t offset;
    const char* what;
  };
  const Case cases[] = {
      {12, "the log header's checkpoint number"},
      {16, "the log header's salt"},
      {kLogHeader + 24 + 100, "the page of the first frame"},
      {kLogHeader + kFrame + 3, "the page number of the second frame"},
      {kLogHeader + kFrame + 17, "the checksum of the second frame"},
      {kLogHeader + 5 * kFrame + 2000, "the page of a later frame"},
  };
  for (const Case& c : cases) {
    Folder folder;
    MakeStore(folder, false);
    ASSERT_GT(FileBytes(folder.user() + "-wal").size(),
              kLogHeader + 8 * kFrame);
    Change(folder.user() + "-wal", c.offset, 0x10);
    ExpectReportedAndLeftAlone(folder, c.what);
  }
}

// What a crash leaves, a log whose last write was cut short, is no damage:
// the store opens without the commit that was being written.
TEST(RegistryStoreTrust, ALogCutInItsLastFrameLosesOnlyTheLastCommit) {
  Folder folder;
  MakeStore(folder, false);
  const std::string log = folder.user() + "-wal";
  const std::size_t size = FileBytes(log).size();
  ASSERT_EQ(truncate(log.c_str(), static_cast<off_t>(size - 100)), 0);
  std::string report;
  EXPECT_EQ(RunChild(
                folder,
                [](int out) {
                  HKEY key = nullptr;
                  LONG rc =
                      RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\vendor\\k11",
                                    0, KEY_READ, &key);
                  if (rc != 0) {
                    Say(out, "open " + std::to_string(rc));
                    return 1;
                  }
                  DWORD values = 0;
                  rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, &values, nullptr,
                                        nullptr, nullptr, nullptr);
                  Say(out, std::to_string(rc) + " " + std::to_string(values));
                  return 0;
                },
                &report),
            0)
      << report;
  EXPECT_EQ(report, "0 2");
  EXPECT_EQ(IntegrityCheck(folder.user()), "ok");
}

}  // namespace
