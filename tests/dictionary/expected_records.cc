#include "tests/dictionary/expected_records.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "tests/support/json_value.h"

namespace testing_support {
namespace {

const Json& member(const Json& object, const std::string& name) {
  const Json& value = object[name];
  if (value.is_null()) throw std::runtime_error("missing member " + name);
  return value;
}

ExpectedRecord record_of(const Json& json) {
  ExpectedRecord record;
  record.record = static_cast<uint32_t>(std::stoul(member(json, "record").text));
  for (const auto& [label, value] : member(json, "fields").members)
    record.fields[label] = value.kind == Json::Kind::kNull ? std::nullopt : std::optional<std::string>(value.text);
  for (const auto& [label, value] : member(json, "memos").members) record.memos[label] = value.text;
  return record;
}

}  // namespace

std::map<std::string, std::vector<ExpectedRecord>> read_expected_records(const std::string& path) {
  std::map<std::string, std::vector<ExpectedRecord>> files;
  std::ifstream in(path);
  try {
    const Json root = parse_json(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    for (const auto& [file, records] : root.members)
      for (const Json& record : records.items) files[file].push_back(record_of(record));
  } catch (const std::exception& e) {
    ADD_FAILURE() << path << ": " << e.what();
  }
  return files;
}

}  // namespace testing_support
