// Conversion between the Windows ANSI code page (1252) and the OEM code
// page (850), in place, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace text {

void ansi_to_oem(uint8_t* bytes, size_t length);
void oem_to_ansi(uint8_t* bytes, size_t length);

}  // namespace text
