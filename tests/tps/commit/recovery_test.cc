#include <gtest/gtest.h>

#include "platform/os/memory_file_system.h"
#include "tests/tps/station.h"
#include "tps/commit/commit.h"
#include "tps/page/page_cache.h"

namespace tps {
namespace {

using testing::numbered_key;
using testing::Records;
using testing::Station;

// A file whose last commit stopped after phase 1: the old state on disk
// with a complete log of the new one.
class LoggedFile : public ::testing::Test {
 protected:
  void SetUp() override {
    Station writer(fs, path);
    ASSERT_EQ(writer.update([&](PageTree& tree) {
      for (uint32_t i = 0; i < 300; ++i) Station::put(tree, numbered_key(i), "old");
    }), 0);
    old_state = writer.read_all();

    writer.file().switch_to_update_mode();
    PageTree tree(writer.file());
    for (uint32_t i = 0; i < 300; i += 2) {
      std::string key = numbered_key(i);
      tree.remove(testing::bytes_of(key), key.size());
    }
    for (uint32_t i = 1000; i < 1100; ++i) Station::put(tree, numbered_key(i), "new");
    ASSERT_EQ(commit_phase1(writer.file()), 0);
    logged_bytes = fs.contents(path);
    // The writer's machine stops here: no phase 2.
    new_state = old_state;
    for (uint32_t i = 0; i < 300; i += 2) new_state.erase(numbered_key(i));
    for (uint32_t i = 1000; i < 1100; ++i) new_state[numbered_key(i)] = "new";
  }

