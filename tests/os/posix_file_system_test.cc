// The real file system between processes: stations on one machine are
// separate processes, and a station that dies must not leave its locks.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/os/file_system.h"
#include "tests/support/support.h"

namespace {

using os::Access;
using os::Disposition;
using os::OpenMode;
using os::Share;

constexpr uint64_t kUpdateByte = (uint64_t{1} << 31) + 1023;

const OpenMode kReadWrite{Access::read_write, Share::deny_none, Disposition::open_always};

std::unique_ptr<os::File> open_file(const std::string& path, const OpenMode& mode) {
  std::unique_ptr<os::File> file;
  EXPECT_EQ(os::real_file_system().open(path, mode, &file), 0);
  return file;
}

// Runs `body` in a child process; returns its result (0..255), or -1 when it
// did not exit normally.
template <typename Body>
int in_child(Body body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int child_try_lock(const std::string& path, uint64_t offset) {
  std::unique_ptr<os::File> file;
  if (os::real_file_system().open(path, kReadWrite, &file) != 0) return 100;
  return file->try_lock(offset, 1) == 0 ? 0 : 1;
}

TEST(PosixFileSystem, LocksAndSharingHoldAgainstAnotherProcess) {
  testing_support::TempDir dir;
  const std::string path = dir.file("station.tps");
  auto file = open_file(path, {Access::read_write, Share::deny_write, Disposition::open_always});
  ASSERT_EQ(file->try_lock(kUpdateByte, 1), 0);

  EXPECT_EQ(in_child([&] {
              std::unique_ptr<os::File> other;
              return os::real_file_system().open(path, kReadWrite, &other) == os::kSharingViolation ? 0 : 1;
            }),
            0);
  EXPECT_EQ(in_child([&] {
              std::unique_ptr<os::File> reader;
              if (os::real_file_system().open(path, {Access::read}, &reader) != 0) return 100;
              return reader->try_lock(kUpdateByte, 1) == EAGAIN ? 0 : 1;
            }),
            0);

  ASSERT_EQ(file->unlock(kUpdateByte, 1), 0);
  EXPECT_EQ(in_child([&] { return child_try_lock(path, kUpdateByte); }), 100) << "still denied";
  file.reset();
  EXPECT_EQ(in_child([&] { return child_try_lock(path, kUpdateByte); }), 0);
}

TEST(PosixFileSystem, ADeadProcessLeavesNoLocks) {
  testing_support::TempDir dir;
  const std::string path = dir.file("station.tps");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t pid = fork();
  if (pid == 0) {
    std::unique_ptr<os::File> file;
    char ok = os::real_file_system().open(path, kReadWrite, &file) == 0 && file->try_lock(kUpdateByte, 1) == 0;
    (void)!write(ready[1], &ok, 1);
    pause();  // holds the lock until killed
    _exit(0);
  }
  ASSERT_GT(pid, 0);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_TRUE(ok);
  auto file = open_file(path, kReadWrite);
  EXPECT_EQ(file->try_lock(kUpdateByte, 1), EAGAIN);

  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(file->try_lock(kUpdateByte, 1), 0);
}

// Classic process-owned POSIX locks would be dropped here by closing an
// unrelated descriptor of the same file.
TEST(PosixFileSystem, ClosingAnotherHandleKeepsALock) {
  testing_support::TempDir dir;
  const std::string path = dir.file("station.tps");
  auto holder = open_file(path, kReadWrite);
  ASSERT_EQ(holder->try_lock(kUpdateByte, 1), 0);
  open_file(path, {Access::read}).reset();
  EXPECT_EQ(in_child([&] { return child_try_lock(path, kUpdateByte); }), 1);
  EXPECT_EQ(open_file(path, kReadWrite)->try_lock(kUpdateByte, 1), EAGAIN);
}

TEST(PosixFileSystem, HandlesAreNotInheritedAcrossExec) {
  testing_support::TempDir dir;
  auto file = open_file(dir.file("f"), kReadWrite);
  int descriptors_of_file = 0;
  for (int fd = 3; fd < 1024; ++fd) {
    char link[4096];
    ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), link, sizeof link);
    if (n <= 0 || std::string(link, n) != dir.file("f")) continue;
    ++descriptors_of_file;
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC) << "a started program would hold the file's locks";
  }
  EXPECT_EQ(descriptors_of_file, 1);
}

}  // namespace
