// The limits a table declaration must keep before the engine binds it.
#pragma once

#include <cstdint>

#include "tps/table/declaration.h"
#include "tps/table/structure_error.h"

namespace tps {

inline constexpr uint32_t kMaxStringLength = 15000;      // STRING declared length
inline constexpr uint32_t kMaxCStringLength = 15001;     // CSTRING declared length (NUL included)
inline constexpr uint32_t kMaxFieldSize = 15000;         // one field, all elements
inline constexpr uint32_t kMaxRecordFieldBytes = 15000;  // fields that do not overlay others, together (groups by their members)
inline constexpr uint32_t kMaxMemoSize = 64000;          // declared size of a MEMO
inline constexpr uint32_t kMaxBlobSize = 0x28000000;     // a BLOB value: 65536 chunks of 10240 bytes
inline constexpr size_t kMaxMemos = 255;
inline constexpr size_t kMaxKeys = 240;                  // key numbers stay below the first record type

// Whether the engine accepts fields of type code `type` (arrays of them too).
bool is_accepted_field_type(uint8_t type);

// Checks every limit of `declaration`, fields first, then memos, then keys:
// 47 with the element and attribute named, or 75 for an array field used as
// a key component. Also refused with 47, because the engine could not work on
// them safely: a field reaching past the record buffer ("SIZE"), and a key
// component naming no field ("FIELD").
// The length limit of a key's value is the key layer's check
// (build_key_descriptors in tps/key/key_descriptor.h).
DeclarationResult check_declaration_limits(const TableDeclaration& declaration);

}  // namespace tps
