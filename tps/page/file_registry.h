// The registry of open file objects, keyed by file name without regard to
// letter case, so that every table opened in one physical file shares one
// file object, one cache and one set of locks.
//
// Tables declared THREAD use the registry of their thread; all others the
// process-wide one. Each registry works on one file system (the real one,
// or a test's).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "tps/page/file_object.h"

namespace tps {

class FileRegistry {
 public:
  explicit FileRegistry(os::FileSystem& fs) : fs_(fs) {}
  ~FileRegistry();
  FileRegistry(const FileRegistry&) = delete;
  FileRegistry& operator=(const FileRegistry&) = delete;

  static FileRegistry& process();
  static FileRegistry& this_thread();
  // Makes the process and thread registries created from now on use `fs`
  // (tests); nullptr restores the real file system.
  static void use_file_system(os::FileSystem* fs);

  // Opens `name` or shares the file object already open under that name.
  // A second open with a different mode reopens the handle with the merged
  // mode (see merge_options). Returns 0 or the open's error number.
  int acquire(const std::string& name, const OpenOptions& options, FileObject** out);
  // Gives up one use; the last commits, releases every lock and closes.
  void release(FileObject* file);

  size_t open_files() const { return files_.size(); }
  os::FileSystem& file_system() const { return fs_; }

  // Access: the same stays, a difference becomes read/write. Sharing: the
  // same stays, deny-none yields to the other side, any other difference
  // becomes deny-all.
  static OpenOptions merge_options(const OpenOptions& held, const OpenOptions& wanted);

 private:
  struct Entry {
    std::unique_ptr<FileObject> file;
    int uses = 0;
  };
  static std::string key_of(const std::string& name);

  os::FileSystem& fs_;
  std::map<std::string, Entry> files_;
};

}  // namespace tps
