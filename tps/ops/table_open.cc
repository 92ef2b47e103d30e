// OPEN, SHARE, CREATE and CLOSE: binding a declared table to its table in a
// shared file object, and letting go of it.
#include <utility>

#include "tps/commit/commit.h"
#include "tps/errors/fault.h"
#include "tps/key/key_descriptor.h"
#include "tps/lock/numbered_locks.h"
#include "tps/maint/dynamic_build.h"
#include "tps/ops/operations.h"
#include "tps/table/declaration_limits.h"
#include "tps/table/table_catalog.h"

namespace tps {

namespace {

FileRegistry& registry_for(const ControlBlock& cb) {
  return (cb.attributes & table_attr::kThread) ? FileRegistry::this_thread() : FileRegistry::process();
}

os::Share sharing_of(uint32_t mode) {
  switch (mode & access_mode::kSharingBits) {
    case access_mode::kDenyAll:
      return os::Share::deny_all;
    case access_mode::kDenyWrite:
      return os::Share::deny_write;
    case access_mode::kDenyRead:
      return os::Share::deny_read;
    default:
      return os::Share::deny_none;  // deny-none, or no sharing named
  }
}

// The OS file a declared name opens: its table part and the path found
// without regard to letter case. 0, or 45 for an empty or ambiguous name.
int locate(const ControlBlock& cb, FileRegistry& files, TableName& name, std::string& path) {
  if (cb.file_name.empty()) return error::kInvalidFilename;
  name = split_table_name(cb.file_name, files.file_system());
  if (name.file.empty()) return error::kInvalidFilename;
  ResolvedFile resolved = resolve_file_case(name.file, files.file_system());
  if (resolved.error) return resolved.error;
  path = std::move(resolved.path);
  return 0;
}

// Gives a file back after a failed OPEN or CREATE. Nothing of the failed
// operation may be committed by the release.
void give_back(FileRegistry& files, FileObject* file) {
  if (!file->in_transaction()) {
    discard(*file);
    file->set_reader_mode(true);
  }
  files.release(file);
}

// A declaration that knew no layout took the stored one: its keys and
// buffers follow the stored definition.
int adopt_stored_layout(ControlBlock& cb) {
  cb.bind_error = check_declaration_limits(cb.layout);
  if (cb.bind_error.ok()) cb.bind_error = build_key_descriptors(cb.layout, cb.keys);
  if (!cb.bind_error.ok()) {
    cb.detail = to_error_detail(cb.bind_error);
    return cb.bind_error.error;
  }
  cb.table.record.assign(cb.layout.record_length, 0);
  cb.table.memos.resize(cb.layout.memos.size());
  for (size_t i = 0; i < cb.layout.memos.size(); ++i) clear_memo_buffer(cb.layout.memos[i], cb.table.memos[i]);
  return 0;
}

// Steps 5 to 9 of OPEN on the acquired file.
int bind_open_table(ControlBlock& cb, FileObject& file, const TableName& name) {
  const bool layout_known = cb.layout.layout_known();
  OpenedTable opened = open_table(file, name.table, cb.layout, cb.options_.decimal_check);
  if (opened.error) {
    if (opened.error == error::kInvalidRecordDeclaration || opened.error == error::kInvalidFieldTypeDescriptor)
      cb.detail = to_error_detail(opened.declaration);
    return opened.error;
  }
  if (!layout_known) {
    if (int refused = adopt_stored_layout(cb)) return refused;
  }
  cb.table_number = opened.table_number;
  // A file keeps the code page it was created with, whatever the program
  // declares now.
  cb.oem = opened.stored_oem.value_or((cb.attributes & table_attr::kOem) != 0);
  cb.locale = opened.locale.value_or(process_locale());
  cb.records = std::make_unique<TableRecords>(file, cb.table_number, cb.layout, cb.oem);
  const size_t length = cb.layout.record_length;
  cb.saved.assign(length, 0);
  cb.stored_image.assign(length, 0);
  cb.watched_memos.assign(cb.layout.memos.size(), Bytes());
  cb.open_name = open_table_name(name);
  cb.split = name;
  return 0;
}

void reset_record_state(ControlBlock& cb) {
  cb.cursor = Cursor{};
  cb.current = 0;
  cb.last_set_key = -1;
  cb.clear_requests();
  cb.held = false;
  cb.held_record = 0;
  cb.watched = false;
  cb.memos_not_loaded = false;
  cb.deferred = 0;
  cb.in_view = false;
  cb.table.status.record_read = false;
  forget_dynamic_indexes(cb);
}

}  // namespace

int open_table_file(ControlBlock& cb, uint32_t mode) {
  if (cb.is_open()) {
    if (int error = close_table_file(cb)) return error;
    cb.refresh_names();
  }
  if (cb.file_name.empty()) return error::kInvalidFilename;
  if ((mode & access_mode::kAccessBits) == access_mode::kWriteOnly) return error::kAccessDenied;
  apply_driver_string(cb, cb.driver);

  FileRegistry& files = registry_for(cb);
  TableName name;
  std::string path;
  if (int error = locate(cb, files, name, path)) return error;
  OpenOptions options;
  options.write = (mode & access_mode::kAccessBits) == access_mode::kReadWrite;
  options.share = sharing_of(mode);
  options.password = cb.owner;
  FileObject* file = nullptr;
  if (int error = files.acquire(path, options, &file)) return error;

  int error;
  try {
    error = bind_open_table(cb, *file, name);
  } catch (...) {
    cb.records.reset();
    give_back(files, file);
    throw;
  }
  if (error) {
    cb.records.reset();
    give_back(files, file);
    return error;
  }
  cb.registry = &files;
  cb.file = file;
  cb.access_mode = mode;
  reset_record_state(cb);
  cb.table.status.open = true;
  return 0;
}

int create_table_file(ControlBlock& cb) {
  if (!(cb.attributes & table_attr::kCreate)) return error::kNoCreateAttribute;
  if (cb.is_open()) {
    if (int error = close_table_file(cb)) return error;
    cb.refresh_names();
  }
  FileRegistry& files = registry_for(cb);
  TableName name;
  std::string path;
  if (int error = locate(cb, files, name, path)) return error;
  OpenOptions options;
  options.write = true;
  options.share = os::Share::deny_none;
  options.create = true;
  options.password = cb.owner;
  FileObject* file = nullptr;
  if (int error = files.acquire(path, options, &file)) return error;
  try {
    file->switch_to_update_mode();
    if (int refused = file->refresh_header()) {
      give_back(files, file);
      return refused == 1 ? error::kInvalidDataFile : refused;
    }
    create_table(*file, name.table, cb.layout, process_locale());
  } catch (...) {
    give_back(files, file);
    throw;
  }
  const int committed = file->end_operation();
  files.release(file);
  return committed;
}

int close_table_file(ControlBlock& cb) {
  if (!cb.is_open()) {
    cb.fault = 0;
    return 0;
  }
  FileObject& file = *cb.file;
  int result = 0;
  if (cb.fault != 0) {
    release_locks_of_faulty_table(file, cb.table_number);
    cb.fault = 0;
    cb.held = false;
  } else {
    try {
      cb.release_held_record();
      result = file.end_operation();
      if (!file.in_transaction()) {
        file.truncate();
        file.end_operation();
      }
    } catch (const EngineFault&) {
      // The table goes anyway; what the file object holds is dropped.
      cb.records.reset();
      cb.table.status.open = false;
      cb.file = nullptr;
      give_back(*cb.registry, &file);
      cb.table_number = 0;
      throw;
    }
  }
  cb.records.reset();
  cb.registry->release(&file);
  cb.file = nullptr;
  cb.registry = nullptr;
  cb.table_number = 0;
  cb.table.status.open = false;
  reset_record_state(cb);
  return result;
}

}  // namespace tps
