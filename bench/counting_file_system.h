// The real file system, counting the files it creates, the bytes written
// and the flushes: handed to a key build as the home of its sort runs, it
// tells how many runs spilled to temporary files and how large they were;
// under the table's file object, what the build's checkpoints wrote.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

 private:
  uint32_t files_created_ = 0;
  Totals totals_;
};

}  // namespace bench
