// Waiting for lock bytes that another station holds: the pause between two
// attempts of a timed LOCK, and the time limits of LOCK and HOLD, measured in
// hundredths of a second.
//
// The pause goes through a hook so that the window system can keep
// answering its messages while a station waits (the program runs on one
// thread); without a hook the thread just sleeps.
#pragma once

#include <cstdint>
#include <functional>

namespace tps {

// Waits up to `milliseconds`; may return earlier (a message arrived).
using LockWaitHook = std::function<void(uint32_t milliseconds)>;

// Installs the process's wait; an empty hook restores the plain sleep.
void set_lock_wait_hook(LockWaitHook hook);
// Waits through the installed hook.
void lock_wait(uint32_t milliseconds);

// A time limit started at construction: `seconds` * 100 hundredths of a
// second, or none when `seconds` is negative (wait without limit).
class LockDeadline {
 public:
  static constexpr int32_t kWithoutLimit = -1;

  explicit LockDeadline(int32_t seconds);

  // The limit has passed (never for a wait without limit).
  bool over() const;
  // Hundredths of a second left; 0 once over. REQUIRES: a limit.
  uint64_t remaining_centiseconds() const;
  bool limited() const { return limit_ >= 0; }

 private:
  uint64_t elapsed() const;

  uint64_t start_;
  int64_t limit_;  // hundredths of a second, negative: none
};

}  // namespace tps
