// The definition stream: its byte layout, the 512-byte blocks, and reading
// stored streams that may be damaged.
#include "tps/table/definition_stream.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/tps/table/sample_declarations.h"
#include "tps/table/definition_check.h"

namespace {

using namespace table_testing;

TEST(DefinitionBlocks, FillABufferAndFlushItWhenTheNextByteArrives) {
  struct Case {
    size_t stream_size;
    std::vector<size_t> block_sizes;
  };
  for (const Case& c : std::vector<Case>{{1, {1}},
                                         {512, {512}},
                                         {513, {512, 1}},
                                         {1024, {512, 512}},
                                         {1025, {512, 512, 1}}}) {
    Bytes stream(c.stream_size);
    for (size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<uint8_t>(i * 7);
    const std::vector<Bytes> blocks = cut_into_blocks(stream);
    std::vector<size_t> sizes;
    Bytes joined;
    for (const Bytes& block : blocks) {
      sizes.push_back(block.size());
      joined.insert(joined.end(), block.begin(), block.end());
    }
    EXPECT_EQ(sizes, c.block_sizes) << c.stream_size;
    EXPECT_EQ(joined, stream) << c.stream_size;
  }
}

TEST(DefinitionStream, LaysOutEachItemInOrder) {
  TableDeclaration t;
  t.record_length = 7;
  FieldDeclaration name = single_field(field_type::kString, "T:S", 0, 3);
  FieldDeclaration money = single_field(field_type::kDecimal, "T:D", 3, 4);
  money.decimal_places = 2;
  t.fields = {name, money};
  MemoDeclaration memo;
  memo.label = "T:M";
  memo.size = 300;
  t.memos = {memo};
  KeyDeclaration key;
  key.label = "T:K";
  key.attributes = key_attr::kDup;
  key.components = {{1, true}};
  t.keys = {key};

  const Bytes expected = {
      1, 0, 7, 0, 2, 0, 1, 0, 1, 0,                       // version, record length, counts
      18, 0, 0, 'T', ':', 'S', 0, 1, 0, 3, 0, 0, 0, 0, 0,  // STRING: type, offset, name, dim, size, over, number
      3, 0, 0, 0,                                         //   length, empty picture
      10, 3, 0, 'T', ':', 'D', 0, 1, 0, 4, 0, 0, 0, 1, 0,  // DECIMAL
      2, 4,                                               //   places, element size
      0, 0, 'T', ':', 'M', 0, 0x2C, 0x01, 0, 0,           // memo: no external name, label, size, attributes
      0, 0, 'T', ':', 'K', 0, 1, 1, 0, 1, 0, 1, 0,        // key: names, attributes, 1 component: field 1 descending
  };
  EXPECT_EQ(serialize_definition(t), expected);
}

TEST(DefinitionStream, ReadsBackEveryItemOfTheDeclaration) {
  const TableDeclaration declared = mixed_table();
  const StoredDefinition stored = read_definition(cut_into_blocks(serialize_definition(declared)));

  EXPECT_EQ(stored.version, kDefinitionVersionWithBlobs);
  EXPECT_FALSE(stored.truncated);
  EXPECT_EQ(stored.table.record_length, declared.record_length);
  ASSERT_EQ(stored.table.fields.size(), declared.fields.size());
  for (size_t i = 0; i < declared.fields.size(); ++i) {
    const FieldDeclaration& got = stored.table.fields[i];
    const FieldDeclaration& want = declared.fields[i];
    EXPECT_EQ(got.type, want.type) << i;
    EXPECT_EQ(got.offset, want.offset) << i;
    EXPECT_EQ(got.label, want.external_name.empty() ? want.label : want.external_name) << i;
    EXPECT_EQ(got.element_count, want.element_count) << i;
    EXPECT_EQ(got.size, want.size) << i;
    EXPECT_EQ(got.element_size, want.element_size) << i;
    EXPECT_EQ(got.decimal_places, want.decimal_places) << i;
    EXPECT_EQ(got.picture, want.picture) << i;
    EXPECT_EQ(got.over, want.over) << i;
    EXPECT_EQ(stored.field_numbers[i], i);
  }
  ASSERT_EQ(stored.table.memos.size(), 2u);
  EXPECT_EQ(stored.table.memos[0].label, "MIX:NOTES");
  EXPECT_EQ(stored.table.memos[0].size, 2000u);
  EXPECT_EQ(stored.table.memos[1].external_name, "Photo");
  EXPECT_EQ(stored.table.memos[1].attributes, memo_attr::kBlob | memo_attr::kBinary);
  ASSERT_EQ(stored.table.keys.size(), 2u);
  EXPECT_EQ(stored.table.keys[1].label, "MIX:BY_NAME");
  EXPECT_EQ(stored.table.keys[1].attributes, declared.keys[1].attributes);
  EXPECT_EQ(stored.table.keys[1].components, declared.keys[1].components);
}

TEST(DefinitionStream, ReadsAnAbsentStringAsEmptyAndGoesOn) {
  // One memo whose external name is absent (00 01) and whose label is "L".
  const Bytes stream = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 'L', 0, 10, 0, 2, 0};
  const StoredDefinition stored = read_definition(cut_into_blocks(stream));
  ASSERT_FALSE(stored.truncated);
  ASSERT_EQ(stored.table.memos.size(), 1u);
  EXPECT_EQ(stored.table.memos[0].external_name, "");
  EXPECT_EQ(stored.table.memos[0].label, "L");
  EXPECT_EQ(stored.table.memos[0].size, 10u);
  EXPECT_TRUE(stored.table.memos[0].is_binary());
}

TEST(DefinitionStream, RefusesEveryTruncationOfAStream) {
  const TableDeclaration declared = mixed_table();
  const Bytes whole = serialize_definition(declared);
  for (size_t length = 0; length < whole.size(); ++length) {
    const Bytes cut(whole.begin(), whole.begin() + length);
    const StoredDefinition stored = read_definition(cut_into_blocks(cut));
    EXPECT_TRUE(stored.truncated) << length;
    EXPECT_EQ(compare_definition(stored, declared, true).error, kErrInvalidRecordDeclaration) << length;
    TableDeclaration unknown;
    EXPECT_EQ(load_definition(stored, unknown).error, kErrInvalidRecordDeclaration) << length;
    EXPECT_TRUE(unknown.fields.empty());
  }
}

TEST(DefinitionStream, SurvivesForgedCountsAndRandomBytes) {
  // Counts of 65535 with nothing behind them: nothing is read, and the
  // reader says so instead of making up items.
  const StoredDefinition forged = read_definition({Bytes{1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}});
  EXPECT_TRUE(forged.truncated);
  EXPECT_TRUE(forged.table.fields.empty());

  std::mt19937 random(2024);
  const Bytes valid = serialize_definition(mixed_table());
  for (int round = 0; round < 2000; ++round) {
    Bytes stream = valid;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips; ++i) stream[random() % stream.size()] = static_cast<uint8_t>(random());
    stream.resize(random() % (stream.size() + 40), static_cast<uint8_t>(random()));
    const StoredDefinition stored = read_definition(cut_into_blocks(stream));
    TableDeclaration loaded;
    const DeclarationResult result = load_definition(stored, loaded);
    if (result.ok()) {
      // Whatever was accepted is safe to work on: every field inside the
      // record, every component naming a field.
      for (const FieldDeclaration& f : loaded.fields) EXPECT_LE(f.offset + f.size, loaded.record_length);
      for (const KeyDeclaration& k : loaded.keys)
        for (const KeyComponent& c : k.components) EXPECT_LT(c.field, loaded.fields.size());
    }
  }
}

}  // namespace
