#include <gtest/gtest.h>

#include <string>

#include "platform/os/clock.h"
#include "tests/support/support.h"
#include "tests/tps/lock/other_station.h"
#include "tests/tps/station.h"
#include "tps/lock/transaction.h"
#include "tps/options/tcf_names.h"

namespace tps {
namespace {

using testing::ChildStation;
using testing::Records;
using testing::Station;

constexpr uint32_t kRecords = 100;

void fill(PageTree& tree) {
  for (uint32_t i = 0; i < kRecords; ++i) Station::put(tree, testing::numbered_key(i), "old");
}

// Two readers in other processes view the file at the same time; a
// committer has to wait until both have ended their operation, and they
// keep reading the old state meanwhile.
TEST(LockStations, ReadersShareTheFileWhileACommitterWaitsForThem) {
  constexpr uint32_t kReadersKeepMs = 600;
  testing_support::TempDir dir;
  const std::string path = dir.file("shared.tps");
  {
    Station s(os::real_file_system(), path);
    ASSERT_EQ(s.update(fill), 0);
  }
  auto reader = [&](ChildStation::Handshake& handshake) {
    Station s(os::real_file_system(), path, false);
    if (s.open_error() != 0 || s.file().refresh_header() != 0) return 1;
    handshake.ready();  // in its view: holding a reader slot
    handshake.wait_for_release();
    os::sleep_ms(kReadersKeepMs);
    Records seen = s.read_all();  // still in the same view, then ends it
    return seen.size() == kRecords && seen.begin()->second == "old" ? 0 : 2;
  };
  ChildStation first(reader);
  ChildStation second(reader);
  ASSERT_TRUE(first.ready());
  ASSERT_TRUE(second.ready()) << "the second reader waited for the first";

  Station writer(os::real_file_system(), path);
  first.release();
  second.release();
  uint64_t start = os::tick_ms();
  ASSERT_EQ(writer.update([](PageTree& tree) { Station::put(tree, "new", "record"); }), 0);
  EXPECT_GE(os::tick_ms() - start, kReadersKeepMs / 2) << "the commit did not wait for the readers";
  EXPECT_EQ(first.finish(), 0);
  EXPECT_EQ(second.finish(), 0);
  EXPECT_EQ(writer.read_all().size(), kRecords + 1);
}

// Two processes each run transactions that read a counter in one file and
// write it, plus one, to both files: the update bytes serve them one after
// the other, so no increment is lost and both files always agree.
TEST(LockStations, UpdatersInTransactionsAreServedOneAfterTheOther) {
  constexpr int kRounds = 25;
  testing_support::TempDir dir;
  const std::string one = dir.file("one.tps");
  const std::string two = dir.file("two.tps");
  for (const std::string& path : {one, two}) {
    Station s(os::real_file_system(), path);
    ASSERT_EQ(s.update([](PageTree& tree) { Station::put(tree, "count", "0"); }), 0);
  }
  auto count_in = [](PageTree& tree) {
    RecordRef found = tree.find_exact(testing::bytes_of("count"), 5);
    return found ? std::stoi(std::string(reinterpret_cast<const char*>(found.record->data()),
                                         found.record->data_length()))
                 : -1;
  };
  auto rounds = [&] {
    // Opening is an operation of its own: its view (a reader slot) ends
    // with it. Held on while the next file is opened, it would keep the
    // other process's commit waiting for a slot of this one.
    Station a(os::real_file_system(), one);
    a.file().end_operation();
    Station b(os::real_file_system(), two);
    b.file().end_operation();
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
      logout(a.file());
      logout(b.file());
      int count = -1;
      a.update([&](PageTree& tree) { count = count_in(tree); });
      for (Station* s : {&a, &b}) {
        s->update([&](PageTree& tree) {
          tree.remove(testing::bytes_of("count"), 5);
          Station::put(tree, "count", std::to_string(count + 1));
        });
      }
      failures += count < 0 || commit_transaction(a.file()) != 0;
    }
    return failures;
  };
  pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) _exit(rounds() == 0 ? 0 : 1);
  EXPECT_EQ(rounds(), 0);
  int status = 0;
  waitpid(other, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  for (const std::string& path : {one, two}) {
    Station s(os::real_file_system(), path, false);
    Records records = s.read_all();
    EXPECT_EQ(records["count"], std::to_string(2 * kRounds)) << path;
  }
  Station tcf(os::real_file_system(), directory_tcf_name(one), false);
  EXPECT_TRUE(tcf.read_all().empty()) << "a transaction number was left behind";
}

}  // namespace
}  // namespace tps
