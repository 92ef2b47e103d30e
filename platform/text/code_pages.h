// Conversion between the Windows ANSI code page (1252) and the OEM code
// page (850), in place, byte for byte, and between 1252 and UTF-8.
//
// ANSI <-> OEM behaves as the operating system's conversion that the table
// files were written with: it never fails and never changes the length.
// - Bytes 0x00..0x7F are the same in both code pages and are left alone.
// - Every character the two code pages share (all of 0xA0..0xFF of 1252,
//   which are the Latin-1 letters and signs: á é í ó ú ü ñ Ñ ° ¿ ¡ ...,
//   and the florin sign 0x83) converts to its OEM byte and back unchanged.
// - A 1252 character that 850 cannot hold becomes a close character, or
//   '?' when none is close:
//     ‚ -> ,   „ “ ” -> "   ‘ ’ -> '   … -> .   † ‡ -> +   ˆ -> ^   ‰ -> %
//     ‹ -> <   › -> >   – — -> -   ˜ -> ~   • -> ·   ™ -> T
//     Š š Ž ž Œ œ Ÿ -> S s Z z O o Y
//     € and the unassigned bytes 0x81 0x8D 0x8F 0x90 0x9D -> ?
// - An 850 character that 1252 cannot hold (line drawing, shading, dotless
//   i, double low line, square) becomes:
//     corners and junctions -> +   horizontal lines ─ -> -   ═ -> =
//     vertical lines -> |   shades and blocks ░ ▒ ▓ █ ▄ ▀ ■ -> #
//     ı -> i   ‗ -> _
// So a stored text read back equals the text written whenever it holds
// only shared characters; otherwise each foreign character is replaced by
// one byte and the write still succeeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// The byte that stands for a character the target code page cannot hold
// and that has no close equivalent.
inline constexpr uint8_t kDefaultCharacter = '?';

// Converts `length` bytes from code page 1252 to code page 850, in place.
void ansi_to_oem(uint8_t* bytes, size_t length);
// Converts `length` bytes from code page 850 to code page 1252, in place.
void oem_to_ansi(uint8_t* bytes, size_t length);

// One byte of each conversion.
uint8_t ansi_to_oem(uint8_t byte);
uint8_t oem_to_ansi(uint8_t byte);

// Text in code page 1252 as UTF-8. The five unassigned 1252 bytes become
// U+FFFD. Every other byte maps to one code point.
std::string utf8_from_ansi(std::string_view ansi);

// UTF-8 text in code page 1252. A code point 1252 cannot hold, and each
// byte of a malformed sequence, becomes `replacement`.
std::string ansi_from_utf8(std::string_view utf8, char replacement = static_cast<char>(kDefaultCharacter));

}  // namespace text
