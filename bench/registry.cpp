// bench_registry: the registry calls and the tree exports beside raw SQLite
// doing the same work on a store of the same layout, with the same pragmas
// (WAL, synchronous=NORMAL) and prepared statements, in the same run.
// Compare BM_Reg* with the BM_Raw* case of the same name; times per
// item where a case counts items.
#include <benchmark/benchmark.h>
#include <matrix/util.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ratio_table.h"

namespace {

// The store's layout, as the platform layer lays it out.
constexpr const char* kSchema =
    "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER "
    "NOT NULL,"
    " folded TEXT NOT NULL, name TEXT NOT NULL, nlen INTEGER NOT NULL, class "
    "TEXT,"
    " clen INTEGER NOT NULL DEFAULT 0, depth INTEGER NOT NULL, boot TEXT,"
    " mtime INTEGER NOT NULL, UNIQUE(parent, folded));"
    "CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, folded "
    "TEXT NOT NULL,"
    " name TEXT NOT NULL, nlen INTEGER NOT NULL, type INTEGER NOT NULL, data "
    "BLOB NOT NULL,"
    " UNIQUE(key, folded));"
    "CREATE INDEX vals_order ON vals(key);"
    "INSERT INTO keys(id, parent, folded, name, nlen, depth, mtime) VALUES(1, "
    "0, '', '', 0, 0, 0);";

std::string g_folder;

const std::string& Folder() {
  if (g_folder.empty()) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "matrix-bench-XXXXXX")
            .string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    g_folder = mkdtemp(buffer.data());
    setenv("MATRIX_REGISTRY_DIR", g_folder.c_str(), 1);
  }
  return g_folder;
}

// prefix + decimal i (built by appending: GCC 12 misreads "x" + string).
std::string Named(const char* prefix, int i) {
  std::string out(prefix);
  out += std::to_string(i);
  return out;
}

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return out;
}

// Raw SQLite on a file of its own.
class Raw {
 public:
  Raw() {
    const std::string path = Folder() + "/raw.sqlite3";
    sqlite3_open_v2(path.c_str(), &db_,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_busy_timeout(db_, 5000);
    sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
  }
  ~Raw() {
    for (auto* s : stmts_) sqlite3_finalize(s);
    sqlite3_close(db_);
  }
  sqlite3_stmt* Stmt(const char* sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    stmts_.push_back(s);
    return s;
  }
  void Exec(const char* sql) {
    sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  }
  sqlite3* db() { return db_; }

  std::int64_t AddKey(std::int64_t parent, const std::string& name) {
    static sqlite3_stmt* s = Stmt(
        "INSERT INTO keys(parent, folded, name, nlen, clen, depth, mtime) "
        "VALUES(?1, ?2, ?3, ?4, 0, 1, 0)");
    const std::string f = Upper(name);
    sqlite3_bind_int64(s, 1, parent);
    sqlite3_bind_text(s, 2, f.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 3, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 4, static_cast<std::int64_t>(name.size()));
    sqlite3_step(s);
    sqlite3_reset(s);
    return sqlite3_last_insert_rowid(db_);
  }
  void AddValue(std::int64_t key, const std::string& name, const void* data,
                int size) {
    static sqlite3_stmt* s = Stmt(
        "INSERT INTO vals(key, folded, name, nlen, type, data) VALUES(?1, ?2, "
        "?3, ?4, 3, ?5)"
        " ON CONFLICT(key, folded) DO UPDATE SET type=excluded.type, "
        "data=excluded.data");
    const std::string f = Upper(name);
    sqlite3_bind_int64(s, 1, key);
    sqlite3_bind_text(s, 2, f.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 3, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 4, static_cast<std::int64_t>(name.size()));
    sqlite3_bind_blob(s, 5, data, size, SQLITE_STATIC);
    sqlite3_step(s);
    sqlite3_reset(s);
  }

 private:
  sqlite3* db_ = nullptr;
  std::vector<sqlite3_stmt*> stmts_;
};

Raw& TheRaw() {
  static Raw* raw = new Raw();
  return *raw;
}

const BYTE kData[64] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

HKEY RegKey(const wchar_t* path) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS,
                  nullptr, &key, nullptr);
  return key;
}

// ---- Fixtures: a key of n values of 64 bytes, in both stores ---------------

HKEY RegValues(int n) {
  const std::wstring path = L"Software\\bench\\values" + std::to_wstring(n);
  HKEY key = RegKey(path.c_str());
  DWORD count = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   &count, nullptr, nullptr, nullptr, nullptr);
  for (int i = static_cast<int>(count); i < n; ++i)
    RegSetValueExW(key, (L"v" + std::to_wstring(i)).c_str(), 0, REG_BINARY,
                   kData, sizeof kData);
  return key;
}

