// Creating tables in a file and opening them against a declaration.
#include "tps/table/table_catalog.h"

#include <gtest/gtest.h>

#include "tests/tps/table/sample_declarations.h"
#include "tests/tps/table/table_file.h"
#include "tps/base/bytes.h"
#include "tps/table/definition_stream.h"
#include "tps/table/record_keys.h"

namespace {

using namespace table_testing;

std::string key_text(const Bytes& key) { return std::string(key.begin(), key.end()); }

TEST(CreateTable, WritesNameDefinitionCountersAndLocaleAndTheFirstRecordIsNumberTwo) {
  TableFile t;
  uint32_t table = 0;
  uint32_t first_record = 0;
  t.update([&] {
    table = create_table(t.file(), "UNNAMED", mixed_table(), LocaleBlock());
    first_record = load_u32be(t.file().next_number().data());
  });
  EXPECT_EQ(table, 1u);
  EXPECT_EQ(first_record, 2u);

  const tps::testing::Records records = t.station().read_all();
  std::vector<std::string> keys;
  for (const auto& [key, data] : records) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{
                      key_text(counter_record_key(1, 0)), key_text(counter_record_key(1, 1)),
                      key_text(counter_record_key(1, kTableCounterIndex)), key_text(definition_record_key(1, 0)),
                      key_text(locale_record_key(1)), key_text(table_name_record_key("UNNAMED"))}));
  EXPECT_EQ(records.at(key_text(table_name_record_key("UNNAMED"))), std::string("\0\0\0\1", 4));
  EXPECT_EQ(records.at(key_text(counter_record_key(1, 1))), std::string(8, '\0'));
  const std::string locale = records.at(key_text(locale_record_key(1)));
  ASSERT_EQ(locale.size(), 1153u);
  EXPECT_EQ(locale[0], 1);  // declared OEM
  const LocaleBlock defaults;
  EXPECT_EQ(locale.substr(1), std::string(defaults.bytes().begin(), defaults.bytes().end()));
}

TEST(CreateTable, ReplacesATableOfTheSameNameWithAllItsRecords) {
  TableFile t;
  t.update([&] {
    const uint32_t old = create_table(t.file(), "T", mixed_table(), LocaleBlock());
    create_table(t.file(), "OTHER", mixed_table(), LocaleBlock());
    PageTree tree(t.file());
    const Bytes data = data_record_key(old, 9);
    tree.insert(data.data(), uint16_t(data.size()), uint16_t(data.size()));
  });
  uint32_t renewed = 0;
  t.update([&] { renewed = create_table(t.file(), "T", mixed_table(), LocaleBlock()); });
  EXPECT_EQ(renewed, 3u);
  t.read([&] {
    EXPECT_EQ(find_table(t.file(), "T"), 3u);
    EXPECT_EQ(find_table(t.file(), "OTHER"), 2u);
    EXPECT_EQ(table_names(t.file()), (std::vector<std::string>{"OTHER", "T"}));
  });
  for (const auto& [key, data] : t.station().read_all()) {
    if (static_cast<uint8_t>(key[0]) != record_type::kTableName) {
      EXPECT_NE(load_u32be(reinterpret_cast<const uint8_t*>(key.data())), 1u) << "left over";
    }
  }
}

TEST(CreateTable, StoresLongDefinitionsInWhole512ByteBlocks) {
  // A memo label grown so that the stream is exactly 1024, then 1025 bytes.
  for (size_t stream_size : {1024u, 1025u}) {
    TableDeclaration declared = mixed_table();
    const size_t base = serialize_definition(declared).size();
    declared.memos[0].label += std::string(stream_size - base, 'x');
    ASSERT_EQ(serialize_definition(declared).size(), stream_size);
    TableFile t;
    t.update([&] { create_table(t.file(), "UNNAMED", declared, LocaleBlock()); });
    t.read([&] {
      std::vector<size_t> sizes;
      for (const Bytes& block : definition_blocks(t.file(), 1)) sizes.push_back(block.size());
      const std::vector<size_t> expected =
          stream_size == 1024 ? std::vector<size_t>{512, 512} : std::vector<size_t>{512, 512, 1};
      EXPECT_EQ(sizes, expected);
      TableDeclaration same = declared;
      EXPECT_TRUE(open_table(t.file(), "UNNAMED", same, true).declaration.ok());
    });
  }
}

class OpenTable : public ::testing::Test {
 protected:
  void SetUp() override {
    t.update([&] { create_table(t.file(), "UNNAMED", mixed_table(), LocaleBlock()); });
    t.reopen();
  }

  OpenedTable open(const std::string& name, TableDeclaration& declaration) {
    OpenedTable opened;
    t.read([&] { opened = open_table(t.file(), name, declaration, true); });
    return opened;
  }

  TableFile t;
};

TEST_F(OpenTable, FindsTheTableAndItsLocale) {
  TableDeclaration declared = mixed_table();
  declared.attributes &= ~table_attr::kOem;  // the stored flag governs
  const OpenedTable opened = open("UNNAMED", declared);
  EXPECT_EQ(opened.error, 0);
  EXPECT_EQ(opened.table_number, 1u);
  EXPECT_EQ(opened.stored_oem, true);
  EXPECT_EQ(opened.locale, LocaleBlock());
}

TEST_F(OpenTable, RefusesAMissingTableEvenWhenTheFileHoldsAnother) {
  TableDeclaration declared = mixed_table();
  EXPECT_EQ(open("OTHER", declared).error, error::kFileNotFound);
}

TEST_F(OpenTable, RefusesADeclarationThatDiffersWithItsDetail) {
  TableDeclaration declared = mixed_table();
  declared.memos[0].size = 1000;
  const OpenedTable opened = open("UNNAMED", declared);
  EXPECT_EQ(opened.error, error::kInvalidRecordDeclaration);
  EXPECT_EQ(to_error_detail(opened.declaration).code, "MEMO/BLOB : 1 : SIZE : D00000");
}

TEST_F(OpenTable, TakesOverTheStoredLayoutWhenTheDeclarationHasNone) {
  TableDeclaration unknown;
  const OpenedTable opened = open("UNNAMED", unknown);
  ASSERT_EQ(opened.error, 0);
  EXPECT_EQ(unknown.record_length, mixed_table().record_length);
  EXPECT_EQ(unknown.fields.size(), mixed_table().fields.size());
  EXPECT_EQ(unknown.keys[1].components, mixed_table().keys[1].components);
}

TEST_F(OpenTable, RefusesANewerDefinitionVersion) {
  t.update([&] {
    PageTree tree(t.file());
    Bytes record = definition_record_key(1, 0);
    const RecordRef ref = tree.find_exact(record.data(), record.size());
    record.insert(record.end(), ref.record->data(), ref.record->data() + ref.record->data_length());
    tree.remove(record.data(), kDefinitionKeyLength);
    record[kDefinitionKeyLength] = 3;
    tree.insert(record.data(), uint16_t(record.size()), uint16_t(kDefinitionKeyLength));
  });
  TableDeclaration declared = mixed_table();
  const OpenedTable opened = open("UNNAMED", declared);
  EXPECT_EQ(opened.error, error::kInvalidRecordDeclaration);
  EXPECT_EQ(opened.declaration.detail.attribute, "VERSION");
  EXPECT_EQ(opened.declaration.detail.message, kNewerVersionMessage);
}

}  // namespace
