// Code-page conversion of the text fields of a record buffer, for tables
// that store their text in the OEM code page.
//
// Converted are STRING fields over their whole size, CSTRING fields up to
// their first NUL, and PSTRING fields over the length their first byte gives
// (never past the field). Each element of an array is converted on its own.
// Fields that overlay others (OVER) and all other types are left alone, so
// no byte is converted twice and numbers are never touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tps/table/byte_string.h"
#include "tps/table/declaration.h"

namespace tps {

// Converts the text fields of `record` (`length` bytes) from ANSI to OEM in place.
// Fields reaching past `length` are converted only up to it.
void record_text_to_oem(const std::vector<FieldDeclaration>& fields, uint8_t* record, size_t length);

// Converts the text fields of `record` from OEM to ANSI in place.
void record_text_to_ansi(const std::vector<FieldDeclaration>& fields, uint8_t* record, size_t length);

// The bytes to store for the record buffer `record`: a copy, with its text
// fields converted to OEM when `oem`. The caller's buffer is left as it is.
Bytes stored_record_image(const std::vector<FieldDeclaration>& fields, const uint8_t* record, size_t length,
                          bool oem);

}  // namespace tps
