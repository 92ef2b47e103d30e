#include "tps/lock/station_locks.h"

#include <cerrno>

#include "platform/os/clock.h"
#include "platform/os/file_system.h"

namespace tps {

namespace {

constexpr int kAttemptsWithoutWait = 3;
constexpr uint32_t kRetryPauseMs = 1;

bool is_conflict(int error) { return error == EAGAIN || error == EACCES || error == EINTR; }

}  // namespace

uint32_t initial_reader_slot() { return uint32_t(os::tick_centiseconds() % kReaderSlots); }

int StationLocks::acquire(uint64_t offset, uint64_t length, bool wait, bool moves_reader_slot) {
  if (!file_) return 0;
  for (int attempt = 1;; ++attempt) {
    uint64_t at = moves_reader_slot ? kLockBase + reader_slot_ : offset;
    int error = file_->try_lock(at, length);
    if (error == 0) return 0;
    if (!is_conflict(error)) return error;
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

}  // namespace tps
