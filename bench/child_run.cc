#include "bench/child_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace bench {

namespace {

// The result as it travels through the pipe: fixed size, no pointers.
struct WireResult {
  char error[512];
  double seconds;
  double cpu_seconds;
  double median_seconds;
  double p99_seconds;
  uint64_t operations;
  uint64_t bytes_on_disk;
  uint32_t flushes;
  double flush_seconds;
  double flush_median_seconds;
  BuildFigures build;
};

WireResult to_wire(const WorkloadResult& r) {
  WireResult w{};
  std::snprintf(w.error, sizeof w.error, "%s", r.error.c_str());
  w.seconds = r.seconds;
  w.cpu_seconds = r.cpu_seconds;
  w.median_seconds = r.median_seconds;
  w.p99_seconds = r.p99_seconds;
  w.operations = r.operations;
  w.bytes_on_disk = r.bytes_on_disk;
  w.flushes = r.flushes;
  w.flush_seconds = r.flush_seconds;
  w.flush_median_seconds = r.flush_median_seconds;
  w.build = r.build;
  return w;
}

WorkloadResult from_wire(const WireResult& w) {
  WorkloadResult r;
  r.error = w.error;
  r.seconds = w.seconds;
  r.cpu_seconds = w.cpu_seconds;
  r.median_seconds = w.median_seconds;
  r.p99_seconds = w.p99_seconds;
  r.operations = w.operations;
  r.bytes_on_disk = w.bytes_on_disk;
  r.flushes = w.flushes;
  r.flush_seconds = w.flush_seconds;
  r.flush_median_seconds = w.flush_median_seconds;
  r.build = w.build;
  return r;
}

bool write_all(int fd, const void* data, size_t length) {
  const char* p = static_cast<const char*>(data);
  while (length > 0) {
    ssize_t n = ::write(fd, p, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    length -= size_t(n);
  }
  return true;
}

bool read_all(int fd, void* data, size_t length) {
  char* p = static_cast<char*>(data);
  while (length > 0) {
    ssize_t n = ::read(fd, p, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    length -= size_t(n);
  }
  return true;
}

WorkloadResult failure(const std::string& text) {
  WorkloadResult r;
  r.error = text;
  return r;
}

}  // namespace

WorkloadResult run_in_child(const std::function<WorkloadResult()>& workload) {
  int fds[2];
  if (::pipe(fds) != 0) return failure(std::string("pipe: ") + std::strerror(errno));
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return failure(std::string("fork: ") + std::strerror(errno));
  }
  if (pid == 0) {
    ::close(fds[0]);
    WireResult wire = to_wire(workload());
    bool sent = write_all(fds[1], &wire, sizeof wire);
    ::_exit(sent ? 0 : 1);
  }
  ::close(fds[1]);
  WireResult wire;
  bool received = read_all(fds[0], &wire, sizeof wire);
  ::close(fds[0]);
  int status = 0;
  struct rusage usage {};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  WorkloadResult result;
  if (!received) {
    result = failure(WIFSIGNALED(status) ? "child killed by signal " + std::to_string(WTERMSIG(status))
                                         : std::string("child ended without a result"));
  } else {
    result = from_wire(wire);
  }
  result.peak_kib = usage.ru_maxrss;
  return result;
}

}  // namespace bench
