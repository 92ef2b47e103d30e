#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tps/ops/ops_table.h"
#include "tps/maint/index_string.h"

namespace tps {
namespace {

TEST(IndexString, ReadsDirectionsAndNamesWithoutRegardToCase) {
  const std::vector<FieldDeclaration> fields = ops_testing::pupils_declaration("x").fields;
  struct Case {
    const char* text;
    std::vector<KeyComponent> components;
  };
  for (const Case& c : std::vector<Case>{
           {"+pup:name,-pup:class", {{1, false}, {2, true}}},
           {"  name ,  - Number", {{1, false}, {0, true}}},
           {"CLASS", {{2, false}}},
       }) {
    const ParsedIndexString parsed = parse_index_string(c.text, fields);
    EXPECT_EQ(parsed.error, 0) << c.text;
    EXPECT_EQ(parsed.components, c.components) << c.text;
  }
  for (const char* text : {"", "   ", "name,", "+", "name,age", "pup:nam", ",name"}) {
    const ParsedIndexString parsed = parse_index_string(text, fields);
    EXPECT_EQ(parsed.error, error::kInvalidIndexString) << '"' << text << '"';
    EXPECT_TRUE(parsed.components.empty()) << text;
  }
}

}  // namespace
}  // namespace tps
