#include "bench/store.h"

#include "bench/engine_key_table.h"
#include "bench/engine_store.h"
#include "bench/key_table_store.h"
#include "bench/sqlite_key_table.h"
#include "bench/sqlite_store.h"

namespace bench {

std::unique_ptr<Store> make_store(StoreKind kind, uint32_t sqlite_cache_kib) {
  switch (kind) {
    case StoreKind::engine:
      return make_engine_store();
    case StoreKind::sqlite_journal:
      return make_sqlite_store(JournalMode::rollback, sqlite_cache_kib);
    case StoreKind::sqlite_wal:
      return make_sqlite_store(JournalMode::wal, sqlite_cache_kib);
  }
  return nullptr;
}

std::unique_ptr<KeyTableStore> make_key_table_store(StoreKind kind, uint32_t sqlite_cache_kib,
                                                    const std::string& temp_directory) {
  switch (kind) {
    case StoreKind::engine:
      return make_engine_key_table(temp_directory);
    case StoreKind::sqlite_journal:
      return make_sqlite_key_table(JournalMode::rollback, sqlite_cache_kib, temp_directory);
    case StoreKind::sqlite_wal:
      return make_sqlite_key_table(JournalMode::wal, sqlite_cache_kib, temp_directory);
  }
  return nullptr;
}

const char* store_title(StoreKind kind) {
  switch (kind) {
    case StoreKind::engine:
      return "engine";
    case StoreKind::sqlite_journal:
      return "SQLite (journal)";
    case StoreKind::sqlite_wal:
      return "SQLite (WAL)";
  }
  return "?";
}

std::string store_file_name(StoreKind kind, const std::string& data_set) {
  switch (kind) {
    case StoreKind::engine:
      return data_set + ".tps";
    case StoreKind::sqlite_journal:
      return data_set + "-journal.db";
    case StoreKind::sqlite_wal:
      return data_set + "-wal.db";
  }
  return data_set;
}

}  // namespace bench
