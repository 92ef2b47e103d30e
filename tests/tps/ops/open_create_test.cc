#include <gtest/gtest.h>

#include <string>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"

namespace tps {
namespace {

using ops_testing::Pupils;

TEST(OpsOpen, CreatedTableOpensEmptyAndKeepsWhatIsAdded) {
  testing_support::TempDir dir;
  {
    Pupils pupils(dir.file("pupils.tps"));
    pupils.create_and_open();
    EXPECT_EQ(pupils.records(), 0u);
    ASSERT_EQ(pupils.add(7, "Mar\xEDa Pe\xF1""a", 2, "Lee y escribe su nombre."), 0);
    ASSERT_EQ(pupils.add(3, "Juan", 1), 0);
    EXPECT_EQ(pupils.records(), 2u);
    EXPECT_EQ(pupils.run(op::kClose), 0);
  }
  Pupils again(dir.file("pupils.tps"));
  ASSERT_EQ(again.open(), 0);
  EXPECT_EQ(again.records(), 2u);
  ASSERT_EQ(again.run_key(op::kSetKey, ops_testing::kByNumber), 0);
  ASSERT_EQ(again.run(op::kNext), 0);
  EXPECT_EQ(again.number(), 3);
  EXPECT_EQ(again.name(), "Juan");
  ASSERT_EQ(again.run(op::kNext), 0);
  EXPECT_EQ(again.name(), "Mar\xEDa Pe\xF1""a");
  EXPECT_EQ(again.notes(), "Lee y escribe su nombre.");
  EXPECT_EQ(again.run(op::kNext), error::kRecordNotAvailable);
}

}  // namespace
}  // namespace tps
