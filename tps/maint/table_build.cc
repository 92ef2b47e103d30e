#include "tps/maint/table_build.h"

#include <algorithm>
#include <memory>
#include <string>

#include "tps/errors/fault.h"
#include "tps/key/key_build.h"
#include "tps/maint/build_events.h"
#include "tps/maint/dynamic_build.h"
#include "tps/ops/operations.h"
#include "tps/table/record_keys.h"
#include "tps/tree/page_tree.h"

namespace tps {

namespace {

constexpr uint32_t kBuildOpenMode = access_mode::kReadWrite | access_mode::kDenyWrite;
constexpr int kFullPercent = 100;

bool writable(const ControlBlock& cb) { return (cb.access_mode & access_mode::kAccessBits) == access_mode::kReadWrite; }

// Spreads a deferred build's progress reports over the keys it builds, so
// that the sink sees one rising percentage for the whole build.
class BuildReporter {
 public:
  BuildReporter(DeclaredTable& table, int events, size_t keys)
      : table_(table), events_(events), keys_(std::max<size_t>(1, keys)) {}

  // The progress of the build of the `index`th key (0-based) of the build.
  BuildProgress for_key(size_t index) const {
    BuildProgress progress;
    if (events_ <= 0) return progress;
    progress.events = std::max(1, events_ / int(keys_));
    progress.report = [this, index](int percent) {
      BuildEvents* sink = build_events();
      if (!sink) return true;
      return sink->build_progress(table_, int((index * kFullPercent + size_t(percent)) / keys_));
    };
    return progress;
  }

 private:
  DeclaredTable& table_;
  int events_;   // reports over the whole build; 0: none
  size_t keys_;  // keys the build covers
};

int build_key_number(ControlBlock& cb, size_t key, const BuildProgress& progress) {
  cb.file->switch_to_update_mode();
  PageTree tree(*cb.file);
  KeyBuildJob job = key_build_job(cb, tree, key, progress);
  job.key_tree = &tree;
  job.key_file = cb.file;
  job.counters = cb.records.get();
  job.full_build = cb.options_.full_build;
  return build_key(job);
}

// Runs `build` on the table opened for writing, opening it for the build
// when it is closed.
template <typename Build>
int with_table_for_build(ControlBlock& cb, Build build) {
  bool opened_here = false;
  if (cb.is_open()) {
    if (!writable(cb)) return error::kAccessDenied;
  } else {
    if (int error = open_table_file(cb, kBuildOpenMode)) return error;
    opened_here = true;
  }
  cb.release_held_record();
  int result = build();
  cb.forget_current_record();
  if (opened_here) {
    const int closed = close_table_file(cb);
    if (result == 0) result = closed;
  }
  return result;
}

bool is_declared_key(const ControlBlock& cb, size_t key) { return !(cb.layout.keys[key].attributes & key_attr::kIndex); }

// FULLBUILD: the table's locale record takes the process tables, so that
// the keys rebuilt next collate as a table created now would. The stored
// OEM flag stays: it says how the stored text is encoded.
void rewrite_locale_record(ControlBlock& cb) {
  cb.file->switch_to_update_mode();
  PageTree tree(*cb.file);
  const Bytes key = locale_record_key(cb.table_number);
  if (tree.find_exact(key.data(), key.size())) tree.remove(key.data(), key.size());
  Bytes record = key;
  const Bytes data = locale_record_data(cb.oem, process_locale().bytes().data());
  record.insert(record.end(), data.begin(), data.end());
  tree.insert(record.data(), uint16_t(record.size()), uint16_t(key.size()));
  cb.locale = process_locale();
}

int build_declared_keys(ControlBlock& cb, int progress_events) {
  if (cb.options_.full_build) rewrite_locale_record(cb);
  size_t building = 0;
  for (size_t key = 0; key < cb.keys.size(); ++key) building += is_declared_key(cb, key) ? 1 : 0;
  const BuildReporter reporter(cb.table, progress_events, building);
  size_t built = 0;
  for (size_t key = 0; key < cb.keys.size(); ++key) {
    if (!is_declared_key(cb, key)) continue;
    if (int error = build_key_number(cb, key, reporter.for_key(built++))) return error;
  }
  return 0;
}

int pack_now(ControlBlock& cb, int progress_events) {
  int result = build_declared_keys(cb, progress_events);
  if (result == 0) result = cb.file->end_operation();
  if (result == 0 && !cb.file->in_transaction()) {
    cb.file->truncate();
    result = cb.file->end_operation();
  }
  return result;
}

// Runs `request` now; `progress_events` > 0 reports to the build event sink.
int run_build(ControlBlock& cb, const BuildRequest& request, int progress_events) {
  switch (request.operation) {
    case op::kBuildFile:
      return with_table_for_build(cb, [&] { return build_declared_keys(cb, progress_events); });
    case op::kPack:
      return with_table_for_build(cb, [&] { return pack_now(cb, progress_events); });
    case op::kBuildKey:
      return with_table_for_build(cb, [&] {
        if (!cb.valid_key(request.key)) return error::kInvalidNumberOfParameters;
        return build_key_number(cb, size_t(request.key), BuildReporter(cb.table, progress_events, 1).for_key(0));
      });
    default:
      return with_table_for_build(cb, [&] {
        if (int error = check_dynamic_build(cb, request.key, request.key_string)) return error;
        const BuildReporter reporter(cb.table, progress_events, 1);
        return build_dynamic_index(cb, request.key, request.key_string, request.filter, reporter.for_key(0));
      });
  }
}

// What can be refused before a build is deferred, so that the call, not
// the later 84, reports it. A table whose layout comes from its file is
// checked when the build opens it.
int check_request(const ControlBlock& cb, const BuildRequest& request) {
  if (cb.is_open() && !writable(cb)) return error::kAccessDenied;
  if (!cb.is_open() && !cb.layout.layout_known()) return 0;
  switch (request.operation) {
    case op::kBuildKey:
      return cb.valid_key(request.key) ? 0 : error::kInvalidNumberOfParameters;
    case op::kBuildDyn:
    case op::kBuildDynFilter:
      return check_dynamic_build(cb, request.key, request.key_string);
    default:
      return 0;
  }
}

// Remembers `request` with copies of its strings and filter, uses up the
// progress setting and posts the build; 84 runs it later.
int defer_build(ControlBlock& cb, const BuildRequest& request) {
  auto pending = std::make_unique<PendingBuild>();
  pending->operation = request.operation;
  pending->key = request.key;
  pending->key_string = std::string(request.key_string);
  if (request.filter) pending->filter = request.filter->clone();
  pending->progress_events = cb.maintenance.progress_events;
  cb.maintenance.pending = std::move(pending);
  cb.maintenance.progress_events = 0;
  cb.table.status.progress = false;
  cb.table.status.deferred_build = true;
  if (BuildEvents* sink = build_events()) sink->build_posted(cb.table);
  return 0;
}

// Marks a deferred build as running for its duration: the end of the
// operations the sink makes meanwhile leaves the commits to the build.
class RunningDeferred {
 public:
  explicit RunningDeferred(ControlBlock& cb) : cb_(cb) { cb_.maintenance.running_deferred = true; }
  ~RunningDeferred() { cb_.maintenance.running_deferred = false; }
  RunningDeferred(const RunningDeferred&) = delete;
  RunningDeferred& operator=(const RunningDeferred&) = delete;

