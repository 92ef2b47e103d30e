// What a workload needs from a store: one ordered table of records keyed by
// a 9-byte key, changed in transactions and read one operation at a time.
// Each store maps these calls onto its own API the way an application would.
//
// Errors are reported as text (empty: success) so that a failing store ends
// its workload with a reason instead of a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bench {

class Store {
 public:
  virtual ~Store() = default;

  // Opens the store's file at `path`, creating it when missing.
  virtual std::string open(const std::string& path) = 0;
  // Starts a transaction: the next puts become durable together at commit().
  virtual std::string begin() = 0;
  // Adds one record. REQUIRES: inside begin()/commit(); the key is new.
  virtual std::string put(const uint8_t* record, size_t length, size_t key_length) = 0;
  // Makes every put since begin() durable.
  virtual std::string commit() = 0;
  // One read operation: looks the key up; on success stores the checksum of
  // its data bytes in *checksum and returns true.
  virtual bool find(const uint8_t* key, size_t key_length, uint64_t* checksum,
                    std::string* error) = 0;
  // One read operation over every record in key order; `visit` gets each
  // record's key and data.
  using Visitor = std::function<void(const uint8_t* key, size_t key_length, const uint8_t* data,
                                     size_t data_length)>;
  virtual std::string scan(const Visitor& visit) = 0;
  // Closes the file as an application does when it is done with it.
  virtual std::string close() = 0;
  // Every file the store keeps for `path` (for the size on disk).
  virtual std::vector<std::string> files_of(const std::string& path) const = 0;
};

// The stores compared, in the order of the table's columns.
enum class StoreKind { engine, sqlite_journal, sqlite_wal };
inline constexpr StoreKind kAllStores[] = {StoreKind::engine, StoreKind::sqlite_journal,
                                           StoreKind::sqlite_wal};

// `sqlite_cache_kib`: SQLite's page cache; 0 keeps SQLite's default.
std::unique_ptr<Store> make_store(StoreKind kind, uint32_t sqlite_cache_kib = 0);
const char* store_title(StoreKind kind);
// The file name (without directory) a store uses for a data set.
std::string store_file_name(StoreKind kind, const std::string& data_set);

}  // namespace bench
