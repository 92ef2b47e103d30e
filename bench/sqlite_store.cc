#include "bench/sqlite_store.h"

#include <sqlite3.h>

#include "bench/records.h"
#include "bench/sqlite_connection.h"

namespace bench {

namespace {

class SqliteStore : public Store {
 public:
  SqliteStore(JournalMode mode, uint32_t cache_kib) : mode_(mode), cache_kib_(cache_kib) {}
  ~SqliteStore() override { close(); }

  std::string open(const std::string& path) override {
    if (std::string error = db_.open(path, true, mode_, cache_kib_); !error.empty()) return error;
    if (!db_.exec("CREATE TABLE IF NOT EXISTS t(k BLOB PRIMARY KEY, v BLOB) WITHOUT ROWID"))
      return failure("CREATE TABLE");
    if (!prepare("INSERT INTO t(k, v) VALUES(?, ?)", &insert_) ||
        !prepare("SELECT v FROM t WHERE k = ?", &select_) ||
        !prepare("SELECT k, v FROM t ORDER BY k", &scan_) || !prepare("BEGIN", &begin_) ||
        !prepare("COMMIT", &commit_)) {
      return failure("prepare");
    }
    return {};
  }

  std::string begin() override { return run(begin_, "BEGIN"); }

  std::string put(const uint8_t* record, size_t length, size_t key_length) override {
    sqlite3_bind_blob(insert_, 1, record, int(key_length), SQLITE_STATIC);
    sqlite3_bind_blob(insert_, 2, record + key_length, int(length - key_length), SQLITE_STATIC);
    return run(insert_, "INSERT");
  }

  std::string commit() override { return run(commit_, "COMMIT"); }

  bool find(const uint8_t* key, size_t key_length, uint64_t* checksum,
            std::string* error) override {
    sqlite3_bind_blob(select_, 1, key, int(key_length), SQLITE_STATIC);
    int rc = sqlite3_step(select_);
    bool found = rc == SQLITE_ROW;
    if (found) {
      *checksum = data_checksum(static_cast<const uint8_t*>(sqlite3_column_blob(select_, 0)),
                                size_t(sqlite3_column_bytes(select_, 0)));
    } else if (rc != SQLITE_DONE) {
      *error = failure("SELECT");
    }
    sqlite3_reset(select_);
    return found;
  }

  std::string scan(const Visitor& visit) override {
    int rc;
    while ((rc = sqlite3_step(scan_)) == SQLITE_ROW) {
      visit(static_cast<const uint8_t*>(sqlite3_column_blob(scan_, 0)),
            size_t(sqlite3_column_bytes(scan_, 0)),
            static_cast<const uint8_t*>(sqlite3_column_blob(scan_, 1)),
            size_t(sqlite3_column_bytes(scan_, 1)));
    }
    std::string error = rc == SQLITE_DONE ? std::string() : failure("scan");
    sqlite3_reset(scan_);
    return error;
  }

  std::string close() override { return db_.close({&insert_, &select_, &scan_, &begin_, &commit_}); }

  std::vector<std::string> files_of(const std::string& path) const override {
    return SqliteConnection::files_of(path);
  }

 private:
  bool prepare(const char* sql, sqlite3_stmt** out) { return db_.prepare(sql, out); }

  std::string run(sqlite3_stmt* statement, const char* what) {
    int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    return rc == SQLITE_DONE ? std::string() : failure(what);
  }

  std::string failure(const char* what) const { return db_.failure(what); }

  JournalMode mode_;
  uint32_t cache_kib_;
  SqliteConnection db_;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* select_ = nullptr;
  sqlite3_stmt* scan_ = nullptr;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
};

}  // namespace

std::unique_ptr<Store> make_sqlite_store(JournalMode mode, uint32_t cache_kib) {
  return std::make_unique<SqliteStore>(mode, cache_kib);
}

}  // namespace bench

namespace bench {

const char* sqlite_version() { return sqlite3_libversion(); }

}  // namespace bench
