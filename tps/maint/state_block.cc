#include "tps/maint/state_block.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "tps/base/bytes.h"
#include "tps/ops/operations.h"
#include "tps/table/record_keys.h"

namespace tps {

namespace {

bool is_blob(const ControlBlock& cb, size_t memo) {
  return memo < cb.layout.memos.size() && cb.layout.memos[memo].is_blob();
}

// Buffers put back into the program's: the record buffer and the MEMO
// buffers only where they have the size the program's have now (a buffer
// never changes size under the program, which may hold on to it), the
// BLOBs whole when `blobs`.
void put_back(ControlBlock& cb, const Bytes& record, std::vector<Bytes> memos, bool blobs) {
  DeclaredTable& table = cb.table;
  if (record.size() == table.record.size()) std::copy(record.begin(), record.end(), table.record.begin());
  for (size_t i = 0; i < memos.size() && i < table.memos.size(); ++i) {
    if (is_blob(cb, i)) {
      if (blobs) table.memos[i] = std::move(memos[i]);
    } else if (memos[i].size() == table.memos[i].size()) {
      std::copy(memos[i].begin(), memos[i].end(), table.memos[i].begin());
    }
  }
}

// Step 2: the table opened or closed as it was.
int match_open_state(ControlBlock& cb, const StateBlock& state) {
  if (state.open == cb.is_open()) return 0;
  if (!state.open) return close_table_file(cb);
  cb.refresh_names();
  return open_table_file(cb, state.access_mode);
}

// The saved cursor, made to fit the table as it is open now: a table opened
// again may have another table number (the probe's prefix), and a key that
// is gone leaves no position.
Cursor fitted_cursor(const ControlBlock& cb, const StateBlock& state) {
  Cursor cursor = state.cursor;
  if (cursor.key >= 0 && !cb.valid_key(cursor.key)) return Cursor{};
  if (cursor.probe.size() >= kTableNumberLength) store_u32be(cursor.probe.data(), cb.table_number);
  return cursor;
}

// Step 3 on an open table: the record that was read is read again as
// REGETfile reads it, and the cursor goes back where it was. 35 when the
// record is gone.
int repeat_position(ControlBlock& cb, const StateBlock& state) {
  int result = 0;
  if (state.current != 0 && state.current == cb.current) {
    // Still the current record: it is only looked for, so that a hold or
    // watch the program has on it stands.
    if (!load_stored_record(cb, state.current, cb.stored_image.data())) {
      cb.forget_current_record();
      cb.table.status.record_read = false;
      result = error::kRecordNotFound;
    }
  } else if (state.current != 0) {
    // The program's pending HOLD, WATCH and NOMEMO wait for its own next
    // read; this one takes none of them.
    const bool hold = cb.hold_requested, watch = cb.watch_requested, nomemo = cb.nomemo_requested;
    cb.clear_requests();
    result = get_by_number(cb, state.current);
    cb.hold_requested = hold;
    cb.watch_requested = watch;
    cb.nomemo_requested = nomemo;
  } else {
    cb.forget_current_record();
    cb.table.status.record_read = false;
  }
  cb.cursor = fitted_cursor(cb, state);
  cb.last_set_key = cb.valid_key(state.last_set_key) ? state.last_set_key : -1;
  return result;
}

}  // namespace

int get_state(ControlBlock& cb, DriverArguments& args) {
  if (!args.state_out) return error::kInvalidNumberOfParameters;
  auto block = std::make_unique<StateBlock>();
  block->table = &cb.table;
  block->open = cb.is_open();
  if (block->open) {
    block->access_mode = cb.access_mode;
    block->cursor = cb.cursor;
    block->last_set_key = cb.last_set_key;
    block->current = cb.current;
  }
  block->record = cb.table.record;
  block->with_blobs = args.save_blobs;
  block->memos.resize(cb.table.memos.size());
  for (size_t i = 0; i < cb.table.memos.size(); ++i)
    if (!is_blob(cb, i) || args.save_blobs) block->memos[i] = cb.table.memos[i];
  *args.state_out = block.release();
  return 0;
}

int restore_state(ControlBlock& cb, DriverArguments& args) {
  if (!args.state) return error::kInvalidNumberOfParameters;
  const StateBlock& state = *args.state;
  if (state.table != &cb.table) return error::kInvalidRecordDeclaration;
  // Re-reading the record fills the buffers; without restore_buffers they
  // must end as the program left them.
  Bytes record_before;
  std::vector<Bytes> memos_before;
  if (!args.restore_buffers) {
    record_before = cb.table.record;
    memos_before = cb.table.memos;
  }
  int result = match_open_state(cb, state);
  if (result == error::kNone && state.open) result = repeat_position(cb, state);
  if (args.restore_buffers) {
    put_back(cb, state.record, state.memos, state.with_blobs);
  } else {
    put_back(cb, record_before, std::move(memos_before), true);
  }
  return result;
}

int free_state(ControlBlock& cb, DriverArguments& args) {
  if (!args.state) return error::kInvalidNumberOfParameters;
  if (args.state->table != &cb.table) return error::kInvalidRecordDeclaration;
  delete args.state;
  args.state = nullptr;
  return 0;
}

}  // namespace tps
