// Searching the entries of one key in its store.
//
// Every result is a copy of a key record of the asked key: a record that
// carries another table number or key number is no result, and a record of
// the key whose length is not the key's record length (left by a damaged or
// foreign file) is passed over as if it were not there, so a result's
// record number can always be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "tps/key/key_record.h"
#include "tps/tree/page_tree.h"

namespace tps {

// Where a key's entries are: its store and the table's number.
struct KeyStore {
  PageTree& tree;
  uint32_t table_number;
  const KeyDescriptor& key;
};

// The entry whose key part equals the probe's (value, plus the record
// number for a DUP key).
std::optional<KeyRecord> exact_entry(const KeyStore& store, const KeyRecord& probe);

// Stores `entry` unless an entry with its key part is there; returns that
// entry then, and nothing after storing. A stored record of another shape
// under the same key is a damaged file: fault 706, as inserting over it is.
std::optional<KeyRecord> insert_unless_present(const KeyStore& store, const KeyRecord& entry);

// The first and the last entry of the key.
std::optional<KeyRecord> first_entry(const KeyStore& store);
std::optional<KeyRecord> last_entry(const KeyStore& store);

// The first entry strictly after / the last strictly before the probe bytes
// (a key part, or a whole key record used as a search bound).
std::optional<KeyRecord> next_entry(const KeyStore& store, const uint8_t* probe, size_t probe_length);
std::optional<KeyRecord> previous_entry(const KeyStore& store, const uint8_t* probe, size_t probe_length);

// Deletes the key's well-formed entries whose record number `select`
// accepts, and returns how many well-formed entries it kept.
uint32_t remove_entries(const KeyStore& store, const std::function<bool(uint32_t record)>& select);

// GET by key: the entry with the value `record` gives the key. For a DUP key
// the one with the lowest record number.
std::optional<KeyRecord> lookup_by_value(const KeyStore& store, const KeyCollation& collation,
                                         const uint8_t* record);

// The probe of a key-order scan from the value in `record`: record number 0
// for a forward scan, 0xFFFFFFFF for a backward one.
KeyRecord scan_probe(const KeyStore& store, const KeyCollation& collation, const uint8_t* record, bool forward);

// Where such a scan starts: for a key without DUP the exact entry when there
// is one; otherwise the next (forward) or previous (backward) entry.
std::optional<KeyRecord> scan_start(const KeyStore& store, const KeyRecord& probe, bool forward);

}  // namespace tps
