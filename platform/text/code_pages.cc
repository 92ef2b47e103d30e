#include "platform/text/code_pages.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace text {
namespace {

using ByteMap = std::array<uint8_t, 256>;

// Code point of each byte 0x80..0xFF of code page 850.
constexpr std::array<char16_t, 128> kOemUpper = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// Code point of each byte 0x80..0x9F of code page 1252 (0 when unassigned);
// bytes 0xA0..0xFF are the code points of the same value.
constexpr std::array<char16_t, 32> kAnsiC1 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98
};

// Close OEM byte for each 1252 byte 0x80..0x9F that 850 has no place for.
constexpr std::array<uint8_t, 32> kAnsiC1BestFit = {
    '?', '?', ',', 0,   '"', '.', '+', '+',   // 80: € - ‚ ƒ „ … † ‡
    '^', '%', 'S', '<', 'O', '?', 'Z', '?',   // 88: ˆ ‰ Š ‹ Œ - Ž -
    '?', '\'', '\'', '"', '"', 0xFA, '-', '-',  // 90: - ‘ ’ “ ” • – —
    '~', 'T', 's', '>', 'o', '?', 'z', 'Y',   // 98: ˜ ™ š › œ - ž Ÿ
};

// Close 1252 byte for each 850 character that 1252 cannot hold.
struct OemFallback {
  char16_t code_point;
  uint8_t ansi;
};
constexpr OemFallback kOemBestFit[] = {
    {0x2591, '#'}, {0x2592, '#'}, {0x2593, '#'}, {0x2588, '#'}, {0x2584, '#'}, {0x2580, '#'},
    {0x25A0, '#'}, {0x2502, '|'}, {0x2551, '|'}, {0x2500, '-'}, {0x2550, '='}, {0x2524, '+'},
    {0x2563, '+'}, {0x2557, '+'}, {0x255D, '+'}, {0x2510, '+'}, {0x2514, '+'}, {0x2534, '+'},
    {0x252C, '+'}, {0x251C, '+'}, {0x253C, '+'}, {0x255A, '+'}, {0x2554, '+'}, {0x2569, '+'},
    {0x2566, '+'}, {0x2560, '+'}, {0x256C, '+'}, {0x2518, '+'}, {0x250C, '+'}, {0x0131, 'i'},
    {0x2017, '_'},
};

constexpr char16_t ansi_code_point(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kAnsiC1[byte - 0x80];
  return byte;
}

// The 850 byte holding `code_point`, or 0 when it has none above 0x7F.
constexpr uint8_t oem_byte_of(char16_t code_point) {
  for (size_t i = 0; i < kOemUpper.size(); ++i)
    if (kOemUpper[i] == code_point) return static_cast<uint8_t>(0x80 + i);
  return 0;
}

// The 1252 byte holding `code_point`, or 0 when it has none above 0x7F.
constexpr uint8_t ansi_byte_of(char16_t code_point) {
  for (unsigned byte = 0x80; byte < 0x100; ++byte)
    if (ansi_code_point(static_cast<uint8_t>(byte)) == code_point) return static_cast<uint8_t>(byte);
  return 0;
}

constexpr ByteMap make_ansi_to_oem() {
  ByteMap map{};
  for (unsigned byte = 0; byte < 0x80; ++byte) map[byte] = static_cast<uint8_t>(byte);
  for (unsigned byte = 0x80; byte < 0x100; ++byte) {
    uint8_t oem = 0;
    if (char16_t code_point = ansi_code_point(static_cast<uint8_t>(byte))) oem = oem_byte_of(code_point);
    if (oem == 0) oem = kAnsiC1BestFit[byte - 0x80];
    map[byte] = oem;
  }
  return map;
}

constexpr ByteMap make_oem_to_ansi() {
  ByteMap map{};
  for (unsigned byte = 0; byte < 0x80; ++byte) map[byte] = static_cast<uint8_t>(byte);
  for (unsigned byte = 0x80; byte < 0x100; ++byte) {
    char16_t code_point = kOemUpper[byte - 0x80];
    uint8_t ansi = ansi_byte_of(code_point);
    if (ansi == 0) {
      ansi = kDefaultCharacter;
      for (const OemFallback& fallback : kOemBestFit)
        if (fallback.code_point == code_point) ansi = fallback.ansi;
    }
    map[byte] = ansi;
  }
  return map;
}

