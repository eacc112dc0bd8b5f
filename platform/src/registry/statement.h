// Platform layer (internal) - one SQL statement of a store in use: prepared
// once per connection and kept, reset and unbound when the use ends. Only
// the storage files (store, rows, schema) include it.
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_STATEMENT_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_STATEMENT_H_

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store.h"

namespace matrix::platform::registry {

class Statement {
 public:
  // `sql` is a named constant (static storage, one object): the store keeps
  // one prepared statement per text address, so each statement is written
  // once, beside the code that binds it.
  Statement(Store& store, const char* sql);
  ~Statement() {
    if (stmt_) {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
    }
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // ERROR_SUCCESS once prepared, else why it could not be.
  LONG status() const { return stmt_ ? ERROR_SUCCESS : FromSqlite(error_); }

  // Parameters count from 1. Texts and bytes stay the caller's and must
  // outlive the use.
  void Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
  }
  // The text is bound without a copy: it must outlive the statement's use,
  // so a temporary does not compile.
  void Bind(int index, const std::string& text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_STATIC);
  }
  void Bind(int index, std::string&& text) = delete;
  void BindNull(int index) { sqlite3_bind_null(stmt_, index); }
  // No bytes are a zero-length blob, never NULL.
  void BindBlob(int index, const void* bytes, std::size_t size) {
    static const unsigned char kNoBytes = 0;
    sqlite3_bind_blob(stmt_, index, size ? bytes : &kNoBytes,
                      static_cast<int>(size), SQLITE_STATIC);
  }

  // One step: SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return sqlite3_step(stmt_); }
  // Steps to the first row: ERROR_SUCCESS with one, `none` when there is
  // no row, else why the step failed.
  LONG StepToRow(LONG none) {
    const int rc = Step();
    return rc == SQLITE_ROW    ? ERROR_SUCCESS
           : rc == SQLITE_DONE ? none
                               : FromSqlite(rc);
  }
  // Runs a statement that yields no row: ERROR_SUCCESS or why it failed.
  LONG Run() {
    const int rc = Step();
    return rc == SQLITE_DONE ? ERROR_SUCCESS : FromSqlite(rc);
  }

  // Columns of the current row, counted from 0.
  std::int64_t Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
  }
  bool IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
  }
  std::string_view Text(int column) const {
    const auto* text = sqlite3_column_text(stmt_, column);
    return {reinterpret_cast<const char*>(text),
            static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
  }
  const unsigned char* Blob(int column, std::size_t* size) const {
    const auto* bytes =
        static_cast<const unsigned char*>(sqlite3_column_blob(stmt_, column));
    *size = static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column));
    return bytes;
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int error_ = SQLITE_OK;
};

// Runs the SQL text `sql` (any number of statements, prepared afresh):
// ERROR_SUCCESS or why it failed.
inline LONG Execute(Store& store, const char* sql) {
  return FromSqlite(sqlite3_exec(store.db, sql, nullptr, nullptr, nullptr));
}

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_STATEMENT_H_
