// The operations of the entry point, one function per operation or family,
// grouped by the file that implements them. Each returns the operation's
// error number (0 for success); operations with a value store it in `value`.
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call (engine_call.cc), which hold the locks, catch engine faults and run
// the commit policy afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tps/ops/control_block.h"
#include "tps/ops/engine_call.h"

namespace tps {

// --- table_open.cc: OPEN, SHARE, CREATE, CLOSE --------------------------------
int open_table_file(ControlBlock& cb, uint32_t access_mode);
int create_table_file(ControlBlock& cb);
// CLOSE: commits (or, latched faulty, releases the locks), truncates and
// gives up the file. 0 when the table is not open.
int close_table_file(ControlBlock& cb);

// --- navigator.cc: SET, RESET, NEXT, PREVIOUS, SKIP, EOF, BOF ----------------
int set_cursor(ControlBlock& cb, int operation, const DriverArguments& args);
int read_next(ControlBlock& cb, bool forward);
int skip_entries(ControlBlock& cb, int32_t count);
// EOF (forward) and BOF (backward): 1 when no entry is left that way.
int test_end(ControlBlock& cb, bool forward, uint32_t& value);

// --- record_read.cc: the read behind an entry, GET, REGET ---------------------
// Reads data record `record` into the buffer as NEXT, GET and REGET do,
// taking a requested hold and watch and loading the memos. Returns 0, 35
// when the record is gone, 43 when the hold is refused.
int read_record(ControlBlock& cb, uint32_t record);
// Copies data record `record` into `out` (record-length bytes), text in the
// Windows code page. False when there is no such record.
bool load_stored_record(ControlBlock& cb, uint32_t record, uint8_t* out);
int get_by_key(ControlBlock& cb, int key);
int get_by_number(ControlBlock& cb, int64_t record);
int reget_file(ControlBlock& cb, std::string_view position);
int reget_key(ControlBlock& cb, int key, std::string_view position);

// --- record_write.cc: ADD, APPEND, PUT, PUTfileptr, DELETE --------------------
int add_record(ControlBlock& cb, bool append);
int put_record(ControlBlock& cb);
int put_record_at(ControlBlock& cb, int64_t record);
int delete_record(ControlBlock& cb);

// --- holds.cc: HOLD, RELEASE, WATCH, NOMEMO, LOCK, UNLOCK ---------------------
int request_hold(ControlBlock& cb, int32_t seconds);
int release_hold(ControlBlock& cb);
int request_watch(ControlBlock& cb);
int request_nomemo(ControlBlock& cb);
int lock_table_file(ControlBlock& cb, int32_t seconds);
int unlock_table_file(ControlBlock& cb);

// --- counts.cc: counts, tests, positions, names, buffers ----------------------
int count_records(ControlBlock& cb, int key, uint32_t& value);
int file_bytes(ControlBlock& cb, uint32_t& value);
int current_pointer(ControlBlock& cb, uint32_t& value);
int duplicate_key(ControlBlock& cb, int key, uint32_t& value);
int duplicate_any(ControlBlock& cb, uint32_t& value);
int table_name(ControlBlock& cb, std::string* out);
int position_file(ControlBlock& cb, std::string* out);
int position_key(ControlBlock& cb, int key, std::string* out);
int holds_more_than(ControlBlock& cb, int64_t limit, uint32_t& value);
int clear_buffers(ControlBlock& cb);

// --- transactions.cc: LOGOUT, COMMIT, ROLLBACK, FLUSH, views, commit policy ----
int logout_table(ControlBlock& cb, int32_t seconds);
int commit_tables(ControlBlock& cb);
int rollback_tables(ControlBlock& cb);
int flush_table(ControlBlock& cb);
int enter_view(ControlBlock& cb);
int end_view(ControlBlock& cb);
// The end of every operation: commits the table's file object and returns
// it to reader mode, unless commits are being deferred. Returns the commit's
// error.
int end_of_operation(ControlBlock& cb);

// --- dispatcher.cc --------------------------------------------------------------
// Runs one operation on a bound control block.
int dispatch(int operation, ControlBlock& cb, DriverArguments& args, uint32_t& value);

}  // namespace tps