std::int64_t RawValues(int n) {
  Raw& raw = TheRaw();
  static std::vector<std::pair<int, std::int64_t>> made;
  for (auto& [count, id] : made)
    if (count == n) return id;
  raw.Exec("BEGIN");
  const std::int64_t key = raw.AddKey(1, Named("values", n));
  for (int i = 0; i < n; ++i)
    raw.AddValue(key, Named("v", i), kData, sizeof kData);
  raw.Exec("COMMIT");
  made.emplace_back(n, key);
  return key;
}

// ---- One value -------------------------------------------------------------

void BM_RegQueryValueExW(benchmark::State& state) {
  HKEY key = RegValues(100);
  BYTE buffer[64];
  for (auto _ : state) {
    DWORD type = 0, size = sizeof buffer;
    benchmark::DoNotOptimize(
        RegQueryValueExW(key, L"v50", nullptr, &type, buffer, &size));
  }
  RegCloseKey(key);
}
BENCHMARK(BM_RegQueryValueExW);

void BM_RawSelect(benchmark::State& state) {
  const std::int64_t key = RawValues(100);
  sqlite3_stmt* s =
      TheRaw().Stmt("SELECT type, data FROM vals WHERE key=?1 AND folded=?2");
  BYTE buffer[64];
  for (auto _ : state) {
    sqlite3_bind_int64(s, 1, key);
    sqlite3_bind_text(s, 2, "V50", 3, SQLITE_STATIC);
    if (sqlite3_step(s) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_int(s, 0));
      std::memcpy(buffer, sqlite3_column_blob(s, 1),
                  static_cast<size_t>(sqlite3_column_bytes(s, 1)));
    }
    sqlite3_reset(s);
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_RawSelect);

void BM_RegSetValueExW(benchmark::State& state) {
  HKEY key = RegValues(100);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        RegSetValueExW(key, L"v50", 0, REG_BINARY, kData, sizeof kData));
  RegCloseKey(key);
}
BENCHMARK(BM_RegSetValueExW);

void BM_RawUpsert(benchmark::State& state) {
  const std::int64_t key = RawValues(100);
  for (auto _ : state) TheRaw().AddValue(key, "v50", kData, sizeof kData);
}
BENCHMARK(BM_RawUpsert);

// ---- Opening three levels
// ------------------------------------------------------

void BM_RegOpenClose3(benchmark::State& state) {
  RegCloseKey(RegKey(L"Software\\bench\\a\\b\\c"));
  for (auto _ : state) {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\bench\\a", 0, KEY_READ, &key);
    RegCloseKey(key);
  }
}
BENCHMARK(BM_RegOpenClose3);

void BM_RawLookup3(benchmark::State& state) {
  Raw& raw = TheRaw();
  static std::int64_t top = 0;
  if (!top) {
    top = raw.AddKey(1, "bench");
    raw.AddKey(raw.AddKey(top, "a"), "b");
  }
  sqlite3_stmt* s =
      raw.Stmt("SELECT id FROM keys WHERE parent=?1 AND folded=?2");
  const char* levels[] = {"BENCH", "A", "B"};
  for (auto _ : state) {
    std::int64_t id = 1;
    for (const char* level : levels) {
      sqlite3_bind_int64(s, 1, id);
      sqlite3_bind_text(s, 2, level, -1, SQLITE_STATIC);
      if (sqlite3_step(s) == SQLITE_ROW) id = sqlite3_column_int64(s, 0);
      sqlite3_reset(s);
    }
    benchmark::DoNotOptimize(id);
  }
}
BENCHMARK(BM_RawLookup3);

// ---- Enumerating values (time per value)
// ---------------------------------------

void BM_RegEnumValueW(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  HKEY values = RegValues(n);
  HKEY key = nullptr;
  RegOpenKeyExW(values, L"", 0, KEY_READ, &key);
  WCHAR name[32];
  BYTE buffer[64];
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) {
      DWORD length = 32, type = 0, size = sizeof buffer;
      RegEnumValueW(key, static_cast<DWORD>(i), name, &length, nullptr, &type,
                    buffer, &size);
    }
    benchmark::DoNotOptimize(buffer);
  }
  state.SetItemsProcessed(state.iterations() * n);
  RegCloseKey(key);
  RegCloseKey(values);
}
BENCHMARK(BM_RegEnumValueW)->Arg(100)->Arg(10000);

