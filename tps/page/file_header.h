// The 512-byte file header at offset 0 of every TPS file.
//
// It is laid out like a page image of size 512 whose own offset is 0, so the
// log can carry it like any page:
//   0 u32 own offset (0)        4 u16 stored size (512)
//   6 u32 log start             10 u32 log end (== log start: no log pending)
//  14 "tOpS"                    18 2 zero bytes
//  20 u32 BIG-endian number counter (last table/record number issued)
//  24 u32 change counter        28 u32 root page number
//  32 60 x u32 region start     272 60 x u32 region end (exclusive)
// Region k (1..59) holds the pages of size class k (k * 256 bytes) back to
// back; pages are numbered in 256-byte units from offset 512.
#pragma once

#include <array>
#include <cstdint>

#include "tps/base/bytes.h"

namespace tps {

inline constexpr int kSizeClasses = 60;  // classes 0..59; class 0 is never used
inline constexpr int kLargestClass = 59;
inline constexpr uint32_t kPageUnit = 256;
inline constexpr uint32_t kPageSpaceStart = 512;
inline constexpr uint32_t kLargestImage = kLargestClass * kPageUnit;  // 15104

// Byte offset of page number n.
inline uint64_t page_offset(int32_t page) { return uint64_t(uint32_t(page)) * kPageUnit + kPageSpaceStart; }
inline uint32_t round_up_to_unit(uint32_t size) { return (size + kPageUnit - 1) / kPageUnit * kPageUnit; }

class FileHeader {
 public:
  static constexpr uint32_t kSize = 512;

  // The header of a zero-length file: all zero but stored size and magic.
  static FileHeader new_file();
  // An invalid copy (magic zero), as held before the first refresh.
  static FileHeader invalid() { return FileHeader(); }

  uint8_t* bytes() { return raw_.data(); }
  const uint8_t* bytes() const { return raw_.data(); }

  bool valid() const;  // magic present
  void invalidate() { store_u32le(raw_.data() + kMagicOffset, 0); }
  void set_magic();

  uint32_t log_start() const { return load_u32le(raw_.data() + 6); }
  uint32_t log_end() const { return load_u32le(raw_.data() + 10); }
  void set_log(uint32_t start, uint32_t end);
  bool log_pending() const { return log_start() != log_end(); }

  uint32_t number_counter() const { return load_u32be(raw_.data() + 20); }
  uint8_t* number_counter_bytes() { return raw_.data() + 20; }
  uint32_t change_counter() const { return load_u32le(raw_.data() + 24); }
  void set_change_counter(uint32_t v) { store_u32le(raw_.data() + 24, v); }
  int32_t root() const { return int32_t(load_u32le(raw_.data() + 28)); }
  void set_root(int32_t page) { store_u32le(raw_.data() + 28, uint32_t(page)); }

  int32_t region_start(int k) const { return int32_t(load_u32le(raw_.data() + 32 + 4 * k)); }
  int32_t region_end(int k) const { return int32_t(load_u32le(raw_.data() + 272 + 4 * k)); }
  void set_region(int k, int32_t start, int32_t end);
  bool region_empty(int k) const { return region_end(k) <= region_start(k); }

  // Size class of the region holding page n, or 0 when n lies in no region
  // or is not aligned to its region's pages.
  int class_of(int32_t page) const;
  // Byte offset just past the highest non-empty region.
  uint64_t end_of_page_space() const;

 private:
  static constexpr int kMagicOffset = 14;
  std::array<uint8_t, kSize> raw_{};
};

}  // namespace tps
