#include "tps/maint/table_build.h"

#include "tps/key/key_build.h"
#include "tps/ops/operations.h"
#include "tps/table/record_keys.h"
#include "tps/tree/page_tree.h"

namespace tps {

namespace {

constexpr uint32_t kBuildOpenMode = access_mode::kReadWrite | access_mode::kDenyWrite;

bool writable(const ControlBlock& cb) { return (cb.access_mode & access_mode::kAccessBits) == access_mode::kReadWrite; }

int build_key_number(ControlBlock& cb, size_t key) {
  cb.file->switch_to_update_mode();
  PageTree tree(*cb.file);
  KeyBuildJob job;
  job.data_tree = &tree;
  job.table_number = cb.table_number;
  job.fields = &cb.layout.fields;
  job.oem = cb.oem;
  job.record_buffer = cb.buffer();
  job.record_length = cb.record_length();
  job.table_records = cb.records->count(kTableCounterIndex);
  job.collation = cb.collation();
  job.key = &cb.keys[key];
  job.key_tree = &tree;
  job.key_file = cb.file;
  job.counters = cb.records.get();
  job.full_build = cb.options_.full_build;
  job.sort_files = &cb.file->file_system();
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

int build_declared_keys(ControlBlock& cb) {
  int result = 0;
  for (size_t key = 0; key < cb.keys.size() && result == 0; ++key) {
    if (cb.layout.keys[key].attributes & key_attr::kIndex) continue;
    result = build_key_number(cb, key);
  }
  return result;
}

}  // namespace

int build_table_keys(ControlBlock& cb) {
  return with_table_for_build(cb, [&] { return build_declared_keys(cb); });
}

int build_one_key(ControlBlock& cb, int key) {
  if (cb.is_open() && !cb.valid_key(key)) return error::kInvalidNumberOfParameters;
  return with_table_for_build(cb, [&] {
    return cb.valid_key(key) ? build_key_number(cb, size_t(key)) : error::kInvalidNumberOfParameters;
  });
}

int pack_table(ControlBlock& cb) {
  return with_table_for_build(cb, [&] {
    int result = build_declared_keys(cb);
    if (result == 0) result = cb.file->end_operation();
    if (result == 0 && !cb.file->in_transaction()) {
      cb.file->truncate();
      result = cb.file->end_operation();
    }
    return result;
  });
}

int run_deferred_build(ControlBlock&) { return 0; }  // builds are never deferred yet

}  // namespace tps
