// The disk's own limits, measured in the directory the stores use: what one
// durable flush costs, and how fast sequential writes reach the disk. Every
// commit of a crash-safe store is bounded below by its flushes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// A 4 KiB probe file whose one block is overwritten and flushed with
// fdatasync (the flush call the engine's file system makes). The block
// exists before the first timed flush, so a flush moves data, not the
// file's size.
class FlushProbe {
 public:
  FlushProbe() = default;
  ~FlushProbe();
  FlushProbe(const FlushProbe&) = delete;
  FlushProbe& operator=(const FlushProbe&) = delete;

  // Creates the probe file in `directory`. Returns "" or the reason.
  std::string open(const std::string& directory);
  // One overwrite and flush. Returns its seconds, or a negative value on
  // failure (the reason in error()).
  double flush_once();
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  std::string path_;
  std::string error_;
  uint32_t flips_ = 0;
};

struct FlushCost {
  std::string error;
  uint32_t flushes = 0;
  double seconds = 0;  // for all of them
  double median_seconds = 0;
  double per_flush() const { return flushes ? seconds / flushes : 0; }
};

// `count` probe flushes in a row.
FlushCost measure_flush(const std::string& directory, uint32_t count);

struct WriteBandwidth {
  std::string error;
  uint64_t bytes = 0;
  double seconds = 0;  // the writes and the final flush
  double bytes_per_second() const { return seconds > 0 ? bytes / seconds : 0; }
};

// Writes `bytes` to a new file in 1 MiB pieces and flushes it once.
WriteBandwidth measure_sequential_write(const std::string& directory, uint64_t bytes);

// One write (length > 0) or flush (length 0) through the handle numbered
// `handle`, as a store did it.
struct DiskOperation {
  uint32_t handle = 0;
  uint64_t offset = 0;
  uint32_t length = 0;
};

// The same disk work without the store: a store's writes (same handles,
// offsets and lengths) and flushes, in the same order, on copies of its
// files. What is left is what the disk charges for the work the store
// chose to do; the store's own time beyond it is its overhead.
class RawReplay {
 public:
  explicit RawReplay(std::string directory) : directory_(std::move(directory)) {}
  ~RawReplay();
  RawReplay(const RawReplay&) = delete;
  RawReplay& operator=(const RawReplay&) = delete;

  // `paths[handle]` names the store's file behind each handle; a handle's
  // copy is made the first time it is written. Returns the seconds the
  // operations took, or a negative value on failure (the reason in error()).
  double run(const std::vector<DiskOperation>& operations, const std::vector<std::string>& paths);
  const std::string& error() const { return error_; }

 private:
  int copy_of(uint32_t handle, const std::vector<std::string>& paths);

  std::string directory_;
  std::vector<int> fds_;
  std::vector<std::string> copies_;
  std::vector<uint8_t> bytes_;
  std::string error_;
};

}  // namespace bench
