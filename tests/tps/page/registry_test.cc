#include <gtest/gtest.h>

#include "platform/os/memory_file_system.h"
#include "tests/tps/station.h"
#include "tps/page/file_registry.h"

namespace tps {
namespace {

OpenOptions mode(bool write, os::Share share = os::Share::deny_none) {
  OpenOptions options;
  options.write = write;
  options.create = write;
  options.share = share;
  return options;
}

TEST(FileRegistry, TablesOfOneFileShareOneFileObjectWhateverTheLetterCase) {
  os::MemoryFileSystem fs;
  FileRegistry registry(fs);
  FileObject* a = nullptr;
  FileObject* b = nullptr;
  ASSERT_EQ(registry.acquire("/Data.TPS", mode(true), &a), 0);
  ASSERT_EQ(registry.acquire("/data.tps", mode(true), &b), 0);
  EXPECT_EQ(a, b);
  EXPECT_EQ(registry.open_files(), 1u);
  registry.release(a);
  EXPECT_EQ(registry.open_files(), 1u);
  registry.release(b);
  EXPECT_EQ(registry.open_files(), 0u);
}

TEST(FileRegistry, SecondOpenWithAnotherModeMergesIt) {
  os::MemoryFileSystem fs;
  fs.set_contents("/m.tps", {});
  FileRegistry registry(fs);
  FileObject* reader = nullptr;
  FileObject* writer = nullptr;
  ASSERT_EQ(registry.acquire("/m.tps", mode(false), &reader), 0);
  EXPECT_FALSE(reader->writable());
  reader->end_operation();  // the open operation ends: its view is released
  ASSERT_EQ(registry.acquire("/m.tps", mode(true), &writer), 0);
  EXPECT_EQ(reader, writer);
  EXPECT_TRUE(writer->writable());

  struct Case {
    os::Share held, wanted, merged;
  } cases[] = {
      {os::Share::deny_none, os::Share::deny_none, os::Share::deny_none},
      {os::Share::deny_none, os::Share::deny_write, os::Share::deny_write},
      {os::Share::deny_write, os::Share::deny_none, os::Share::deny_write},
      {os::Share::deny_write, os::Share::deny_write, os::Share::deny_write},
      {os::Share::deny_write, os::Share::deny_all, os::Share::deny_all},
  };
  for (const Case& c : cases) {
    OpenOptions merged = FileRegistry::merge_options(mode(false, c.held), mode(false, c.wanted));
    EXPECT_EQ(merged.share, c.merged);
  }
  registry.release(reader);
  registry.release(writer);
}

TEST(FileRegistry, LastReleaseCommitsPendingChanges) {
  os::MemoryFileSystem fs;
  {
    FileRegistry registry(fs);
    FileObject* file = nullptr;
    ASSERT_EQ(registry.acquire("/c.tps", mode(true), &file), 0);
    file->switch_to_update_mode();
    PageTree tree(*file);
    testing::Station::put(tree, "key", "value");
    registry.release(file);
  }
  testing::Station reader(fs, "/c.tps", false);
  EXPECT_EQ(reader.read_all().size(), 1u);
}

}  // namespace
}  // namespace tps
