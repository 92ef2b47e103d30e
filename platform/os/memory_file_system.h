// A complete file system held in memory, behaving like the real one where
// the engine can tell: files are byte vectors shared by every handle of the
// file, byte-range locks belong to handles (shared on read-only handles,
// exclusive otherwise), sharing modes refuse conflicting opens, and a missing
// parent directory is ENOTDIR. Used by unit tests, crash tests (under a
// FaultFileSystem) and the fuzz targets, which open arbitrary bytes as a file.
//
// Paths use '/'; empty and "." components are ignored and ".." steps up, so
// "a//b", "./a/b" and "/a/b" all name the same file below one root.
// Thread-safe; handles stay valid after the file system object is gone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/file_system.h"

namespace os {

class MemoryFileSystem final : public FileSystem {
 public:
  // Files never grow past this by default: a fuzzed offset must not turn
  // into gigabytes of memory.
  static constexpr uint64_t kDefaultMaxFileSize = uint64_t{256} << 20;

  MemoryFileSystem();
  ~MemoryFileSystem() override;

  int open(const std::string& path, const OpenMode& mode, std::unique_ptr<File>* out) override;
  int remove(const std::string& path) override;
  int rename(const std::string& from, const std::string& to) override;
  bool exists(const std::string& path) override;
  bool is_directory(const std::string& path) override;
  std::vector<std::string> list_directory(const std::string& path) override;

  // Creates a directory, as mkdir: 0, EEXIST, ENOENT (missing parent) or
  // ENOTDIR (parent is a file).
  int make_directory(const std::string& path);

  // Test accessors.
  // The bytes of the file at `path`; empty when there is no such file.
  std::vector<uint8_t> contents(const std::string& path) const;
  // Creates the file or replaces its bytes, whatever handles are open on it
  // (they see the new bytes). 0, or the errno open_always would give.
  int set_contents(const std::string& path, std::vector<uint8_t> bytes);
  // A read-only file refuses read/write opens with EACCES, like a file
  // without write permission. REQUIRES: the file exists (else ENOENT).
  int set_read_only(const std::string& path, bool read_only);
  // Writes reaching past `bytes` are cut short there, or fail with EFBIG
  // when they start there (like a file size limit); so does truncate.
  void set_max_file_size(uint64_t bytes);

  struct State;  // shared with the handles

 private:
  int open_locked(const std::string& path, const OpenMode& mode, std::unique_ptr<File>* out);

  std::shared_ptr<State> state_;
};

}  // namespace os
