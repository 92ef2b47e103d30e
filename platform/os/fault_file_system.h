// A FileSystem wrapper that counts and sabotages I/O, for crash and I/O-error
// tests: it can fail, shorten or tear chosen writes, fail reads and flushes,
// and simulate a crash of the machine, with or without the loss of data the
// disk cache held but had not yet flushed.
//
// Counting: every read_at, every write_at or truncate (both "writes": both
// change the file) and every flush of every handle is numbered from 1 since
// the last reset_counters(). A test typically runs an operation once to learn
// writes(), then repeats it from the same starting files with a crash at
// write 1, 2, ... writes() and checks what the next station would see.
//
// Durability model: writes reach the inner file system at once (a crashed
// process leaves them in the operating system's cache, so a plain crash keeps
// them). Each file keeps a log of the changes made since its last successful
// flush; a power-loss crash drops a random (seeded) subset of each file's
// logged changes, as a disk cache losing unflushed data in any order would.
// Directory operations (open with create, remove, rename) count as durable
// at once. Files are known by the path they were opened with. Dropped
// changes are taken back through a fresh read/write handle of the inner file
// system after this wrapper's handles are gone; a file that another station
// holds open with a denying sharing mode keeps them.
//
// The inner file system must outlive the wrapper and its handles.
#pragma once

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/file_system.h"

namespace os {

class FaultFileSystem final : public FileSystem {
 public:
  enum class Op { read, write, flush };

  // How the write at which a crash happens reaches the file.
  enum class Tear {
    none,     // not at all
    sectors,  // its first `kept` 512-byte disk sectors (counted from the sector the write starts in)
    bytes,    // its first `kept` bytes
  };

  struct CrashPlan {
    uint64_t at_write = 0;  // 1-based write number; 0 plans nothing
    Tear tear = Tear::none;
    uint64_t kept = 0;      // sectors or bytes, per `tear`
    bool power_loss = false;
    uint64_t seed = 0;      // chooses the unflushed changes a power loss drops
  };

  static constexpr uint64_t kSectorSize = 512;

  explicit FaultFileSystem(FileSystem& inner);
  ~FaultFileSystem() override;

  int open(const std::string& path, const OpenMode& mode, std::unique_ptr<File>* out) override;
  int remove(const std::string& path) override;
  int rename(const std::string& from, const std::string& to) override;
  bool exists(const std::string& path) override;
  bool is_directory(const std::string& path) override;
  std::vector<std::string> list_directory(const std::string& path) override;

  // Operations counted since the last reset_counters().
  uint64_t reads() const;
  uint64_t writes() const;
  uint64_t flushes() const;
  void reset_counters();

  // The `nth` operation of kind `op` fails with `error` and changes nothing;
  // the ones after it run normally, except that a handle whose flush failed
  // keeps failing its flushes (see File::flush).
  void fail_once(Op op, uint64_t nth, int error = EIO);
  // The `nth` operation of kind `op` and every later one fail with `error`.
  void fail_from(Op op, uint64_t nth, int error = EIO);
  // When an injected flush failure hits, the file also loses its unflushed
  // changes at once, as when the kernel drops dirty pages after a write-back
  // error: a fresh handle's flush that succeeds does not bring them back.
  void set_flush_failure_loses_data(bool loses);
  // The `nth` write (a write_at) stores only its first `kept` bytes and
  // returns that count.
  void shorten_write(uint64_t nth, uint64_t kept);
  // Opening `path` (as given) fails with `error`; 0 removes the fault.
  void fail_open(const std::string& path, int error);
  // Removes every injected fault and a crash not yet happened.
  void clear_faults();

  // Plans a crash at a write (see CrashPlan); replaces an earlier plan.
  void plan_crash(const CrashPlan& plan);
  // Crashes now, between operations.
  void crash_now(bool power_loss = false, uint64_t seed = 0);
  // After a crash the machine is down: every operation of every handle and
  // of this file system fails with EIO (queries answer false or nothing) and
  // changes nothing; the handles' locks and sharing claims are gone.
  bool crashed() const;
  // Brings the machine back up for new opens; handles from before the
  // crash stay dead.
  void revive();

  struct Shared;  // state shared with the handles

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace os
