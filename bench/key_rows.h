// The rows of the key-build workloads: one table of a LONG number, unique
// per row and scattered over the whole range (negative values included), a
// name of up to 40 characters drawn from 32,768 (so at a million rows each
// name is shared by about 30 rows), spelled in mixed letter cases so that
// case folding decides which rows are equal, and 56 characters of other data.
//
// Every row is computed from its index, so each child process makes the same
// rows and the engine and SQLite get the same values in the same order.
#pragma once

#include <cstdint>
#include <string>

#include "tps/table/declaration.h"

namespace bench {

// The record buffer: LONG number, STRING(40) name, STRING(56) rest.
inline constexpr uint32_t kNumberOffset = 0;
inline constexpr uint32_t kNameOffset = 4;
inline constexpr uint32_t kNameLength = 40;
inline constexpr uint32_t kRestOffset = kNameOffset + kNameLength;
inline constexpr uint32_t kRestLength = 56;
inline constexpr uint32_t kKeyRecordLength = kRestOffset + kRestLength;

// The two keys, by key number: a NOCASE key with duplicates over the name,
// and a unique key over the number.
enum class BuiltKey : uint8_t { name = 0, number = 1 };

struct KeyRow {
  int32_t number;
  std::string name;  // without trailing spaces
  std::string rest;
};

// Row `index` (0-based; the engine gives it record number index + 1).
KeyRow make_key_row(uint32_t index);
// The row as the engine's record buffer: the LONG in memory order, the
// strings padded with spaces. REQUIRES: `buffer` holds kKeyRecordLength bytes.
void fill_key_record(const KeyRow& row, uint8_t* buffer);

// The table's declaration: both keys plain KEYs, the table OEM like the
// program's own tables, so a build converts text as it reads.
const tps::TableDeclaration& key_table_declaration();

}  // namespace bench
