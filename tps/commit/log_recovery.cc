#include "tps/commit/log_recovery.h"

#include <vector>

#include "tps/commit/commit.h"
#include "tps/errors/fault.h"
#include "tps/page/file_object.h"
#include "tps/tree/page_tree.h"

namespace tps {

namespace {

constexpr uint8_t kTransactionLinkKey = 0xFF;

// Records every log entry's home in the log map. False when the log cannot
// be walked to its end (cut short, or entries that do not fit together).
bool walk_log(FileObject& file, uint32_t start, uint32_t end) {
  file.log_map().clear();
  if (end < start) return false;
  uint8_t entry[kPageUnit];
  for (uint64_t at = start; at != end;) {
    if (end - at < kPageUnit) return false;  // not even one whole entry left
    if (file.read_bytes(at, entry, kPageUnit) != int64_t(kPageUnit)) return false;
    uint32_t home = load_u32le(entry);
    uint32_t length = round_up_to_unit(load_u16le(entry + 4));
    bool header_entry = home == 0 && length == FileHeader::kSize;
    bool page_entry = home >= kPageSpaceStart && (home - kPageSpaceStart) % kPageUnit == 0 &&
                      length >= kPageUnit && length <= kLargestImage;
    if (!header_entry && !page_entry) return false;
    if (at + length > end) return false;
    file.log_map()[home] = uint32_t(at);
    at += length;
  }
  return file.log_map().count(0) == 1;
}

bool read_logged_header(FileObject& file) {
  FileHeader logged;
  int64_t got = file.read_bytes(file.mapped_offset(0), logged.bytes(), FileHeader::kSize);
  if (got != int64_t(FileHeader::kSize) || !logged.valid()) return false;
  file.header() = logged;
  return true;
}

// A logged state that carries a transaction link record belongs to a commit
// spanning several files; the transaction layer decides whether it reached
// its commit point.
bool transaction_pending(FileObject& file) {
  try {
    PageTree tree(file);
    if (!tree.find_exact(&kTransactionLinkKey, 1)) return false;
  } catch (const EngineFault&) {
    return true;  // an unreadable logged state is never applied
  }
  const auto& check = FileObject::transaction_check();
  return check ? check(file) : true;
}

void replay(FileObject& file, uint32_t start, uint32_t end) {
  std::vector<uint8_t> entry(kLargestImage);
  for (uint64_t at = start; at < end;) {
    file.checked_read(at, entry.data(), kPageUnit);
    uint32_t home = load_u32le(entry.data());
    uint32_t length = round_up_to_unit(load_u16le(entry.data() + 4));
    if (length > kPageUnit) file.checked_read(at + kPageUnit, entry.data() + kPageUnit, length - kPageUnit);
    file.write_bytes(home, entry.data(), length);
    at += length;
  }
}

// Runs `work` holding the update byte when the sharing class asks for it.
template <typename Work>
int with_update_byte(FileObject& file, Work work) {
  bool take = file.sharing() == SharingClass::deny_write;
  if (take && file.locks().lock_update_byte(true) != 0) return 5;
  int result = work();
  if (take) file.locks().unlock_update_byte();
  return result;
}

int reread_header(FileObject& file) {
  file.checked_read(0, file.header().bytes(), FileHeader::kSize);
  return file.header().valid() ? 0 : 1;
}

}  // namespace

int recover_log(FileObject& file) {
  const uint32_t start = file.header().log_start();
  const uint32_t end = file.header().log_end();
  bool complete = false;
  try {
    complete = walk_log(file, start, end) && read_logged_header(file);
  } catch (const EngineFault&) {
    complete = false;
  }
  bool keep_old_state = !complete || transaction_pending(file);

  if (keep_old_state) {
    file.drop_cache();
    if (int error = reread_header(file)) return error;
    if (file.reader_mode()) return 0;
    file.clear_write_error();
    int error = with_update_byte(file, [&] { return reset_log(file); });
    if (error) return error;
    return reread_header(file);
  }
  if (file.reader_mode()) return 0;  // read through the log, write nothing

  file.drop_cache();
  file.clear_write_error();
  int error = with_update_byte(file, [&] {
    replay(file, start, end);
    return reset_log(file);
  });
  if (error) return error;
  return reread_header(file);
}

}  // namespace tps
