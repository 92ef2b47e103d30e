// Key records: one entry of a key, built from a record buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tps/key/key_descriptor.h"
#include "tps/key/locale_block.h"

namespace tps {

// The table-wide settings every string component of the table follows.
struct KeyCollation {
  const LocaleBlock* locale = &process_locale();  // the table's own copy when it has one
  bool oem = false;                               // the table stores OEM text
};

// One key record: its bytes and how many of them are the key part.
struct KeyRecord {
  std::vector<uint8_t> bytes;
  size_t key_length = 0;

  const uint8_t* data() const { return bytes.data(); }
  size_t length() const { return bytes.size(); }
  // The record number at the end of the entry.
  uint32_t record_number() const;
  void set_record_number(uint32_t record_number);
  // True when both entries have the same key part, byte for byte.
  bool same_key_part(const KeyRecord& other) const;
};

// Writes the encoded value of `key` for `record` (value_length bytes) to `out`.
// REQUIRES: record holds the table's whole record buffer.
void encode_key_value(const KeyDescriptor& key, const KeyCollation& collation, const uint8_t* record,
                      uint8_t* out);

// The key record of `key` for the data record `record_number` whose buffer is `record`.
KeyRecord make_key_record(uint32_t table_number, const KeyDescriptor& key, const KeyCollation& collation,
                          const uint8_t* record, uint32_t record_number);

// A key record from an encoded value already at hand (a sort run, a position).
// REQUIRES: value holds key.value_length bytes.
KeyRecord key_record_from_value(uint32_t table_number, const KeyDescriptor& key, const uint8_t* value,
                                uint32_t record_number);

// True when `record` gets no entry in `key`: the key is OPT and every
// component is blank. A key without OPT never skips a record.
bool is_blank_for_opt(const KeyDescriptor& key, const uint8_t* record);

// The 5 bytes in front of every record of a key: table number and key number.
std::vector<uint8_t> key_prefix(uint32_t table_number, uint8_t key_number);

}  // namespace tps
