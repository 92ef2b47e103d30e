// Encoding of one key component: the bytes of a field of the record buffer
// turned into bytes whose unsigned bytewise order is the component's order.
//
// The result is exactly the field's length, so a key value is its
// components one after another and needs no separators.
//   SHORT, LONG            big-endian, sign bit flipped
//   USHORT, ULONG,
//   DATE, TIME             big-endian
//   SREAL, REAL            big-endian; negatives inverted, others get the top bit
//   DECIMAL                packed bytes, sign nibble cleared, top bit flipped;
//                          negatives inverted
//   STRING, GROUP          the bytes, trailing spaces included
//   CSTRING                the bytes before the first NUL, then NULs
//   PSTRING                the bytes its length byte counts, then NULs
//   BYTE and others        the bytes as they are
// Text (STRING, GROUP, CSTRING, PSTRING) is then case folded for NOCASE and
// collated through the locale block: digraphs expanded, converted to the OEM
// code page for an OEM table, each byte replaced by its weight.
// A descending component is complemented (bitwise NOT); the real and DECIMAL
// rules toggle that for negative values.
#pragma once

#include <cstdint>

#include "tps/key/locale_block.h"

namespace tps {

// A component as the encoder sees it: where the field is and what it holds.
struct ComponentField {
  uint8_t type = 0;      // a field_type code
  uint32_t offset = 0;   // byte offset in the record buffer
  uint32_t length = 0;   // bytes of the field (one element; arrays are refused earlier)
  bool descending = false;
};

// How string components of one key are folded and collated.
struct StringRules {
  const LocaleBlock* locale = nullptr;  // the table's own copy, or the process tables
  bool nocase = false;                  // the key is NOCASE
  bool oem = false;                     // the table stores OEM text
};

// True when the component's type is collated as text.
bool is_text_component(uint8_t type);

// Writes the encoding of `field` taken from `record` to `out`.
// REQUIRES: record holds at least field.offset + field.length bytes; out has
// room for field.length bytes and does not overlap record.
void encode_component(const ComponentField& field, const uint8_t* record, const StringRules& rules, uint8_t* out);

// True when the component is blank in `record` for the OPT rule: STRING and
// GROUP all spaces, CSTRING and PSTRING a NUL first byte, others all zero.
// REQUIRES: as for encode_component.
bool component_is_blank(const ComponentField& field, const uint8_t* record);

}  // namespace tps
