#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "platform/os/memory_file_system.h"
#include "tps/key/key_sorter.h"

namespace tps {
namespace {

using Entry = std::vector<uint8_t>;

constexpr size_t kEntryLength = 40;  // 25,000 entries fill the heap to its limit

class KeySorterTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(files_.make_directory("/sort"), 0); }

  // `count` entries with few distinct prefixes, so equal leading bytes and
  // whole duplicates both occur.
  std::vector<Entry> random_entries(size_t count) {
    std::mt19937 random(7);
    std::vector<Entry> entries(count, Entry(kEntryLength));
    for (Entry& entry : entries) {
      entry[0] = uint8_t(random() % 3);
      for (size_t i = 1; i < kEntryLength; ++i) entry[i] = uint8_t(random() % (i < 36 ? 2 : 256));
    }
    return entries;
  }

  std::vector<Entry> sort_all(KeySorter& sorter, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries) EXPECT_EQ(sorter.add(entry.data()), 0);
    EXPECT_EQ(sorter.finish(), 0);
    std::vector<Entry> out;
    int error = 0;
    while (const uint8_t* entry = sorter.next(&error)) out.emplace_back(entry, entry + kEntryLength);
    EXPECT_EQ(error, 0);
    return out;
  }

  os::MemoryFileSystem files_;
};

TEST_F(KeySorterTest, SmallSortStaysInMemory) {
  std::vector<Entry> entries = random_entries(1000);
  KeySorter sorter(kEntryLength, files_, "/sort");
  std::vector<Entry> sorted = sort_all(sorter, entries);
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(sorted, entries);
  EXPECT_EQ(sorter.run_count(), 0u);
  EXPECT_TRUE(files_.list_directory("/sort").empty());
}

TEST_F(KeySorterTest, LargeSortMergesRunsFromTemporaryFilesAndRemovesThem) {
  std::vector<Entry> entries = random_entries(80'000);  // 3.2 MB: three full runs and a last one
  {
    KeySorter sorter(kEntryLength, files_, "/sort");
    std::vector<Entry> sorted = sort_all(sorter, entries);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(sorted, entries);
    EXPECT_EQ(sorter.run_count(), 4u);
    EXPECT_EQ(sorter.file_run_count(), 4u);
    EXPECT_EQ(files_.list_directory("/sort").size(), 4u);
  }
  EXPECT_TRUE(files_.list_directory("/sort").empty());
}

TEST_F(KeySorterTest, ShortLastRunNeedsNoFile) {
  // The 25,000th entry passes 999,999 bytes and spills; one more entry makes
  // a last run that fits the writer's buffer.
  std::vector<Entry> entries = random_entries(25'001);
  KeySorter sorter(kEntryLength, files_, "/sort");
  std::vector<Entry> sorted = sort_all(sorter, entries);
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(sorted, entries);
  EXPECT_EQ(sorter.run_count(), 2u);
  EXPECT_EQ(sorter.file_run_count(), 1u);
}

TEST_F(KeySorterTest, FullDiskIsReportedAndCleanedUp) {
  files_.set_max_file_size(100'000);
  std::vector<Entry> entries = random_entries(30'000);
  {
    KeySorter sorter(kEntryLength, files_, "/sort");
    int error = 0;
    for (const Entry& entry : entries)
      if ((error = sorter.add(entry.data())) != 0) break;
    EXPECT_NE(error, 0);
  }
  EXPECT_TRUE(files_.list_directory("/sort").empty());
}

}  // namespace
}  // namespace tps
