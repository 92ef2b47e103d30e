// Other stations for lock tests: forked processes that open the same file
// on the real file system, so that every lock conflict is one between
// processes, as between two machines.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/os/file_system.h"
#include "tps/page/file_object.h"

namespace tps::testing {

inline OpenOptions shared_read_write() {
  OpenOptions options;
  options.write = true;
  options.create = true;
  return options;
}

// Runs `body` in a child process and returns its exit code (-1 when it did
// not exit normally). The child never returns into the test.
inline int in_other_process(const std::function<int()>& body) {
  pid_t child = fork();
  if (child == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
    }
    _exit(code);
  }
  if (child < 0) return -1;
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether another station opening `path` gets the lock `take` asks for
// (without waiting).
inline bool other_station_gets(const std::string& path,
                               const std::function<int(StationLocks&)>& take) {
  int code = in_other_process([&] {
    FileObject file(os::real_file_system(), path);
    if (file.open(shared_read_write()) != 0) return 2;
    return take(file.locks()) == 0 ? 0 : 1;
  });
  return code == 0;
}

inline bool other_station_gets_number(const std::string& path, uint32_t number) {
  return other_station_gets(path, [&](StationLocks& locks) { return locks.take_number(number); });
}

// A station in another process that holds something until released: the
// child runs `work` with a Handshake, which tells the parent when the child
// is ready and lets the child wait for the parent's release.
class ChildStation {
 public:
  class Handshake {
   public:
    Handshake(int ready_fd, int release_fd) : ready_fd_(ready_fd), release_fd_(release_fd) {}
    void ready() {
      char c = 'r';
      [[maybe_unused]] auto n = write(ready_fd_, &c, 1);
    }
    void wait_for_release() {
      char c;
      [[maybe_unused]] auto n = read(release_fd_, &c, 1);
    }

   private:
    int ready_fd_;
    int release_fd_;
  };

  explicit ChildStation(const std::function<int(Handshake&)>& work) {
    signal(SIGPIPE, SIG_IGN);  // a release after the child's end is harmless
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      Handshake handshake(ready[1], release[0]);
      int code = 99;
      try {
        code = work(handshake);
      } catch (...) {
      }
      _exit(code);
    }
    close(ready[1]);
    close(release[0]);
    ready_fd_ = ready[0];
    release_fd_ = release[1];
  }
  ~ChildStation() {
    if (pid_ > 0 && !finished_) {
      release();
      finish();
    }
    if (ready_fd_ >= 0) close(ready_fd_);
    if (release_fd_ >= 0) close(release_fd_);
  }
  ChildStation(const ChildStation&) = delete;
  ChildStation& operator=(const ChildStation&) = delete;

  // Waits until the child is ready; false when it ended without saying so.
  bool ready() {
    char c;
    return pid_ > 0 && read(ready_fd_, &c, 1) == 1;
  }
  void release() {
    char c = 'g';
    [[maybe_unused]] auto n = write(release_fd_, &c, 1);
  }
  // Waits for the child's end: its exit code, -1 when it did not exit.
  int finish() {
    if (pid_ <= 0 || finished_) return -1;
    finished_ = true;
    int status = 0;
    waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int ready_fd_ = -1;
  int release_fd_ = -1;
  bool finished_ = false;
};

}  // namespace tps::testing
