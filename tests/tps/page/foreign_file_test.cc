// Files written by another program: every page decodes, and re-encoding a
// decoded page gives back exactly the bytes on disk, so pages this engine
// writes are the pages other stations expect.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/os/memory_file_system.h"
#include "tests/tps/station.h"
#include "tps/commit/page_image.h"
#include "tps/maint/structure_check.h"

namespace tps {
namespace {

std::vector<uint8_t> read_fixture(const std::string& name) {
  std::ifstream in(std::string(QV_FIXTURES_DIR) + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class ForeignFile : public ::testing::TestWithParam<const char*> {};

TEST_P(ForeignFile, EveryPageReEncodesToTheSameBytes) {
  std::vector<uint8_t> bytes = read_fixture(GetParam());
  ASSERT_GT(bytes.size(), 512u) << "fixture missing: " << GetParam();
  os::MemoryFileSystem fs;
  fs.set_contents("/f.tps", bytes);
  testing::Station station(fs, "/f.tps", false);
  ASSERT_EQ(station.open_error(), 0);
  FileObject& file = station.file();
  ASSERT_EQ(file.refresh_header(), 0);
  const FileHeader& h = file.header();
  int pages = 0;
  for (int k = 1; k < kSizeClasses; ++k) {
    for (int32_t n = h.region_start(k); n < h.region_end(k); n += k) {
      PageNode* page = file.load_page(n);
      build_page_image(page);
      finish_page_image(page, uint32_t(page_offset(n)));
      const uint8_t* on_disk = bytes.data() + page_offset(n);
      ASSERT_EQ(page->image.size(), size_t(k) * kPageUnit) << "page " << n;
      EXPECT_EQ(std::memcmp(page->image.data(), on_disk, page->image.size()), 0) << "page " << n;
      page->image.clear();
      page->image_built = false;
      ++pages;
    }
  }
  EXPECT_GT(pages, 0);
  file.end_operation();
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ForeignFile,
                         ::testing::Values("many-records.tps", "two-tables/QVMaterias.TPS",
                                           "two-tables/QVLIBJAR.TPS"));

TEST(ForeignFileShape, ManyRecordsMatchesItsDescription) {
  os::MemoryFileSystem fs;
  fs.set_contents("/m.tps", read_fixture("many-records.tps"));
  testing::Station station(fs, "/m.tps", false);
  station.read_all();
  const StructureReport& r = station.last_report();
  EXPECT_TRUE(r.consistent()) << testing::problems_of(r);
  EXPECT_EQ(r.pages, 103u);
  EXPECT_EQ(r.levels, 2u);
  EXPECT_EQ(r.leaf_records, 6005u);
}

TEST(ForeignFileShape, ChangingAForeignFileKeepsItConsistent) {
  os::MemoryFileSystem fs;
  fs.set_contents("/m.tps", read_fixture("many-records.tps"));
  testing::Station station(fs, "/m.tps");
  testing::Records before = station.read_all();
  ASSERT_EQ(station.update([](PageTree& tree) {
    for (uint32_t i = 0; i < 500; ++i) testing::Station::put(tree, "\x02" + testing::numbered_key(i), "added");
  }), 0);
  testing::Records after = station.read_all();
  EXPECT_TRUE(station.last_report().consistent()) << testing::problems_of(station.last_report());
  EXPECT_EQ(after.size(), before.size() + 500);
}

}  // namespace
}  // namespace tps
