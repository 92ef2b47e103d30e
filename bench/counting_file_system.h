// The real file system, counting the files it creates, the bytes written
// and the flushes: handed to a key build as the home of its sort runs, it
// tells how many runs spilled to temporary files and how large they were;
// under the table's file object, what the build's checkpoints wrote.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/disk_limit.h"
#include "platform/os/file_system.h"

namespace bench {

class CountingFileSystem final : public os::FileSystem {
 public:
  int open(const std::string& path, const os::OpenMode& mode, std::unique_ptr<os::File>* out) override;
  int remove(const std::string& path) override;
  int rename(const std::string& from, const std::string& to) override;
  bool exists(const std::string& path) override;
  bool is_directory(const std::string& path) override;
  std::vector<std::string> list_directory(const std::string& path) override;

  // Files opened with create_always.
  uint32_t files_created() const { return files_created_; }
  // Through every handle this file system gave out: bytes written, writes
  // and flushes.
  uint64_t bytes_written() const { return totals_.bytes_written; }
  uint64_t writes() const { return totals_.writes; }
  uint32_t flushes() const { return totals_.flushes; }

  struct Totals {
    uint64_t bytes_written = 0;
    uint64_t writes = 0;
    uint32_t flushes = 0;
  };
  const Totals& totals() const { return totals_; }

  // While recording, every write and flush is also noted in order, with the
  // handle it went through (handles numbered as opened), so that the same
  // disk work can be replayed without the engine.
  void record(bool on) { recording_ = on; }
  std::vector<DiskOperation> take_operations() { return std::exchange(operations_, {}); }
  // The path each handle was opened with.
  const std::vector<std::string>& paths() const { return paths_; }

  // Called by the handles.
  void note_write(uint32_t handle, uint64_t offset, int64_t written);
  void note_flush(uint32_t handle);

 private:
  uint32_t files_created_ = 0;
  Totals totals_;
  bool recording_ = false;
  std::vector<DiskOperation> operations_;
  std::vector<std::string> paths_;
};

}  // namespace bench
