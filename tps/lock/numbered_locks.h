// LOCK of a table and HOLD of a record: the lock byte 1025 + n of the
// table's or record's number n (both come from the file's one number
// counter, so they never coincide), with nesting per number (see
// StationLocks::take_number).
//
// These are the primitives the record operations call; the operations keep
// their own state (held flag, hold time limit) in the table's control block.
// The file object's lock_nesting() mirrors the levels held of all numbers.
#pragma once

#include <cstdint>

#include "tps/lock/lock_wait.h"
#include "tps/lock/station_locks.h"

namespace tps {

class FileObject;

// Pause between two attempts of a LOCK with a time limit.
inline constexpr uint32_t kTimedLockPauseMs = 1000;

// LOCK of table `table_number`. Without limit (seconds < 0) it tries again
// at once until the byte is taken. With a limit of s seconds it tries again,
// pausing up to 1000 ms through lock_wait(), while less than s*100
// hundredths of a second have passed, writing "Locking failed with error "
// and the code to `trace` after each refusal. Returns 0, or 32 when the
// limit passed or the lock call itself fails.
int lock_table(FileObject& file, uint32_t table_number, int32_t seconds,
               const TraceLine& trace = {});
// UNLOCK: gives up one level of the table's byte.
void unlock_table(FileObject& file, uint32_t table_number);

// HOLD, after a read with hold requested found record `record_number`: takes
// its byte. When another station holds it, ends the operation (commit,
// reader mode) and returns 43; the read operation then reads again until
// this succeeds or its HoldDeadline is over.
int hold_record(FileObject& file, uint32_t record_number, const TraceLine& trace = {});
// PUT and DELETE of a record this station does not hold: take its byte.
// Returns 0, or 5 (PUT) / 33 (DELETE) when another station holds it.
int lock_record_for_put(FileObject& file, uint32_t record_number, const TraceLine& trace = {});
int lock_record_for_delete(FileObject& file, uint32_t record_number,
                           const TraceLine& trace = {});
// RELEASE, the release before every read and the end of PUT and DELETE:
// gives up one level of the record's byte.
void release_record(FileObject& file, uint32_t record_number);

// The time limit of a read with HOLD, started when the read operation
// starts: HOLDfilesec's seconds, or LockDeadline::kWithoutLimit for HOLDfile.
using HoldDeadline = LockDeadline;

// CLOSE of a table latched faulty by an engine fault: nothing of the file
// object's uncommitted state can be trusted, so it is discarded, never
// committed; every lock byte the file object may hold is released (the
// update byte, the reader slot, the writer range) together with one level
// of the table's LOCK byte. Clearing the table's latch is the caller's.
void release_locks_of_faulty_table(FileObject& file, uint32_t table_number);

}  // namespace tps
