#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>

#include "platform/os/file_system.h"
#include "tests/support/support.h"
#include "tests/tps/station.h"

namespace tps {
namespace {

using testing::numbered_key;
using testing::Records;
using testing::Station;

constexpr uint32_t kRecords = 200;

void write_generation(PageTree& tree, int generation, bool first) {
  for (uint32_t i = 0; i < kRecords; ++i) {
    std::string key = numbered_key(i);
    if (!first) tree.remove(testing::bytes_of(key), key.size());
    Station::put(tree, key, "generation " + std::to_string(generation) + std::string(i % 50, '.'));
  }
}

// One process commits generation after generation of the same records
// while another keeps reading: every read sees one whole generation.
TEST(Stations, ReaderInAnotherProcessSeesWholeCommitsOnly) {
  testing_support::TempDir dir;
  const std::string path = dir.file("shared.tps");
  {
    Station writer(os::real_file_system(), path);
    ASSERT_EQ(writer.update([](PageTree& tree) { write_generation(tree, 0, true); }), 0);
  }
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Station writer(os::real_file_system(), path);
    int failures = 0;
    for (int g = 1; g <= 40; ++g) {
      failures += writer.update([g](PageTree& tree) { write_generation(tree, g, false); }) != 0;
    }
    _exit(failures == 0 ? 0 : 1);
  }
  Station reader(os::real_file_system(), path, false);
  ASSERT_EQ(reader.open_error(), 0);
  std::set<std::string> generations_seen;
  int status = 0;
  bool writer_done = false;
  while (!writer_done) {
    writer_done = waitpid(child, &status, WNOHANG) == child;
    Records records = reader.read_all();
    ASSERT_EQ(records.size(), kRecords);
    ASSERT_TRUE(reader.last_report().consistent()) << testing::problems_of(reader.last_report());
    std::set<std::string> generations;
    for (const auto& [key, data] : records) generations.insert(data.substr(0, data.find('.')));
    ASSERT_EQ(generations.size(), 1u) << "a read mixed two commits";
    generations_seen.insert(*generations.begin());
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(generations_seen.count("generation 40"));
}

// Two processes changing the same file are served one after the other by
// the update byte: no change is lost.
TEST(Stations, UpdatersInTwoProcessesTakeTurns) {
  testing_support::TempDir dir;
  const std::string path = dir.file("turns.tps");
  {
    Station s(os::real_file_system(), path);
    ASSERT_EQ(s.update([](PageTree& tree) { Station::put(tree, "seed", ""); }), 0);
  }
  auto work = [&](uint32_t base) {
    Station s(os::real_file_system(), path);
    int failures = 0;
    for (uint32_t i = 0; i < 150; ++i) {
      failures += s.update([&](PageTree& tree) { Station::put(tree, numbered_key(base + i), "w"); }) != 0;
    }
    return failures;
  };
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(work(100000) == 0 ? 0 : 1);
  EXPECT_EQ(work(200000), 0);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  Station check(os::real_file_system(), path, false);
  EXPECT_EQ(check.read_all().size(), 301u);
  EXPECT_TRUE(check.last_report().consistent()) << testing::problems_of(check.last_report());
}

}  // namespace
}  // namespace tps
