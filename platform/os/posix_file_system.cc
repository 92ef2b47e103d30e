// The real file system: POSIX calls, with byte-range locks and sharing modes
// built on Linux open-file-description (OFD) locks.
//
// OFD locks belong to the open file description, not to the process, so two
// handles of one process exclude each other exactly as two processes do, and
// closing a handle releases only that handle's locks (classic fcntl locks
// would be dropped by closing any descriptor of the file in the process).
//
// Sharing modes are recorded as shared locks on a few bytes from
// kReservedLockOffset, one byte per claim (reads, writes, denies read, denies
// write). An opener checks, with F_OFD_GETLK, whether some other handle holds
// a byte its own claim conflicts with. Opening takes an exclusive "gate"
// lock around record-and-check so that no two writable openers can both pass
// the check before either has recorded its claim. A read-only descriptor can
// only take the gate shared (fcntl refuses write locks on it); such openers
// record before they check, so two racing read-only openers that conflict
// may both be refused, but never both admitted.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/os/file_system.h"
#include "platform/os/sharing.h"

namespace os {
namespace {

// Sharing bytes, relative to kReservedLockOffset.
constexpr uint64_t kGateByte = 0;
constexpr uint64_t kReadsByte = 1;
constexpr uint64_t kWritesByte = 2;
constexpr uint64_t kDeniesReadByte = 3;
constexpr uint64_t kDeniesWriteByte = 4;

constexpr uint64_t kMaxOffset = static_cast<uint64_t>(INT64_MAX);

// fcntl on an OFD lock range; retries EINTR. Returns 0 or errno.
int lock_range(int fd, int command, short type, uint64_t offset, uint64_t length) {
  struct flock request {};
  request.l_type = type;
  request.l_whence = SEEK_SET;
  request.l_start = static_cast<off_t>(offset);
  request.l_len = static_cast<off_t>(length);
  request.l_pid = 0;  // required for OFD commands
  while (fcntl(fd, command, &request) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

int lock_sharing_byte(int fd, int command, short type, uint64_t byte) {
  return lock_range(fd, command, type, kReservedLockOffset + byte, 1);
}

// True when a handle other than `fd`'s holds any lock on the sharing byte.
// On error reports a conflict: refusing an open is the safe side.
bool sharing_byte_taken(int fd, uint64_t byte) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = static_cast<off_t>(kReservedLockOffset + byte);
  probe.l_len = 1;
  probe.l_pid = 0;
  while (fcntl(fd, F_OFD_GETLK, &probe) != 0) {
    if (errno != EINTR) return true;
  }
  return probe.l_type != F_UNLCK;
}

// Records `claim` on `fd` and checks it against every other handle of the
// file. Returns 0, kSharingViolation or errno. On failure the caller closes
// `fd`, which drops whatever was recorded.
int claim_sharing(int fd, const ShareClaim& claim) {
  int error = lock_sharing_byte(fd, F_OFD_SETLKW, claim.writes ? F_WRLCK : F_RDLCK, kGateByte);
  if (error) return error;
  const bool records[] = {claim.reads, claim.writes, claim.denies_read, claim.denies_write};
  const uint64_t record_bytes[] = {kReadsByte, kWritesByte, kDeniesReadByte, kDeniesWriteByte};
  for (int i = 0; i < 4 && !error; ++i) {
    if (records[i]) error = lock_sharing_byte(fd, F_OFD_SETLK, F_RDLCK, record_bytes[i]);
  }
  bool conflict = false;
  if (!error) {
    conflict = (claim.reads && sharing_byte_taken(fd, kDeniesReadByte)) ||
               (claim.writes && sharing_byte_taken(fd, kDeniesWriteByte)) ||
               (claim.denies_read && sharing_byte_taken(fd, kReadsByte)) ||
               (claim.denies_write && sharing_byte_taken(fd, kWritesByte));
  }
  lock_sharing_byte(fd, F_OFD_SETLK, F_UNLCK, kGateByte);
  if (error) return error;
  return conflict ? kSharingViolation : 0;
}

bool is_directory_path(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Returns `error`, except that ENOENT for a path whose parent directory is
// missing becomes ENOTDIR: POSIX reports a missing directory on the way like
// a missing file, and callers must tell "path not found" from "file not
// found".
int refine_missing(int error, const std::string& path) {
  if (error != ENOENT) return error;
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return ENOENT;
  std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  return is_directory_path(parent) ? ENOENT : ENOTDIR;
}

// ftruncate retrying EINTR. 0 or errno.
int truncate_fd(int fd, uint64_t length) {
  while (ftruncate(fd, static_cast<off_t>(length)) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

bool valid_lock_range(uint64_t offset, uint64_t length) {
  return length > 0 && offset < kReservedLockOffset && length <= kReservedLockOffset - offset;
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, bool writable) : fd_(fd), writable_(writable) {}
  ~PosixFile() override { close(fd_); }  // never retried: Linux frees fd_ even on EINTR

  int64_t read_at(uint64_t offset, void* buffer, size_t length) override {
    if (offset > kMaxOffset) return -EINVAL;
    length = std::min<size_t>(length, SSIZE_MAX);
    size_t done = 0;
    while (done < length) {
      ssize_t n = pread(fd_, static_cast<char*>(buffer) + done, length - done,
                        static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return done ? static_cast<int64_t>(done) : -errno;
      if (n == 0) break;  // end of file
      done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
  }

  int64_t write_at(uint64_t offset, const void* buffer, size_t length) override {
    if (!writable_) return -EBADF;
    if (offset > kMaxOffset) return -EFBIG;
    length = std::min<size_t>(length, SSIZE_MAX);
    size_t done = 0;
    while (done < length) {
      ssize_t n = pwrite(fd_, static_cast<const char*>(buffer) + done, length - done,
                         static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      // A partial write followed by a failure is a genuinely short write.
      if (n < 0) return done ? static_cast<int64_t>(done) : -errno;
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
  }

  int flush() override {
    if (flush_error_) return flush_error_;
    if (fdatasync(fd_) != 0) flush_error_ = errno;
    return flush_error_;
  }

  int64_t size() override {
    struct stat info {};
    if (fstat(fd_, &info) != 0) return -errno;
    return info.st_size;
  }

  int truncate(uint64_t length) override {
    if (!writable_) return EBADF;
    if (length > kMaxOffset) return EFBIG;
    return truncate_fd(fd_, length);
  }

  int try_lock(uint64_t offset, uint64_t length) override {
    if (!valid_lock_range(offset, length)) return EINVAL;
    int error = lock_range(fd_, F_OFD_SETLK, writable_ ? F_WRLCK : F_RDLCK, offset, length);
    return error == EACCES ? EAGAIN : error;
  }

  int unlock(uint64_t offset, uint64_t length) override {
    if (!valid_lock_range(offset, length)) return EINVAL;
    return lock_range(fd_, F_OFD_SETLK, F_UNLCK, offset, length);
  }

  bool writable() const override { return writable_; }

 private:
  int fd_;
  bool writable_;
  int flush_error_ = 0;  // sticky: see File::flush
};

class PosixFileSystem final : public FileSystem {
 public:
  int open(const std::string& path, const OpenMode& mode, std::unique_ptr<File>* out) override {
    const bool writable = mode.access == Access::read_write;
    if (mode.disposition == Disposition::create_always && !writable) return EINVAL;
    if (path.empty()) return ENOENT;
    int flags = O_CLOEXEC | (writable ? O_RDWR : O_RDONLY);
    if (mode.disposition != Disposition::open_existing) flags |= O_CREAT;
    int fd;
    while ((fd = ::open(path.c_str(), flags, 0666)) < 0) {
      if (errno == EINTR) continue;
      return refine_missing(errno, path);
    }
    int error = check_opened(fd, share_claim(mode));
    if (!error && mode.disposition == Disposition::create_always) error = truncate_fd(fd, 0);
    if (error) {
      close(fd);
      return error;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);  // a hint only: failure is harmless
    *out = std::make_unique<PosixFile>(fd, writable);
    return 0;
  }

  int remove(const std::string& path) override {
    return ::remove(path.c_str()) == 0 ? 0 : refine_missing(errno, path);
  }

  int rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) == 0) return 0;
    int error = refine_missing(errno, from);
    return error == ENOENT ? refine_missing(error, to) : error;
  }

  bool exists(const std::string& path) override {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
  }

  bool is_directory(const std::string& path) override { return is_directory_path(path); }

  std::vector<std::string> list_directory(const std::string& path) override {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  // A directory opened read-only is accepted by open(2); refuse it here.
  static int check_opened(int fd, const ShareClaim& claim) {
    struct stat info {};
    if (fstat(fd, &info) != 0) return errno;
    if (S_ISDIR(info.st_mode)) return EISDIR;
    return claim_sharing(fd, claim);
  }
};

}  // namespace

FileSystem& real_file_system() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace os
