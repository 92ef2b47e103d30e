#include "bench/records.h"

#include <numeric>

namespace bench {

namespace {

constexpr uint32_t kTableNumber = 1;
constexpr uint8_t kDataRecordType = 0xF3;

// splitmix64: a small, fixed generator, so that rows and orders do not
// depend on the standard library's distributions.
uint64_t mix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void store_u32be(uint8_t* out, uint32_t value) {
  out[0] = uint8_t(value >> 24);
  out[1] = uint8_t(value >> 16);
  out[2] = uint8_t(value >> 8);
  out[3] = uint8_t(value);
}

}  // namespace

void make_key(uint32_t number, uint8_t* key) {
  store_u32be(key, kTableNumber);
  key[4] = kDataRecordType;
  store_u32be(key + 5, number);
}

Record make_record(uint32_t number) {
  Record record;
  make_key(number, record.data());
  // Letters drawn at random: text-like bytes without long runs, so neither
  // store gains from compressing repeated bytes.
  uint64_t state = number;
  uint64_t bits = 0;
  for (size_t i = 0; i < kDataLength; ++i) {
    if (i % 8 == 0) bits = mix(state);
    record[kKeyLength + i] = uint8_t('a' + (bits & 0xFF) % 26);
    bits >>= 8;
  }
  return record;
}

uint64_t data_checksum(const uint8_t* data, size_t length) {
  uint64_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum = sum * 31 + data[i];
  return sum;
}

uint64_t expected_checksum(uint32_t number) {
  Record record = make_record(number);
  return data_checksum(record.data() + kKeyLength, kDataLength);
}

std::vector<uint32_t> visiting_order(uint32_t count, Order order, uint64_t seed) {
  std::vector<uint32_t> indexes(count);
  std::iota(indexes.begin(), indexes.end(), 0u);
  if (order == Order::ascending) return indexes;
  uint64_t state = seed;
  for (uint32_t i = count; i > 1; --i) {  // Fisher-Yates
    uint32_t j = uint32_t(mix(state) % i);
    std::swap(indexes[i - 1], indexes[j]);
  }
  return indexes;
}

}  // namespace bench
