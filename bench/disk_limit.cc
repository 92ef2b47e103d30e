#include "bench/disk_limit.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kFlushBlock = 4096;
constexpr size_t kWritePiece = 1 << 20;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string os_failure(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool write_fully(int fd, const uint8_t* data, size_t length, uint64_t offset) {
  while (length > 0) {
    ssize_t n = ::pwrite(fd, data, length, off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    length -= size_t(n);
    offset += uint64_t(n);
  }
  return true;
}

}  // namespace

FlushProbe::~FlushProbe() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
}

std::string FlushProbe::open(const std::string& directory) {
  path_ = directory + "/flush-probe";
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) return error_ = os_failure("open flush probe");
  std::vector<uint8_t> block(kFlushBlock, 0x5A);
  if (!write_fully(fd_, block.data(), block.size(), 0) || ::fdatasync(fd_) != 0) {
    error_ = os_failure("prepare flush probe");
  }
  return error_;
}

double FlushProbe::flush_once() {
  if (fd_ < 0 || !error_.empty()) return -1;
  std::vector<uint8_t> block(kFlushBlock, uint8_t(++flips_));  // new bytes each time
  Clock::time_point start = Clock::now();
  if (!write_fully(fd_, block.data(), block.size(), 0) || ::fdatasync(fd_) != 0) {
    error_ = os_failure("write and flush");
    return -1;
  }
  return seconds_since(start);
}

FlushCost measure_flush(const std::string& directory, uint32_t count) {
  FlushCost cost;
  FlushProbe probe;
  cost.error = probe.open(directory);
  std::vector<double> samples;
  samples.reserve(count);
  for (uint32_t i = 0; i < count && cost.error.empty(); ++i) {
    double seconds = probe.flush_once();
    if (seconds < 0) {
      cost.error = probe.error();
    } else {
      samples.push_back(seconds);
      cost.seconds += seconds;
    }
  }
  cost.flushes = uint32_t(samples.size());
  if (!samples.empty()) {
    std::sort(samples.begin(), samples.end());
    cost.median_seconds = samples[samples.size() / 2];
  }
  return cost;
}

WriteBandwidth measure_sequential_write(const std::string& directory, uint64_t bytes) {
  WriteBandwidth bandwidth;
  std::string path = directory + "/write-probe";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    bandwidth.error = os_failure("open write probe");
    return bandwidth;
  }
  std::vector<uint8_t> piece(kWritePiece);
  for (size_t i = 0; i < piece.size(); ++i) piece[i] = uint8_t(i * 131 + 7);
  Clock::time_point start = Clock::now();
  uint64_t offset = 0;
  while (offset < bytes && bandwidth.error.empty()) {
    size_t length = size_t(std::min<uint64_t>(kWritePiece, bytes - offset));
    if (!write_fully(fd, piece.data(), length, offset)) bandwidth.error = os_failure("write");
    offset += length;
  }
  if (bandwidth.error.empty() && ::fdatasync(fd) != 0) bandwidth.error = os_failure("flush");
  bandwidth.seconds = seconds_since(start);
  bandwidth.bytes = offset;
  ::close(fd);
  ::unlink(path.c_str());
  return bandwidth;
}

RawReplay::~RawReplay() {
  for (int fd : fds_)
    if (fd >= 0) ::close(fd);
  for (const std::string& path : copies_) ::unlink(path.c_str());
}

int RawReplay::copy_of(uint32_t handle, const std::vector<std::string>& paths) {
  if (handle < fds_.size() && fds_[handle] >= 0) return fds_[handle];
  if (handle >= paths.size()) {
    error_ = "no file for handle " + std::to_string(handle);
    return -1;
  }
  if (fds_.size() <= handle) fds_.resize(handle + 1, -1);
  const std::string copy = directory_ + "/replay-" + std::to_string(handle);
  std::error_code failed;
  std::filesystem::copy_file(paths[handle], copy, std::filesystem::copy_options::overwrite_existing, failed);
  if (failed) {
    error_ = "copy " + paths[handle] + ": " + failed.message();
    return -1;
  }
  copies_.push_back(copy);
  // The copy reaches the disk before any timed flush.
  fds_[handle] = ::open(copy.c_str(), O_RDWR | O_CLOEXEC);
  if (fds_[handle] < 0 || ::fsync(fds_[handle]) != 0) {
    error_ = os_failure("open copy");
    return -1;
  }
  return fds_[handle];
}

double RawReplay::run(const std::vector<DiskOperation>& operations, const std::vector<std::string>& paths) {
  for (const DiskOperation& op : operations) {
    if (copy_of(op.handle, paths) < 0) return -1;
    if (op.length > bytes_.size()) bytes_.resize(op.length, 0xA5);
  }
  const Clock::time_point start = Clock::now();
  for (const DiskOperation& op : operations) {
    const int fd = fds_[op.handle];
    const bool done = op.length ? write_fully(fd, bytes_.data(), op.length, op.offset) : ::fdatasync(fd) == 0;
    if (!done) {
      error_ = os_failure(op.length ? "write" : "flush");
      return -1;
    }
  }
  return seconds_since(start);
}

}  // namespace bench
