// The lock bytes through which stations sharing a TPS file coordinate.
//
// Lock byte n is the byte at offset 2^31 + n; nothing is ever read or written
// there. Bytes 0..1022 are reader slots (one per reading station; all of them
// together form the writer lock a committing station takes), byte 1023 is the
// update byte held by the one station changing the file, and byte 1025 + n
// is the LOCK byte of table number n or the HOLD byte of record number n.
// The locks belong to the file handle, so two file objects of one process
// exclude each other like two stations.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace os {
class File;
}

namespace tps {

inline constexpr uint64_t kLockBase = 0x80000000ull;
inline constexpr uint32_t kReaderSlots = 1023;
inline constexpr uint32_t kUpdateByte = 1023;
inline constexpr uint32_t kNumberedLockBase = 1025;  // 1024 + n + 1

// Receives one line for the table's trace log; an empty function when the
// trace log is off.
using TraceLine = std::function<void(const std::string& line)>;

class StationLocks {
 public:
  // `initial_slot` is where the search for a free reader slot starts.
  explicit StationLocks(uint32_t initial_slot) : reader_slot_(initial_slot % kReaderSlots) {}

  // Binds the handle the locks are taken on; nullptr makes every lock
  // succeed at once (no handle, nothing to coordinate). The locks of the
  // previous handle went with it, so the nesting of numbers starts afresh.
  void bind(os::File* file) {
    file_ = file;
    nesting_.clear();
    total_nesting_ = 0;
  }

  // Each returns 0, or the error of the last failed attempt. With `wait`
  // they retry every millisecond for as long as another station holds the
  // bytes; without, they give up after the third failed attempt. Errors that
  // are not lock conflicts are returned at once.
  int lock_reader_slot(bool wait);  // moves on to the next slot when refused
  void unlock_reader_slot();
  int lock_update_byte(bool wait);
  void unlock_update_byte();
  int lock_writer(bool wait);
  void unlock_writer();
  int lock_number(uint32_t number, bool wait);
  void unlock_number(uint32_t number);

  // LOCK and HOLD bytes with their nesting. Taking a number this station
  // holds already only counts one more level; a number not held is locked
  // without wait (three attempts, each failure written to `trace` as
  // "LockFile failed with error " and the code). Returns 0 or that error.
  int take_number(uint32_t number, const TraceLine& trace = {});
  // Gives up one level of a number; the byte is unlocked with the last one.
  // A number not held is only unlocked (harmless when it is not locked).
  void give_number(uint32_t number);
  // Levels held of one number, and of all numbers together.
  uint32_t number_nesting(uint32_t number) const;
  uint32_t nesting() const { return total_nesting_; }

  uint32_t reader_slot() const { return reader_slot_; }

 private:
  int acquire(uint64_t offset, uint64_t length, bool wait, bool moves_reader_slot,
              const TraceLine* trace = nullptr);
  void release(uint64_t offset, uint64_t length);

  os::File* file_ = nullptr;
  uint32_t reader_slot_;
  std::map<uint32_t, uint32_t> nesting_;  // number -> levels held
  uint32_t total_nesting_ = 0;
};

// True when a lock error means that another station holds the bytes (worth
// trying again), false for a failure of the lock call itself.
bool is_lock_conflict(int error);

// Hundredths of a second used to choose a station's first reader slot.
uint32_t initial_reader_slot();

}  // namespace tps
