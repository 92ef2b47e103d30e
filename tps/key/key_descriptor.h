// The engine's description of one KEY or INDEX of a bound table: which
// fields make its value, in which direction, and how its records split into
// key part and data part.
//
// Key record layout (the key's entries in the table's file):
//   4  table number, big-endian
//   1  key number (0-based position in the declaration; below 0xF3, the
//      first record type that is not a key)
//   n  encoded value: the components one after another, each its field's length
//   4  record number of the data record, big-endian
// Without DUP the first 5 + n bytes are the key part, so two records with
// one value collide. With DUP the record number belongs to the key part
// too, which orders equal values by ascending record number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tps/key/component_encoding.h"
#include "tps/table/declaration.h"
#include "tps/table/structure_error.h"

namespace tps {

// The longest encoded value a key may have.
inline constexpr uint32_t kMaxKeyValueLength = 7526;
// Table number and key number in front of the value.
inline constexpr size_t kKeyPrefixLength = 5;
inline constexpr size_t kRecordNumberLength = 4;

struct KeyDescriptor {
  uint8_t number = 0;       // key number, 0-based
  uint8_t attributes = 0;   // key_attr bits as declared
  std::vector<ComponentField> components;
  uint32_t value_length = 0;  // n: sum of the component lengths

  bool has(uint8_t attribute_bit) const { return (attributes & attribute_bit) != 0; }
  bool dup() const { return has(key_attr::kDup); }
  bool opt() const { return has(key_attr::kOpt); }
  bool nocase() const { return has(key_attr::kNoCase); }
  bool is_index() const { return has(key_attr::kIndex); }
  bool is_dynamic() const { return has(key_attr::kDynamic); }

  // Bytes of one key record: prefix, value, record number.
  size_t record_length() const { return kKeyPrefixLength + value_length + kRecordNumberLength; }
  // Bytes of its key part (the whole record for a DUP key).
  size_t key_part_length() const { return dup() ? record_length() : kKeyPrefixLength + value_length; }
};

// Builds the descriptor of every key of `declaration` into `keys`, in key
// order. Fails with 47 "KEY n SIZE" (detail code 101 and the over-long key
// message) when a value would exceed 7526 bytes; also with 47 for a
// component naming no field or a field outside the record buffer, and with
// 75 for an array component, so that a descriptor never reads past the
// record buffer whatever declaration it is given.
DeclarationResult build_key_descriptors(const TableDeclaration& declaration, std::vector<KeyDescriptor>& keys);

// Builds the descriptor of key `key_index` of `declaration` with the given
// components instead of the declared ones (a dynamic index whose components
// a build supplies). Same checks as above.
DeclarationResult build_key_descriptor(const TableDeclaration& declaration, size_t key_index,
                                       const std::vector<KeyComponent>& components, KeyDescriptor& key);

}  // namespace tps
