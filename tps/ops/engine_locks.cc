#include "tps/ops/engine_locks.h"

namespace tps {

namespace {

// Calls of this thread now inside the engine (a message handler may nest
// one call in another): STARTRAN must not wait for them.
thread_local uint32_t calls_of_this_thread = 0;
// Levels of the engine lock this thread holds, and whether the outermost
// holds the transaction lock shared.
thread_local uint32_t engine_depth = 0;
thread_local bool outer_call_shared = false;

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

// Never destroyed: a table closed by a static object's destructor at exit
// still calls the engine after the function statics made later are gone.
TransactionLock& transaction_lock() {
  static TransactionLock* lock = new TransactionLock;
  return *lock;
}

std::recursive_mutex& engine_lock() {
  static std::recursive_mutex* lock = new std::recursive_mutex;
  return *lock;
}

CallLocks::CallLocks(bool shared_transaction) : shared_transaction_(shared_transaction) {
  if (shared_transaction_) transaction_lock().lock_shared();
  engine_lock().lock();
  if (engine_depth++ == 0) outer_call_shared = shared_transaction_;
}

CallLocks::~CallLocks() {
  --engine_depth;
  engine_lock().unlock();
  if (shared_transaction_) transaction_lock().unlock_shared();
}

void let_other_calls_in() {
  if (engine_depth != 1) return;
  engine_lock().unlock();
  if (outer_call_shared) transaction_lock().unlock_shared();
  std::this_thread::yield();
  if (outer_call_shared) transaction_lock().lock_shared();
  engine_lock().lock();
}

}  // namespace tps
