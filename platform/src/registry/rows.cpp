// Platform layer - the registry's key and value rows: the statements on the
// `keys` and `vals` tables (schema.cpp lays them out) and their bindings.
#include "rows.h"

#include <time.h>
#include <utf8codec.h>

#include <fstream>
#include <optional>

#include "statement.h"

namespace matrix::platform::registry {
namespace {

std::wstring WideText(const Statement& row, int column) {
  return ToWide(row.Text(column));
}

// A key's last write time is kept to the second: rewriting the key's row at
// every value write would double what each commit writes.
constexpr std::int64_t kOneSecond = 10000000;  // in 100 ns

}  // namespace

std::int64_t NowFiletime() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  constexpr std::int64_t kUnixEpochAsFiletime = 116444736000000000LL;
  return kUnixEpochAsFiletime +
         static_cast<std::int64_t>(ts.tv_sec) * kOneSecond + ts.tv_nsec / 100;
}

const std::string& BootId() {
  static const std::string* id = [] {
    auto* s = new std::string();
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::getline(in, *s);
    // Only the hexadecimal digits and dashes are used in SQL text.
    for (char c : *s) {
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '-')) {
        s->clear();
        break;
      }
    }
    return s;
  }();
  return *id;
}

// --- Key rows ---------------------------------------------------------------

LONG ReadKeyFacts(Store& s, std::int64_t key, KeyFacts* facts) {
  static constexpr char kSql[] =
      "SELECT depth, boot, class, mtime FROM keys WHERE id=?1";
  Statement row(s, kSql);
  if (row.status() != ERROR_SUCCESS) return row.status();
  row.Bind(1, key);
  const LONG rc = row.StepToRow(ERROR_KEY_DELETED);
  if (rc != ERROR_SUCCESS) return rc;
  facts->depth = static_cast<int>(row.Int(0));
  facts->is_volatile = !row.IsNull(1);
  facts->key_class = WideText(row, 2);
  facts->written = row.Int(3);
  return ERROR_SUCCESS;
}

LONG FindChildKey(Store& s, std::int64_t parent, const Name& name,
                  ChildKey* child) {
  static constexpr char kSql[] =
      "SELECT id, depth, boot FROM keys WHERE parent=?1 AND folded=?2";
  Statement row(s, kSql);
  if (row.status() != ERROR_SUCCESS) return row.status();
  row.Bind(1, parent);
  row.Bind(2, name.folded);
  const LONG rc = row.StepToRow(ERROR_FILE_NOT_FOUND);
  if (rc != ERROR_SUCCESS) return rc;
  child->id = row.Int(0);
  child->depth = static_cast<int>(row.Int(1));
  child->is_volatile = !row.IsNull(2);
  return ERROR_SUCCESS;
}

LONG InsertKeyRow(Store& s, const NewKey& key, std::int64_t* id) {
  static constexpr char kSql[] =
      "INSERT INTO keys(parent, folded, name, nlen, class, clen, depth, boot,"
      " mtime) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
  Statement insert(s, kSql);
  if (insert.status() != ERROR_SUCCESS) return insert.status();
  insert.Bind(1, key.parent);
  insert.Bind(2, key.name->folded);
  insert.Bind(3, key.name->utf8);
  insert.Bind(4, static_cast<std::int64_t>(key.name->length));
  const bool has_class = key.key_class && key.key_class->present;
  if (has_class) {
    insert.Bind(5, key.key_class->utf8);
  } else {
    insert.BindNull(5);
  }
  insert.Bind(6,
              static_cast<std::int64_t>(has_class ? key.key_class->length : 0));
  insert.Bind(7, key.depth);
  if (key.is_volatile) {
    insert.Bind(8, BootId());
  } else {
    insert.BindNull(8);
  }
  insert.Bind(9, key.written);
  const LONG rc = insert.Run();
  if (rc != ERROR_SUCCESS) return rc;
  *id = sqlite3_last_insert_rowid(s.db);
  return ERROR_SUCCESS;
}

