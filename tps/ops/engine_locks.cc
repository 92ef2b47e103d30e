#include "tps/ops/engine_locks.h"

namespace tps {

namespace {

// Calls of this thread now inside the engine (a message handler may nest
// one call in another): STARTRAN must not wait for them.
thread_local uint32_t calls_of_this_thread = 0;

}  // namespace

void TransactionLock::lock_shared() {
  std::unique_lock<std::mutex> guard(mutex_);
  const std::thread::id me = std::this_thread::get_id();
  changed_.wait(guard, [&] { return depth_ == 0 || owner_ == me; });
  ++shared_;
  ++calls_of_this_thread;
}

void TransactionLock::unlock_shared() {
  std::lock_guard<std::mutex> guard(mutex_);
  --shared_;
  --calls_of_this_thread;
  changed_.notify_all();
}

void TransactionLock::lock() {
  std::unique_lock<std::mutex> guard(mutex_);
  const std::thread::id me = std::this_thread::get_id();
  if (depth_ > 0 && owner_ == me) {
    ++depth_;
    return;
  }
  changed_.wait(guard, [&] { return depth_ == 0 && shared_ == calls_of_this_thread; });
  owner_ = me;
  depth_ = 1;
}

bool TransactionLock::unlock() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (depth_ == 0 || owner_ != std::this_thread::get_id()) return false;
  if (--depth_ == 0) owner_ = std::thread::id();
  changed_.notify_all();
  return true;
}

bool TransactionLock::held_by_this_thread() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return depth_ > 0 && owner_ == std::this_thread::get_id();
}

TransactionLock& transaction_lock() {
  static TransactionLock lock;
  return lock;
}

std::recursive_mutex& engine_lock() {
  static std::recursive_mutex lock;
  return lock;
}

CallLocks::CallLocks() {
  transaction_lock().lock_shared();
  engine_lock().lock();
}

CallLocks::~CallLocks() {
  engine_lock().unlock();
  transaction_lock().unlock_shared();
}

}  // namespace tps
