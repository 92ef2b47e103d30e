// GETSTATE, RESTORESTATE and FREESTATE: a table's open state, position and
// buffers saved in a block the caller owns, and put back later.
//
// A position is the navigation cursor: until the first NEXT, PREVIOUS or
// SKIP after a SET or RESET it is that SET or RESET with its arguments (the
// mode, the key, the record number, the probe built from the buffer); after
// one it is the entry reached. Putting the cursor back is repeating the SET,
// and after a step it makes the next NEXT or PREVIOUS step over the saved
// entry, so a scan continues from where the state was taken.
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call. Each returns the operation's error number (0 for success).
#pragma once

#include <cstdint>
#include <vector>

#include "tps/ops/control_block.h"
#include "tps/ops/engine_call.h"

namespace tps {

// A table's state as GETSTATE saved it. Made by GETSTATE and owned by the
// caller until FREESTATE frees it; the caller may delete it itself when
// FREESTATE cannot run (a table latched faulty answers 90 to every call).
struct StateBlock {
  const DeclaredTable* table = nullptr;  // the table it belongs to
  bool open = false;                     // the table was open
  uint32_t access_mode = 0;              // ... with this access mode
  Cursor cursor;                         // the last SET or RESET, or the position the last step reached
  int last_set_key = -1;                 // key of the last SET or RESET
  uint32_t current = 0;                  // the record last read into the buffer; 0: none
  Bytes record;                          // the record buffer
  std::vector<Bytes> memos;              // the memo buffers; BLOBs empty unless `with_blobs`
  bool with_blobs = false;               // the BLOBs' contents were saved
};

// GETSTATE: a new block in *args.state_out, the blobs saved when
// args.save_blobs. 78 without a place for it.
int get_state(ControlBlock& cb, DriverArguments& args);
// RESTORESTATE (args.state, args.restore_buffers): opens or closes the
// table as it was, puts the position back and finds the record that had
// been read again: read again, or only looked for while it is still the
// current record (a hold or watch on it stands); 35 when it is gone. With
// restore_buffers the saved buffers are copied back (the blobs when saved;
// otherwise they are the record's as read again); without, the buffers end
// as they were before the call. 78 without a block, 47 for another table's
// block.
int restore_state(ControlBlock& cb, DriverArguments& args);
// FREESTATE: frees args.state. 78 without a block, 47 for another table's
// block (left to its caller).
int free_state(ControlBlock& cb, DriverArguments& args);

}  // namespace tps
