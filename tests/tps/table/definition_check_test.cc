// Checking a declaration against a stored definition, loading a stored
// definition, and the declaration limits.
#include "tps/table/definition_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/tps/table/sample_declarations.h"
#include "tps/table/declaration_limits.h"

namespace {

using namespace table_testing;

StoredDefinition stored_form(const TableDeclaration& declaration) {
  return read_definition(cut_into_blocks(serialize_definition(declaration)));
}

struct Expected {
  int error;
  const char* kind;
  int number;
  int key;
  const char* attribute;
};

void expect_detail(const DeclarationResult& result, const Expected& want, const std::string& what) {
  EXPECT_EQ(result.error, want.error) << what;
  EXPECT_EQ(result.detail.kind, want.kind) << what;
  EXPECT_EQ(result.detail.number, want.number) << what;
  EXPECT_EQ(result.detail.key, want.key) << what;
  EXPECT_EQ(result.detail.attribute, want.attribute) << what;
}

struct Mutation {
  const char* what;
  std::function<void(TableDeclaration&)> change;
  Expected expected;
};

TEST(DefinitionCompare, NamesTheFirstDifferenceInStreamOrder) {
  const std::vector<Mutation> mutations = {
      {"field count", [](TableDeclaration& t) { t.fields.pop_back(); }, {47, "FILE", 0, 0, "FIELDS"}},
      {"memo count", [](TableDeclaration& t) { t.memos.pop_back(); }, {47, "FILE", 0, 0, "MEMOS"}},
      {"key count", [](TableDeclaration& t) { t.keys.pop_back(); }, {47, "FILE", 0, 0, "KEYS"}},
      {"type", [](TableDeclaration& t) { t.fields[0].type = field_type::kULong; }, {47, "FIELD", 1, 0, "TYPE"}},
      {"dim", [](TableDeclaration& t) { t.fields[4].element_count = 2; }, {47, "FIELD", 5, 0, "DIM"}},
      {"size", [](TableDeclaration& t) { t.fields[2].size = 21; }, {47, "FIELD", 3, 0, "SIZE"}},
      {"over", [](TableDeclaration& t) { t.fields[7].over = false; }, {47, "FIELD", 8, 0, "OVER"}},
      {"decimal places", [](TableDeclaration& t) { t.fields[1].decimal_places = 3; }, {47, "FIELD", 2, 0, "SIZE"}},
      {"decimal size", [](TableDeclaration& t) { t.fields[1].element_size = 5; }, {47, "FIELD", 2, 0, "PLACES"}},
      {"memo size", [](TableDeclaration& t) { t.memos[0].size = 2001; }, {47, "MEMO/BLOB", 1, 0, "SIZE"}},
      {"memo binary", [](TableDeclaration& t) { t.memos[0].attributes = memo_attr::kBinary; },
       {47, "MEMO/BLOB", 1, 0, "BINARY"}},
      {"blob read as memo", [](TableDeclaration& t) { t.memos[1].attributes = memo_attr::kBinary; },
       {47, "MEMO/BLOB", 2, 0, "BINARY"}},
      {"key attribute", [](TableDeclaration& t) { t.keys[1].attributes &= ~key_attr::kNoCase; },
       {47, "KEY", 2, 0, "ATTRIBUTE"}},
      {"component count", [](TableDeclaration& t) { t.keys[1].components.pop_back(); }, {47, "KEY", 2, 0, "FIELDS"}},
      {"component field", [](TableDeclaration& t) { t.keys[1].components[1].field = 3; },
       {47, "COMPONENT", 2, 2, "FIELD"}},
      {"component direction", [](TableDeclaration& t) { t.keys[1].components[0].descending = true; },
       {47, "COMPONENT", 1, 2, "ASCENDING"}},
      // Two differences: the earlier one in the stream is named.
      {"first of two", [](TableDeclaration& t) { t.keys[0].attributes = key_attr::kDup; t.fields[8].size = 1; },
       {47, "FIELD", 9, 0, "SIZE"}},
  };
  const StoredDefinition stored = stored_form(mixed_table());
  for (const Mutation& m : mutations) {
    TableDeclaration declared = mixed_table();
    m.change(declared);
    expect_detail(compare_definition(stored, declared, true), m.expected, m.what);
  }
}

TEST(DefinitionCompare, OverlooksWhatIsNotCompared) {
  const std::vector<std::pair<const char*, std::function<void(TableDeclaration&)>>> harmless = {
      {"names", [](TableDeclaration& t) { t.fields[0].label = "X"; t.memos[0].label = "Y"; t.keys[0].label = "Z"; }},
      {"offset, length and picture",
       [](TableDeclaration& t) { t.fields[2].offset = 9; t.fields[2].element_size = 4; t.fields[2].picture = "@n3"; }},
      {"record length", [](TableDeclaration& t) { t.record_length = 100; }},
      {"key bit 0x10", [](TableDeclaration& t) { t.keys[0].attributes &= ~key_attr::kPrimary; t.keys[1].attributes |= key_attr::kPrimary; }},
      {"blob size", [](TableDeclaration& t) { t.memos[1].size = 12345; }},
  };
  const StoredDefinition stored = stored_form(mixed_table());
  for (const auto& [what, change] : harmless) {
    TableDeclaration declared = mixed_table();
    change(declared);
    EXPECT_TRUE(compare_definition(stored, declared, true).ok()) << what;
  }
}

TEST(DefinitionCompare, DecimalCheckOffSkipsPlacesAndSize) {
  TableDeclaration declared = mixed_table();
  declared.fields[1].decimal_places = 0;
  declared.fields[1].element_size = 9;
  const StoredDefinition stored = stored_form(mixed_table());
  EXPECT_FALSE(compare_definition(stored, declared, true).ok());
  EXPECT_TRUE(compare_definition(stored, declared, false).ok());
}

TEST(DefinitionCompare, AcceptsVersionsOneAndTwoAndRefusesANewerOne) {
  TableDeclaration without_blob = mixed_table();
  without_blob.memos[1].attributes = 0;
  without_blob.memos[1].size = 10;
  for (uint8_t version : {1, 2, 3}) {
    Bytes stream = serialize_definition(without_blob);
    stream[0] = version;
    const DeclarationResult result = compare_definition(read_definition(cut_into_blocks(stream)), without_blob, true);
    if (version <= 2) {
      EXPECT_TRUE(result.ok()) << int(version);
    } else {
      expect_detail(result, {47, "FILE", 0, 0, "VERSION"}, "version 3");
      EXPECT_EQ(result.detail.message, kNewerVersionMessage);
      EXPECT_EQ(to_error_detail(result).code, "FILE : 0 : VERSION : D00000");
      TableDeclaration unknown;
      EXPECT_EQ(load_definition(read_definition(cut_into_blocks(stream)), unknown).detail.attribute, "VERSION");
    }
  }
}

TEST(DefinitionLoad, TakesOverTheStoredLayoutAndKeepsTheNames) {
  TableDeclaration unknown;
  unknown.label = "ANY";
  unknown.file_name = "mixed.tps";
  unknown.attributes = table_attr::kOem;
  ASSERT_FALSE(unknown.layout_known());
  ASSERT_TRUE(load_definition(stored_form(mixed_table()), unknown).ok());
  EXPECT_EQ(unknown.label, "ANY");
  EXPECT_EQ(unknown.attributes, table_attr::kOem);
  EXPECT_EQ(unknown.record_length, 64u);
  EXPECT_EQ(unknown.fields.size(), 9u);
  EXPECT_EQ(unknown.fields[4].element_size, 2u);  // derived for an array of numbers
  EXPECT_TRUE(compare_definition(stored_form(mixed_table()), unknown, true).ok());
}

TEST(DefinitionLoad, RefusesALayoutTheEngineCouldNotWorkOnSafely) {
  const std::vector<Mutation> forged = {
      {"field past the record", [](TableDeclaration& t) { t.fields[8].size = 17; }, {47, "FIELD", 9, 0, "SIZE"}},
      {"component naming no field", [](TableDeclaration& t) { t.keys[0].components[0].field = 9; },
       {47, "COMPONENT", 1, 1, "FIELD"}},
      {"array component", [](TableDeclaration& t) { t.keys[0].components[0].field = 4; },
       {75, "COMPONENT", 1, 1, "DIM"}},
  };
  for (const Mutation& m : forged) {
    TableDeclaration stored_side = mixed_table();
    m.change(stored_side);
    TableDeclaration unknown;
    expect_detail(load_definition(stored_form(stored_side), unknown), m.expected, m.what);
    EXPECT_TRUE(unknown.fields.empty()) << m.what;
  }
}

TEST(DeclarationLimits, RefuseEachBrokenLimitWithItsDetail) {
  auto many_memos = [](TableDeclaration& t) { t.memos.resize(256, t.memos[0]); };
  auto many_keys = [](TableDeclaration& t) { t.keys.resize(241, t.keys[0]); };
  const std::vector<Mutation> broken = {
      {"PDECIMAL field", [](TableDeclaration& t) { t.fields[1].type = field_type::kPDecimal; }, {47, "FIELD", 2, 0, "TYPE"}},
      {"STRING of 15001",
       [](TableDeclaration& t) { t.record_length = 30000; t.fields[2].element_size = 15001; },
       {47, "FIELD", 3, 0, "SIZE"}},
      {"CSTRING of 0", [](TableDeclaration& t) { t.fields[3].element_size = 0; }, {47, "FIELD", 4, 0, "SIZE"}},
      {"CSTRING of 15002",
       [](TableDeclaration& t) { t.record_length = 30000; t.fields[3].element_size = 15002; },
       {47, "FIELD", 4, 0, "SIZE"}},
      {"field of 15001",
       [](TableDeclaration& t) { t.record_length = 30000; t.fields[8].size = 15001; t.fields[8].element_size = 255; },
       {47, "FIELD", 9, 0, "DIM"}},
      {"record of 15001",
       [](TableDeclaration& t) {
         t.record_length = 30000;
         t.fields[8].size = 14957;  // 15001 bytes without the group and the overlaid field
         t.fields[8].element_size = 255;
       },
       {47, "FIELD", 9, 0, "SIZE"}},
      {"memo of 64001", [](TableDeclaration& t) { t.memos[0].size = 64001; }, {47, "MEMO/BLOB", 1, 0, "SIZE"}},
      {"256 memos", many_memos, {47, "FILE", 0, 0, "MEMOS"}},
      {"241 keys", many_keys, {47, "FILE", 0, 0, "KEYS"}},
      {"array component", [](TableDeclaration& t) { t.keys[1].components[1].field = 4; },
       {75, "COMPONENT", 2, 2, "DIM"}},
  };
  ASSERT_TRUE(check_declaration_limits(mixed_table()).ok());
  for (const Mutation& m : broken) {
    TableDeclaration declared = mixed_table();
    m.change(declared);
    expect_detail(check_declaration_limits(declared), m.expected, m.what);
  }
}

TEST(DeclarationLimits, AcceptTheLargestValues) {
  TableDeclaration declared = mixed_table();
  declared.record_length = 30000;
  declared.fields[8].size = 14956;  // 15000 bytes without the group and the overlaid field
  declared.memos[0].size = 64000;
  declared.memos[1].size = 0xFFFF;  // a BLOB's declared size is not limited
  declared.memos.resize(255, declared.memos[0]);
  declared.keys.resize(240, declared.keys[1]);
  EXPECT_TRUE(check_declaration_limits(declared).ok());
  // An unaccepted type is allowed when it lays over another field.
  declared.fields[7].type = field_type::kPDecimal;
  EXPECT_TRUE(check_declaration_limits(declared).ok());
}

}  // namespace