  os::MemoryFileSystem fs;
  const std::string path = "/logged.tps";
  Records old_state, new_state;
  std::vector<uint8_t> logged_bytes;
};

TEST_F(LoggedFile, ReaderSeesTheNewStateWithoutWriting) {
  FileHeader on_disk;
  std::memcpy(on_disk.bytes(), logged_bytes.data(), 512);
  ASSERT_TRUE(on_disk.log_pending());
  Station reader(fs, path, false);
  ASSERT_EQ(reader.open_error(), 0);
  EXPECT_EQ(reader.read_all(), new_state);
  EXPECT_EQ(fs.contents(path), logged_bytes);
}

TEST_F(LoggedFile, FirstUpdaterReplaysTheLog) {
  Station reader(fs, path, false);
  reader.read_all();  // reads through first
  Station updater(fs, path);
  EXPECT_EQ(updater.read_all(), new_state);  // opened in reader mode: still reading through
  ASSERT_EQ(updater.update([](PageTree& tree) { Station::put(tree, "\x01", "after"); }), 0);
  FileHeader settled;
  std::memcpy(settled.bytes(), fs.contents(path).data(), 512);
  EXPECT_FALSE(settled.log_pending());
  Records expected = new_state;
  expected["\x01"] = "after";
  Station later(fs, path, false);
  EXPECT_EQ(later.read_all(), expected);
  EXPECT_TRUE(later.last_report().consistent()) << testing::problems_of(later.last_report());
  EXPECT_EQ(reader.read_all(), expected);  // the first reader notices the change
}

TEST_F(LoggedFile, LogEndingEarlyIsDiscardedAndTheOldStateKept) {
  FileHeader on_disk;
  std::memcpy(on_disk.bytes(), logged_bytes.data(), 512);
  std::vector<uint8_t> cut(logged_bytes.begin(), logged_bytes.begin() + on_disk.log_end() - 256);
  fs.set_contents(path, cut);
  Station reader(fs, path, false);
  EXPECT_EQ(reader.read_all(), old_state);
  Station updater(fs, path);
  ASSERT_EQ(updater.update([](PageTree&) {}), 0);  // an update view resets the log
  FileHeader settled;
  std::memcpy(settled.bytes(), fs.contents(path).data(), 512);
  EXPECT_FALSE(settled.log_pending());
  EXPECT_EQ(updater.read_all(), old_state);
}

TEST(PageCacheKeep, CacheSurvivesRefreshesUntilAnotherStationCommits) {
  os::MemoryFileSystem fs;
  Station a(fs, "/c.tps");
  ASSERT_EQ(a.update([](PageTree& tree) { Station::put(tree, "k1", "v"); }), 0);
  Station b(fs, "/c.tps");
  auto load_root = [&] {
    PageNode* root = b.file().load_root();
    b.file().end_operation();
    return root;
  };
  PageNode* root = load_root();
  EXPECT_EQ(load_root(), root);
  EXPECT_EQ(b.file().cache().find(b.file().header().root()), root);
  ASSERT_EQ(a.update([](PageTree& tree) { Station::put(tree, "k2", "v"); }), 0);
  ASSERT_EQ(b.file().refresh_header(), 0);
  EXPECT_EQ(b.file().cache().size(), 0u);
  b.file().end_operation();
  EXPECT_EQ(b.read_all().size(), 2u);
}

// Pages the cache lets go, and pages a commit wrote, are kept decoded while
// nothing changes, and come back on the next load; another station's commit
// and this station's own change must still be seen.
TEST(PageCacheRetired, EvictedPagesNeverOutliveAChange) {
  os::MemoryFileSystem fs;
  Station a(fs, "/r.tps");
  const std::string payload(200, 'a');
  constexpr uint32_t kRecords = 3000;  // some 150 leaf pages, more than the cache keeps
  ASSERT_EQ(a.update([&](PageTree& tree) {
    for (uint32_t i = 0; i < kRecords; ++i) Station::put(tree, numbered_key(i), payload);
  }), 0);
  auto value_at = [](Station& s, uint32_t i) {
    const std::string key = numbered_key(i);
    PageTree tree(s.file());
    const RecordRef ref = tree.find_exact(testing::bytes_of(key), key.size());
    std::string value = ref ? std::string(reinterpret_cast<const char*>(ref.record->data()), ref.record->data_length()) : "";
    s.file().end_operation();
    return value;
  };
  auto replace = [](PageTree& tree, uint32_t i, const std::string& value) {
    const std::string key = numbered_key(i);
    tree.remove(testing::bytes_of(key), key.size());
    Station::put(tree, key, value);
  };

  Station b(fs, "/r.tps");
  for (int round = 0; round < 2; ++round)
    for (uint32_t i = 0; i < kRecords; ++i) ASSERT_EQ(value_at(b, i), payload) << i;
  ASSERT_GT(b.file().cache().retired_pages(), 0u);

  // The page of key 0 was let go long ago; another station changes it.
  ASSERT_EQ(a.update([&](PageTree& tree) { replace(tree, 0, "theirs"); }), 0);
  EXPECT_EQ(value_at(b, 0), "theirs");
  for (uint32_t i = 1; i < kRecords; ++i) ASSERT_EQ(value_at(b, i), payload) << i;
  ASSERT_GT(b.file().cache().retired_pages(), 0u);

  ASSERT_EQ(b.update([&](PageTree& tree) {
    replace(tree, 1, "mine");
    EXPECT_EQ(b.file().cache().retired_pages(), 0u);
  }), 0);
  // The pages the commit wrote are kept too, as the disk now holds them.
  EXPECT_GT(b.file().cache().retired_pages(), 0u);
  EXPECT_EQ(value_at(b, 1), "mine");
  EXPECT_EQ(value_at(a, 1), "mine");
  EXPECT_EQ(value_at(a, 0), "theirs");
  ASSERT_EQ(a.update([&](PageTree& tree) { replace(tree, 1, "theirs again"); }), 0);
  EXPECT_EQ(value_at(b, 1), "theirs again");
}

TEST(PageCacheTrim, EvictsDownTo99ThenOnlyIdlePages) {
  PageCache cache;
  std::vector<PageNode*> pages;
  for (int i = 0; i < 150; ++i) {
    pages.push_back(cache.add(nullptr, i));
    cache.touch(pages.back());
  }
  for (int round = 0; round < 30; ++round) {
    for (int i = 51; i < 150; ++i) cache.touch(pages[size_t(i)]);
  }
  cache.trim();
  EXPECT_EQ(cache.clean().size(), 99u);
  EXPECT_EQ(cache.find(50), nullptr);
  EXPECT_NE(cache.find(51), nullptr);

  PageCache small;
  for (int i = 0; i < 19; ++i) small.add(nullptr, i);
  small.trim();
  EXPECT_EQ(small.clean().size(), 19u);
}

}  // namespace
}  // namespace tps
