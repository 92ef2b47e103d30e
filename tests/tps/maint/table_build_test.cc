#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"

namespace tps {
namespace {

using ops_testing::kByName;
using ops_testing::kByNumber;
using ops_testing::Pupils;

constexpr int kNameIndex = 3;  // an INDEX on the name, kept by builds only

class TableBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    KeyDeclaration index;
    index.label = "PUP:NAME_INDEX";
    index.attributes = key_attr::kIndex | key_attr::kDup;
    index.components = {{1, false}};
    pupils_.table().declaration.keys.push_back(index);
    pupils_.create_and_open();
    // APPEND leaves every key out of date until a build.
    for (auto [number, name] : std::vector<std::pair<int, std::string>>{{3, "Carla"}, {1, "Bruno"}, {2, "Ana"}}) {
      pupils_.set(number, name, 1);
      ASSERT_EQ(pupils_.run(op::kAppend), 0);
    }
  }

  uint32_t entries(int key) {
    pupils_.run_key(op::kRecordsKey, key);
    return pupils_.value();
  }
  std::vector<std::string> names_by(int key) {
    std::vector<std::string> names;
    EXPECT_EQ(pupils_.run_key(op::kSetKey, key), 0);
    while (pupils_.run(op::kNext) == 0) names.push_back(pupils_.name());
    return names;
  }

  testing_support::TempDir dir_;
  Pupils pupils_{dir_.file("pupils.tps")};
};

TEST_F(TableBuild, BuildFileBuildsTheKeysAndBuildKeyTheIndex) {
  ASSERT_EQ(entries(kByName), 0u) << "the appended records are not in the keys yet";
  ASSERT_EQ(pupils_.run(op::kBuildFile), 0);
  EXPECT_EQ(entries(kByName), 3u);
  EXPECT_EQ(entries(kNameIndex), 0u) << "an INDEX waits for its own build";
  pupils_.set(2, "", 0);
  ASSERT_EQ(pupils_.run_key(op::kGetFileKey, kByNumber), 0);
  EXPECT_EQ(pupils_.name(), "Ana");

  ASSERT_EQ(pupils_.run_key(op::kBuildKey, kNameIndex), 0);
  EXPECT_EQ(names_by(kNameIndex), (std::vector<std::string>{"Ana", "Bruno", "Carla"}));
  EXPECT_EQ(pupils_.run_key(op::kBuildKey, 7), error::kInvalidNumberOfParameters);
}

TEST_F(TableBuild, BuildsNeedWriteAccessAndOpenAClosedTable) {
  ASSERT_EQ(pupils_.run(op::kClose), 0);
  ASSERT_EQ(pupils_.run(op::kPack), 0) << "a closed table is opened for the build";
  EXPECT_FALSE(pupils_.table().status.open);
  ASSERT_EQ(pupils_.open(access_mode::kReadOnly | access_mode::kDenyNone), 0);
  EXPECT_EQ(entries(kByName), 3u);
  EXPECT_EQ(pupils_.run(op::kBuildFile), error::kAccessDenied);
  EXPECT_EQ(pupils_.run_key(op::kBuildKey, kByName), error::kAccessDenied);
}

}  // namespace
}  // namespace tps