void BM_RawStep(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::int64_t key = RawValues(n);
  sqlite3_stmt* s = TheRaw().Stmt(
      "SELECT id, name, type, data FROM vals WHERE key=?1 ORDER BY id");
  BYTE buffer[64];
  for (auto _ : state) {
    sqlite3_bind_int64(s, 1, key);
    while (sqlite3_step(s) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_text(s, 1));
      std::memcpy(buffer, sqlite3_column_blob(s, 3), 64);
    }
    sqlite3_reset(s);
    benchmark::DoNotOptimize(buffer);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RawStep)->Arg(100)->Arg(10000);

void BM_RawOffset(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::int64_t key = RawValues(n);
  sqlite3_stmt* s = TheRaw().Stmt(
      "SELECT id, name, type, data FROM vals WHERE key=?1 ORDER BY id LIMIT 1 "
      "OFFSET ?2");
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) {
      sqlite3_bind_int64(s, 1, key);
      sqlite3_bind_int(s, 2, i);
      if (sqlite3_step(s) == SQLITE_ROW)
        benchmark::DoNotOptimize(sqlite3_column_blob(s, 3));
      sqlite3_reset(s);
    }
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RawOffset)->Arg(100);

// ---- Copying and deleting a tree of 100 keys x 100 values of 64 bytes
// -------------

constexpr int kTreeKeys = 100, kTreeValues = 100;

HKEY RegTree() {
  HKEY root = RegKey(L"Software\\bench\\tree");
  DWORD subkeys = 0;
  RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr);
  if (subkeys == 0) {
    for (int k = 0; k < kTreeKeys; ++k) {
      HKEY sub = nullptr;
      RegCreateKeyExW(root, (L"k" + std::to_wstring(k)).c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &sub, nullptr);
      for (int v = 0; v < kTreeValues; ++v)
        RegSetValueExW(sub, (L"v" + std::to_wstring(v)).c_str(), 0, REG_BINARY,
                       kData, sizeof kData);
      RegCloseKey(sub);
    }
  }
  return root;
}

std::int64_t RawTree() {
  static std::int64_t root = 0;
  if (root) return root;
  Raw& raw = TheRaw();
  raw.Exec("BEGIN");
  root = raw.AddKey(1, "tree");
  for (int k = 0; k < kTreeKeys; ++k) {
    const std::int64_t sub = raw.AddKey(root, Named("k", k));
    for (int v = 0; v < kTreeValues; ++v)
      raw.AddValue(sub, Named("v", v), kData, sizeof kData);
  }
  raw.Exec("COMMIT");
  return root;
}

void BM_RegCopyKeyWithSubkey(benchmark::State& state) {
  HKEY source = RegTree();
  for (auto _ : state) {
    state.PauseTiming();
    HKEY destination = RegKey(L"Software\\bench\\copy");
    state.ResumeTiming();
    RegCopyKeyWithSubkey(source, destination);
    state.PauseTiming();
    RegDeleteKeyWithSubkey(destination);
    RegCloseKey(destination);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\bench\\copy");
    state.ResumeTiming();
  }
  RegCloseKey(source);
}
BENCHMARK(BM_RegCopyKeyWithSubkey)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The raw copy: the same rows read and written, `one_transaction` or each
// row committed on its own (as the registry calls commit each write).
void RawCopy(std::int64_t source, std::int64_t destination,
             bool one_transaction) {
  Raw& raw = TheRaw();
  static sqlite3_stmt* children =
      raw.Stmt("SELECT id, name FROM keys WHERE parent=?1 ORDER BY folded");
  static sqlite3_stmt* values =
      raw.Stmt("SELECT name, type, data FROM vals WHERE key=?1 ORDER BY id");
  if (one_transaction) raw.Exec("BEGIN");
  std::vector<std::pair<std::int64_t, std::string>> subs;
  sqlite3_bind_int64(children, 1, source);
  while (sqlite3_step(children) == SQLITE_ROW)
    subs.emplace_back(
        sqlite3_column_int64(children, 0),
        reinterpret_cast<const char*>(sqlite3_column_text(children, 1)));
  sqlite3_reset(children);
  for (const auto& [id, name] : subs) {
    const std::int64_t made = raw.AddKey(destination, name);
    std::vector<std::pair<std::string, std::vector<BYTE>>> rows;
    sqlite3_bind_int64(values, 1, id);
    while (sqlite3_step(values) == SQLITE_ROW) {
      const auto* p = static_cast<const BYTE*>(sqlite3_column_blob(values, 2));
      rows.emplace_back(
          reinterpret_cast<const char*>(sqlite3_column_text(values, 0)),
          std::vector<BYTE>(p, p + sqlite3_column_bytes(values, 2)));
    }
    sqlite3_reset(values);
    for (const auto& [value_name, data] : rows)
      raw.AddValue(made, value_name, data.data(),
                   static_cast<int>(data.size()));
  }
  if (one_transaction) raw.Exec("COMMIT");
}

