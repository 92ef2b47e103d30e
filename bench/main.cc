// qv_bench: this engine's page tree side by side with SQLite on the same
// rows, each workload in a child process of its own, with the disk's flush
// cost and write bandwidth measured in the same directory. Prints one table.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_options.h"
#include "bench/child_run.h"
#include "bench/disk_limit.h"
#include "bench/result_table.h"
#include "bench/sqlite_store.h"
#include "bench/store.h"
#include "bench/workloads.h"

namespace bench {
namespace {

// The two-phase commit flushes twice in phase 1 and twice in the log reset.
constexpr double kEngineFlushesPerCommit = 4;

// The data sets of the three loads.
constexpr const char* kOneCommitSet = "one-commit";
constexpr const char* kBatchedSet = "batched";
constexpr const char* kKeyTableSet = "keys";

// Rows per commit of the key-table load: the load only prepares the builds.
constexpr uint32_t kKeyLoadBatch = 10'000;

using Results = std::map<std::pair<Workload, StoreKind>, WorkloadResult>;

std::string with_commas(uint64_t n) {
  std::string digits = std::to_string(n);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

const char* workload_name(Workload w) {
  switch (w) {
    case Workload::load_one_commit:
      return "insert, one commit";
    case Workload::load_batched:
      return "insert, batched commits";
    case Workload::find:
      return "exact finds";
    case Workload::scan:
      return "ordered scan";
    case Workload::commits:
      return "one-record commits";
    case Workload::key_load:
      return "key table load";
    case Workload::build_name_key:
      return "build name key";
    case Workload::build_number_key:
      return "build number key";
  }
  return "?";
}

WorkloadResult run_key_workload(Workload w, StoreKind kind, const Options& o,
                                const std::string& dir) {
  // Sort runs and SQLite's temporary files go next to the table's file.
  std::unique_ptr<KeyTableStore> store = make_key_table_store(kind, o.sqlite_cache_mib * 1024, dir);
  std::string path = dir + "/" + store_file_name(kind, kKeyTableSet);
  switch (w) {
    case Workload::key_load:
      return load_key_table(*store, path, o.records, kKeyLoadBatch);
    case Workload::build_name_key:
      return build_table_key(*store, path, BuiltKey::name, o.records);
    case Workload::build_number_key:
      return build_table_key(*store, path, BuiltKey::number, o.records);
    default:
      return {};
  }
}

WorkloadResult run_workload(Workload w, StoreKind kind, const Options& o, const std::string& dir) {
  if (w == Workload::key_load || w == Workload::build_name_key || w == Workload::build_number_key)
    return run_key_workload(w, kind, o, dir);
  std::unique_ptr<Store> store = make_store(kind, o.sqlite_cache_mib * 1024);
  std::string one = dir + "/" + store_file_name(kind, kOneCommitSet);
  std::string batched = dir + "/" + store_file_name(kind, kBatchedSet);
  switch (w) {
    case Workload::load_one_commit:
      return load(*store, one, o.records, o.records, o.order);
    case Workload::load_batched:
      return load(*store, batched, o.records, o.batch, o.order);
    case Workload::find:
      return find_every_key(*store, one, o.records);
    case Workload::scan:
      return scan_in_order(*store, one, o.records);
    case Workload::commits:
      return single_record_commits(*store, batched, o.records, o.commits, dir);
    default:
      return {};
  }
}

std::string make_directory(const Options& options, bool* created) {
  *created = false;
  if (!options.directory.empty()) {
    ::mkdir(options.directory.c_str(), 0755);
    return options.directory;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qv-bench-XXXXXX";
  if (!::mkdtemp(pattern.data())) return {};
  *created = true;
  return pattern;
}

void remove_files(const std::string& dir, bool created) {
  for (StoreKind kind : kAllStores) {
    for (const char* set : {kOneCommitSet, kBatchedSet, kKeyTableSet}) {
      std::string path = dir + "/" + store_file_name(kind, set);
      for (const std::string& f : make_store(kind)->files_of(path)) ::unlink(f.c_str());
    }
  }
  if (created) ::rmdir(dir.c_str());
}

// Builds one row: `cell` formats a store's result, `figure` gives the number
// the ratio columns divide (engine over SQLite; below 1 the engine is ahead),
// or is empty for a row without ratios.
class RowBuilder {
 public:
  RowBuilder(const Results& results, std::vector<std::string>* errors)
      : results_(results), errors_(errors) {}

  std::vector<std::string> row(const std::string& title, Workload w,
                               const std::function<std::string(const WorkloadResult&)>& cell,
                               const std::function<double(const WorkloadResult&)>& figure) {
    std::vector<std::string> cells{title};
    std::map<StoreKind, double> figures;
    for (StoreKind kind : kAllStores) {
      const WorkloadResult* r = find(w, kind);
      if (!r) {
        cells.push_back("-");
      } else if (!r->error.empty()) {
        cells.push_back("error");
        note_error(w, kind, r->error);
      } else {
        cells.push_back(cell(*r));
        if (figure) figures[kind] = figure(*r);
      }
    }
    for (StoreKind other : {StoreKind::sqlite_journal, StoreKind::sqlite_wal}) {
      bool both = figures.count(StoreKind::engine) && figures.count(other);
      cells.push_back(both ? format_ratio(figures[StoreKind::engine] / figures[other]) : "-");
    }
    return cells;
  }

 private:
  const WorkloadResult* find(Workload w, StoreKind kind) const {
    auto it = results_.find({w, kind});
    return it == results_.end() ? nullptr : &it->second;
  }

  void note_error(Workload w, StoreKind kind, const std::string& error) {
    std::string line = std::string(workload_name(w)) + ", " + store_title(kind) + ": " + error;
    for (const std::string& e : *errors_) {
      if (e == line) return;
    }
    errors_->push_back(line);
  }

  const Results& results_;
  std::vector<std::string>* errors_;
};

void print_table(const Results& results, const Options& o, const FlushCost& flush,
                 const WriteBandwidth& bandwidth) {
  std::vector<std::string> errors;
  RowBuilder rows(results, &errors);
  ResultTable table({"workload", store_title(StoreKind::engine),
                     store_title(StoreKind::sqlite_journal), store_title(StoreKind::sqlite_wal),
                     "engine/journal", "engine/WAL"});
  const std::string n = with_commas(o.records);
  auto total_and_rate = [](const WorkloadResult& r) {
    return format_duration(r.seconds) + " (" + format_rate(r.operations / r.seconds) + ")";
  };
  auto total = [](const WorkloadResult& r) { return r.seconds; };
  auto per_op = [](const WorkloadResult& r) { return r.seconds / double(r.operations); };
  // A commit is put in flushes of the probe flush made right after each of
  // its commits: both timed under the same load of the disk.
  auto flush_mean = [](const WorkloadResult& r) {
    return r.flushes ? r.flush_seconds / double(r.flushes) : 0.0;
  };
  auto in_flushes = [](double seconds, double flush) {
    return flush > 0 ? " = " + significant_text(seconds / flush) + " flushes" : std::string();
  };

  table.add_row(rows.row("insert " + n + ", one commit", Workload::load_one_commit,
                         total_and_rate, total));
  table.add_row(rows.row("insert " + n + ", commits of " + with_commas(o.batch),
                         Workload::load_batched, total_and_rate, total));
  table.add_row(rows.row("find " + n + " keys, random order (per find)", Workload::find,
                         [&](const WorkloadResult& r) { return format_duration(per_op(r)); },
                         per_op));
  table.add_row(rows.row("ordered scan of " + n, Workload::scan, total_and_rate, total));
  table.add_row(rows.row(
      "one-record commit, mean of " + with_commas(o.commits), Workload::commits,
      [&](const WorkloadResult& r) {
        return format_duration(per_op(r)) + in_flushes(per_op(r), flush_mean(r));
      },
      per_op));
  table.add_row(rows.row(
      "one-record commit, median", Workload::commits,
      [&](const WorkloadResult& r) {
        return format_duration(r.median_seconds) +
               in_flushes(r.median_seconds, r.flush_median_seconds);
      },
      [](const WorkloadResult& r) { return r.median_seconds; }));
  table.add_row(rows.row(
      "one-record commit, 99th percentile", Workload::commits,
      [](const WorkloadResult& r) { return format_duration(r.p99_seconds); },
      [](const WorkloadResult& r) { return r.p99_seconds; }));
  table.add_row(rows.row(
      "4 KiB fdatasync after each commit, mean / median", Workload::commits,
      [&](const WorkloadResult& r) {
        return format_duration(flush_mean(r)) + " / " + format_duration(r.flush_median_seconds);
      },
      nullptr));
  auto size = [](const WorkloadResult& r) { return double(r.bytes_on_disk); };
  auto size_cell = [](const WorkloadResult& r) { return format_bytes(double(r.bytes_on_disk)); };
  table.add_row(rows.row("file size after the one-commit load", Workload::load_one_commit,
                         size_cell, size));
  table.add_row(rows.row("file size after the batched load", Workload::load_batched, size_cell,
                         size));
  // Processor time of the same runs: less disturbed than wall time when
  // other processes share the machine, and blind to waiting for the disk.
  auto cpu = [](const WorkloadResult& r) { return r.cpu_seconds; };
  auto cpu_cell = [](const WorkloadResult& r) { return format_duration(r.cpu_seconds); };
  table.add_row(rows.row("CPU time: insert, one commit", Workload::load_one_commit, cpu_cell, cpu));
  table.add_row(rows.row("CPU time: insert, batched commits", Workload::load_batched, cpu_cell, cpu));
  table.add_row(rows.row(
      "CPU time: per find", Workload::find,
      [](const WorkloadResult& r) { return format_duration(r.cpu_seconds / double(r.operations)); },
      cpu));
  table.add_row(rows.row("CPU time: ordered scan", Workload::scan, cpu_cell, cpu));

  // The key builds: a load without keys kept, then each key built over all of it.
  table.add_row(rows.row("key table: load " + n + " rows, commits of " + with_commas(kKeyLoadBatch) +
                             ", keys not kept",
                         Workload::key_load, total_and_rate, total));
  const struct {
    Workload workload;
    const char* name;  // short, for the rows that follow the first
    const char* title;
  } builds[] = {
      {Workload::build_name_key, "name key",
       "STRING(40) NOCASE DUP / CREATE INDEX (name COLLATE NOCASE)"},
      {Workload::build_number_key, "number key", "LONG unique / CREATE UNIQUE INDEX (number)"},
  };
  for (const auto& b : builds) {
    const std::string key = b.name;
    table.add_row(rows.row("build " + key + ", " + b.title + ", " + n + " rows", b.workload,
                           total_and_rate, total));
    table.add_row(rows.row("CPU time: build " + key, b.workload, cpu_cell, cpu));
    // Where the engine's build goes: its two halves, its sort runs and
    // what its checkpoints write to the table's file.
    table.add_row(rows.row(
        "engine, " + key + ": reading and sorting / merging and inserting", b.workload,
        [](const WorkloadResult& r) {
          if (r.build.reading_seconds == 0) return std::string("-");
          return format_duration(r.build.reading_seconds) + " / " +
                 format_duration(r.seconds - r.build.reading_seconds);
        },
        nullptr));
    table.add_row(rows.row(
        "engine, " + key + ": sort runs spilled to files (their bytes)", b.workload,
        [](const WorkloadResult& r) {
          return r.build.sort_files ? with_commas(r.build.sort_files) + " (" +
                                          format_bytes(double(r.build.sort_bytes)) + ")"
                                    : std::string("-");
        },
        nullptr));
    table.add_row(rows.row(
        "engine, " + key + ": table file written in writes, flushes", b.workload,
        [](const WorkloadResult& r) {
          if (r.build.table_writes == 0) return std::string("-");
          return format_bytes(double(r.build.table_bytes)) + " in " +
                 with_commas(r.build.table_writes) + ", " + with_commas(r.build.table_flushes);
        },
        nullptr));
  }
  table.add_row(rows.row("file size after the key table load", Workload::key_load, size_cell, size));
  table.add_row(rows.row("file size after both key builds", Workload::build_number_key, size_cell,
                         size));
  auto peak = [](const WorkloadResult& r) { return double(r.peak_kib); };
  auto peak_cell = [](const WorkloadResult& r) { return format_bytes(double(r.peak_kib) * 1024); };
  for (Workload w : kAllWorkloads) {
    table.add_row(rows.row(std::string("peak memory: ") + workload_name(w), w, peak_cell, peak));
  }
  table.print(stdout);

  std::printf("\n");
  if (flush.flushes == 0) {
    std::printf("disk: not probed (the one-record commits did not run)\n");
  } else if (flush.error.empty()) {
    std::printf("disk: 4 KiB write + fdatasync: mean %s, median %s, %s\n",
                format_duration(flush.per_flush()).c_str(),
                format_duration(flush.median_seconds).c_str(),
                format_rate(1 / flush.per_flush()).c_str());
  } else {
    std::printf("disk: flush probe failed: %s\n", flush.error.c_str());
  }
  if (bandwidth.bytes == 0) {
  } else if (bandwidth.error.empty()) {
    std::printf("disk: sequential write of %s + one fdatasync: %s/s\n",
                format_bytes(double(bandwidth.bytes)).c_str(),
                format_bytes(bandwidth.bytes_per_second()).c_str());
  } else {
    std::printf("disk: write probe failed: %s\n", bandwidth.error.c_str());
  }
  auto engine = results.find({Workload::commits, StoreKind::engine});
  if (engine != results.end() && engine->second.error.empty() && flush_mean(engine->second) > 0) {
    const WorkloadResult& r = engine->second;
    std::printf(
        "engine one-record commit against the probe flush next to it: mean %.2f flushes, "
        "median %.2f flushes; the two-phase commit needs %.0f\n",
        per_op(r) / flush_mean(r), r.median_seconds / r.flush_median_seconds,
        kEngineFlushesPerCommit);
  }
  std::printf("ratios are engine / SQLite: below 1x the engine is faster (or smaller)\n");
  for (const std::string& e : errors) std::printf("ERROR %s\n", e.c_str());
}

int run(int argc, char** argv) {
  Options options;
  std::string message;
  if (!parse_options(argc, argv, &options, &message)) {
    std::fputs(message.c_str(), stderr);
    return message.rfind("usage", 0) == 0 ? 0 : 2;
  }
  bool created = false;
  std::string dir = make_directory(options, &created);
  if (dir.empty()) {
    std::perror("qv_bench: cannot make a directory");
    return 1;
  }
  std::printf("qv_bench: %s rows of a %zu-byte key and %zu bytes of data, %s insertion, commits "
              "of %s, %s one-record commits; SQLite %s with %s page cache; files in %s\n",
              with_commas(options.records).c_str(), kKeyLength, kDataLength,
              options.order == Order::random ? "random" : "ascending",
              with_commas(options.batch).c_str(), with_commas(options.commits).c_str(),
              sqlite_version(),
              options.sqlite_cache_mib
                  ? (std::to_string(options.sqlite_cache_mib) + " MiB").c_str()
                  : "its default",
              dir.c_str());
  std::printf("key builds: %s rows of a LONG, a STRING(40) name and a STRING(56) in an OEM table; "
              "the engine loads them as APPEND does and runs the key build, SQLite loads a table "
              "without indexes and runs CREATE INDEX; sort files go to the same directory\n\n",
              with_commas(options.records).c_str());
  std::fflush(stdout);

  Results results;
  bool failed = false;
  for (Workload w : options.workloads) {
    for (StoreKind kind : options.stores) {
      WorkloadResult r = run_in_child([&] { return run_workload(w, kind, options, dir); });
      std::fprintf(stderr, "  %-24s %-17s %s\n", workload_name(w), store_title(kind),
                   r.error.empty() ? format_duration(r.seconds).c_str() : r.error.c_str());
      failed |= !r.error.empty();
      results[{w, kind}] = r;
    }
  }
  // The disk's limits put the commit latencies in proportion.
  FlushCost flush;
  WriteBandwidth bandwidth;
  bool commits_ran = false;
  for (Workload w : options.workloads) commits_ran |= w == Workload::commits;
  if (commits_ran) {
    flush = measure_flush(dir, options.commits);
    bandwidth = measure_sequential_write(dir, options.write_bytes);
  }

  print_table(results, options, flush, bandwidth);
  if (!options.keep) remove_files(dir, created);
  return failed ? 1 : 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) { return bench::run(argc, argv); }
