#include "tps/maint/table_maintenance.h"

#include <algorithm>
#include <string>
#include <vector>

#include "tps/base/bytes.h"
#include "tps/ops/operations.h"
#include "tps/options/table_name.h"
#include "tps/table/record_keys.h"
#include "tps/table/table_catalog.h"
#include "tps/tree/page_tree.h"

namespace tps {

namespace {

constexpr uint32_t kReadWriteShared = access_mode::kReadWrite | access_mode::kDenyNone;
constexpr size_t kCopyBlock = 64 * 1024;

// One stored record, copied out of the page cache.
struct StoredRecord {
  Bytes bytes;
  uint16_t key_length = 0;
};

// Every record whose key starts with `prefix`, in key order.
std::vector<StoredRecord> records_with_prefix(PageTree& tree, const Bytes& prefix) {
  std::vector<StoredRecord> found;
  auto take = [&](const RecordRef& ref) {
    found.push_back({Bytes(ref.record->bytes(), ref.record->bytes() + ref.record->length), ref.record->key_length});
  };
  if (RecordRef exact = tree.find_exact(prefix.data(), prefix.size())) take(exact);
  for (RecordRef ref = tree.find_first_after(prefix.data(), prefix.size());
       ref && ref.record->key_length >= prefix.size() &&
       std::equal(prefix.begin(), prefix.end(), ref.record->bytes());) {
    take(ref);
    const Bytes& last = found.back().bytes;
    ref = tree.find_first_after(last.data(), found.back().key_length, &ref);
  }
  return found;
}

void remove_record(PageTree& tree, const StoredRecord& record) { tree.remove(record.bytes.data(), record.key_length); }

void insert_record(PageTree& tree, const StoredRecord& record) {
  tree.insert(record.bytes.data(), uint16_t(record.bytes.size()), record.key_length);
}

bool writable(const ControlBlock& cb) { return (cb.access_mode & access_mode::kAccessBits) == access_mode::kReadWrite; }

// Opens the table read/write, deny none, for a maintenance operation;
// `opened_here` tells the caller to close it again.
int ensure_open_for_writing(ControlBlock& cb, bool& opened_here) {
  opened_here = false;
  if (cb.is_open()) return writable(cb) ? 0 : error::kAccessDenied;
  if (int error = open_table_file(cb, kReadWriteShared)) return error;
  opened_here = true;
  return 0;
}

// A fresh records object: the counter handles of the old one may point at
// records just deleted.
void renew_records(ControlBlock& cb) {
  cb.records = std::make_unique<TableRecords>(*cb.file, cb.table_number, cb.layout, cb.oem);
  cb.cursor = Cursor{};
  cb.current = 0;
  cb.table.status.record_read = false;
}

}  // namespace

// --- REMOVE -------------------------------------------------------------------

int remove_table(ControlBlock& cb) {
  if (cb.is_open() && !writable(cb)) {
    if (int error = close_table_file(cb)) return error;
    cb.refresh_names();
  }
  bool opened_here = false;
  if (int error = ensure_open_for_writing(cb, opened_here)) return error;
  FileObject& file = *cb.file;
  const std::string path = file.name();
  os::FileSystem& fs = file.file_system();
  file.switch_to_update_mode();
  delete_table_name(file, cb.split.table);
  // Every record goes even when the OS file is to go too: should the file
  // survive (another station still has it open), it holds no half table.
  delete_table_records(file, cb.table_number);
  const bool last_table = table_names(file).empty();
  cb.release_held_record();
  if (int error = close_table_file(cb)) return error;
  if (last_table) fs.remove(path);
  return 0;
}

// --- EMPTY --------------------------------------------------------------------

int empty_table(ControlBlock& cb) {
  if (!writable(cb)) return error::kAccessDenied;
  cb.release_held_record();
  FileObject& file = *cb.file;
  file.switch_to_update_mode();
  PageTree tree(file);
  // The definition and the locale record stay as they are: the locale holds
  // the code page the table's text is stored in, which an empty table keeps.
  for (const StoredRecord& record : records_with_prefix(tree, table_key_prefix(cb.table_number))) {
    const RecordKeyParts parts = decode_record_key(record.bytes.data(), record.key_length);
    if (parts.kind == RecordKind::kDefinition || parts.kind == RecordKind::kLocale) continue;
    remove_record(tree, record);
  }
  const Bytes zero = counter_record_data(0, 0);
  auto write_zero_counter = [&](uint8_t index) {
    Bytes record = counter_record_key(cb.table_number, index);
    const uint16_t key_length = uint16_t(record.size());
    record.insert(record.end(), zero.begin(), zero.end());
    insert_record(tree, {record, key_length});
  };
  write_zero_counter(kTableCounterIndex);
  for (size_t key = 0; key < cb.keys.size(); ++key) write_zero_counter(uint8_t(key));
  renew_records(cb);
  return 0;
}

// --- COPY and RENAME ------------------------------------------------------------

namespace {

// Copies the OS file `from` to `to`. Refuses (non-zero) while any station
// writes the source or uses the target, so the copy is never torn.
int copy_os_file(os::FileSystem& fs, const std::string& from, const std::string& to) {
  std::unique_ptr<os::File> source;
  if (int error = fs.open(from, {os::Access::read, os::Share::deny_write, os::Disposition::open_existing}, &source))
    return error;
  std::unique_ptr<os::File> target;
  if (int error = fs.open(to, {os::Access::read_write, os::Share::deny_all, os::Disposition::create_always}, &target))
    return error;
  std::vector<uint8_t> block(kCopyBlock);
  uint64_t offset = 0;
  for (;;) {
    const int64_t got = source->read_at(offset, block.data(), block.size());
    if (got < 0) return EIO;
    if (got == 0) break;
    if (target->write_at(offset, block.data(), size_t(got)) != got) return EIO;
    offset += uint64_t(got);
  }
  return target->flush();
}

// Moves the OS file `from` to `to`, only while no station has it open and
// never over an existing file.
int move_os_file(os::FileSystem& fs, const std::string& from, const std::string& to) {
  if (fs.exists(to)) return EEXIST;
  std::unique_ptr<os::File> source;
  if (int error = fs.open(from, {os::Access::read_write, os::Share::deny_all, os::Disposition::open_existing}, &source))
    return error;
  return fs.rename(from, to);
}

// The whole-file case: 0 when done, non-zero to fall back to the table copy.
int copy_whole_file(ControlBlock& cb, os::FileSystem& fs, const std::string& target, bool rename) {
  const TableName source = split_table_name(cb.file_name, fs);
  if (source.file.empty()) return error::kInvalidFilename;
  ResolvedFile from = resolve_file_case(source.file, fs);
  if (from.error) return from.error;
  const std::string to = with_default_extension(target);
  if (from.path == to) return EEXIST;
  if (rename) {
    if (cb.is_open()) return EBUSY;
    return move_os_file(fs, from.path, to);
  }
  return copy_os_file(fs, from.path, to);
}

// Moves record numbers up by `offset` in one record of the copied table;
// returns the highest record number the record carries afterwards.
uint32_t renumber(StoredRecord& record, uint32_t table, uint32_t offset) {
  store_u32be(record.bytes.data(), table);
  const RecordKeyParts parts = decode_record_key(record.bytes.data(), record.key_length);
  uint8_t* bytes = record.bytes.data();
  switch (parts.kind) {
    case RecordKind::kData:
    case RecordKind::kMemo: {
      const uint32_t moved = load_u32be(bytes + 5) + offset;
      store_u32be(bytes + 5, moved);
      return moved;
    }
    case RecordKind::kKey: {
      uint8_t* number = bytes + record.bytes.size() - 4;
      const uint32_t moved = load_u32be(number) + offset;
      store_u32be(number, moved);
      return moved;
    }
    case RecordKind::kCounter: {
      // A key's mark is a record number (where the key went out of date);
      // the table's mark holds flags and is kept as it is.
      if (parts.index == kTableCounterIndex || record.bytes.size() < size_t(record.key_length) + kCounterDataLength)
        return 0;
      uint8_t* mark = bytes + record.key_length + 4;
      if (load_u32le(mark) != 0) store_u32le(mark, load_u32le(mark) + offset);
      return 0;
    }
    default:
      return 0;
  }
}

void write_name_record(FileObject& file, std::string_view name, uint32_t table) {
  PageTree tree(file);
  Bytes record = table_name_record_key(name);
  const uint16_t key_length = uint16_t(record.size());
  const Bytes data = table_name_record_data(table);
  record.insert(record.end(), data.begin(), data.end());
  insert_record(tree, {record, key_length});
}

// Step 4 of the table copy: every record of the source into `target` under
// a new table number, record numbers moved up. Returns the new number.
uint32_t copy_records(FileObject& source, uint32_t source_table, FileObject& target) {
  PageTree source_tree(source);
  std::vector<StoredRecord> records = records_with_prefix(source_tree, table_key_prefix(source_table));
  target.switch_to_update_mode();
  const uint32_t table = load_u32be(target.next_number().data());
  const uint32_t offset = target.header().number_counter();
  uint32_t highest = offset;
  PageTree target_tree(target);
  for (StoredRecord& record : records) {
    highest = std::max(highest, renumber(record, table, offset));
    insert_record(target_tree, record);
  }
  if (highest > target.header().number_counter()) {
    store_u32be(target.header().number_counter_bytes(), highest);
    target.set_changed(true);
  }
  return table;
}

// The table-level copy on the open source table.
int copy_table_level(ControlBlock& cb, const TableName& to, const std::string& path, bool rename) {
  FileRegistry& files = *cb.registry;
  OpenOptions options;
  options.write = true;
  options.share = os::Share::deny_none;
  options.create = true;
  options.password = cb.owner;
  FileObject* target = nullptr;
  if (int error = files.acquire(path, options, &target)) return error;
  FileObject& source = *cb.file;
  const bool same_file = target == &source;
  int result = 0;
  try {
    target->switch_to_update_mode();
    if (int refused = target->refresh_header()) {
      files.release(target);
      return refused == 1 ? error::kInvalidDataFile : refused;
    }
    const std::optional<uint32_t> existing = find_table(*target, to.table);
    if (existing && same_file && *existing == cb.table_number) {
      // Onto itself: COPY would delete what it copies, RENAME changes nothing.
      files.release(target);
      return error::kAccessDenied;
    }
    if (existing && rename) {
      files.release(target);
      return error::kAccessDenied;
    }
    if (existing) {
      delete_table_name(*target, to.table);
      delete_table_records(*target, *existing);
    }
    source.switch_to_update_mode();
    uint32_t table = cb.table_number;
    if (rename) delete_table_name(source, cb.split.table);
    if (!(rename && same_file)) table = copy_records(source, cb.table_number, *target);
    write_name_record(*target, to.table, table);
    // The target is committed before the source loses anything, so a failure
    // between the two leaves the table twice rather than nowhere.
    result = target->end_operation();
    if (result == 0 && rename && !same_file) delete_table_records(source, cb.table_number);
  } catch (...) {
    files.release(target);
    throw;
  }
  files.release(target);
  return result;
}

}  // namespace

int copy_table(ControlBlock& cb, std::string_view target, bool rename) {
  if (target.empty()) return error::kInvalidFilename;
  os::FileSystem& fs = cb.registry ? cb.registry->file_system() : FileRegistry::process().file_system();
  const std::string target_text(target);
  const bool names_table = cb.file_name.find(kTableSeparator) != std::string::npos ||
                           target_text.find(kTableSeparator) != std::string::npos;
  if (!names_table && copy_whole_file(cb, fs, target_text, rename) == 0) return 0;

  // The target's table part is compared upper case; its file part keeps its
  // letters, which name a file on a case-sensitive system.
  TableName to = split_table_name(target_text, fs);
  if (to.file.empty()) return error::kInvalidFilename;
  ResolvedFile path = resolve_file_case(to.file, fs);
  if (path.error) return path.error;

  bool opened_here = false;
  if (int error = ensure_open_for_writing(cb, opened_here)) return error;
  int result = copy_table_level(cb, to, path.path, rename);
  if (result == 0 && rename && cb.file->name() == path.path) {
    // Renamed within its file: the open table now goes by the new name.
    cb.split.table = to.table;
    cb.open_name = open_table_name(cb.split);
  }
  if (opened_here) {
    const int closed = close_table_file(cb);
    if (result == 0) result = closed;
  }
  return result;
}

}  // namespace tps
