#include "bench/sqlite_connection.h"

namespace bench {

std::string SqliteConnection::open(const std::string& path, bool create, JournalMode mode, uint32_t cache_kib) {
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) return failure("open");
  if (cache_kib > 0) {
    // A negative cache size is a size in KiB.
    const std::string cache = "PRAGMA cache_size=-" + std::to_string(cache_kib);
    if (!exec(cache.c_str())) return failure("cache_size");
  }
  const char* journal = mode == JournalMode::wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=DELETE";
  for (const char* sql : {journal, "PRAGMA synchronous=FULL"})
    if (!exec(sql)) return failure(sql);
  return {};
}

std::string SqliteConnection::close(std::initializer_list<sqlite3_stmt**> statements) {
  for (sqlite3_stmt** s : statements) {
    sqlite3_finalize(*s);
    *s = nullptr;
  }
  std::string error;
  if (db_ && sqlite3_close(db_) != SQLITE_OK) error = failure("close");
  db_ = nullptr;
  return error;
}

std::string SqliteConnection::failure(const char* what) const {
  return std::string(what) + ": " + (db_ ? sqlite3_errmsg(db_) : "no database");
}

std::vector<std::string> SqliteConnection::files_of(const std::string& path) {
  return {path, path + "-journal", path + "-wal", path + "-shm"};
}

}  // namespace bench
