// The program's declarations against the definitions stored in table files
// written by the school-administration system.
#include <gtest/gtest.h>

#include <string>

#include "dictionary/qvrudbc0_tables.h"
#include "tests/dictionary/fixture_records.h"
#include "tps/table/declaration_limits.h"
#include "tps/table/definition_check.h"
#include "tps/table/definition_stream.h"
#include "tps/table/record_keys.h"

namespace {

using testing_support::read_fixture_records;

struct StoredTable {
  std::vector<tps::Bytes> blocks;  // definition records by block number
  bool oem_flag = false;
};

// The definition blocks and the locale OEM flag of the file's only table.
StoredTable stored_table(const std::string& file) {
  StoredTable stored;
  for (const auto& record : read_fixture_records(std::string(QV_FIXTURES_DIR) + "/two-tables/" + file)) {
    const tps::RecordKeyParts parts = tps::decode_record_key(record.key);
    if (parts.kind == tps::RecordKind::kDefinition) {
      if (stored.blocks.size() <= parts.block) stored.blocks.resize(parts.block + 1);
      stored.blocks[parts.block] = record.data;
    } else if (parts.kind == tps::RecordKind::kLocale) {
      stored.oem_flag = tps::decode_locale_oem_flag(record.data.data(), record.data.size()).value_or(false);
    }
  }
  return stored;
}

struct Case {
  const char* file;
  const tps::TableDeclaration& (*declaration)();
};

class DictionaryTable : public testing::TestWithParam<Case> {};

TEST_P(DictionaryTable, WritesExactlyTheStoredDefinition) {
  const StoredTable stored = stored_table(GetParam().file);
  ASSERT_FALSE(stored.blocks.empty());
  EXPECT_TRUE(stored.oem_flag);
  const tps::TableDeclaration& declaration = GetParam().declaration();

  EXPECT_TRUE(tps::check_declaration_limits(declaration).ok());
  EXPECT_EQ(tps::cut_into_blocks(tps::serialize_definition(declaration)), stored.blocks);

  const tps::DeclarationResult compared =
      tps::compare_definition(tps::read_definition(stored.blocks), declaration, /*decimal_check=*/true);
  EXPECT_TRUE(compared.ok()) << compared.detail.kind << " " << compared.detail.number << " "
                             << compared.detail.attribute;
}

INSTANTIATE_TEST_SUITE_P(BothTables, DictionaryTable,
                         testing::Values(Case{"QVLIBJAR.TPS", dictionary::qvlibjar_declaration},
                                         Case{"QVMaterias.TPS", dictionary::qvmaterias_declaration}),
                         [](const auto& info) { return std::string(info.param.file).substr(0, 8); });

TEST(DictionaryTables, CarryTheFileAttributesAndNames) {
  for (const tps::TableDeclaration* table : {&dictionary::qvlibjar_declaration(), &dictionary::qvmaterias_declaration()}) {
    EXPECT_TRUE(table->has(tps::table_attr::kCreate));
    EXPECT_TRUE(table->has(tps::table_attr::kReclaim));
    EXPECT_TRUE(table->has(tps::table_attr::kThread));
    EXPECT_TRUE(table->has(tps::table_attr::kOem));
    EXPECT_FALSE(table->has(tps::table_attr::kEncrypt));
    EXPECT_TRUE(table->owner.empty());
    EXPECT_TRUE(table->driver_options.empty());
  }
  EXPECT_EQ(dictionary::qvlibjar_declaration().file_name, "QVLIBJAR.TPS");
  EXPECT_EQ(dictionary::qvmaterias_declaration().file_name, "QVMaterias.TPS");
}

}  // namespace
