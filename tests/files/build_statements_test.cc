// The build and property statements: a dynamic index built through the
// file statements with a filter in the program's expression form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files/current_error.h"
#include "platform/files/file_table.h"
#include "tests/support/support.h"
#include "tps/maint/properties.h"

namespace {

using platform::FileTable;

constexpr size_t kId = 0;
constexpr size_t kTitle = 1;
constexpr size_t kByTitle = 0;  // a dynamic index

tps::TableDeclaration books(const std::string& file_name) {
  tps::TableDeclaration t;
  t.label = "BOOKS";
  t.prefix = "BOK";
  t.file_name = file_name;
  t.attributes = tps::table_attr::kCreate;
  t.record_length = 24;
  t.fields = {tps::single_field(tps::field_type::kLong, "BOK:ID", 0, 4),
              tps::single_field(tps::field_type::kString, "BOK:TITLE", 4, 20)};
  tps::KeyDeclaration dynamic;
  dynamic.label = "BOK:DYNAMIC";
  dynamic.attributes = tps::key_attr::kIndex | tps::key_attr::kDynamic | tps::key_attr::kDup;
  t.keys = {dynamic};
  return t;
}

class BuildStatements : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(table_.Create(), 0);
    ASSERT_EQ(table_.Share(), 0);
    for (auto [id, title] : std::vector<std::pair<int, const char*>>{{1, "Zorro"}, {2, "Alba"}, {3, "Mar"}, {4, "Abeto"}}) {
      table_.set_long(kId, id);
      table_.set_string(kTitle, title);
      ASSERT_EQ(table_.Add(), 0);
    }
  }
  std::vector<int32_t> ids_by_title() {
    std::vector<int32_t> ids;
    EXPECT_EQ(table_.SetKey(kByTitle), 0);
    while (table_.Next() == 0) ids.push_back(table_.get_long(kId));
    return ids;
  }

  testing_support::TempDir dir_;
  FileTable table_{books(dir_.file("books.tps"))};
};

TEST_F(BuildStatements, FilteredDynamicBuildKeepsTheRecordsTheExpressionAccepts) {
  ASSERT_EQ(table_.BuildDynamic(kByTitle, "-title", "BOK:ID > 1 AND NOT title ~= 'Ab'"), 0);
  EXPECT_EQ(ids_by_title(), (std::vector<int32_t>{3, 2}));
  ASSERT_EQ(table_.BuildDynamic(kByTitle, "title"), 0) << "no filter: every record";
  EXPECT_EQ(ids_by_title(), (std::vector<int32_t>{4, 2, 3, 1}));
}

TEST_F(BuildStatements, FilterThatDoesNotCompileIsAnInvalidIndexString) {
  EXPECT_EQ(table_.BuildDynamic(kByTitle, "title", "id > 'x'"), tps::error::kInvalidIndexString);
  EXPECT_EQ(platform::Error(), "Invalid Index String");
  EXPECT_EQ(platform::FileError(), "Invalid filter expression: compares text with a number");
  EXPECT_EQ(platform::FileErrorCode(), "1") << "the column where it is wrong";
  EXPECT_EQ(table_.BuildDynamic(kByTitle, "titel", "id > 1"), tps::error::kInvalidIndexString);
}

TEST_F(BuildStatements, PropertiesReadBackAndProgressDefersTheBuild) {
  ASSERT_EQ(table_.SetProperty(tps::property::kOwner, "secret"), 0);
  EXPECT_EQ(table_.GetProperty(tps::property::kOwner), "secret");
  ASSERT_EQ(table_.SetProperty(tps::property::kProgress, "0"), 0);
  EXPECT_EQ(table_.GetProperty(tps::property::kProgress), "0");
  ASSERT_EQ(table_.SetProperty(tps::property::kProgress, "-5"), 0);
  EXPECT_EQ(table_.GetProperty(tps::property::kProgress), "0");

  ASSERT_EQ(table_.SetProperty(tps::property::kProgress, "3"), 0);
  ASSERT_EQ(table_.BuildDynamic(kByTitle, "title", "id <> 1"), 0);
  EXPECT_TRUE(ids_by_title().empty()) << "deferred";
  ASSERT_EQ(table_.RunDeferredBuild(), 0);
  EXPECT_EQ(ids_by_title(), (std::vector<int32_t>{4, 2, 3})) << "built with the filter the call gave";
}

}  // namespace
