// The table-definition stream: a table declaration serialized as the file
// stores it, cut into table-definition records of 512 bytes.
//
// Stream layout (numbers u16 little-endian unless u8):
//   u16 version (1, or 2 when a memo is a BLOB), u16 record length,
//   u16 field count, u16 memo count, u16 key count;
//   per field: u8 type, u16 offset, string name (external name, else label),
//     u16 element count, u16 size, u16 overlay flag, u16 field number,
//     DECIMAL/PDECIMAL: u8 places, u8 element size;
//     STRING/CSTRING/PSTRING: u16 element size, string picture;
//   per memo: string external name, string label, u16 size, u16 attributes;
//   per key: string external name, string label, u8 attributes,
//     u16 component count, per component u16 field number, u16 direction.
// A string is its bytes and a NUL; the empty string is 00 00 and an absent
// one 00 01 (read back as empty).
//
// Stored streams are untrusted: reading never goes past the stored bytes.
// Bytes beyond them, like a block that does not exist, read as zeros, and the
// result says that the stream was short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tps/table/byte_string.h"

#include "tps/table/declaration.h"
#include "tps/table/structure_error.h"

namespace tps {

inline constexpr size_t kDefinitionBlockSize = 512;
inline constexpr uint16_t kDefinitionVersion = 1;
inline constexpr uint16_t kDefinitionVersionWithBlobs = 2;
inline constexpr uint16_t kNewestDefinitionVersion = 2;

// The version a declaration is written with.
uint16_t definition_version(const TableDeclaration& declaration);

// Serializes `declaration` into the definition stream.
// REQUIRES: the declaration passed the limit checks (sizes fit 16 bits).
Bytes serialize_definition(const TableDeclaration& declaration);

// Cuts a stream into the blocks stored as table-definition records 0, 1, ...
// Every block but the last holds 512 bytes; the last holds the rest (1..512).
std::vector<Bytes> cut_into_blocks(const Bytes& stream);

// A stored definition read back: the table layout, plus what the stream
// carries beyond a declaration.
struct StoredDefinition {
  uint16_t version = 0;
  uint16_t field_count = 0;  // counts as stored, even when the items ran short
  uint16_t memo_count = 0;
  uint16_t key_count = 0;
  TableDeclaration table;  // record length, fields, memos and keys as stored; field names in labels
  std::vector<uint16_t> field_numbers;  // the field number stored with each field
  bool truncated = false;  // items ran past the stored bytes (zeros were read instead)
};

// Reads a stored stream given as its blocks, indexed by block number (an
// empty block stands for a missing one). A version above the newest stops the
// reading after the version word: only `version` is then meaningful.
StoredDefinition read_definition(const std::vector<Bytes>& blocks);

}  // namespace tps
