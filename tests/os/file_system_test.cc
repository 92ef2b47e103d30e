// Behaviour every FileSystem must share: each scenario runs against the real
// file system and the memory file system, so tests built on the memory one
// see what a real disk would give.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/os/file_system.h"
#include "platform/os/memory_file_system.h"
#include "tests/support/support.h"

namespace {

using os::Access;
using os::Disposition;
using os::OpenMode;
using os::Share;

constexpr uint64_t kLockBase = uint64_t{1} << 31;  // where the engine's lock bytes start

OpenMode mode(Access access, Share share = Share::deny_none, Disposition disposition = Disposition::open_existing) {
  return OpenMode{access, share, disposition};
}
const OpenMode kReadOnly = mode(Access::read);
const OpenMode kReadWrite = mode(Access::read_write);
const OpenMode kCreate = mode(Access::read_write, Share::deny_none, Disposition::open_always);

class FileSystemTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "posix") {
      temp_ = std::make_unique<testing_support::TempDir>();
      fs_ = &os::real_file_system();
      root_ = temp_->path() + "/";
    } else {
      fs_ = &memory_;
      ASSERT_EQ(memory_.make_directory("root"), 0);
      root_ = "root/";
    }
  }

  std::string path(const std::string& name) const { return root_ + name; }

  void make_directory(const std::string& name) {
    if (GetParam() == "posix") {
      ASSERT_EQ(mkdir(path(name).c_str(), 0777), 0);
    } else {
      ASSERT_EQ(memory_.make_directory(path(name)), 0);
    }
  }

  int open_error(const std::string& name, const OpenMode& open_mode) {
    std::unique_ptr<os::File> file;
    return fs_->open(path(name), open_mode, &file);
  }

  std::unique_ptr<os::File> open(const std::string& name, const OpenMode& open_mode) {
    std::unique_ptr<os::File> file;
    int error = fs_->open(path(name), open_mode, &file);
    EXPECT_EQ(error, 0) << name;
    return file;
  }

  void write_file(const std::string& name, const std::string& text) {
    auto file = open(name, kCreate);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->write_at(0, text.data(), text.size()), static_cast<int64_t>(text.size()));
  }

  std::string read_all(os::File& file) {
    std::string text(static_cast<size_t>(file.size()), '\0');
    EXPECT_EQ(file.read_at(0, text.data(), text.size()), static_cast<int64_t>(text.size()));
    return text;
  }

  std::unique_ptr<testing_support::TempDir> temp_;
  os::MemoryFileSystem memory_;
  os::FileSystem* fs_ = nullptr;
  std::string root_;
};

TEST_P(FileSystemTest, OpenRefusalsReportTheCause) {
  write_file("file", "x");
  make_directory("dir");
  struct Case {
    const char* name;
    OpenMode mode;
    int error;
  } cases[] = {
      {"missing", kReadOnly, ENOENT},
      {"missing", kReadWrite, ENOENT},
      {"nodir/file", kReadOnly, ENOTDIR},
      {"nodir/file", kCreate, ENOTDIR},
      {"file/below", kCreate, ENOTDIR},
      {"dir", kReadOnly, EISDIR},
      {"dir", kReadWrite, EISDIR},
      {"file", mode(Access::read, Share::deny_none, Disposition::create_always), EINVAL},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(open_error(c.name, c.mode), c.error) << c.name;
  }
  std::unique_ptr<os::File> file;
  EXPECT_EQ(fs_->open("", kReadOnly, &file), ENOENT);
}

TEST_P(FileSystemTest, DispositionsCreateKeepOrTruncate) {
  EXPECT_EQ(open("new", kCreate)->size(), 0);
  EXPECT_TRUE(fs_->exists(path("new")));

  write_file("kept", "contents");
  EXPECT_EQ(read_all(*open("kept", kCreate)), "contents");
  EXPECT_EQ(read_all(*open("kept", kReadOnly)), "contents");

  write_file("cut", "contents");
  open("cut", mode(Access::read_write, Share::deny_none, Disposition::create_always));
  EXPECT_EQ(open("cut", kReadOnly)->size(), 0);
}

