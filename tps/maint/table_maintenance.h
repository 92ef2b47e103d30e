// Whole-table maintenance through the entry point: REMOVE, EMPTY, COPY and
// RENAME.
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call. Each returns the operation's error number (0 for success).
#pragma once

#include <string_view>

#include "tps/ops/control_block.h"

namespace tps {

// REMOVE: drops the table from its file; the OS file goes with the file's
// last table. The table is closed afterwards.
int remove_table(ControlBlock& cb);

// EMPTY: deletes every record of the open table and leaves it with its
// definition, its locale and zero counters. Record numbers keep rising from
// where the file's counter stood. REQUIRES: the table is open.
int empty_table(ControlBlock& cb);

// COPY (`rename` false) and RENAME (`rename` true) to `target`: the whole OS
// file when neither name names a table, else table by table with record
// numbers moved above every number the target file has issued.
int copy_table(ControlBlock& cb, std::string_view target, bool rename);

}  // namespace tps
