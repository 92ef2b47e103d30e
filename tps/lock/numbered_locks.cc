#include "tps/lock/numbered_locks.h"

#include <algorithm>
#include <string>

#include "tps/commit/commit.h"
#include "tps/errors/errors.h"
#include "tps/page/file_object.h"

namespace tps {

namespace {

constexpr const char* kLockingFailedLine = "Locking failed with error ";

int take(FileObject& file, uint32_t number, const TraceLine& trace) {
  int error = file.locks().take_number(number, trace);
  file.lock_nesting() = file.locks().nesting();
  return error;
}

void give(FileObject& file, uint32_t number) {
  file.locks().give_number(number);
  file.lock_nesting() = file.locks().nesting();
}

int lock_table_without_limit(FileObject& file, uint32_t table_number, const TraceLine& trace) {
  for (;;) {
    int error = take(file, table_number, trace);
    if (error == 0) return 0;
    // A lock call that fails for another reason than a holder would fail
    // the same way for ever.
    if (!is_lock_conflict(error)) return error::kFileAlreadyLocked;
  }
}

}  // namespace

int lock_table(FileObject& file, uint32_t table_number, int32_t seconds, const TraceLine& trace) {
  if (seconds < 0) return lock_table_without_limit(file, table_number, trace);
  LockDeadline deadline(seconds);
  for (;;) {
    int error = take(file, table_number, trace);
    if (error == 0) return 0;
    if (trace) trace(kLockingFailedLine + std::to_string(error));
    if (!is_lock_conflict(error) || deadline.over()) return error::kFileAlreadyLocked;
    uint64_t remaining_ms = deadline.remaining_centiseconds() * 10;
    lock_wait(uint32_t(std::min<uint64_t>(kTimedLockPauseMs, remaining_ms)));
  }
}

void unlock_table(FileObject& file, uint32_t table_number) { give(file, table_number); }

int hold_record(FileObject& file, uint32_t record_number, const TraceLine& trace) {
  if (take(file, record_number, trace) == 0) return 0;
  file.end_operation();
  return error::kRecordAlreadyHeld;
}

int lock_record_for_put(FileObject& file, uint32_t record_number, const TraceLine& trace) {
  return take(file, record_number, trace) == 0 ? 0 : error::kAccessDenied;
}

int lock_record_for_delete(FileObject& file, uint32_t record_number, const TraceLine& trace) {
  return take(file, record_number, trace) == 0 ? 0 : error::kRecordNotAvailable;
}

void release_record(FileObject& file, uint32_t record_number) { give(file, record_number); }

void release_locks_of_faulty_table(FileObject& file, uint32_t table_number) {
  discard(file);
  StationLocks& locks = file.locks();
  locks.unlock_update_byte();
  locks.unlock_reader_slot();
  locks.unlock_writer();
  file.set_view_held(false);
  file.set_writer_lock_held(false);
  if (!file.in_transaction()) file.set_reader_mode(true);
  give(file, table_number);
}

}  // namespace tps