TEST_P(FileSystemTest, ReadsAndWritesAtOffsets) {
  auto writer = open("f", kCreate);
  auto reader = open("f", kReadOnly);
  ASSERT_EQ(writer->write_at(10, "hello", 5), 5);  // leaves a gap of zeros
  EXPECT_EQ(reader->size(), 15);

  char buffer[32];
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_EQ(reader->read_at(0, buffer, sizeof buffer), 15) << "short count at end of file";
  EXPECT_EQ(std::string(buffer, 15), std::string(10, '\0') + "hello");
  EXPECT_EQ(reader->read_at(15, buffer, 4), 0);
  EXPECT_EQ(reader->read_at(1000, buffer, 4), 0);

  EXPECT_EQ(writer->truncate(12), 0);
  EXPECT_EQ(read_all(*reader), std::string(10, '\0') + "he");
  EXPECT_EQ(writer->truncate(14), 0);
  EXPECT_EQ(read_all(*reader), std::string(10, '\0') + "he" + std::string(2, '\0'));
  EXPECT_EQ(writer->flush(), 0);

  EXPECT_EQ(reader->write_at(0, "x", 1), -EBADF);
  EXPECT_EQ(reader->truncate(0), EBADF);
  EXPECT_EQ(reader->flush(), 0);
  EXPECT_TRUE(writer->writable());
  EXPECT_FALSE(reader->writable());
}

TEST_P(FileSystemTest, LocksExcludeOtherHandlesByAccess) {
  write_file("f", "");
  struct Case {
    const char* name;
    bool first_writable;
    uint64_t first_offset, first_length;
    bool second_writable;
    uint64_t second_offset, second_length;
    int second_result;
  } cases[] = {
      {"writers on the same byte", true, 1023, 1, true, 1023, 1, EAGAIN},
      {"writer range covers a byte", true, 0, 1023, true, 500, 1, EAGAIN},
      {"adjacent ranges", true, 0, 1023, true, 1023, 1, 0},
      {"read-only lock keeps a writer out", false, 7, 1, true, 7, 1, EAGAIN},
      {"writer keeps a read-only lock out", true, 7, 1, false, 0, 1023, EAGAIN},
      {"read-only locks share", false, 7, 1, false, 7, 1, 0},
  };
  for (const Case& c : cases) {
    auto first = open("f", c.first_writable ? kReadWrite : kReadOnly);
    auto second = open("f", c.second_writable ? kReadWrite : kReadOnly);
    ASSERT_EQ(first->try_lock(kLockBase + c.first_offset, c.first_length), 0) << c.name;
    EXPECT_EQ(second->try_lock(kLockBase + c.second_offset, c.second_length), c.second_result) << c.name;
  }
}

TEST_P(FileSystemTest, LockRangesAreReleasedPieceByPieceAndOnClose) {
  write_file("f", "");
  auto holder = open("f", kReadWrite);
  auto other = open("f", kReadWrite);
  ASSERT_EQ(holder->try_lock(kLockBase, 1023), 0);
  EXPECT_EQ(holder->try_lock(kLockBase + 5, 1), 0) << "a handle never blocks itself";

  ASSERT_EQ(holder->unlock(kLockBase + 100, 1), 0);
  EXPECT_EQ(other->try_lock(kLockBase + 100, 1), 0);
  EXPECT_EQ(other->try_lock(kLockBase + 99, 1), EAGAIN) << "the rest of the range stays locked";
  EXPECT_EQ(other->try_lock(kLockBase + 101, 1), EAGAIN);
  EXPECT_EQ(holder->unlock(kLockBase + 5000, 1), 0) << "unlocking bytes not held";

  holder.reset();
  EXPECT_EQ(other->try_lock(kLockBase, 1023), 0);
}

TEST_P(FileSystemTest, LockRangesMustBeNonEmptyAndBelowTheReservedBytes) {
  write_file("f", "");
  auto file = open("f", kReadWrite);
  EXPECT_EQ(file->try_lock(kLockBase, 0), EINVAL);
  EXPECT_EQ(file->try_lock(os::kReservedLockOffset, 1), EINVAL);
  EXPECT_EQ(file->try_lock(os::kReservedLockOffset - 1, 2), EINVAL);
  EXPECT_EQ(file->try_lock(UINT64_MAX, 2), EINVAL);
  EXPECT_EQ(file->unlock(kLockBase, 0), EINVAL);
  EXPECT_EQ(file->try_lock(os::kReservedLockOffset - 1, 1), 0);
}

