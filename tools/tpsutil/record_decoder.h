// The values of a data record and its memos as an administrator reads them
// in a dump: numbers as numbers, dates as "YYYY-MM-DD", DECIMAL as its
// decimal text, text as UTF-8 without its trailing spaces, binary values in
// base64. Every value is decoded from the record buffer in its ANSI form
// (text fields of an OEM table already converted back).
//
// What is shown of a record:
// - every field but a GROUP that has members: its members are shown, each
//   under its own label, and so the group's bytes are not shown twice; a
//   GROUP without members is shown as text;
// - fields laid over others (OVER) too: they are another reading of bytes
//   the record holds;
// - an array, and a field inside a dimensioned group, as the list of its
//   elements in memory order (one column per element in CSV: "LABEL[1]",
//   "LABEL[2]", ...);
// - TIME as "HH:MM:SS.hh" (bytes: hundredths, seconds, minutes, hours), or
//   null when zero, like a DATE;
// - PDECIMAL and unknown types as the hex of their bytes ("0x...").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tps/table/byte_string.h"
#include "tps/table/declaration.h"

namespace tpsutil {

// One decoded value.
struct Value {
  enum class Kind { kNull, kInteger, kReal, kText };
  Kind kind = Kind::kNull;
  int64_t integer = 0;
  std::string text;  // UTF-8; a real number's shortest text (as the type holds it)
};

// A field as shown: which field, and where each of its values lies.
struct FieldColumn {
  size_t field = 0;              // index into the declaration's fields
  std::vector<uint32_t> offsets;  // one per element, in memory order
  uint32_t element_size = 0;     // bytes of one element
  bool repeated = false;         // shown as a list (array or inside a dimensioned group)
};

// The fields of `layout` as a dump shows them, in declaration order.
std::vector<FieldColumn> field_columns(const tps::TableDeclaration& layout);

// The values of `column` in `record` (the table's record buffer, record
// length bytes, text in ANSI): one per element.
std::vector<Value> decode_column(const tps::TableDeclaration& layout, const FieldColumn& column,
                                 const uint8_t* record, size_t length);

// A memo's value as read by the table layer (a MEMO buffer padded with
// spaces, text in ANSI; or a BLOB's bytes): text for a text MEMO, base64
// for a BINARY memo and a BLOB. Empty values give "".
Value decode_memo(const tps::MemoDeclaration& memo, const tps::Bytes& value);

// Stored names (labels, table names) are ANSI bytes; shown as UTF-8.
std::string shown_name(const std::string& ansi);
// The label of a memo: its label, or its external name when it has none.
std::string memo_label(const tps::MemoDeclaration& memo);

// Renderings.
std::string json_quote(const std::string& utf8);  // a JSON string literal
std::string to_json(const Value& value);
std::string to_csv_cell(const Value& value);
std::string csv_quote(const std::string& utf8);  // RFC 4180: quoted when it holds , " CR or LF
std::string base64(const uint8_t* bytes, size_t length);

}  // namespace tpsutil
