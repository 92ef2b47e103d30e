#include "tps/ops/engine_call.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "tps/commit/commit.h"
#include "tps/errors/fault.h"
#include "tps/lock/transaction.h"
#include "tps/maint/state_block.h"
#include "tps/ops/control_block.h"
#include "tps/ops/driver_descriptor.h"
#include "tps/ops/engine_locks.h"
#include "tps/ops/operations.h"

namespace tps {

namespace {

// The calling thread's posted error. A table may be destroyed while its
// thread ends, after this storage is gone (thread-local objects end in the
// reverse order of their construction): a call made then posts nothing.
enum class PostedState { kUnused, kAlive, kGone };
thread_local PostedState posted_state = PostedState::kUnused;  // trivially destructible: always readable

struct PostedError {
  PostedError() { posted_state = PostedState::kAlive; }
  ~PostedError() { posted_state = PostedState::kGone; }
  ErrorDetail detail;
  const DeclaredTable* table = nullptr;
};

PostedError* posted_storage() {
  if (posted_state == PostedState::kGone) return nullptr;
  thread_local PostedError posted;
  return &posted;
}

bool last_call_failed() {
  const PostedError* posted = posted_storage();
  return posted && !posted->detail.ok();
}

// Codes the entry point answers beyond the engine's operation list.
constexpr int kExtraCodes[] = {op::kStartTransaction, op::kEndTransaction, op::kLastSetKey, op::kQueryView,
                               op::kClearBuffers, op::kRunDeferredBuild, op::kEntryPoint, op::kInView,
                               op::kEndView, op::kHoldsMoreThan, op::kDestroy, op::kNoOperation};

// Operations that take the declared names while the table is closed.
constexpr int kNameRefreshing[] = {op::kOpen,  op::kShare, op::kCreate, op::kBuildFile, op::kPack,
                                   op::kCopy,  op::kRename, op::kRemove, op::kEmpty,    op::kName,
                                   op::kBytes, op::kSend,  op::kGetProperty};

// Reads and writes after which every blob's touched mark is cleared: the
// blob buffers then hold what is stored.
constexpr int kClearingTouchedBlobs[] = {op::kAdd,       op::kAppend,     op::kDelete,   op::kGetFileKey,
                                         op::kGetFilePtr, op::kGetKeyPtr, op::kNext,     op::kPut,
                                         op::kPrevious,  op::kPutFilePtr, op::kRegetFile, op::kRegetKey};

// Operations a table latched faulty still runs: they end or name the table.
constexpr int kRunWhileFaulty[] = {op::kClose, op::kName, op::kRemove, op::kDestroy};

template <size_t N>
bool listed(const int (&codes)[N], int code) {
  return std::find(std::begin(codes), std::end(codes), code) != std::end(codes);
}

void post(const DeclaredTable& table, ErrorDetail detail) {
  PostedError* posted = posted_storage();
  if (!posted) return;
  posted->table = detail.ok() ? nullptr : &table;
  posted->detail = std::move(detail);
}

// After an engine fault nothing uncommitted of the file object can be
// trusted, and other tables share it: its changes are dropped at once (the
// whole transaction when it is in one) instead of waiting for CLOSE.
void drop_changes_after_fault(ControlBlock& cb) {
  if (!cb.file) return;
  try {
    if (cb.file->in_transaction()) {
      rollback_transaction();
    } else {
      discard(*cb.file);
      cb.file->set_reader_mode(true);
    }
  } catch (const EngineFault&) {
    // The latch already stands; the file re-reads its state on the next view.
  }
}

// Closes the table when open and discards its control block (operation 104).
void destroy_control_block(DeclaredTable& table) {
  if (!table.control) return;
  try {
    close_table_file(*table.control);
  } catch (const EngineFault&) {
    // Going away anyway; the file object re-reads its state when next used.
  }
  table.control.reset();
}

struct Outcome {
  int error = error::kNone;
  uint32_t value = 0;
};

Outcome run_operation(int operation, ControlBlock& cb, DriverArguments& args) {
  Outcome outcome;
  cb.detail = ErrorDetail{};
  try {
    outcome.error = dispatch(operation, cb, args, outcome.value);
    if (cb.is_open()) {
      int committed = end_of_operation(cb);
      if (outcome.error == error::kNone) outcome.error = committed;
    }
  } catch (const EngineFault& fault) {
    cb.fault = fault.code();
    cb.detail = fault_error(fault.code());
    outcome.error = error::kFileSystemError;
    drop_changes_after_fault(cb);
  } catch (const std::bad_alloc&) {
    outcome.error = error::kInsufficientMemory;
    drop_changes_after_fault(cb);
  }
  return outcome;
}

// Steps 2 to 7 of every call, under the caller's locks.
uint32_t run_call(int operation, DeclaredTable& table, DriverArguments& args) {
  if (table.control && table.control->recreate && operation != op::kDestroy) destroy_control_block(table);
  if (operation == op::kDestroy) {
    destroy_control_block(table);
    post(table, plain_error(error::kNone));
    return 0;
  }
  if (!table.control) {
    if (operation == op::kClose) {
      post(table, plain_error(error::kNone));
      return 0;
    }
    try {
      auto cb = std::make_unique<ControlBlock>(table);
      int bound = cb->bind();
      table.control = std::move(cb);
      if (bound) {
        table.control->recreate = true;
        post(table, to_error_detail(table.control->bind_error));
        return operation == op::kEof || operation == op::kBof ? 1 : 0;
      }
    } catch (const std::bad_alloc&) {
      post(table, plain_error(error::kInsufficientMemory));
      return operation == op::kEof || operation == op::kBof ? 1 : 0;
    }
  }
  ControlBlock& cb = *table.control;
  if (cb.fault != 0 && !listed(kRunWhileFaulty, operation)) {
    post(table, fault_error(cb.fault));
    cb.last_error = error::kFileSystemError;
    return operation == op::kEof || operation == op::kBof ? 1 : 0;
  }
  if (listed(kNameRefreshing, operation)) cb.refresh_names();

  Outcome outcome = run_operation(operation, cb, args);
  if (listed(kClearingTouchedBlobs, operation)) cb.touched_blobs.clear();

  // A state block of another table (47 from RESTORESTATE and FREESTATE) is
  // the caller's mistake, not the declaration's: the table stays as it is.
  const bool refused_state_block = (operation == op::kRestoreState || operation == op::kFreeState) &&
                                   args.state && args.state->table != &table;
  if ((outcome.error == error::kInvalidRecordDeclaration && !refused_state_block) ||
      (operation == op::kCreate && outcome.error != error::kNone))
    cb.recreate = true;
  cb.last_error = outcome.error;
  ErrorDetail detail = cb.detail.number == outcome.error && outcome.error != error::kNone
                           ? cb.detail
                           : plain_error(outcome.error);
  post(table, std::move(detail));
  if (outcome.error != error::kNone && (operation == op::kEof || operation == op::kBof)) return 1;
  return outcome.value;
}

}  // namespace

uint32_t engine_call(int operation, DeclaredTable& table, DriverArguments& arguments) {
  if (operation == op::kQueryView) return 0;
  if (!is_listed_operation(operation) && !listed(kExtraCodes, operation)) {
    CallLocks locks;
    post(table, plain_error(error::kUnsupportedFunction));
    return 0;
  }
  if (operation == op::kStartTransaction) {
    // Taken instead of the engine lock: no other thread is inside a call
    // once it is held.
    transaction_lock().lock();
    uint32_t value;
    {
      CallLocks locks(false);
      value = run_call(operation, table, arguments);
    }
    if (last_call_failed()) transaction_lock().unlock();
    return value;
  }
  uint32_t value;
  {
    CallLocks locks;
    value = run_call(operation, table, arguments);
  }
  if (operation == op::kEndTransaction) transaction_lock().unlock();
  return value;
}

uint32_t engine_call(int operation, DeclaredTable& table) {
  DriverArguments arguments;
  return engine_call(operation, table, arguments);
}

const ErrorDetail& posted_error() {
  static const ErrorDetail none;
  const PostedError* posted = posted_storage();
  return posted ? posted->detail : none;
}

const DeclaredTable* posted_error_table() {
  const PostedError* posted = posted_storage();
  return posted ? posted->table : nullptr;
}

}  // namespace tps
