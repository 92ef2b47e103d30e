// Reading and writing fixed-width numbers in byte buffers.
//
// The file format is little-endian, except numbers that take part in record
// ordering (table and record numbers, sequence numbers, encoded key values),
// which are big-endian so that unsigned bytewise comparison is numeric order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tps {

inline uint16_t load_u16le(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t load_u32le(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t load_u16be(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t load_u32be(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void store_u16le(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void store_u32le(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void store_u16be(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
inline void store_u32be(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

// Order of record keys: unsigned bytewise over the common length, then the
// shorter key first. Returns <0, 0 or >0.
inline int compare_keys(const uint8_t* a, size_t a_length, const uint8_t* b, size_t b_length) {
  size_t common = a_length < b_length ? a_length : b_length;
  // Most comparisons are settled in the first eight bytes (after the table
  // and key numbers, the start of the value): compared as one big-endian
  // number, without a call.
  if (common >= 8) {
    uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        x = __builtin_bswap64(x);
        y = __builtin_bswap64(y);
      }
      return x < y ? -1 : 1;
    }
    a += 8;
    b += 8;
    common -= 8;
  }
  if (common) {
    int c = std::memcmp(a, b, common);
    if (c) return c;
  }
  return a_length < b_length ? -1 : (a_length > b_length ? 1 : 0);
}

// The length of `bytes` without its trailing run of `pad`. Text buffers are
// mostly padding (a 5,600-byte paragraph holding a few lines, or none), so
// the run is compared 256 bytes at a time, then a word at a time.
inline size_t length_without_trailing(const uint8_t* bytes, size_t length, uint8_t pad) {
  constexpr size_t kBlock = 256;
  if (length >= kBlock) {
    uint8_t pads[kBlock];
    std::memset(pads, pad, kBlock);
    while (length >= kBlock && std::memcmp(bytes + length - kBlock, pads, kBlock) == 0) length -= kBlock;
  }
  const uint64_t pad_word = 0x0101010101010101ULL * pad;
  while (length >= 8) {
    uint64_t word;
    std::memcpy(&word, bytes + length - 8, 8);
    if (word != pad_word) break;
    length -= 8;
  }
  while (length > 0 && bytes[length - 1] == pad) --length;
  return length;
}

}  // namespace tps
