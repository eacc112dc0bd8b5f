// Platform layer - the registry store's layout, its check, the laying out
// and seeding of a new store, and stale volatile keys.
#include "schema.h"

#include <winreg.h>

#include <cwchar>
#include <string>

#include "rows.h"
#include "statement.h"

namespace matrix::platform::registry {
namespace {

// The layout. Key ids never repeat (AUTOINCREMENT), so a handle on a
// deleted key can never reach a key created later. A value's row id is its
// place in the creation order: a new row gets a larger id than every row
// present, and overwriting keeps the row.
constexpr char kTables[] =
    "CREATE TABLE keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER NOT NULL,"
    " folded TEXT NOT NULL,"
    " name TEXT NOT NULL,"
    " nlen INTEGER NOT NULL,"
    " class TEXT,"
    " clen INTEGER NOT NULL DEFAULT 0,"
    " depth INTEGER NOT NULL,"
    " boot TEXT,"
    " mtime INTEGER NOT NULL,"
    " UNIQUE(parent, folded));"
    "CREATE TABLE vals("
    " id INTEGER PRIMARY KEY,"
    " key INTEGER NOT NULL,"
    " folded TEXT NOT NULL,"
    " name TEXT NOT NULL,"
    " nlen INTEGER NOT NULL,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " UNIQUE(key, folded));"
    "CREATE INDEX vals_order ON vals(key);";

constexpr char kReadVersion[] = "PRAGMA user_version";
constexpr char kCountTables[] = "SELECT count(*) FROM sqlite_master";
constexpr char kBeginWrite[] = "BEGIN IMMEDIATE";
constexpr char kCommit[] = "COMMIT";
constexpr char kRollback[] = "ROLLBACK";

// The integer in the first column of the first row of `sql`.
LONG QueryInt(Store& s, const char* sql, std::int64_t* out) {
  Statement row(s, sql);
  if (row.status() != ERROR_SUCCESS) return row.status();
  const int rc = row.Step();
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  *out = row.Int(0);
  return ERROR_SUCCESS;
}

LONG InsertRootKey(Store& s) {
  static constexpr char kSql[] =
      "INSERT INTO keys(id, parent, folded, name, nlen, depth, mtime)"
      " VALUES(?1, 0, '', '', 0, 0, ?2)";
  Statement insert(s, kSql);
  if (insert.status() != ERROR_SUCCESS) return insert.status();
  insert.Bind(1, kRootKey);
  insert.Bind(2, NowFiletime());
  return insert.Run();
}

LONG InsertSeedKey(Store& s, std::int64_t parent, const wchar_t* text,
                   int depth, std::int64_t* id) {
  Name name;
  if (!MakeName(text, std::wcslen(text), kMaxKeyNameLength, true, &name))
    return ERROR_INVALID_PARAMETER;
  NewKey key;
  key.parent = parent;
  key.name = &name;
  key.depth = depth;
  key.written = NowFiletime();
  return InsertKeyRow(s, key, id);
}

// A new user store starts with the regional settings of the environment,
// as a new Windows profile does.
LONG Seed(Store& s) {
  std::int64_t panel = 0, international = 0;
  LONG rc = InsertSeedKey(s, kRootKey, L"Control Panel", 1, &panel);
  if (rc == ERROR_SUCCESS)
    rc = InsertSeedKey(s, panel, L"International", 2, &international);
  if (rc != ERROR_SUCCESS) return rc;
  for (const auto& [value_name, text] : InternationalSettings()) {
    Name name;
    if (MakeValueName(value_name.c_str(), &name) != ERROR_SUCCESS) continue;
    rc = WriteValueRow(s, international, name, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       (text.size() + 1) * sizeof(wchar_t));
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

LONG LayOutTables(Store& s) {
  LONG rc = Execute(s, kTables);
  if (rc == ERROR_SUCCESS) rc = InsertRootKey(s);
  if (rc == ERROR_SUCCESS && !s.machine) rc = Seed(s);
  if (rc == ERROR_SUCCESS) {
    const std::string version =
        "PRAGMA user_version=" + std::to_string(kSchemaVersion);
    rc = Execute(s, version.c_str());
  }
  return rc;
}

// --- The check of a file that is there
// ----------------------------------------

// Every table of a file with its columns, every index with its columns and
// every unique constraint, one row each, in one order: two files hold the
// same layout exactly when this gives the same rows.
constexpr char kLayoutRows[] =
    "SELECT m.type, m.name, m.tbl_name, c.cid, c.name, c.type, c.\"notnull\","
    " c.dflt_value, c.pk"
    " FROM sqlite_master AS m LEFT JOIN pragma_table_info(m.name) AS c"
    " UNION ALL"
    " SELECT 'column', m.name, m.tbl_name, i.seqno, i.name, i.cid, NULL, NULL,"
    " NULL FROM sqlite_master AS m JOIN pragma_index_info(m.name) AS i"
    " UNION ALL"
    " SELECT 'list', m.name, l.name, l.seq, l.\"unique\", l.origin, l.partial,"
    " NULL, NULL FROM sqlite_master AS m JOIN pragma_index_list(m.name) AS l"
    " WHERE m.type='table'"
    " ORDER BY 1, 2, 3, 4";

// The rows of kLayoutRows on `db` as one text: ERROR_SUCCESS or why the
// query failed.
LONG ReadLayout(sqlite3* db, std::string* layout) {
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db, kLayoutRows, -1, &st, nullptr);
  if (rc == SQLITE_OK) rc = SQLITE_ROW;
  while (rc == SQLITE_ROW && (rc = sqlite3_step(st)) == SQLITE_ROW) {
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      const auto* text = sqlite3_column_text(st, i);
      layout->append(text ? reinterpret_cast<const char*>(text) : "\x01");
      layout->push_back('\x1f');
    }
    layout->push_back('\n');
  }
  sqlite3_finalize(st);
  return rc == SQLITE_DONE ? ERROR_SUCCESS : FromSqlite(rc);
}

// The layout this code lays out, read from an empty store made in memory
// once; empty when it could not be made.
const std::string& OurLayout() {
  static const std::string* layout = [] {
    auto* text = new std::string();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr) ==
            SQLITE_OK &&
        sqlite3_exec(db, kTables, nullptr, nullptr, nullptr) == SQLITE_OK &&
        ReadLayout(db, text) != ERROR_SUCCESS)
      text->clear();
    sqlite3_close(db);
    return text;
  }();
  return *layout;
}

