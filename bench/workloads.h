// The workloads, written once against the Store interface so that every
// store gets the same rows in the same order. Each one opens the store's
// file, measures only its own part (not the open), and closes the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/key_table_store.h"
#include "bench/records.h"
#include "bench/store.h"

namespace bench {

struct WorkloadResult {
  std::string error;          // empty: the workload ran and every check held
  double seconds = 0;         // wall time of the measured part
  double cpu_seconds = 0;     // processor time of the measured part (user and system)
  uint64_t operations = 0;    // records inserted, keys found, records scanned, commits
  double median_seconds = 0;  // per operation, where single operations are timed
  double p99_seconds = 0;
  // One-record commits: the probe flush made right after each commit
  // (disk_limit.h), so that commit and flush are timed under the same load.
  uint32_t flushes = 0;
  double flush_seconds = 0;  // for all of them
  double flush_median_seconds = 0;
  uint64_t bytes_on_disk = 0;  // every file of the store after closing
  long peak_kib = 0;           // peak resident memory of the process running it
  BuildFigures build;          // key builds
};

// Inserts rows 0..count-1 in `order` into a new file (an old one is removed), committing every
// `batch` records (batch >= count: one commit).
WorkloadResult load(Store& store, const std::string& path, uint32_t count, uint32_t batch,
                    Order order);
// Looks up every loaded key once, in a random order, each as one operation.
WorkloadResult find_every_key(Store& store, const std::string& path, uint32_t count);
// Reads every record in key order in one operation, checking order and bytes.
WorkloadResult scan_in_order(Store& store, const std::string& path, uint32_t count);
// `commits` transactions of one new record each, at random places among the
// `loaded` rows of the file, each followed by one probe flush of a file in
// `probe_directory`.
WorkloadResult single_record_commits(Store& store, const std::string& path, uint32_t loaded,
                                     uint32_t commits, const std::string& probe_directory);

// Creates the key-build table in a new file (an old one is removed) and adds
// rows 0..count-1 in that order without keeping its keys, committing every
// `batch` rows.
WorkloadResult load_key_table(KeyTableStore& store, const std::string& path, uint32_t count,
                              uint32_t batch);
// Builds `key` over the `count` rows of a file the load made, then checks
// (untimed) that it holds every row. The file must not have had the key built.
WorkloadResult build_table_key(KeyTableStore& store, const std::string& path, BuiltKey key,
                               uint32_t count);

// Size in bytes of every existing file among `paths`.
uint64_t bytes_on_disk(const std::vector<std::string>& paths);

}  // namespace bench