TEST_P(FileSystemTest, SharingModesRefuseConflictingOpens) {
  write_file("f", "");
  struct Case {
    OpenMode first;
    OpenMode second;
    bool second_opens;
  } cases[] = {
      {kReadWrite, kReadWrite, true},
      {mode(Access::read_write, Share::deny_write), kReadOnly, true},
      {mode(Access::read_write, Share::deny_write), kReadWrite, false},
      {kReadWrite, mode(Access::read, Share::deny_write), false},
      {kReadOnly, mode(Access::read, Share::deny_write), true},
      {mode(Access::read, Share::deny_write), mode(Access::read, Share::deny_write), true},
      {mode(Access::read, Share::deny_all), kReadOnly, false},
      {kReadOnly, mode(Access::read, Share::deny_all), false},
      {mode(Access::read_write, Share::deny_read), kReadOnly, false},
      {kReadOnly, mode(Access::read_write, Share::deny_read), false},
  };
  int index = 0;
  for (const Case& c : cases) {
    auto first = open("f", c.first);
    int error = open_error("f", c.second);
    EXPECT_EQ(error, c.second_opens ? 0 : os::kSharingViolation) << "case " << index;
    ++index;
  }
}

TEST_P(FileSystemTest, ClosingTheDenyingHandleLiftsTheDenial) {
  write_file("f", "data");
  auto exclusive = open("f", mode(Access::read_write, Share::deny_write));
  EXPECT_EQ(open_error("f", mode(Access::read_write, Share::deny_none, Disposition::create_always)),
            os::kSharingViolation);
  EXPECT_EQ(read_all(*exclusive), "data") << "a refused create_always truncates nothing";
  exclusive.reset();
  EXPECT_EQ(open_error("f", kReadWrite), 0);
}

TEST_P(FileSystemTest, DirectoryQueriesAndChanges) {
  make_directory("d");
  write_file("d/b", "B");
  write_file("d/a", "A");
  make_directory("d/sub");
  EXPECT_EQ(fs_->list_directory(path("d")), (std::vector<std::string>{"a", "b", "sub"}));
  EXPECT_TRUE(fs_->list_directory(path("nowhere")).empty());
  EXPECT_TRUE(fs_->is_directory(path("d")));
  EXPECT_FALSE(fs_->is_directory(path("d/a")));
  EXPECT_TRUE(fs_->exists(path("d/a")));
  EXPECT_FALSE(fs_->exists(path("d/c")));

  EXPECT_EQ(fs_->rename(path("d/a"), path("d/b")), 0) << "rename replaces the target";
  EXPECT_EQ(read_all(*open("d/b", kReadOnly)), "A");
  EXPECT_FALSE(fs_->exists(path("d/a")));
  EXPECT_EQ(fs_->rename(path("d/a"), path("d/c")), ENOENT);
  EXPECT_EQ(fs_->rename(path("d/b"), path("nodir/c")), ENOTDIR);

  auto still_open = open("d/b", kReadOnly);
  EXPECT_EQ(fs_->remove(path("d/b")), 0);
  EXPECT_FALSE(fs_->exists(path("d/b")));
  EXPECT_EQ(read_all(*still_open), "A") << "an open handle keeps the removed file's data";
  EXPECT_EQ(fs_->remove(path("d/b")), ENOENT);
  EXPECT_EQ(fs_->remove(path("nodir/b")), ENOTDIR);
  EXPECT_EQ(fs_->remove(path("d")), ENOTEMPTY);
  EXPECT_EQ(fs_->remove(path("d/sub")), 0);
  EXPECT_EQ(fs_->remove(path("d")), 0);
  EXPECT_FALSE(fs_->exists(path("d")));
}

INSTANTIATE_TEST_SUITE_P(BothFileSystems, FileSystemTest, ::testing::Values("posix", "memory"),
                         [](const auto& info) { return info.param; });

}  // namespace
