// BUILDfile, BUILDkey, BUILDdyn, BUILDdynfilter and PACK through the entry
// point: keys rebuilt from the table's data records, at once or, while the
// table's progress setting is on, deferred until operation 84.
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call. Each returns the operation's error number (0 for success).
#pragma once

#include <string_view>

#include "tps/key/key_build.h"
#include "tps/maint/record_filter.h"
#include "tps/ops/control_block.h"

namespace tps {

// BUILDfile: builds every KEY of the table (an INDEX is built on demand
// only). A closed table is opened read/write, deny write, for the build; an
// open one must be open for writing (else 5). With FULLBUILD the table's
// locale record is first rewritten from the process tables.
int build_table_keys(ControlBlock& cb);
// BUILDkey: builds key `key` alone, KEY or INDEX. 78 for a key the table
// does not have.
int build_one_key(ControlBlock& cb, int key);
// PACK: BUILDfile, then the file is cut at the end of its page space.
int pack_table(ControlBlock& cb);
// 84: runs the build a call deferred while the progress setting was on,
// reporting progress to the build event sink, which may cancel it (93).
// Commits that other calls would make meanwhile wait until it ends. An
// engine fault inside it is reported to the sink before it ends the call
// (90). 0 when none is pending.
int run_deferred_build(ControlBlock& cb);

// --- Shared by the builds ------------------------------------------------------

// One build as a call asks for it.
struct BuildRequest {
  int operation = 0;                    // op::kBuildFile, kBuildKey, kBuildDyn, kBuildDynFilter, kPack
  int key = -1;                         // BUILDkey and the dynamic builds
  std::string_view key_string;          // the dynamic builds
  const RecordFilter* filter = nullptr; // BUILDdynfilter; null enters every record
};

// Runs `request`: deferred when the progress setting is on, else at once.
int request_build(ControlBlock& cb, const BuildRequest& request);

// The part of a key build's job every build of this table shares: the data
// records read from `data` into the record buffer, key `key`'s descriptor,
// collation and progress. The caller names where the entries go.
KeyBuildJob key_build_job(ControlBlock& cb, PageTree& data, size_t key, const BuildProgress& progress);

}  // namespace tps
