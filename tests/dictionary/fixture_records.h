// A minimal reader of the stored records of a settled TPS file, for checking
// files written by another program before the engine reads them itself. It
// walks every leaf page of every region; it trusts the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct FixtureRecord {
  std::vector<uint8_t> key;
  std::vector<uint8_t> data;
};

// Every stored record of the file at `path` (the empty record excluded), in
// key order.
std::vector<FixtureRecord> read_fixture_records(const std::string& path);

}  // namespace testing_support
