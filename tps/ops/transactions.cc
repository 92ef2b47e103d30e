// LOGOUT, COMMIT, ROLLBACK, FLUSH, the view marks, and the commit policy that
// ends every operation.
#include "tps/errors/errors.h"
#include "tps/lock/lock_wait.h"
#include "tps/lock/station_locks.h"
#include "tps/lock/transaction.h"
#include "tps/ops/operations.h"

namespace tps {

namespace {

// Deferred commits wait for this many modified pages or deferred operations.
constexpr uint32_t kDeferredDirtyPages = 40;
constexpr uint32_t kDeferredOperations = 5000;
// Pause between two tries for the update byte while LOGOUT waits.
constexpr uint32_t kLogoutPauseMs = 10;
// What a header refresh answers for a file that is not a TPS file.
constexpr int kRejectedHeader = 1;

// Takes the update byte within `seconds`, before the file joins the
// transaction, so that a station changing the file for longer makes the
// LOGOUT fail instead of blocking the program. Returns 0 or 32.
int take_update_byte_within(FileObject& file, int32_t seconds) {
  LockDeadline deadline(seconds);
  for (;;) {
    const int error = file.locks().lock_update_byte(false);
    if (error == 0) return 0;
    if (!is_lock_conflict(error) || deadline.over()) return error::kFileAlreadyLocked;
    lock_wait(kLogoutPauseMs);
  }
}

}  // namespace

int logout_table(ControlBlock& cb, int32_t seconds) {
  if (!cb.is_open()) return error::kFileNotOpen;
  FileObject& file = *cb.file;
  const bool bounded = seconds >= 0 && !file.in_transaction() && file.sharing() == SharingClass::shared;
  if (!bounded) {
    logout(file);
    return 0;
  }
  // Out of reader mode first: a view held in reader mode is committed and
  // its reader slot given back before the update byte is waited for.
  file.switch_to_update_mode();
  if (int refused = take_update_byte_within(file, seconds)) return refused;
  logout(file);
  // The byte is already this handle's: the view takes it over at once, and
  // ends with it when the transaction ends.
  if (int error = file.refresh_header()) {
    TransactionList::process().forget(file);
    file.locks().unlock_update_byte();
    file.set_reader_mode(true);
    return error == kRejectedHeader ? error::kInvalidDataFile : error;
  }
  return 0;
}

int commit_tables(ControlBlock& cb) {
  FileObject* committing = cb.file;
  const std::vector<FileObject*>& listed = TransactionList::process().files();
  if (!committing && !listed.empty()) committing = listed.front();
  if (!committing) return 0;
  cb.deferred = 0;
  return commit_transaction(*committing);
}

int rollback_tables(ControlBlock& cb) {
  rollback_transaction();
  cb.deferred = 0;
  return 0;
}

int flush_table(ControlBlock& cb) {
  if (!cb.file) return 0;
  cb.deferred = 0;
  return cb.file->end_operation();
}

int enter_view(ControlBlock& cb) {
  if (!cb.table.status.deferred_commit) cb.in_view = true;
  return 0;
}

int end_view(ControlBlock& cb) {
  if (!cb.in_view) return 0;
  cb.in_view = false;
  return flush_table(cb);
}

int end_of_operation(ControlBlock& cb) {
  if (!cb.file) return 0;
  // A deferred build commits its own checkpoints; the calls its progress
  // reports make meanwhile leave the file to it.
  if (cb.maintenance.running_deferred) return 0;
  const TableStatus& status = cb.table.status;
  if (status.deferred_commit && cb.file->cache().dirty().size() < kDeferredDirtyPages &&
      cb.deferred < kDeferredOperations) {
    ++cb.deferred;
    return 0;
  }
  cb.deferred = 0;
  return cb.file->end_operation();
}

}  // namespace tps
