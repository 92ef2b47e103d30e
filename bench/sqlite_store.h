// SQLite as a benchmark store: one table `t(k BLOB PRIMARY KEY, v BLOB)
// WITHOUT ROWID` (one ordered tree holding key and data, as the page tree
// does), `PRAGMA synchronous=FULL`, in rollback-journal (DELETE) or WAL mode.
#pragma once

#include <cstdint>
#include <memory>

#include "bench/store.h"

namespace bench {

enum class JournalMode { rollback, wal };

// `cache_kib`: the page cache size; 0 keeps SQLite's default.
std::unique_ptr<Store> make_sqlite_store(JournalMode mode, uint32_t cache_kib);
// The version of the SQLite library linked in.
const char* sqlite_version();

}  // namespace bench
