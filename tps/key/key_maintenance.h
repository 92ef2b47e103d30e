// Keeping every key of a table in step with one write of a data record.
//
// ADD and APPEND pass only the new buffer, DELETE only the old one, PUT
// both (the record as stored and the new buffer). For each key in key
// number order:
// - a dynamic index is skipped;
// - an INDEX, and every key during APPEND, only gets its out-of-date mark
//   lowered to this record number (unless the entry would not change);
// - a KEY whose entry changes gets the new entry inserted first and the old
//   one removed after, and its entry count adjusted.
// A new value already present in a key without DUP fails the write with 40
// "Creates Duplicate Key" and puts back the entries of the keys already
// changed, so a failed write leaves every key as it was.
#pragma once

#include <cstdint>
#include <vector>

#include "tps/key/key_counters.h"
#include "tps/key/key_record.h"
#include "tps/tree/page_tree.h"

namespace tps {

// The keys of one bound table and where their entries and counters are.
struct TableKeys {
  PageTree& tree;              // the table's file: KEY and INDEX entries
  KeyCounters& counters;
  uint32_t table_number;
  const std::vector<KeyDescriptor>& keys;
  KeyCollation collation;
};

// One write of data record `record_number`. `new_record` and `old_record`
// are whole record buffers, or nullptr when absent. Returns 0 or 40.
// REQUIRES: the table's file object is in update mode.
int maintain_keys(const TableKeys& table, const uint8_t* new_record, const uint8_t* old_record,
                  uint32_t record_number, bool append);

}  // namespace tps
