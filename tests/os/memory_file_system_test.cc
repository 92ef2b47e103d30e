// What only the memory file system offers: the test accessors, its limits,
// and the path handling its users rely on.
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/os/memory_file_system.h"

namespace {

using os::Access;
using os::Disposition;
using os::OpenMode;
using os::Share;

const OpenMode kReadOnly{Access::read, Share::deny_none, Disposition::open_existing};
const OpenMode kReadWrite{Access::read_write, Share::deny_none, Disposition::open_always};

std::vector<uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(MemoryFileSystem, ContentsAreSharedWithOpenHandles) {
  os::MemoryFileSystem fs;
  ASSERT_EQ(fs.set_contents("f.tps", bytes("arbitrary")), 0);
  std::unique_ptr<os::File> file;
  ASSERT_EQ(fs.open("f.tps", kReadWrite, &file), 0);
  ASSERT_EQ(file->write_at(0, "A", 1), 1);
  EXPECT_EQ(fs.contents("f.tps"), bytes("Arbitrary"));

  ASSERT_EQ(fs.set_contents("f.tps", bytes("new")), 0);
  EXPECT_EQ(file->size(), 3);
  EXPECT_TRUE(fs.contents("missing").empty());
  EXPECT_EQ(fs.set_contents("nodir/f", bytes("x")), ENOTDIR);
}

TEST(MemoryFileSystem, PathsNameOneFileWhateverTheirSpelling) {
  os::MemoryFileSystem fs;
  ASSERT_EQ(fs.make_directory("data"), 0);
  ASSERT_EQ(fs.set_contents("data/f", bytes("x")), 0);
  for (const char* spelling : {"data/f", "/data/f", "./data//f", "data/../data/f"}) {
    EXPECT_EQ(fs.contents(spelling), bytes("x")) << spelling;
  }
  EXPECT_EQ(fs.list_directory("/"), std::vector<std::string>{"data"});
  EXPECT_EQ(fs.make_directory("data"), EEXIST);
  EXPECT_EQ(fs.make_directory("none/sub"), ENOENT);
  EXPECT_EQ(fs.make_directory("data/f/sub"), ENOTDIR);
}

TEST(MemoryFileSystem, RenamingADirectoryMovesItsFiles) {
  os::MemoryFileSystem fs;
  ASSERT_EQ(fs.make_directory("old"), 0);
  ASSERT_EQ(fs.make_directory("old.bak"), 0);  // sorts between "old" and "old/..."
  ASSERT_EQ(fs.set_contents("old/f", bytes("x")), 0);
  EXPECT_EQ(fs.remove("old"), ENOTEMPTY);
  EXPECT_EQ(fs.rename("old", "old/inner"), EINVAL);
  ASSERT_EQ(fs.rename("old", "new"), 0);
  EXPECT_EQ(fs.contents("new/f"), bytes("x"));
  EXPECT_FALSE(fs.exists("old/f"));
  EXPECT_TRUE(fs.is_directory("old.bak"));
}

TEST(MemoryFileSystem, ReadOnlyFilesRefuseWriters) {
  os::MemoryFileSystem fs;
  ASSERT_EQ(fs.set_contents("f", bytes("x")), 0);
  ASSERT_EQ(fs.set_read_only("f", true), 0);
  std::unique_ptr<os::File> file;
  EXPECT_EQ(fs.open("f", kReadWrite, &file), EACCES);
  EXPECT_EQ(fs.open("f", kReadOnly, &file), 0);
  EXPECT_EQ(fs.set_read_only("missing", true), ENOENT);
}

TEST(MemoryFileSystem, FilesStopGrowingAtTheSizeLimit) {
  os::MemoryFileSystem fs;
  fs.set_max_file_size(100);
  std::unique_ptr<os::File> file;
  ASSERT_EQ(fs.open("f", kReadWrite, &file), 0);
  char buffer[64] = {};
  EXPECT_EQ(file->write_at(90, buffer, sizeof buffer), 10) << "cut short at the limit";
  EXPECT_EQ(file->write_at(100, buffer, 1), -EFBIG);
  EXPECT_EQ(file->write_at(uint64_t{1} << 40, buffer, 1), -EFBIG);
  EXPECT_EQ(file->truncate(101), EFBIG);
  EXPECT_EQ(file->size(), 100);
}

TEST(MemoryFileSystem, HandlesOutliveTheFileSystem) {
  std::unique_ptr<os::File> file;
  {
    os::MemoryFileSystem fs;
    ASSERT_EQ(fs.open("f", kReadWrite, &file), 0);
  }
  EXPECT_EQ(file->write_at(0, "ok", 2), 2);
  EXPECT_EQ(file->try_lock(1, 1), 0);
}

}  // namespace