// Per-key deletes: each key's values and row in a transaction of its own.
void RawDelete(std::int64_t root) {
  Raw& raw = TheRaw();
  static sqlite3_stmt* children =
      raw.Stmt("SELECT id FROM keys WHERE parent=?1");
  static sqlite3_stmt* del_values = raw.Stmt("DELETE FROM vals WHERE key=?1");
  static sqlite3_stmt* del_key = raw.Stmt("DELETE FROM keys WHERE id=?1");
  std::vector<std::int64_t> ids;
  sqlite3_bind_int64(children, 1, root);
  while (sqlite3_step(children) == SQLITE_ROW)
    ids.push_back(sqlite3_column_int64(children, 0));
  sqlite3_reset(children);
  for (std::int64_t id : ids) {
    raw.Exec("BEGIN IMMEDIATE");
    for (sqlite3_stmt* s : {del_values, del_key}) {
      sqlite3_bind_int64(s, 1, id);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    raw.Exec("COMMIT");
  }
}

void BM_RawCopyCommitEachRow(benchmark::State& state) {
  const std::int64_t source = RawTree();
  for (auto _ : state) {
    state.PauseTiming();
    const std::int64_t destination = TheRaw().AddKey(1, "copy");
    state.ResumeTiming();
    RawCopy(source, destination, false);
    state.PauseTiming();
    RawDelete(destination);
    TheRaw().Exec(
        ("DELETE FROM keys WHERE id=" + std::to_string(destination)).c_str());
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RawCopyCommitEachRow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_RawCopyOneTransaction(benchmark::State& state) {
  const std::int64_t source = RawTree();
  for (auto _ : state) {
    state.PauseTiming();
    const std::int64_t destination = TheRaw().AddKey(1, "copy");
    state.ResumeTiming();
    RawCopy(source, destination, true);
    state.PauseTiming();
    RawDelete(destination);
    TheRaw().Exec(
        ("DELETE FROM keys WHERE id=" + std::to_string(destination)).c_str());
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RawCopyOneTransaction)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_RegDeleteKeyWithSubkey(benchmark::State& state) {
  HKEY source = RegTree();
  for (auto _ : state) {
    state.PauseTiming();
    HKEY destination = RegKey(L"Software\\bench\\copy");
    RegCopyKeyWithSubkey(source, destination);
    state.ResumeTiming();
    RegDeleteKeyWithSubkey(destination);
    state.PauseTiming();
    RegCloseKey(destination);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\bench\\copy");
    state.ResumeTiming();
  }
  RegCloseKey(source);
}
BENCHMARK(BM_RegDeleteKeyWithSubkey)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_RawDeletePerKey(benchmark::State& state) {
  const std::int64_t source = RawTree();
  for (auto _ : state) {
    state.PauseTiming();
    const std::int64_t destination = TheRaw().AddKey(1, "copy");
    RawCopy(source, destination, true);
    state.ResumeTiming();
    RawDelete(destination);
    state.PauseTiming();
    TheRaw().Exec(
        ("DELETE FROM keys WHERE id=" + std::to_string(destination)).c_str());
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RawDeletePerKey)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  Folder();  // before the first registry call
  benchmark::Initialize(&argc, argv);
  matrix_bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintPairs(
      "CPU time ratio to raw SQLite (same schema, pragmas, statements)",
      {{"RegQueryValueExW / SELECT", "BM_RegQueryValueExW", "BM_RawSelect"},
       {"RegOpenKeyExW + RegCloseKey, 3 levels / 3 lookups", "BM_RegOpenClose3",
        "BM_RawLookup3"},
       {"RegSetValueExW / upsert commit", "BM_RegSetValueExW", "BM_RawUpsert"},
       {"RegEnumValueW / step, 100 values", "BM_RegEnumValueW/100",
        "BM_RawStep/100"},
       {"RegEnumValueW / step, 10 000 values", "BM_RegEnumValueW/10000",
        "BM_RawStep/10000"},
       {"RegCopyKeyWithSubkey / commit-per-row copy",
        "BM_RegCopyKeyWithSubkey/iterations:3",
        "BM_RawCopyCommitEachRow/iterations:3"},
       {"RegCopyKeyWithSubkey / one-transaction copy",
        "BM_RegCopyKeyWithSubkey/iterations:3",
        "BM_RawCopyOneTransaction/iterations:3"},
       {"RegDeleteKeyWithSubkey / per-key deletes",
        "BM_RegDeleteKeyWithSubkey/iterations:3",
        "BM_RawDeletePerKey/iterations:3"}});
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
  return 0;
}
