#include "tests/dictionary/fixture_records.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace testing_support {
namespace {

uint32_t u32le(const std::vector<uint8_t>& b, size_t p) {
  return b[p] | (b[p + 1] << 8) | (b[p + 2] << 16) | (uint32_t(b[p + 3]) << 24);
}
uint16_t u16le(const std::vector<uint8_t>& b, size_t p) { return uint16_t(b[p] | (b[p + 1] << 8)); }

size_t read_count(const std::vector<uint8_t>& b, size_t& p) {
  size_t value = 0;
  for (int shift = 0;; shift += 7) {
    const uint8_t byte = b.at(p++);
    value |= size_t(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return value;
  }
}

std::vector<uint8_t> expand(const std::vector<uint8_t>& in, size_t size) {
  std::vector<uint8_t> out;
  size_t p = 0;
  while (true) {
    const size_t literal = read_count(in, p);
    out.insert(out.end(), in.begin() + p, in.begin() + p + literal);
    p += literal;
    if (out.size() >= size) break;
    const size_t repeat = read_count(in, p);
    out.insert(out.end(), repeat, out.back());
    if (out.size() >= size) break;
  }
  out.resize(size);
  return out;
}

void read_leaf(const std::vector<uint8_t>& image, std::vector<FixtureRecord>& out) {
  const uint16_t stored = u16le(image, 4), uncompressed = u16le(image, 6), count = u16le(image, 10);
  std::vector<uint8_t> body(image.begin() + 13, image.begin() + stored);
  if (stored < uncompressed) body = expand(body, uncompressed - 13);
  std::vector<uint8_t> previous;
  size_t p = 0, length = 0, key_length = 0;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t flag = body.at(p++);
    if (flag & 0x80) length = u16le(body, p), p += 2;
    if (flag & 0x40) key_length = u16le(body, p), p += 2;
    const size_t shared = flag & 0x3F;
    std::vector<uint8_t> record(previous.begin(), previous.begin() + shared);
    record.insert(record.end(), body.begin() + p, body.begin() + p + (length - shared));
    p += length - shared;
    if (length > 0)
      out.push_back({{record.begin(), record.begin() + key_length}, {record.begin() + key_length, record.end()}});
    previous = std::move(record);
  }
}

}  // namespace

std::vector<FixtureRecord> read_fixture_records(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<FixtureRecord> records;
  if (file.size() < 512) return records;
  for (int size_class = 1; size_class < 60; ++size_class) {
    const uint32_t start = u32le(file, 32 + 4 * size_class), end = u32le(file, 272 + 4 * size_class);
    for (uint32_t page = start; page < end; page += size_class) {
      const size_t offset = size_t(page) * 256 + 512;
      std::vector<uint8_t> image(file.begin() + offset, file.begin() + offset + size_class * 256);
      if (image[12] == 0) read_leaf(image, records);
    }
  }
  std::sort(records.begin(), records.end(), [](const FixtureRecord& a, const FixtureRecord& b) { return a.key < b.key; });
  return records;
}

}  // namespace testing_support
