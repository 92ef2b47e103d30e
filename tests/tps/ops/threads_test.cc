// Calls from several threads of one process.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"
#include "tests/tps/station.h"

namespace tps {
namespace {

using ops_testing::kByNumber;
using ops_testing::Pupils;

class OpsThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    Pupils creator(path_);
    ASSERT_EQ(creator.run(op::kCreate), 0);
  }
  testing_support::TempDir dir_;
  const std::string path_ = dir_.file("pupils.tps");
};

TEST_F(OpsThreads, ATransactionKeepsOtherThreadsOutUntilItEnds) {
  Pupils mine(path_);
  ASSERT_EQ(mine.open(), 0);
  ASSERT_EQ(mine.run(op::kStartTransaction), 0);
  std::atomic<bool> counted{false};
  std::thread other([&] {
    Pupils theirs(path_);
    theirs.open();
    counted = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(counted) << "another thread's call ran inside the transaction";
  EXPECT_EQ(mine.add(1, "Ana"), 0) << "the holding thread's own calls go on";
  ASSERT_EQ(mine.run(op::kEndTransaction), 0);
  other.join();
  EXPECT_TRUE(counted);
}

// Threads sharing one file object (tables without THREAD) take turns call by
// call; the cache they share stays whole.
TEST_F(OpsThreads, ThreadsAddingThroughOneFileObjectTakeTurns) {
  constexpr int kThreads = 4;
  constexpr int kEach = 60;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      Pupils pupils(path_);
      if (pupils.open() != 0) ++failures;
      for (int i = 1; i <= kEach; ++i)
        if (pupils.add(t * 1000 + i, "Alumno " + std::to_string(i), int16_t(t)) != 0) ++failures;
      pupils.run(op::kClose);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  Pupils pupils(path_);
  ASSERT_EQ(pupils.open(), 0);
  EXPECT_EQ(pupils.records(), uint32_t(kThreads * kEach));
  ASSERT_EQ(pupils.run(op::kClose), 0);
  testing::Station reader(os::real_file_system(), path_, false);
  reader.read_all();
  EXPECT_TRUE(reader.last_report().consistent()) << testing::problems_of(reader.last_report());
}

// A THREAD table has a file object per thread, so threads hold records
// against each other like stations. A read waiting for the hold lets the
// holding thread's calls in, or it would wait for ever.
TEST_F(OpsThreads, AThreadWaitingForAHeldRecordLetsTheHolderRelease) {
  auto thread_table = [&] {
    auto pupils = std::make_unique<Pupils>(path_);
    pupils->table().declaration.attributes |= table_attr::kThread;
    return pupils;
  };
  auto holder = thread_table();
  ASSERT_EQ(holder->open(), 0);
  ASSERT_EQ(holder->add(1, "Ana"), 0);
  ASSERT_EQ(holder->run(op::kHoldFile), 0);
  holder->set(1, "", 0);
  ASSERT_EQ(holder->run_key(op::kGetFileKey, kByNumber), 0);

  std::atomic<int> waiter_result{-1};
  std::thread waiter([&] {
    auto pupils = thread_table();
    pupils->open();
    pupils->run(op::kHoldFile);
    pupils->set(1, "", 0);
    waiter_result = pupils->run_key(op::kGetFileKey, kByNumber);
    pupils->run(op::kClose);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(waiter_result, -1) << "the record was not held";
  ASSERT_EQ(holder->run(op::kRelease), 0);
  waiter.join();
  EXPECT_EQ(waiter_result, 0);
}

}  // namespace
}  // namespace tps
