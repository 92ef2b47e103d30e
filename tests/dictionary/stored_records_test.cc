// Reading the records another program wrote into the program's two table
// files, through the program's declarations: every field and every memo
// must come back as that program wrote it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "dictionary/qvrudbc0_tables.h"
#include "platform/os/memory_file_system.h"
#include "platform/text/code_pages.h"
#include "tests/dictionary/expected_records.h"
#include "tests/tps/station.h"
#include "tps/base/bytes.h"
#include "tps/table/record_keys.h"
#include "tps/table/table_catalog.h"
#include "tps/table/table_records.h"

namespace {

using testing_support::ExpectedRecord;

const std::string kFixtures = std::string(QV_FIXTURES_DIR) + "/two-tables/";

std::vector<uint8_t> file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string trimmed_utf8(const uint8_t* bytes, size_t length) {
  while (length > 0 && bytes[length - 1] == ' ') --length;
  return text::utf8_from_ansi(std::string_view(reinterpret_cast<const char*>(bytes), length));
}

// Packed decimal: sign half-byte, then one digit per half-byte.
std::string decimal_text(const uint8_t* bytes, size_t size, int places) {
  std::string digits;
  for (size_t i = 1; i < size * 2; ++i) digits += char('0' + ((bytes[i / 2] >> (i % 2 ? 0 : 4)) & 0x0F));
  std::string whole = digits.substr(0, digits.size() - places);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  return ((bytes[0] >> 4) ? "-" : "") + whole + "." + digits.substr(digits.size() - places);
}

std::optional<std::string> field_text(const tps::FieldDeclaration& field, const uint8_t* record) {
  const uint8_t* at = record + field.offset;
  switch (field.type) {
    case tps::field_type::kLong:
      return std::to_string(int32_t(tps::load_u32le(at)));
    case tps::field_type::kShort:
      return std::to_string(int16_t(tps::load_u16le(at)));
    case tps::field_type::kString:
      return trimmed_utf8(at, field.size);
    case tps::field_type::kDate: {
      if (tps::load_u32le(at) == 0) return std::nullopt;
      char text[16];
      std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned(tps::load_u16le(at + 2)), unsigned(at[1]),
                    unsigned(at[0]));
      return std::string(text);
    }
    case tps::field_type::kDecimal:
      return decimal_text(at, field.size, field.decimal_places);
    default:
      return "type " + std::to_string(field.type);
  }
}

struct Case {
  const char* file;
  const tps::TableDeclaration& (*declaration)();
};

class StoredRecords : public ::testing::TestWithParam<Case> {};

TEST_P(StoredRecords, ReadBackAsWrittenThroughTheDeclaration) {
  const std::vector<ExpectedRecord> expected =
      testing_support::read_expected_records(kFixtures + "expected.json")[GetParam().file];
  ASSERT_FALSE(expected.empty());

  os::MemoryFileSystem fs;
  ASSERT_EQ(fs.set_contents("/table.tps", file_bytes(kFixtures + GetParam().file)), 0);
  tps::testing::Station station(fs, "/table.tps", /*write=*/false);
  ASSERT_EQ(station.open_error(), 0);
  tps::FileObject& file = station.file();
  ASSERT_EQ(file.refresh_header(), 0);

  tps::TableDeclaration declaration = GetParam().declaration();
  const tps::OpenedTable opened = tps::open_table(file, "UNNAMED", declaration, true);
  ASSERT_EQ(opened.error, 0) << opened.declaration.detail.kind << " " << opened.declaration.detail.attribute;
  ASSERT_EQ(opened.stored_oem, true);
  tps::TableRecords records(file, opened.table_number, declaration, *opened.stored_oem);
  EXPECT_EQ(records.count(tps::kTableCounterIndex), expected.size());

  std::vector<uint8_t> buffer(declaration.record_length);
  for (const ExpectedRecord& want : expected) {
    ASSERT_TRUE(records.read_data_record(want.record, buffer.data())) << want.record;
    for (const tps::FieldDeclaration& field : declaration.fields)
      EXPECT_EQ(field_text(field, buffer.data()), want.fields.at(field.label)) << want.record << " " << field.label;
    tps::TableRecords::MemoValues memos;
    ASSERT_EQ(records.read_memos(want.record, memos), 0);
    for (size_t i = 0; i < declaration.memos.size(); ++i) {
      const tps::MemoDeclaration& memo = declaration.memos[i];
      ASSERT_EQ(memos[i].size(), memo.size);
      EXPECT_EQ(trimmed_utf8(memos[i].data(), memos[i].size()), want.memos.at(memo.label))
          << want.record << " " << memo.label;
    }
  }

  // Opened without a layout, the table takes over the stored one.
  tps::TableDeclaration unknown;
  ASSERT_EQ(tps::open_table(file, "UNNAMED", unknown, true).error, 0);
  ASSERT_EQ(unknown.fields.size(), declaration.fields.size());
  EXPECT_EQ(unknown.fields.back().label, declaration.fields.back().label);
  file.end_operation();
}

TEST_P(StoredRecords, ACreatedTableStoresTheSameDefinitionAndReopens) {
  os::MemoryFileSystem fs;
  {
    tps::testing::Station station(fs, "/new.tps");
    ASSERT_EQ(station.open_error(), 0);
    ASSERT_EQ(station.update([&](tps::PageTree&) {
      tps::create_table(station.file(), "UNNAMED", GetParam().declaration(), tps::LocaleBlock());
    }), 0);
  }
  ASSERT_EQ(fs.set_contents("/fixture.tps", file_bytes(kFixtures + GetParam().file)), 0);
  tps::testing::Station created(fs, "/new.tps", /*write=*/false);
  tps::testing::Station fixture(fs, "/fixture.tps", /*write=*/false);
  ASSERT_EQ(created.file().refresh_header(), 0);
  ASSERT_EQ(fixture.file().refresh_header(), 0);

  tps::TableDeclaration declaration = GetParam().declaration();
  const tps::OpenedTable opened = tps::open_table(created.file(), "UNNAMED", declaration, true);
  EXPECT_EQ(opened.error, 0);
  EXPECT_EQ(opened.table_number, 1u);
  EXPECT_EQ(opened.stored_oem, true);
  EXPECT_EQ(tps::definition_blocks(created.file(), 1), tps::definition_blocks(fixture.file(), 1));
  created.file().end_operation();
  fixture.file().end_operation();
}

INSTANTIATE_TEST_SUITE_P(BothTables, StoredRecords,
                         ::testing::Values(Case{"QVLIBJAR.TPS", dictionary::qvlibjar_declaration},
                                           Case{"QVMaterias.TPS", dictionary::qvmaterias_declaration}),
                         [](const auto& info) { return std::string(info.param.file).substr(0, 8); });

}  // namespace
