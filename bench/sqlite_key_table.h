// SQLite as a key-build store: `t(number INTEGER, name TEXT, rest TEXT)`
// with its rowid as the record number, `PRAGMA synchronous=FULL`, in
// rollback-journal (DELETE) or WAL mode. The name key is
// `CREATE INDEX ... (name COLLATE NOCASE)`, the number key
// `CREATE UNIQUE INDEX ... (number)`, matching the engine's NOCASE key with
// duplicates and its unique key.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "bench/key_table_store.h"
#include "bench/sqlite_store.h"

namespace bench {

// `cache_kib`: the page cache size, 0 for SQLite's default. SQLite's
// temporary sort files go to `temp_directory`.
std::unique_ptr<KeyTableStore> make_sqlite_key_table(JournalMode mode, uint32_t cache_kib,
                                                     const std::string& temp_directory);

}  // namespace bench
