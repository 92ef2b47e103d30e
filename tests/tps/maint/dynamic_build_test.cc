#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"
#include "tps/maint/record_filter.h"
#include "tps/ops/control_block.h"

namespace tps {
namespace {

using ops_testing::kByName;
using ops_testing::kClassOffset;
using ops_testing::Pupils;

constexpr int kDynamic = 3;  // an INDEX whose components come from BUILDdyn

// Accepts the pupils of one class.
class ClassFilter final : public RecordFilter {
 public:
  explicit ClassFilter(int16_t klass) : klass_(klass) {}
  bool accepts(const DeclaredTable& table) const override {
    return int16_t(load_u16le(table.record.data() + kClassOffset)) == klass_;
  }
  std::unique_ptr<RecordFilter> clone() const override { return std::make_unique<ClassFilter>(*this); }

 private:
  int16_t klass_;
};

class DynamicBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    KeyDeclaration dynamic;
    dynamic.label = "PUP:DYNAMIC";
    dynamic.attributes = key_attr::kIndex | key_attr::kDynamic | key_attr::kDup;
    pupils_.table().declaration.keys.push_back(dynamic);
    pupils_.create_and_open();
    ASSERT_EQ(pupils_.add(1, "Bruno", 2), 0);
    ASSERT_EQ(pupils_.add(2, "Ana", 1), 0);
    ASSERT_EQ(pupils_.add(3, "Ana", 3), 0);
  }

  int build(std::string_view key_string, const RecordFilter* filter = nullptr, int key = kDynamic) {
    DriverArguments args;
    args.key = key;
    args.text = key_string;
    args.filter = filter;
    return pupils_.run(filter ? op::kBuildDynFilter : op::kBuildDyn, args);
  }
  // The pupils' numbers in the order of `key`.
  std::vector<int32_t> numbers_by(int key, bool forward = true) {
    std::vector<int32_t> numbers;
    EXPECT_EQ(pupils_.run_key(op::kSetKey, key), 0);
    while (pupils_.run(forward ? op::kNext : op::kPrevious) == 0) numbers.push_back(pupils_.number());
    return numbers;
  }
  uint32_t entries(int key) {
    pupils_.run_key(op::kRecordsKey, key);
    return pupils_.value();
  }

  testing_support::TempDir dir_;
  Pupils pupils_{dir_.file("pupils.tps")};
};

TEST_F(DynamicBuild, KeyStringGivesComponentsAndDirections) {
  EXPECT_TRUE(numbers_by(kDynamic).empty()) << "no entries before a build";
  ASSERT_EQ(build(" +name, -pup:class"), 0);
  EXPECT_EQ(numbers_by(kDynamic), (std::vector<int32_t>{3, 2, 1})) << "name ascending, class descending";
  EXPECT_EQ(numbers_by(kDynamic, false), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(entries(kDynamic), 3u);

  ASSERT_EQ(build("-Number"), 0) << "a new build replaces components and entries";
  EXPECT_EQ(numbers_by(kDynamic), (std::vector<int32_t>{3, 2, 1}));
  EXPECT_EQ(entries(kDynamic), 3u);

  pupils_.set(0, "Ana", 0);
  ASSERT_EQ(pupils_.run_key(op::kGetFileKey, kByName), 0) << "the table's own keys are untouched";
  EXPECT_EQ(pupils_.number(), 2);
}

TEST_F(DynamicBuild, BadKeyStringsAndDeclaredKeysAreRefused) {
  for (const char* bad : {"", "  ", "name,", "nmae", "+", "name,,class"})
    EXPECT_EQ(build(bad), error::kInvalidIndexString) << '"' << bad << '"';
  EXPECT_EQ(build("name", nullptr, kByName), error::kInvalidNumberOfParameters)
      << "a key with declared components keeps them";
  EXPECT_EQ(build("name", nullptr, 9), error::kInvalidNumberOfParameters);
}

TEST_F(DynamicBuild, FilterKeepsOnlyAcceptedRecords) {
  const ClassFilter class_two(2);
  ASSERT_EQ(build("name", &class_two), 0);
  EXPECT_EQ(numbers_by(kDynamic), (std::vector<int32_t>{1}));
  EXPECT_EQ(entries(kDynamic), 1u);
  ASSERT_EQ(build("name"), 0) << "BUILDdyn has no filter";
  EXPECT_EQ(entries(kDynamic), 3u);
}

TEST_F(DynamicBuild, EntriesStayPrivateAndGoWithClose) {
  ASSERT_EQ(build("name"), 0);
  Pupils other(dir_.file("pupils.tps"));
  KeyDeclaration dynamic = pupils_.table().declaration.keys[kDynamic];
  other.table().declaration.keys.push_back(dynamic);
  ASSERT_EQ(other.open(), 0);
  other.run_key(op::kRecordsKey, kDynamic);
  EXPECT_EQ(other.value(), 0u) << "another table sees none of this build";
  ASSERT_EQ(other.run_key(op::kSetKey, kDynamic), 0);
  EXPECT_EQ(other.run(op::kNext), error::kRecordNotAvailable);

  ASSERT_EQ(pupils_.run(op::kClose), 0);
  ASSERT_EQ(pupils_.open(), 0);
  EXPECT_EQ(entries(kDynamic), 0u) << "CLOSE drops the dynamic index";
  EXPECT_TRUE(numbers_by(kDynamic).empty());
}

}  // namespace
}  // namespace tps
