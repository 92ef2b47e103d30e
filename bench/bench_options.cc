#include "bench/bench_options.h"

#include <cstdlib>
#include <sstream>

namespace bench {

namespace {

constexpr const char* kUsage =
    "usage: qv_bench [options]\n"
    "  --records=N     rows to load, find, scan and build keys over (default 1000000)\n"
    "  --batch=N       records per commit of the batched load (default 1000)\n"
    "  --commits=N     one-record commits to time; as many flushes are probed (default 200)\n"
    "  --write-mib=N   MiB written by the sequential write probe (default 256)\n"
    "  --order=O       insertion order of the loads: random (default) or ascending\n"
    "  --stores=LIST   comma-separated subset of engine,journal,wal (default all)\n"
    "  --workloads=LIST  comma-separated subset of load,batched,find,scan,commits,keyload,\n"
    "                  buildname,buildnumber; keys for the last three (default all; find\n"
    "                  and scan need a kept load, commits a kept batched load, each key\n"
    "                  build a kept keyload on which that key was not built yet)\n"
    "  --sqlite-cache-mib=N  SQLite's page cache (default: SQLite's own default)\n"
    "  --dir=PATH      directory for the files (default: a new one under $TMPDIR or /tmp)\n"
    "  --keep          keep the files afterwards\n"
    "  --quick         100000 rows, 50 commits, 64 MiB probe: about a minute\n";

bool parse_count(const std::string& text, uint64_t* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (*end != '\0' || value == 0) return false;
  *out = value;
  return true;
}

bool parse_stores(const std::string& text, std::vector<StoreKind>* out) {
  out->clear();
  std::stringstream list(text);
  std::string name;
  while (std::getline(list, name, ',')) {
    if (name == "engine") {
      out->push_back(StoreKind::engine);
    } else if (name == "journal") {
      out->push_back(StoreKind::sqlite_journal);
    } else if (name == "wal") {
      out->push_back(StoreKind::sqlite_wal);
    } else {
      return false;
    }
  }
  return !out->empty();
}

bool parse_workloads(const std::string& text, std::vector<Workload>* out) {
  out->clear();
  std::stringstream list(text);
  std::string name;
  while (std::getline(list, name, ',')) {
    if (name == "load") {
      out->push_back(Workload::load_one_commit);
    } else if (name == "batched") {
      out->push_back(Workload::load_batched);
    } else if (name == "find") {
      out->push_back(Workload::find);
    } else if (name == "scan") {
      out->push_back(Workload::scan);
    } else if (name == "commits") {
      out->push_back(Workload::commits);
    } else if (name == "keyload") {
      out->push_back(Workload::key_load);
    } else if (name == "buildname") {
      out->push_back(Workload::build_name_key);
    } else if (name == "buildnumber") {
      out->push_back(Workload::build_number_key);
    } else if (name == "keys") {
      out->insert(out->end(), {Workload::key_load, Workload::build_name_key, Workload::build_number_key});
    } else {
      return false;
    }
  }
  return !out->empty();
}

}  // namespace

bool parse_options(int argc, char** argv, Options* options, std::string* error) {
  // --quick sets the sizes first, so that any size given with it wins.
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--quick") {
      options->records = 100'000;
      options->commits = 50;
      options->write_bytes = uint64_t{64} << 20;
    }
  }
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    size_t eq = arg.find('=');
    std::string name = arg.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : arg.substr(eq + 1);
    uint64_t n = 0;
    bool ok = true;
    if (name == "--help" || name == "-h") {
      *error = kUsage;
      return false;
    } else if (name == "--quick") {
      continue;
    } else if (name == "--keep") {
      options->keep = true;
    } else if (name == "--records") {
      ok = parse_count(value, &n) && n <= 100'000'000;
      options->records = uint32_t(n);
    } else if (name == "--batch") {
      ok = parse_count(value, &n) && n <= UINT32_MAX;
      options->batch = uint32_t(n);
    } else if (name == "--commits") {
      ok = parse_count(value, &n) && n <= 1'000'000;
      options->commits = uint32_t(n);
    } else if (name == "--write-mib") {
      ok = parse_count(value, &n) && n <= 65536;
      options->write_bytes = n << 20;
    } else if (name == "--order") {
      ok = value == "random" || value == "ascending";
      options->order = value == "ascending" ? Order::ascending : Order::random;
    } else if (name == "--stores") {
      ok = parse_stores(value, &options->stores);
    } else if (name == "--sqlite-cache-mib") {
      ok = parse_count(value, &n) && n <= 65536;
      options->sqlite_cache_mib = uint32_t(n);
    } else if (name == "--workloads") {
      ok = parse_workloads(value, &options->workloads);
    } else if (name == "--dir") {
      ok = !value.empty();
      options->directory = value;
    } else {
      ok = false;
    }
    if (!ok) {
      *error = "bad option: " + arg + "\n" + kUsage;
      return false;
    }
  }
  return true;
}

}  // namespace bench
