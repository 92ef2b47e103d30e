#include "bench/sqlite_key_table.h"

#include <sqlite3.h>

#include "bench/sqlite_connection.h"

namespace bench {

namespace {

const char* index_name(BuiltKey key) { return key == BuiltKey::name ? "t_by_name" : "t_by_number"; }

const char* create_index(BuiltKey key) {
  return key == BuiltKey::name ? "CREATE INDEX t_by_name ON t(name COLLATE NOCASE)"
                               : "CREATE UNIQUE INDEX t_by_number ON t(number)";
}

class SqliteKeyTable : public KeyTableStore {
 public:
  SqliteKeyTable(JournalMode mode, uint32_t cache_kib, std::string temp_directory)
      : mode_(mode), cache_kib_(cache_kib), temp_directory_(std::move(temp_directory)) {}
  ~SqliteKeyTable() override { close(); }

  std::string open(const std::string& path, bool create) override {
    // SQLite's sorter spills to this directory, next to the engine's runs.
    // Set once per process (each workload runs in a child of its own).
    if (!sqlite3_temp_directory && !temp_directory_.empty())
      sqlite3_temp_directory = sqlite3_mprintf("%s", temp_directory_.c_str());
    if (std::string error = db_.open(path, create, mode_, cache_kib_); !error.empty()) return error;
    if (create && !exec("CREATE TABLE t(number INTEGER NOT NULL, name TEXT NOT NULL, rest TEXT NOT NULL)"))
      return failure("CREATE TABLE");
    if (!prepare("INSERT INTO t(number, name, rest) VALUES(?, ?, ?)", &insert_))
      return failure("prepare");
    return {};
  }

  std::string begin() override { return exec("BEGIN") ? std::string() : failure("BEGIN"); }

  std::string add(const KeyRow& row) override {
    sqlite3_bind_int(insert_, 1, row.number);
    sqlite3_bind_text(insert_, 2, row.name.data(), int(row.name.size()), SQLITE_STATIC);
    sqlite3_bind_text(insert_, 3, row.rest.data(), int(row.rest.size()), SQLITE_STATIC);
    int rc = sqlite3_step(insert_);
    sqlite3_reset(insert_);
    return rc == SQLITE_DONE ? std::string() : failure("INSERT");
  }

  std::string commit() override { return exec("COMMIT") ? std::string() : failure("COMMIT"); }

  // One statement in its own transaction: durable when it returns.
  std::string build(BuiltKey key, BuildFigures*) override {
    return exec(create_index(key)) ? std::string() : failure("CREATE INDEX");
  }

  std::string check_built(BuiltKey key, uint32_t rows) override {
    std::string sql = std::string("SELECT count(*) FROM t INDEXED BY ") + index_name(key);
    sqlite3_stmt* count = nullptr;
    if (!prepare(sql.c_str(), &count)) return failure("prepare count");
    std::string error;
    if (sqlite3_step(count) != SQLITE_ROW) {
      error = failure("count");
    } else if (sqlite3_column_int64(count, 0) != rows) {
      error = "the index counts " + std::to_string(sqlite3_column_int64(count, 0)) + " entries for " +
              std::to_string(rows) + " rows";
    }
    sqlite3_finalize(count);
    return error;
  }

  std::string close() override { return db_.close({&insert_}); }

  std::vector<std::string> files_of(const std::string& path) const override {
    return SqliteConnection::files_of(path);
  }

 private:
  bool exec(const char* sql) { return db_.exec(sql); }
  bool prepare(const char* sql, sqlite3_stmt** out) { return db_.prepare(sql, out); }
  std::string failure(const char* what) const { return db_.failure(what); }

  JournalMode mode_;
  uint32_t cache_kib_;
  std::string temp_directory_;
  SqliteConnection db_;
  sqlite3_stmt* insert_ = nullptr;
};

}  // namespace

std::unique_ptr<KeyTableStore> make_sqlite_key_table(JournalMode mode, uint32_t cache_kib,
                                                     const std::string& temp_directory) {
  return std::make_unique<SqliteKeyTable>(mode, cache_kib, temp_directory);
}

}  // namespace bench
