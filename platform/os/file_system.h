// The operating-system file services the storage engine uses, behind one
// interface. Every byte the engine reads or writes, every flush, every
// byte-range lock and every open goes through a FileSystem, so tests can swap
// in a file system that fails, shortens or tears chosen writes and simulates
// crashes (see platform/os/fault_file_system.h).
//
// Error convention: 0 is success, otherwise a positive errno value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace os {

enum class Access { read, read_write };

// Windows-style sharing: what other handles on the same file may do meanwhile.
enum class Share { deny_none, deny_write, deny_read, deny_all };

enum class Disposition {
  open_existing,  // fail with ENOENT when missing
  open_always,    // create when missing
  create_always,  // create, or truncate an existing file to zero length;
                  // needs Access::read_write (EINVAL otherwise)
};

struct OpenMode {
  Access access = Access::read;
  Share share = Share::deny_none;
  Disposition disposition = Disposition::open_existing;
};

// Error returned when a sharing mode refuses an open (the engine reports it as 5).
inline constexpr int kSharingViolation = 0x7fff0020;

// Lock offsets from here up belong to the file system itself (it records the
// sharing modes of open handles there); try_lock refuses them with EINVAL.
inline constexpr uint64_t kReservedLockOffset = uint64_t{1} << 62;

class File {
 public:
  virtual ~File() = default;
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads up to `length` bytes at `offset` into `buffer`. Returns the number
  // of bytes read (fewer at end of file), or -errno.
  virtual int64_t read_at(uint64_t offset, void* buffer, size_t length) = 0;
  // Writes `length` bytes at `offset`, zero-filling any gap past the end.
  // Returns the number written (fewer on a short write), or -errno; EBADF on
  // a read-only handle.
  virtual int64_t write_at(uint64_t offset, const void* buffer, size_t length) = 0;
  // Makes every completed write durable. 0 or errno. A failed flush must be
  // treated as lost data: the kernel may have dropped the dirty pages and
  // forgets the failure once reported. So a handle whose flush failed keeps
  // failing every later flush with the same error; only a fresh handle (after
  // the caller has rewritten what it needs) can flush again.
  virtual int flush() = 0;
  // Current size in bytes, or -errno.
  virtual int64_t size() = 0;
  // Sets the size to `length`, cutting or zero-extending. 0 or errno; EBADF
  // on a read-only handle.
  virtual int truncate(uint64_t length) = 0;

  // Exclusive byte-range lock owned by this handle (not by the process): two
  // handles of one process exclude each other. Never waits. Returns 0, EAGAIN
  // when another handle holds an overlapping lock, or another errno.
  // On a read-only handle the lock is taken shared: it still excludes every
  // writable handle's lock on the same bytes, but not another read-only
  // handle's. Locking bytes this handle already holds succeeds.
  // REQUIRES: length > 0 and offset + length <= kReservedLockOffset (EINVAL).
  virtual int try_lock(uint64_t offset, uint64_t length) = 0;
  // Releases this handle's locks inside the range (locked bytes outside it
  // stay locked); unlocking bytes not held is not an error. 0 or errno.
  // Closing the handle releases all its locks.
  virtual int unlock(uint64_t offset, uint64_t length) = 0;

  virtual bool writable() const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens `path`. On success stores the handle in *out and returns 0;
  // otherwise returns errno, or kSharingViolation when the sharing modes of
  // handles already open refuse this one. A missing file is ENOENT, a missing
  // or non-directory parent ENOTDIR, a directory EISDIR. create_always
  // truncates only after the sharing check has passed.
  virtual int open(const std::string& path, const OpenMode& mode, std::unique_ptr<File>* out) = 0;
  // Removes a file or an empty directory. Handles already open keep the
  // file's contents. 0 or errno.
  virtual int remove(const std::string& path) = 0;
  // Renames, replacing an existing file at `to`. 0 or errno.
  virtual int rename(const std::string& from, const std::string& to) = 0;
  virtual bool exists(const std::string& path) = 0;
  virtual bool is_directory(const std::string& path) = 0;
  // Names (not paths) of the entries of a directory, sorted; empty on error.
  virtual std::vector<std::string> list_directory(const std::string& path) = 0;
};

// The process's real file system (POSIX).
FileSystem& real_file_system();

}  // namespace os
