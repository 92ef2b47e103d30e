#include "tps/lock/lock_wait.h"

#include <utility>

#include "platform/os/clock.h"

namespace tps {

namespace {

LockWaitHook& hook_slot() {
  static LockWaitHook hook;
  return hook;
}

}  // namespace

void set_lock_wait_hook(LockWaitHook hook) { hook_slot() = std::move(hook); }

void lock_wait(uint32_t milliseconds) {
  if (const LockWaitHook& hook = hook_slot()) {
    hook(milliseconds);
  } else {
    os::sleep_ms(milliseconds);
  }
}

LockDeadline::LockDeadline(int32_t seconds)
    : start_(os::tick_centiseconds()), limit_(seconds < 0 ? -1 : int64_t(seconds) * 100) {}

uint64_t LockDeadline::elapsed() const { return os::tick_centiseconds() - start_; }

bool LockDeadline::over() const { return limited() && elapsed() >= uint64_t(limit_); }

uint64_t LockDeadline::remaining_centiseconds() const {
  uint64_t spent = elapsed();
  return spent >= uint64_t(limit_) ? 0 : uint64_t(limit_) - spent;
}

}  // namespace tps
