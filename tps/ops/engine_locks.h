// The two in-process locks around every engine call.
//
// The engine lock admits one call at a time, so the calls of different
// threads never interleave (a file object is never used by two threads at
// once). It is recursive: a call that waits for another station may let the
// window system answer its messages, and a message handler may call the
// engine again on the same thread.
//
// The transaction lock keeps other threads out of the engine for the length
// of a transaction: STARTRAN takes it for the calling thread (waiting until
// no other thread is inside a call) and ENDTRAN gives it back; every other
// call takes it shared, waiting while another thread holds it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tps {

class TransactionLock {
 public:
  // Shared hold for one call. Returns at once when this thread holds the
  // lock itself.
  void lock_shared();
  void unlock_shared();
  // STARTRAN: exclusive for this thread; nested takes count.
  void lock();
  // ENDTRAN: gives up one level; false when this thread does not hold it.
  bool unlock();
  bool held_by_this_thread() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::thread::id owner_;      // default id: nobody
  uint32_t depth_ = 0;         // nested STARTRANs of the owner
  uint32_t shared_ = 0;        // calls inside the engine, all threads
};

TransactionLock& transaction_lock();
std::recursive_mutex& engine_lock();

// Holds the engine lock for one call; with `shared_transaction`, first the
// transaction lock in shared mode (every call but STARTRAN, which holds the
// transaction lock itself).
class CallLocks {
 public:
  explicit CallLocks(bool shared_transaction = true);
  ~CallLocks();
  CallLocks(const CallLocks&) = delete;
  CallLocks& operator=(const CallLocks&) = delete;

 private:
  bool shared_transaction_;
};

// Between two tries of a read that waits for a record another station
// holds: lets the calls of other threads in, so that a thread of this
// process holding the record (a THREAD table has its own file object and
// locks) can go on and release it. Does nothing inside a nested call.
void let_other_calls_in();

}  // namespace tps
