// The benchmark's rows: data records of one table, a 9-byte record key
// (table number, record type, record number; the numbers big-endian so that
// bytewise order is numeric order) and 100 bytes of data.
//
// Every row is computed from its record number, so each child process makes
// the same rows without sharing memory, and every store sees identical bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

inline constexpr size_t kKeyLength = 9;
inline constexpr size_t kDataLength = 100;
inline constexpr size_t kRecordLength = kKeyLength + kDataLength;

using Record = std::array<uint8_t, kRecordLength>;  // key, then data

// The record number of the i-th row of the loaded set. Loaded rows take the
// even numbers, so that the odd ones are free for inserts that land at
// random places between existing rows.
inline uint32_t loaded_number(uint32_t i) { return 2 * i + 2; }
inline uint32_t gap_number(uint32_t i) { return 2 * i + 1; }

// Builds the record of `number`: key and data.
Record make_record(uint32_t number);
// Writes the 9-byte key of `number` into `key`.
void make_key(uint32_t number, uint8_t* key);
// The sum of the data bytes of a record, used to prove that a read really
// returned the row's bytes.
uint64_t data_checksum(const uint8_t* data, size_t length);
// The checksum that reading row `number` must give.
uint64_t expected_checksum(uint32_t number);

// The order in which rows are visited: 0..count-1 either ascending or in a
// fixed pseudo-random permutation (the same for every run with one seed).
enum class Order { ascending, random };
std::vector<uint32_t> visiting_order(uint32_t count, Order order, uint64_t seed);

}  // namespace bench