LONG TouchKeyRow(Store& s, std::int64_t key) {
  static constexpr char kReadTime[] = "SELECT mtime FROM keys WHERE id=?1";
  static constexpr char kWriteTime[] = "UPDATE keys SET mtime=?2 WHERE id=?1";
  std::int64_t written = 0;
  {
    Statement row(s, kReadTime);
    if (row.status() != ERROR_SUCCESS) return row.status();
    row.Bind(1, key);
    const LONG rc = row.StepToRow(ERROR_KEY_DELETED);
    if (rc != ERROR_SUCCESS) return rc;
    written = row.Int(0);
  }
  const std::int64_t now = NowFiletime();
  if (now >= written && now - written < kOneSecond) return ERROR_SUCCESS;
  Statement update(s, kWriteTime);
  if (update.status() != ERROR_SUCCESS) return update.status();
  update.Bind(1, key);
  update.Bind(2, now);
  const LONG rc = update.Run();
  if (rc != ERROR_SUCCESS) return rc;
  return sqlite3_changes(s.db) == 0 ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

LONG HasChildKey(Store& s, std::int64_t key, bool* has) {
  static constexpr char kSql[] = "SELECT 1 FROM keys WHERE parent=?1 LIMIT 1";
  Statement row(s, kSql);
  if (row.status() != ERROR_SUCCESS) return row.status();
  row.Bind(1, key);
  const int rc = row.Step();
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return FromSqlite(rc);
  *has = rc == SQLITE_ROW;
  return ERROR_SUCCESS;
}

LONG DeleteKeyRow(Store& s, std::int64_t key) {
  static constexpr char kSql[] = "DELETE FROM keys WHERE id=?1";
  LONG rc = DeleteValueRows(s, key);
  if (rc != ERROR_SUCCESS) return rc;
  Statement remove(s, kSql);
  if (remove.status() != ERROR_SUCCESS) return remove.status();
  remove.Bind(1, key);
  return remove.Run();
}

LONG DeleteSubtreeRows(Store& s, std::int64_t key) {
  // The keys below `key`: found through UNIQUE(parent, folded)'s index, and
  // at most kMaxDepth levels deep.
  static constexpr char kValues[] =
      "WITH RECURSIVE below(id) AS (SELECT id FROM keys WHERE parent=?1"
      " UNION ALL SELECT keys.id FROM keys JOIN below ON keys.parent=below.id)"
      " DELETE FROM vals WHERE key IN below";
  static constexpr char kKeys[] =
      "WITH RECURSIVE below(id) AS (SELECT id FROM keys WHERE parent=?1"
      " UNION ALL SELECT keys.id FROM keys JOIN below ON keys.parent=below.id)"
      " DELETE FROM keys WHERE id IN below";
  for (const char* sql : {kValues, kKeys}) {
    Statement remove(s, sql);
    if (remove.status() != ERROR_SUCCESS) return remove.status();
    remove.Bind(1, key);
    const LONG rc = remove.Run();
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

LONG ParentOfKey(Store& s, std::int64_t key, std::int64_t* parent) {
  static constexpr char kSql[] = "SELECT parent FROM keys WHERE id=?1";
  Statement row(s, kSql);
  if (row.status() != ERROR_SUCCESS) return row.status();
  row.Bind(1, key);
  const int rc = row.Step();
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return FromSqlite(rc);
  *parent = rc == SQLITE_ROW ? row.Int(0) : 0;
  return ERROR_SUCCESS;
}

LONG LargestKeyId(Store& s, std::int64_t* id) {
  static constexpr char kSql[] = "SELECT max(id) FROM keys";
  Statement row(s, kSql);
  if (row.status() != ERROR_SUCCESS) return row.status();
  const LONG rc = row.StepToRow(ERROR_REGISTRY_CORRUPT);
  if (rc != ERROR_SUCCESS) return rc;
  *id = row.Int(0);
  return ERROR_SUCCESS;
}

// --- Value rows -------------------------------------------------------------

LONG ReadValueRow(Store& s, std::int64_t key, const Name& name,
                  ValueSink sink) {
  static constexpr char kSql[] =
      "SELECT type, data FROM vals WHERE key=?1 AND folded=?2";
  Statement row(s, kSql);
  if (row.status() != ERROR_SUCCESS) return row.status();
  row.Bind(1, key);
  row.Bind(2, name.folded);
  const LONG rc = row.StepToRow(ERROR_FILE_NOT_FOUND);
  if (rc != ERROR_SUCCESS) return rc;
  std::size_t size = 0;
  const BYTE* bytes = row.Blob(1, &size);
  return sink(static_cast<DWORD>(row.Int(0)), bytes, size);
}

LONG WriteValueRow(Store& s, std::int64_t key, const Name& name, DWORD type,
                   const BYTE* data, std::size_t size) {
  static constexpr char kSql[] =
      "INSERT INTO vals(key, folded, name, nlen, type, data)"
      " VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(key, folded)"
      " DO UPDATE SET type=excluded.type, data=excluded.data";
  Statement upsert(s, kSql);
  if (upsert.status() != ERROR_SUCCESS) return upsert.status();
  upsert.Bind(1, key);
  upsert.Bind(2, name.folded);
  upsert.Bind(3, name.utf8);
  upsert.Bind(4, static_cast<std::int64_t>(name.length));
  upsert.Bind(5, static_cast<std::int64_t>(type));
  upsert.BindBlob(6, data, size);
  return upsert.Run();
}

LONG DeleteValueRow(Store& s, std::int64_t key, const Name& name) {
  static constexpr char kSql[] = "DELETE FROM vals WHERE key=?1 AND folded=?2";
  Statement remove(s, kSql);
  if (remove.status() != ERROR_SUCCESS) return remove.status();
  remove.Bind(1, key);
  remove.Bind(2, name.folded);
  const LONG rc = remove.Run();
  if (rc != ERROR_SUCCESS) return rc;
  return sqlite3_changes(s.db) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
}

LONG DeleteValueRows(Store& s, std::int64_t key) {
  static constexpr char kSql[] = "DELETE FROM vals WHERE key=?1";
  Statement remove(s, kSql);
  if (remove.status() != ERROR_SUCCESS) return remove.status();
  remove.Bind(1, key);
  return remove.Run();
}

// --- Counts -----------------------------------------------------------------

namespace {

// One row of counts for `key`: the first column into `*count`, the next two
// (when `longest`) into `*first` and `*second`.
LONG CountRow(Store& s, const char* sql, std::int64_t key, bool longest,
              std::int64_t* count, std::int64_t* first, std::int64_t* second) {
  Statement row(s, sql);
  if (row.status() != ERROR_SUCCESS) return row.status();
  row.Bind(1, key);
  // A count always gives a row; a store where it does not is damaged.
  const LONG rc = row.StepToRow(ERROR_REGISTRY_CORRUPT);
  if (rc != ERROR_SUCCESS) return rc;
  *count = row.Int(0);
  if (longest) {
    *first = row.Int(1);
    *second = row.Int(2);
  }
  return ERROR_SUCCESS;
}

}  // namespace

LONG CountSubkeys(Store& s, std::int64_t key, bool longest, KeyCounts* out) {
  static constexpr char kCount[] = "SELECT count(*) FROM keys WHERE parent=?1";
  static constexpr char kStats[] =
      "SELECT count(*), coalesce(max(nlen), 0), coalesce(max(clen), 0)"
      " FROM keys WHERE parent=?1";
  return CountRow(s, longest ? kStats : kCount, key, longest, &out->subkeys,
                  &out->longest_subkey, &out->longest_class);
}

LONG CountValues(Store& s, std::int64_t key, bool longest, KeyCounts* out) {
  static constexpr char kCount[] = "SELECT count(*) FROM vals WHERE key=?1";
  static constexpr char kStats[] =
      "SELECT count(*), coalesce(max(nlen), 0),"
      " coalesce(max(length(data)), 0) FROM vals WHERE key=?1";
  return CountRow(s, longest ? kStats : kCount, key, longest, &out->values,
                  &out->longest_value_name, &out->longest_data);
}

// --- Pages of entries -------------------------------------------------------

namespace {

// The two queries of a page: one resumes after the last entry read (?2 is
// that entry), the other starts at an offset (?2 is the index); ?1 is the
// key and ?3 the page's length.
struct PageSql {
  const char* after;
  const char* from;
};

// Prepares `*rows` for one page: `resume` picks the resuming query, and
// `bind_start` binds ?2 to suit it.
template <typename BindStart>
LONG OpenPage(Store& s, const PageSql& sql, bool resume, std::int64_t key,
              int limit, const BindStart& bind_start,
              std::optional<Statement>* rows) {
  rows->emplace(s, resume ? sql.after : sql.from);
  Statement& page = **rows;
  if (page.status() != ERROR_SUCCESS) return page.status();
  page.Bind(1, key);
  bind_start(page);
  page.Bind(3, limit);
  return ERROR_SUCCESS;
}

}  // namespace

LONG ReadSubkeyPage(Store& s, std::int64_t key, const SubkeyEntry* after,
                    DWORD index, int limit, std::vector<SubkeyEntry>* page,
                    bool* end) {
  static constexpr PageSql kSql = {
      "SELECT name, folded FROM keys WHERE parent=?1 AND folded>?2"
      " ORDER BY folded LIMIT ?3",
      "SELECT name, folded FROM keys WHERE parent=?1 ORDER BY folded"
      " LIMIT ?3 OFFSET ?2"};
  // From the start, "after the empty name" reads what an offset of 0 would.
  const bool resume = after || index == 0;
  // Bound without a copy: it lives as long as the statement.
  const std::string start = after ? after->folded : std::string();
  std::optional<Statement> statement;
  const LONG opened = OpenPage(
      s, kSql, resume, key, limit,
      [&](Statement& rows) {
        if (resume) {
          rows.Bind(2, start);
        } else {
          rows.Bind(2, static_cast<std::int64_t>(index));
        }
      },
      &statement);
  if (opened != ERROR_SUCCESS) return opened;
  Statement& rows = *statement;
  page->clear();
  int rc;
  while ((rc = rows.Step()) == SQLITE_ROW) {
    SubkeyEntry entry;
    entry.name = WideText(rows, 0);
    entry.folded = std::string(rows.Text(1));
    page->push_back(std::move(entry));
  }
  if (rc != SQLITE_DONE) return FromSqlite(rc);
  *end = page->size() < static_cast<std::size_t>(limit);
  return ERROR_SUCCESS;
}

LONG ReadValuePage(Store& s, std::int64_t key, const ValueEntry* after,
                   DWORD index, int limit, std::size_t byte_budget,
                   std::vector<ValueEntry>* page, bool* end) {
  static constexpr PageSql kSql = {
      "SELECT id, name, type, data FROM vals WHERE key=?1 AND id>?2"
      " ORDER BY id LIMIT ?3",
      "SELECT id, name, type, data FROM vals WHERE key=?1 ORDER BY id"
      " LIMIT ?3 OFFSET ?2"};
  // Row ids start at 1: from the start, "after 0" reads what an offset of 0
  // would.
  const bool resume = after || index == 0;
  std::optional<Statement> statement;
  const LONG opened = OpenPage(
      s, kSql, resume, key, limit,
      [&](Statement& rows) {
        rows.Bind(2, after ? after->id : static_cast<std::int64_t>(index));
      },
      &statement);
  if (opened != ERROR_SUCCESS) return opened;
  Statement& rows = *statement;
  page->clear();
  std::size_t bytes = 0;
  int rc = SQLITE_ROW;
  while (page->size() < static_cast<std::size_t>(limit) &&
         bytes < byte_budget && (rc = rows.Step()) == SQLITE_ROW) {
    ValueEntry entry;
    entry.id = rows.Int(0);
    entry.name = WideText(rows, 1);
    entry.type = static_cast<DWORD>(rows.Int(2));
    std::size_t size = 0;
    const BYTE* data = rows.Blob(3, &size);
    entry.data.assign(data, data + size);
    bytes += size + entry.name.size() * sizeof(wchar_t);
    page->push_back(std::move(entry));
  }
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return FromSqlite(rc);
  *end = rc == SQLITE_DONE;
  return ERROR_SUCCESS;
}

}  // namespace matrix::platform::registry
