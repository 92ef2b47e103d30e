#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"
#include "tps/maint/properties.h"

namespace tps {
namespace {

using ops_testing::kByClass;
using ops_testing::kByName;
using ops_testing::kByNumber;
using ops_testing::Pupils;

std::string ask(Pupils& pupils, int operation, int64_t number, int key = -1, int32_t index = 0) {
  std::string answer = "unset";
  DriverArguments args;
  args.key = key;
  args.record = number;
  args.count = index;
  args.text_out = &answer;
  EXPECT_EQ(pupils.run(operation, args), 0) << number;
  return answer;
}

TEST(Properties, KeyAndTableAnswersFromTheDeclaration) {
  testing_support::TempDir dir;
  Pupils pupils(dir.file("pupils.tps"));
  struct Case {
    int key;
    int64_t number;
    int32_t index;
    const char* answer;
  };
  for (const Case& c : std::vector<Case>{{kByNumber, property::kName, 0, "PUP:BY_NUMBER"},
                                         {kByNumber, property::kDuplicates, 0, "0"},
                                         {kByName, property::kDuplicates, 0, "1"},
                                         {kByNumber, property::kOptional, 0, "1"},
                                         {kByName, property::kNoCase, 0, "1"},
                                         {kByClass, property::kComponents, 0, "1"},
                                         {kByClass, property::kComponentField, 1, "3"},
                                         {kByClass, property::kComponentField, 2, ""},
                                         {kByClass, property::kComponentAscending, 1, "1"},
                                         {kByName, property::kKeyKind, 0, "KEY"}})
    EXPECT_EQ(ask(pupils, op::kGetPropertyKey, c.number, c.key, c.index), c.answer) << c.number << " " << c.key;

  EXPECT_EQ(ask(pupils, op::kGetProperty, property::kKeys), "3") << "answered while closed";
  EXPECT_EQ(ask(pupils, op::kGetProperty, property::kMemos), "1");
  EXPECT_EQ(ask(pupils, op::kGetProperty, property::kBlobs), "0");
  EXPECT_EQ(ask(pupils, op::kGetProperty, property::kFields), "3");
  EXPECT_EQ(ask(pupils, op::kGetProperty, property::kOem), "1");
  EXPECT_EQ(ask(pupils, op::kGetProperty, property::kEncrypt), "0");

  DriverArguments bad;
  bad.key = 9;
  bad.record = property::kName;
  EXPECT_EQ(pupils.run(op::kGetPropertyKey, bad), error::kInvalidNumberOfParameters);
  EXPECT_EQ(pupils.run(op::kSetPropertyKey, bad), 0);
}

}  // namespace
}  // namespace tps
