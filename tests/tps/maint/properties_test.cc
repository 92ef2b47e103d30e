#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"
#include "platform/os/file_system.h"
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

int set(Pupils& pupils, int64_t number, const std::string& value) {
  DriverArguments args;
  args.record = number;
  args.text = value;
  return pupils.run(op::kSetProperty, args);
}

TEST(Properties, SetValuesReadBackAndOutliveTheDeclaration) {
  testing_support::TempDir dir;
  Pupils pupils(dir.file("pupils.tps"));
  struct Case {
    int64_t number;
    const char* value;
    const char* answer;
  };
  for (const Case& c : std::vector<Case>{{property::kOwner, "secret", "secret"},
                                         {property::kDriver, "/FULLBUILD=on", "/FULLBUILD=on"},
                                         {property::kEncrypt, "1", "1"},
                                         {property::kOem, "0", "0"},
                                         {property::kProgress, "25", "25"},
                                         {property::kProgress, "1000", "100"},
                                         {property::kProgress, "-3", "0"},
                                         {property::kProgress, "many", "0"},
                                         {property::kTrace, "1", "1"},
                                         {property::kTraceFile, "trace.log", "trace.log"}}) {
    EXPECT_EQ(set(pupils, c.number, c.value), 0);
    EXPECT_EQ(ask(pupils, op::kGetProperty, c.number), c.answer) << c.number << " " << c.value;
  }

  // The name set by property is used from then on: OPEN refreshes the names
  // from the declaration, but not this one.
  ASSERT_EQ(set(pupils, property::kName, dir.file("other.tps")), 0);
  ASSERT_EQ(pupils.run(op::kCreate), 0);
  EXPECT_TRUE(os::real_file_system().exists(dir.file("other.tps")));
  EXPECT_FALSE(os::real_file_system().exists(dir.file("pupils.tps")));
  EXPECT_EQ(ask(pupils, op::kGetProperty, property::kOwner), "secret");
}

TEST(Properties, TraceLogRecordsRefusedLocks) {
  testing_support::TempDir dir;
  Pupils pupils(dir.file("pupils.tps"));
  pupils.create_and_open();
  // Another thread's THREAD table has its own file object, so its table
  // lock shuts this one out like another station's would.
  std::promise<void> locked, done;
  std::thread other([&] {
    Pupils holder(dir.file("pupils.tps"));
    holder.table().declaration.attributes |= table_attr::kThread;
    EXPECT_EQ(holder.open(), 0);
    EXPECT_EQ(holder.run(op::kLockFile), 0);
    locked.set_value();
    done.get_future().wait();
    holder.run(op::kUnlock);
  });
  locked.get_future().wait();
  const std::string log = dir.file("trace.log");
  ASSERT_EQ(set(pupils, property::kTraceFile, log), 0);
  ASSERT_EQ(set(pupils, property::kTrace, "1"), 0);
  DriverArguments one_second;
  one_second.seconds = 1;
  EXPECT_EQ(pupils.run(op::kLockFileSec, one_second), error::kFileAlreadyLocked);
  done.set_value();
  other.join();

  std::ifstream in(log);
  std::stringstream lines;
  lines << in.rdbuf();
  EXPECT_NE(lines.str().find("\nLocking failed with error "), std::string::npos) << lines.str();
}

}  // namespace
}  // namespace tps
