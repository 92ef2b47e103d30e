// Finding data records and key entries of an open table in its page tree,
// for the navigator, the reads and the duplicate tests.
//
// Results are copied into the control block's scratch buffers (the found
// entry, its key part length), never into fresh allocations: these searches
// run on every NEXT and key lookup. A record that carries the table's prefix
// but not the shape of its kind (left by a damaged or foreign file) is
// passed over as if it were not there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tps/ops/control_block.h"
#include "tps/tree/page_tree.h"

namespace tps {

// What a search found: nothing, a data record, or a key entry (its bytes in
// cb.found, its key part length in cb.found_key_length).
struct FoundEntry {
  bool exists = false;
  bool key_entry = false;
  uint32_t record = 0;  // the data record's number, or the entry's record number
};

// --- Data records (record order) ---------------------------------------------
FoundEntry exact_data_record(ControlBlock& cb, PageTree& tree, uint32_t record);
// The data record after (before) record number `record`.
FoundEntry data_record_beside(ControlBlock& cb, PageTree& tree, uint32_t record, bool forward);
// The first (last) data record of the table.
FoundEntry end_data_record(ControlBlock& cb, PageTree& tree, bool first);

// --- Key entries ---------------------------------------------------------------
// The entry whose key part equals the first `key_length` bytes of `probe`.
FoundEntry exact_key_entry(ControlBlock& cb, PageTree& tree, int key, const uint8_t* probe, size_t key_length);
// The first entry strictly after (the last strictly before) the bound bytes.
FoundEntry key_entry_beside(ControlBlock& cb, PageTree& tree, int key, const uint8_t* bound, size_t length,
                            bool forward);
// The first (last) entry of the key.
FoundEntry end_key_entry(ControlBlock& cb, PageTree& tree, int key, bool first);
// GET by key: the entry with the value of probe (a whole key record); for a
// DUP key the one with the lowest record number.
FoundEntry entry_by_value(ControlBlock& cb, PageTree& tree, int key, const Bytes& probe);

// Writes the key record of `key` for `record` (a whole record buffer) and
// record number `record_number` into `out`; returns its key part length.
size_t build_key_record(ControlBlock& cb, int key, const uint8_t* record, uint32_t record_number, Bytes& out);

}  // namespace tps