constexpr ByteMap kAnsiToOem = make_ansi_to_oem();
constexpr ByteMap kOemToAnsi = make_oem_to_ansi();

// Every shared character must survive the round trip; a table typo would
// silently corrupt stored text, so the build refuses it.
constexpr bool shared_characters_round_trip() {
  for (unsigned byte = 0; byte < 0x100; ++byte) {
    bool shared = byte < 0x80 || byte >= 0xA0 || byte == 0x83;
    if (shared && kOemToAnsi[kAnsiToOem[byte]] != byte) return false;
  }
  return true;
}
static_assert(shared_characters_round_trip());

void append_utf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `utf8[pos]`; returns its code point and
// advances `pos`, or returns no code point (U+FFFFFFFF) and advances one
// byte when the sequence is malformed, overlong or a surrogate.
constexpr char32_t kMalformed = 0xFFFFFFFF;
char32_t next_code_point(std::string_view utf8, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(utf8[i]); };
  uint8_t lead = byte(pos);
  size_t extra = 0;
  char32_t code_point = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, code_point = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, code_point = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, code_point = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return kMalformed;
  }
  if (pos + extra >= utf8.size()) {
    ++pos;
    return kMalformed;
  }
  for (size_t i = 1; i <= extra; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return kMalformed;
    }
    code_point = (code_point << 6) | (byte(pos + i) & 0x3F);
  }
  if (code_point < minimum || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point < 0xE000)) {
    ++pos;
    return kMalformed;
  }
  pos += extra + 1;
  return code_point;
}

}  // namespace

uint8_t ansi_to_oem(uint8_t byte) { return kAnsiToOem[byte]; }
uint8_t oem_to_ansi(uint8_t byte) { return kOemToAnsi[byte]; }

namespace {

// Both maps leave the ASCII half alone, and stored text is mostly ASCII
// with an accented letter here and there: runs of ASCII are passed over 32
// bytes at a time, and of the eight bytes around a high bit only those with
// the high bit set are looked up.
void map_bytes(const ByteMap& map, uint8_t* bytes, size_t length) {
  constexpr uint64_t kHighBits = 0x8080808080808080ULL;
  static_assert(std::endian::native == std::endian::little);
  size_t i = 0;
  while (length - i >= 8) {
    if (length - i >= 32) {
      uint64_t words[4];
      std::memcpy(words, bytes + i, 32);
      if (((words[0] | words[1] | words[2] | words[3]) & kHighBits) == 0) {
        i += 32;
        continue;
      }
    }
    uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    // Bit 8k+7 of the word is the high bit of byte i+k.
    for (uint64_t high = word & kHighBits; high != 0; high &= high - 1) {
      uint8_t& byte = bytes[i + size_t(std::countr_zero(high)) / 8];
      byte = map[byte];
    }
    i += 8;
  }
  for (; i < length; ++i) bytes[i] = map[bytes[i]];
}

}  // namespace

void ansi_to_oem(uint8_t* bytes, size_t length) { map_bytes(kAnsiToOem, bytes, length); }

void oem_to_ansi(uint8_t* bytes, size_t length) { map_bytes(kOemToAnsi, bytes, length); }

std::string utf8_from_ansi(std::string_view ansi) {
  constexpr char32_t kReplacementCharacter = 0xFFFD;
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) {
    char16_t code_point = ansi_code_point(static_cast<uint8_t>(c));
    append_utf8(out, code_point != 0 || c == 0 ? code_point : kReplacementCharacter);
  }
  return out;
}

std::string ansi_from_utf8(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t code_point = next_code_point(utf8, pos);
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point < 0x100)) {
      out += static_cast<char>(code_point);
      continue;
    }
    uint8_t ansi = code_point <= 0xFFFF ? ansi_byte_of(static_cast<char16_t>(code_point)) : 0;
    // 0x80..0x9F code points are C1 controls, not the 1252 characters there.
    out += ansi != 0 && code_point >= 0x100 ? static_cast<char>(ansi) : replacement;
  }
  return out;
}

}  // namespace text
