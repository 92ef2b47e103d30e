// The connection both SQLite stores of the page-tree benchmark hold: opened
// with the journal mode asked for, synchronous=FULL and, when given, a page
// cache size; closed with the statements prepared on it.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "bench/sqlite_store.h"

namespace bench {

class SqliteConnection {
 public:
  SqliteConnection() = default;
  ~SqliteConnection() { close({}); }
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // `cache_kib` 0 keeps SQLite's default cache. Returns "" or the reason.
  std::string open(const std::string& path, bool create, JournalMode mode, uint32_t cache_kib);
  // Finalizes the statements (each pointer is cleared) and closes.
  // Returns "" or the reason.
  std::string close(std::initializer_list<sqlite3_stmt**> statements);

  bool exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
  bool prepare(const char* sql, sqlite3_stmt** out) {
    return sqlite3_prepare_v2(db_, sql, -1, out, nullptr) == SQLITE_OK;
  }
  // What failed, with SQLite's message.
  std::string failure(const char* what) const;

  // The database file and the journal files SQLite may keep beside it.
  static std::vector<std::string> files_of(const std::string& path);

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace bench
