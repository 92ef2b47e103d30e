// The engine's single entry point: (operation code, table, arguments) ->
// 32-bit result, with the error posted separately.
//
// Every call is one short unit of work on the table's file: it takes the
// engine lock (one call at a time in the process) and the transaction lock in
// shared mode, runs the operation, commits the file's changes unless a
// transaction or deferred commits hold them back, and posts its error as the
// calling thread's current error. Engine faults never leave the call: they
// become error 90 and latch the table until CLOSE.
//
// The result is the operation's value where it has one (BOF/EOF flag, record
// numbers of POINTER, counts of RECORDS, BYTES, DUPLICATE, 73 and 95) and 0
// otherwise; BOF and EOF answer 1 on an error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tps/errors/errors.h"
#include "tps/ops/declared_table.h"
#include "tps/ops/operation_codes.h"

namespace tps {

class RecordFilter;  // tps/maint/record_filter.h
struct StateBlock;  // tps/maint/state_block.h

// The arguments of one call; each operation reads the ones it names and
// leaves the others alone.
struct DriverArguments {
  int key = -1;                // key reference: 0-based key number; -1 for none
  int64_t record = 0;          // record number (GETfileptr, SETfileptr, PUTfileptr...); a limit for 95
  int32_t count = 0;           // SKIP
  int32_t seconds = -1;        // HOLDfilesec, LOCKfilesec; the time-out of LOGOUT (-1: none)
  uint32_t access_mode = access_mode::kSharedReadWrite;  // OPEN and SHARE
  std::string_view text;       // SEND's item; COPY/RENAME target; build key strings
  std::string_view position;   // RESETfile/RESETkey/REGETfile/REGETkey: a position string

  // BUILDdynfilter: the records to enter; null enters every record. The
  // caller keeps ownership; a deferred build keeps its own copy.
  const RecordFilter* filter = nullptr;

  // State blocks and blob slices. A blob is named by its 1-based number
  // among the table's memos, its bytes by 0-based offsets. The property of
  // BLOB_GET_PROP and BLOB_SET_PROP comes in `record` (blob_property in
  // tps/maint/blob_slices.h); BLOB_YIELD's bytes go to `text_out`, the
  // buffer BLOB_GET_PROP hands out to `pointer_out`.
  StateBlock** state_out = nullptr;  // GETSTATE: receives a new block, the caller's until FREESTATE
  StateBlock* state = nullptr;       // RESTORESTATE, FREESTATE: a block GETSTATE made
  bool save_blobs = false;           // GETSTATE: the blobs' contents go into the block too
  bool restore_buffers = false;      // RESTORESTATE: the saved buffers are copied back
  int blob = 0;                      // the blob slice operations' blob
  int64_t first = 0;                 // BLOB_TAKE, BLOB_YIELD: the range's first byte
  int64_t last = -1;                 // ... and its last byte; last < first is an empty range
  int64_t blob_size = 0;             // BLOB_SET_PROP: the new size
  std::string_view bytes;            // BLOB_TAKE: the range's bytes; BLOB_SET_PROP: the whole contents

  // Results beyond the 32-bit value.
  std::string* text_out = nullptr;        // NAME, SEND, POSITIONfile, POSITIONkey
  const void** pointer_out = nullptr;     // 91 (the entry point), SEND REGISTER (driver descriptor)
};

// The entry point. Never throws.
uint32_t engine_call(int operation, DeclaredTable& table, DriverArguments& arguments);
// The same without arguments.
uint32_t engine_call(int operation, DeclaredTable& table);

// The entry point's own type, as operation 91 hands it out.
using EngineEntry = uint32_t (*)(int, DeclaredTable&, DriverArguments&);

// The error of the calling thread's last call (0 after a success), with the
// detail posted with it, and the table it was posted for (nullptr after a
// success or before any call).
const ErrorDetail& posted_error();
const DeclaredTable* posted_error_table();

}  // namespace tps
