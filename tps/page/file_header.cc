#include "tps/page/file_header.h"

namespace tps {

namespace {
constexpr uint8_t kMagic[4] = {0x74, 0x4F, 0x70, 0x53};  // "tOpS"
}

FileHeader FileHeader::new_file() {
  FileHeader h;
  store_u16le(h.raw_.data() + 4, kSize);
  h.set_magic();
  return h;
}

bool FileHeader::valid() const {
  const uint8_t* m = raw_.data() + kMagicOffset;
  return m[0] == kMagic[0] && m[1] == kMagic[1] && m[2] == kMagic[2] && m[3] == kMagic[3];
}

void FileHeader::set_magic() {
  for (int i = 0; i < 4; ++i) raw_[kMagicOffset + i] = kMagic[i];
}

void FileHeader::set_log(uint32_t start, uint32_t end) {
  store_u32le(raw_.data() + 6, start);
  store_u32le(raw_.data() + 10, end);
}

void FileHeader::set_region(int k, int32_t start, int32_t end) {
  store_u32le(raw_.data() + 32 + 4 * k, uint32_t(start));
  store_u32le(raw_.data() + 272 + 4 * k, uint32_t(end));
}

int FileHeader::class_of(int32_t page) const {
  if (page < 0) return 0;
  for (int k = 1; k < kSizeClasses; ++k) {
    int64_t start = uint32_t(region_start(k));
    int64_t end = uint32_t(region_end(k));
    if (page >= start && page < end) {
      return (page - start) % k == 0 && end - page >= k ? k : 0;
    }
  }
  return 0;
}

uint64_t FileHeader::end_of_page_space() const {
  for (int k = kLargestClass; k >= 1; --k) {
    if (!region_empty(k)) return page_offset(region_end(k));
  }
  return page_offset(region_end(0));
}

}  // namespace tps