 private:
  ControlBlock& cb_;
};

BuildRequest whole_table_build(int operation) {
  BuildRequest request;
  request.operation = operation;
  return request;
}

}  // namespace

int request_build(ControlBlock& cb, const BuildRequest& request) {
  if (int error = check_request(cb, request)) return error;
  if (cb.maintenance.progress_events > 0) return defer_build(cb, request);
  return run_build(cb, request, 0);
}

int build_table_keys(ControlBlock& cb) { return request_build(cb, whole_table_build(op::kBuildFile)); }

int build_one_key(ControlBlock& cb, int key) {
  BuildRequest request;
  request.operation = op::kBuildKey;
  request.key = key;
  return request_build(cb, request);
}

int pack_table(ControlBlock& cb) { return request_build(cb, whole_table_build(op::kPack)); }

int run_deferred_build(ControlBlock& cb) {
  std::unique_ptr<PendingBuild> pending = std::move(cb.maintenance.pending);
  cb.table.status.deferred_build = false;
  if (!pending) return 0;
  const BuildRequest request{pending->operation, pending->key, pending->key_string, pending->filter.get()};
  RunningDeferred running(cb);
  try {
    return run_build(cb, request, pending->progress_events);
  } catch (const EngineFault& fault) {
    if (BuildEvents* sink = build_events()) sink->build_failed(cb.table, fault_error(fault.code()));
    throw;  // the entry point latches it and answers 90
  }
}

KeyBuildJob key_build_job(ControlBlock& cb, PageTree& data, size_t key, const BuildProgress& progress) {
  KeyBuildJob job;
  job.data_tree = &data;
  job.table_number = cb.table_number;
  job.fields = &cb.layout.fields;
  job.oem = cb.oem;
  job.record_buffer = cb.buffer();
  job.record_length = cb.record_length();
  job.table_records = cb.records->count(kTableCounterIndex);
  job.collation = cb.collation();
  job.key = &cb.keys[key];
  job.progress = progress;
  job.sort_files = &cb.file->file_system();
  return job;
}

}  // namespace tps
