// BUILDfile, BUILDkey and PACK through the entry point: keys rebuilt from
// the table's data records.
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call. Each returns the operation's error number (0 for success).
#pragma once

#include "tps/ops/control_block.h"

namespace tps {

// BUILDfile: builds every KEY of the table (an INDEX is built on demand
// only). A closed table is opened read/write, deny write, for the build; an
// open one must be open for writing (else 5).
int build_table_keys(ControlBlock& cb);
// BUILDkey: builds key `key` alone, KEY or INDEX. 78 for a key the table
// does not have.
int build_one_key(ControlBlock& cb, int key);
// PACK: BUILDfile, then the file is cut at the end of its page space.
int pack_table(ControlBlock& cb);
// 84: runs the build a call deferred while the progress setting was on;
// 0 when none is pending.
int run_deferred_build(ControlBlock& cb);

}  // namespace tps
