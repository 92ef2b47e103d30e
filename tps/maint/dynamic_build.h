// BUILDdyn and BUILDdynfilter: a dynamic index's components taken from a
// key string, then the index built, keeping only the records a filter
// accepts.
//
// A dynamic index (an INDEX declared without components) gets its
// components from the build and its entries in a private store
// (dynamic_store.h); both last until CLOSE or the index's next build. A key
// with declared components keeps them: the stored entries of a KEY or INDEX
// are shared with every station, which builds and reads them with the
// declared components, so the dynamic builds refuse it (78).
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call. Returns the operation's error number (0 for success).
#pragma once

#include "tps/key/key_build.h"
#include "tps/maint/dynamic_store.h"
#include "tps/ops/control_block.h"
#include "tps/ops/engine_call.h"

namespace tps {

int build_dynamic_key(ControlBlock& cb, DriverArguments& args, bool filtered);

// --- Shared with the builds and the searches -----------------------------------

// Checks a dynamic build's key and key string without building: 0, 78 for
// a key that is not a dynamic index, 76 for an empty or unmatched string.
int check_dynamic_build(const ControlBlock& cb, int key, std::string_view key_string);
// Gives key `key` the components of `key_string` and builds it into a new
// private store, entering only the records `filter` accepts (all when
// null). REQUIRES: the table is open for writing; check_dynamic_build said 0.
int build_dynamic_index(ControlBlock& cb, int key, std::string_view key_string, const RecordFilter* filter,
                        const BuildProgress& progress);

// The tree holding key `key`'s entries when it is a dynamic index: its
// private store, or null when it was not built in this open (it then has
// no entries). The table's own tree for every other key.
PageTree* key_entries_tree(ControlBlock& cb, int key, PageTree& table_tree);
// The counters of key `key` when it is a dynamic index built in this open;
// null otherwise.
KeyCounters* dynamic_index_counters(ControlBlock& cb, int key);
// Drops the dynamic indexes' stores and the components builds gave them
// (OPEN and CLOSE).
void forget_dynamic_indexes(ControlBlock& cb);

}  // namespace tps
