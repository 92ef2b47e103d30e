#include "tps/lock/station_locks.h"

#include <cerrno>
#include <string>

#include "platform/os/clock.h"
#include "platform/os/file_system.h"
#include "tps/lock/transaction_check.h"

namespace tps {

namespace {

constexpr int kAttemptsWithoutWait = 3;
constexpr uint32_t kRetryPauseMs = 1;

constexpr const char* kLockFailedLine = "LockFile failed with error ";

// Every program that opens a file links this unit: installing the
// transaction check here means no program can replay the log of a
// multi-file commit that never reached its commit point.
const bool transaction_check_installed = (install_transaction_check(), true);

}  // namespace

bool is_lock_conflict(int error) { return error == EAGAIN || error == EACCES || error == EINTR; }

uint32_t initial_reader_slot() { return uint32_t(os::tick_centiseconds() % kReaderSlots); }

int StationLocks::acquire(uint64_t offset, uint64_t length, bool wait, bool moves_reader_slot,
                          const TraceLine* trace) {
  if (!file_) return 0;
  for (int attempt = 1;; ++attempt) {
    uint64_t at = moves_reader_slot ? kLockBase + reader_slot_ : offset;
    int error = file_->try_lock(at, length);
    if (error == 0) return 0;
    if (trace && *trace) (*trace)(kLockFailedLine + std::to_string(error));
    if (!is_lock_conflict(error)) return error;
    os::sleep_ms(kRetryPauseMs);
    if (moves_reader_slot) reader_slot_ = (reader_slot_ + 1) % kReaderSlots;
    if (!wait && attempt >= kAttemptsWithoutWait) return error;
  }
}

void StationLocks::release(uint64_t offset, uint64_t length) {
  if (file_) file_->unlock(offset, length);
}

int StationLocks::lock_reader_slot(bool wait) { return acquire(0, 1, wait, true); }
void StationLocks::unlock_reader_slot() { release(kLockBase + reader_slot_, 1); }
int StationLocks::lock_update_byte(bool wait) {
  return acquire(kLockBase + kUpdateByte, 1, wait, false);
}
void StationLocks::unlock_update_byte() { release(kLockBase + kUpdateByte, 1); }
int StationLocks::lock_writer(bool wait) { return acquire(kLockBase, kReaderSlots, wait, false); }
void StationLocks::unlock_writer() { release(kLockBase, kReaderSlots); }
int StationLocks::lock_number(uint32_t number, bool wait) {
  return acquire(kLockBase + kNumberedLockBase + number, 1, wait, false);
}
void StationLocks::unlock_number(uint32_t number) {
  release(kLockBase + kNumberedLockBase + number, 1);
}

// Each number nests on its own: one count shared by all numbers would let a
// second number ride on the first one's byte without locking its own (two
// stations would both hold it), and would unlock the wrong byte when the
// levels are given up in another order than they were taken.
int StationLocks::take_number(uint32_t number, const TraceLine& trace) {
  auto held = nesting_.find(number);
  if (held == nesting_.end()) {
    int error = acquire(kLockBase + kNumberedLockBase + number, 1, false, false, &trace);
    if (error) return error;
    held = nesting_.emplace(number, 0).first;
  }
  ++held->second;
  ++total_nesting_;
  return 0;
}

void StationLocks::give_number(uint32_t number) {
  auto held = nesting_.find(number);
  if (held != nesting_.end()) {
    --total_nesting_;
    if (--held->second > 0) return;
    nesting_.erase(held);
  }
  unlock_number(number);
}

uint32_t StationLocks::number_nesting(uint32_t number) const {
  auto held = nesting_.find(number);
  return held == nesting_.end() ? 0 : held->second;
}

}  // namespace tps
