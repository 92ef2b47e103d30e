// Command-line options of the benchmark.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/records.h"
#include "bench/store.h"

namespace bench {

// The workloads, in the order they run: the finds and the scan read the
// file of the one-commit load, the one-record commits go into the file of
// the batched load, and both key builds into the file of the key-table load.
enum class Workload {
  load_one_commit, load_batched, find, scan, commits, key_load, build_name_key, build_number_key
};
inline constexpr Workload kAllWorkloads[] = {
    Workload::load_one_commit, Workload::load_batched,   Workload::find,
    Workload::scan,            Workload::commits,        Workload::key_load,
    Workload::build_name_key,  Workload::build_number_key};

struct Options {
  uint32_t records = 1'000'000;  // rows loaded, found and scanned; rows of the key builds
  uint32_t batch = 1'000;        // records per commit of the batched load
  uint32_t commits = 200;        // one-record commits timed (and flushes probed)
  uint64_t write_bytes = uint64_t{256} << 20;  // sequential write probe
  Order order = Order::random;   // insertion order of the loads
  uint32_t sqlite_cache_mib = 0;  // 0: SQLite's default page cache
  std::string directory;         // empty: a new directory under $TMPDIR or /tmp
  bool keep = false;             // keep the files after the run
  std::vector<StoreKind> stores{std::begin(kAllStores), std::end(kAllStores)};
  std::vector<Workload> workloads{std::begin(kAllWorkloads), std::end(kAllWorkloads)};
};

// Parses argv into *options. Returns false with a message in *error (the
// usage text for --help).
bool parse_options(int argc, char** argv, Options* options, std::string* error);

}  // namespace bench
