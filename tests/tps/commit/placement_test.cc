#include <gtest/gtest.h>

#include "platform/os/memory_file_system.h"
#include "tests/tps/station.h"
#include "tps/commit/page_image.h"

namespace tps {
namespace {

using testing::numbered_key;
using testing::Station;

TEST(Placement, PageGrowingIntoTheNextClassMovesHigherRegionsWithoutLosingPages) {
  os::MemoryFileSystem fs;
  Station station(fs, "/p.tps");
  // Several pages in class 1 and a few in higher classes.
  ASSERT_EQ(station.update([](PageTree& tree) {
    for (uint32_t i = 0; i < 600; ++i) Station::put(tree, numbered_key(i * 10), "x");
    Station::put(tree, "\xF0", std::string(3000, 'q'));
  }), 0);
  // Grow every record a little: pages change class, regions slide.
  for (int round = 0; round < 4; ++round) {
    ASSERT_EQ(station.update([&](PageTree& tree) {
      for (uint32_t i = 0; i < 600; i += 3) {
        Station::put(tree, numbered_key(i * 10 + 1 + round), std::string(30 + 20 * round, 'g'));
      }
    }), 0);
    auto records = station.read_all();
    ASSERT_TRUE(station.last_report().consistent()) << testing::problems_of(station.last_report());
    EXPECT_EQ(records.size(), 601u + 200u * (round + 1));
  }
}

TEST(Placement, DeletingTheOnlyRecordOfAPageFreesItsPlaceAtOnce) {
  os::MemoryFileSystem fs;
  Station station(fs, "/d.tps");
  ASSERT_EQ(station.update([](PageTree& tree) {
    for (uint32_t i = 0; i < 400; ++i) Station::put(tree, numbered_key(i), std::string(150, 'p'));
  }), 0);
  station.read_all();
  uint64_t pages_before = station.last_report().pages;
  // Empty a run of leaves; their places are taken by the regions' last pages.
  ASSERT_EQ(station.update([](PageTree& tree) {
    for (uint32_t i = 100; i < 300; ++i) {
      std::string key = numbered_key(i);
      tree.remove(testing::bytes_of(key), key.size());
    }
  }), 0);
  auto records = station.read_all();
  EXPECT_EQ(records.size(), 200u);
  EXPECT_LT(station.last_report().pages, pages_before);
  EXPECT_TRUE(station.last_report().consistent()) << testing::problems_of(station.last_report());
}

TEST(PageImage, CompressedFormIsKeptOnlyWhenItSavesAUnit) {
  auto page_with = [](const std::string& record, PageNode& page) {
    page.records.insert(RecordNode::create(nullptr, 0, 0));
    page.records.insert(RecordNode::create(testing::bytes_of(record), uint16_t(record.size()), 1));
    page.recompute_estimate();
    return build_page_image(&page);
  };
  // A run of 40 saves bytes but not a whole 256-byte unit: stored plain.
  std::string record = "k" + std::string(40, '\0');
  for (int i = 0; i < 160; ++i) record += char(i + 1);
  PageNode small;
  EXPECT_EQ(page_with(record, small), 1);
  EXPECT_EQ(load_u16le(small.image.data() + 4), load_u16le(small.image.data() + 6));
  // A long run saves a unit: stored compressed.
  PageNode page;
  EXPECT_EQ(page_with("k" + std::string(600, '\0'), page), 1);
  EXPECT_LT(load_u16le(page.image.data() + 4), load_u16le(page.image.data() + 6));
  for (size_t i = load_u16le(page.image.data() + 4); i < page.image.size(); ++i) {
    ASSERT_EQ(page.image[i], 0xB0);
  }
}

}  // namespace
}  // namespace tps
