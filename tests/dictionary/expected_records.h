// The records another program wrote into the fixture files, as listed in
// its expected.json: per file, each record's number, field values and memo
// texts (UTF-8, trailing spaces removed).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct ExpectedRecord {
  uint32_t record = 0;
  // A field's value as text: numbers in decimal, DECIMAL as its text, a
  // DATE as "YYYY-MM-DD"; none for null.
  std::map<std::string, std::optional<std::string>> fields;
  std::map<std::string, std::string> memos;
};

// File name -> its records, read from the JSON file at `path`.
// Fails the running test on malformed JSON.
std::map<std::string, std::vector<ExpectedRecord>> read_expected_records(const std::string& path);

}  // namespace testing_support