constexpr char kFullCheck[] = "PRAGMA integrity_check(1)";
constexpr char kQuickCheck[] = "PRAGMA quick_check(1)";

// Checks the pages of a store of `bytes` bytes as far as kFullCheckBytes
// and kQuickCheckBytes allow.
LONG CheckPages(Store& s, std::uint64_t bytes) {
  if (bytes > kQuickCheckBytes) return ERROR_SUCCESS;
  Statement check(s, bytes > kFullCheckBytes ? kQuickCheck : kFullCheck);
  if (check.status() != ERROR_SUCCESS) return check.status();
  const int rc = check.Step();
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  return check.Text(0) == "ok" ? ERROR_SUCCESS : ERROR_REGISTRY_CORRUPT;
}

}  // namespace

LONG CheckStore(Store& s, bool write_ahead, std::uint64_t bytes) {
  bool empty = false;
  LONG rc = CheckLayout(s, &empty);
  if (rc != ERROR_SUCCESS || empty) return rc;
  // A store of ours is in log mode from its first table on.
  if (!write_ahead) return ERROR_REGISTRY_CORRUPT;
  std::string layout;
  rc = ReadLayout(s.db, &layout);
  if (rc != ERROR_SUCCESS) return rc;
  if (OurLayout().empty()) return ERROR_OUTOFMEMORY;
  if (layout != OurLayout()) return ERROR_REGISTRY_CORRUPT;
  return CheckPages(s, bytes);
}

LONG CheckLayout(Store& s, bool* empty) {
  std::int64_t version = 0, tables = 0;
  LONG rc = QueryInt(s, kReadVersion, &version);
  if (rc != ERROR_SUCCESS) return rc;
  // A later layout, or a number no layout has.
  if (version > kSchemaVersion || version < 0) return ERROR_REGISTRY_CORRUPT;
  *empty = false;
  if (version != 0) return ERROR_SUCCESS;
  rc = QueryInt(s, kCountTables, &tables);
  if (rc != ERROR_SUCCESS) return rc;
  // Tables without our version number: not a store of ours.
  if (tables != 0) return ERROR_REGISTRY_CORRUPT;
  *empty = true;
  return ERROR_SUCCESS;
}

LONG LayOut(Store& s) {
  LONG rc = Execute(s, kBeginWrite);
  if (rc != ERROR_SUCCESS) return rc;
  bool empty = false;
  rc = CheckLayout(s, &empty);  // again, now under the write lock
  if (rc == ERROR_SUCCESS && empty) rc = LayOutTables(s);
  if (rc == ERROR_SUCCESS) rc = Execute(s, kCommit);
  if (rc != ERROR_SUCCESS) Execute(s, kRollback);
  return rc;
}

LONG DropStaleVolatileKeys(Store& s) {
  if (BootId().empty()) return ERROR_SUCCESS;
  static constexpr char kAnyStale[] =
      "SELECT 1 FROM keys WHERE boot IS NOT NULL AND boot<>?1 LIMIT 1";
  bool stale = false;
  {
    Statement row(s, kAnyStale);
    if (row.status() != ERROR_SUCCESS) return row.status();
    row.Bind(1, BootId());
    const int rc = row.Step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return FromSqlite(rc);
    stale = rc == SQLITE_ROW;
  }
  if (!stale || s.read_only) return ERROR_SUCCESS;
  // BootId() holds only hexadecimal digits and dashes.
  const std::string sql =
      "BEGIN IMMEDIATE;"
      "DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE boot IS NOT "
      "NULL AND boot<>'" +
      BootId() +
      "');"
      "DELETE FROM keys WHERE boot IS NOT NULL AND boot<>'" +
      BootId() +
      "';"
      "COMMIT";
  const LONG rc = Execute(s, sql.c_str());
  if (rc != ERROR_SUCCESS) Execute(s, kRollback);
  return rc;
}

}  // namespace matrix::platform::registry
