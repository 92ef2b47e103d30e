// HOLD, RELEASE, WATCH and NOMEMO set requests for the next read; LOCK and
// UNLOCK take and give back the table's lock byte.
#include "tps/lock/numbered_locks.h"
#include "tps/maint/trace_log.h"
#include "tps/ops/operations.h"

namespace tps {

int request_hold(ControlBlock& cb, int32_t seconds) {
  cb.hold_requested = true;
  cb.hold_seconds = seconds;
  return 0;
}

int release_hold(ControlBlock& cb) {
  if (cb.file) cb.release_held_record();
  return 0;
}

int request_watch(ControlBlock& cb) {
  cb.watch_requested = true;
  return 0;
}

int request_nomemo(ControlBlock& cb) {
  cb.nomemo_requested = true;
  return 0;
}

int lock_table_file(ControlBlock& cb, int32_t seconds) {
  return lock_table(*cb.file, cb.table_number, seconds, trace_line(cb));
}

int unlock_table_file(ControlBlock& cb) {
  unlock_table(*cb.file, cb.table_number);
  return 0;
}

}  // namespace tps
