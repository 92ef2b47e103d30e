// What the key-build workloads need from a store: the table of key_rows.h,
// loaded in transactions without its keys kept, then one key built over
// every row in one call, as an application bulk-loads rows and builds its
// keys afterwards. The engine loads as APPEND does (each key only gets its
// out-of-date mark lowered) and builds with BUILD; SQLite loads into a table
// without indexes and runs CREATE INDEX.
//
// Errors are reported as text (empty: success), as in store.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bench/key_rows.h"
#include "bench/store.h"

namespace bench {

// What a build tells beyond its time (the engine's; SQLite's stay zero).
struct BuildFigures {
  uint32_t sort_files = 0;        // sort runs that spilled to temporary files
  uint64_t sort_bytes = 0;        // bytes written to them
  double reading_seconds = 0;     // reading every record into the sort (runs spilled meanwhile)
  uint64_t table_bytes = 0;       // written to the table's file (checkpoints, log included)
  uint64_t table_writes = 0;
  uint32_t table_flushes = 0;
};

class KeyTableStore {
 public:
  virtual ~KeyTableStore() = default;

  // Opens the file at `path`. With `create` the file is new (the caller
  // removed any old one) and gets the table; otherwise the table must exist.
  virtual std::string open(const std::string& path, bool create) = 0;
  // Starts a transaction: the next adds become durable together at commit().
  virtual std::string begin() = 0;
  // Adds `row` without keeping any key. REQUIRES: inside begin()/commit().
  virtual std::string add(const KeyRow& row) = 0;
  virtual std::string commit() = 0;
  // Builds `key` over every row and makes it durable.
  // REQUIRES: the key has not been built since the load.
  virtual std::string build(BuiltKey key, BuildFigures* figures) = 0;
  // Checks that `key` holds an entry for each of the `rows` rows.
  virtual std::string check_built(BuiltKey key, uint32_t rows) = 0;
  virtual std::string close() = 0;
  // Every file the store keeps for `path`.
  virtual std::vector<std::string> files_of(const std::string& path) const = 0;
};

// `sqlite_cache_kib`: SQLite's page cache, 0 for its default. Sort runs
// and SQLite's temporary files go to `temp_directory`.
std::unique_ptr<KeyTableStore> make_key_table_store(StoreKind kind, uint32_t sqlite_cache_kib,
                                                    const std::string& temp_directory);

}  // namespace bench
