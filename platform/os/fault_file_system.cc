#include "platform/os/fault_file_system.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <random>
#include <set>

namespace os {

namespace {

using Op = FaultFileSystem::Op;

// One change made to a file since its last successful flush, with what it
// replaced, so that any subset of a file's changes can be taken back.
struct Change {
  bool truncation = false;
  uint64_t offset = 0;             // where a write starts, or a truncation's new length
  std::vector<uint8_t> data;       // the bytes a write stored
  uint64_t old_size = 0;           // file size before the change
  std::vector<uint8_t> old_bytes;  // bytes the change overwrote or cut, from `offset`
};

struct FileLog {
  std::string path;  // current name; empty once the file was removed or replaced
  std::vector<Change> unflushed;
};

struct Fault {
  Op op;
  uint64_t nth;
  int error;
  bool persistent;
};

constexpr int op_index(Op op) { return static_cast<int>(op); }

// Returns `file` to its last flushed state, then reapplies, in their order,
// the changes whose `keep` entry is true. Errors are ignored: there is
// nobody left to report them to.
void rewind(File& file, const std::vector<Change>& changes, const std::vector<bool>& keep) {
  for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
    file.truncate(change->old_size);
    if (!change->old_bytes.empty()) file.write_at(change->offset, change->old_bytes.data(), change->old_bytes.size());
  }
  for (size_t i = 0; i < changes.size(); ++i) {
    if (!keep[i]) continue;
    const Change& change = changes[i];
    if (change.truncation) {
      file.truncate(change.offset);
    } else {
      file.write_at(change.offset, change.data.data(), change.data.size());
    }
  }
  file.flush();
}

class FaultFile;

}  // namespace

struct FaultFileSystem::Shared {
  explicit Shared(FileSystem& inner_system) : inner(inner_system) {}

  FileSystem& inner;
  std::mutex mutex;  // guards everything below and every call into handles
  uint64_t counts[3] = {};
  std::vector<Fault> faults;
  std::map<uint64_t, uint64_t> short_writes;  // write number -> bytes kept
  std::map<std::string, int> open_faults;
  bool flush_failure_loses_data = false;
  CrashPlan plan;
  bool down = false;
  std::map<std::string, std::shared_ptr<FileLog>> logs;  // by current path
  std::set<FaultFile*> files;                            // live handles

  // The error injected into the `nth` operation of kind `op`, or 0.
  int injected_error(Op op, uint64_t nth) const {
    for (const Fault& fault : faults) {
      if (fault.op == op && (fault.nth == nth || (fault.persistent && nth > fault.nth))) return fault.error;
    }
    return 0;
  }

  std::shared_ptr<FileLog> log_for(const std::string& path) {
    std::shared_ptr<FileLog>& log = logs[path];
    if (!log) log = std::make_shared<FileLog>(FileLog{path, {}});
    return log;
  }

  void detach_log(const std::string& path) {
    auto it = logs.find(path);
    if (it == logs.end()) return;
    it->second->path.clear();
    logs.erase(it);
  }

  // Takes back the changes of `log` not chosen by `keep`, through `through`
  // when given, else through a fresh handle of the file.
  void revert(FileLog& log, const std::vector<bool>& keep, File* through) {
    std::unique_ptr<File> opened;
    if (!through) {
      OpenMode mode{Access::read_write, Share::deny_none, Disposition::open_existing};
      if (log.path.empty() || inner.open(log.path, mode, &opened) != 0) return;
      through = opened.get();
    }
    rewind(*through, log.unflushed, keep);
    log.unflushed.clear();
  }

  File* writable_handle_of(const FileLog& log);
  void crash(bool power_loss, uint64_t seed);
};

namespace {

class FaultFile final : public File {
 public:
  FaultFile(std::shared_ptr<FaultFileSystem::Shared> shared, std::shared_ptr<FileLog> log,
            std::unique_ptr<File> inner)
      : shared_(std::move(shared)), log_(std::move(log)), inner_(std::move(inner)), writable_(inner_->writable()) {
    shared_->files.insert(this);  // the caller holds the mutex
  }

  ~FaultFile() override {
    std::lock_guard<std::mutex> guard(shared_->mutex);
    shared_->files.erase(this);
    inner_.reset();
  }

  int64_t read_at(uint64_t offset, void* buffer, size_t length) override {
    std::lock_guard<std::mutex> guard(shared_->mutex);
    if (!inner_) return -EIO;
    const uint64_t nth = ++shared_->counts[op_index(Op::read)];
    if (int error = shared_->injected_error(Op::read, nth)) return -error;
    return inner_->read_at(offset, buffer, length);
  }

  int64_t write_at(uint64_t offset, const void* buffer, size_t length) override {
    std::lock_guard<std::mutex> guard(shared_->mutex);
    if (!inner_) return -EIO;
    const uint64_t nth = ++shared_->counts[op_index(Op::write)];
    const FaultFileSystem::CrashPlan plan = shared_->plan;
    if (plan.at_write == nth) {
      const uint64_t torn = torn_length(plan, offset, length);
      if (torn) store(offset, buffer, torn);
      shared_->crash(plan.power_loss, plan.seed);
      return -EIO;
    }
    if (int error = shared_->injected_error(Op::write, nth)) return -error;
    auto shortened = shared_->short_writes.find(nth);
    if (shortened != shared_->short_writes.end()) length = std::min<uint64_t>(length, shortened->second);
    return store(offset, buffer, length);
  }

  int flush() override {
    std::lock_guard<std::mutex> guard(shared_->mutex);
    if (!inner_) return EIO;
    const uint64_t nth = ++shared_->counts[op_index(Op::flush)];
    if (flush_error_) return flush_error_;
    if (int error = shared_->injected_error(Op::flush, nth)) {
      if (shared_->flush_failure_loses_data) {
        shared_->revert(*log_, std::vector<bool>(log_->unflushed.size(), false), shared_->writable_handle_of(*log_));
      }
      return flush_error_ = error;
    }
    flush_error_ = inner_->flush();
    if (!flush_error_) log_->unflushed.clear();
    return flush_error_;
  }

  int64_t size() override {
    std::lock_guard<std::mutex> guard(shared_->mutex);
    return inner_ ? inner_->size() : -EIO;
  }

  int truncate(uint64_t length) override {
    std::lock_guard<std::mutex> guard(shared_->mutex);
    if (!inner_) return EIO;
    const uint64_t nth = ++shared_->counts[op_index(Op::write)];
    if (shared_->plan.at_write == nth) {  // a truncation is never torn: it is lost whole
      shared_->crash(shared_->plan.power_loss, shared_->plan.seed);
      return EIO;
    }
    if (int error = shared_->injected_error(Op::write, nth)) return error;
    Change change = capture(length, 0);
    change.truncation = true;
    if (change.old_size > length) change.old_bytes = read_bytes(length, change.old_size - length);
    int error = inner_->truncate(length);
    if (!error) log_->unflushed.push_back(std::move(change));
    return error;
  }

  int try_lock(uint64_t offset, uint64_t length) override {
    std::lock_guard<std::mutex> guard(shared_->mutex);
    return inner_ ? inner_->try_lock(offset, length) : EIO;
  }

  int unlock(uint64_t offset, uint64_t length) override {
    std::lock_guard<std::mutex> guard(shared_->mutex);
    return inner_ ? inner_->unlock(offset, length) : EIO;
  }

  bool writable() const override { return writable_; }

  // The machine went down: drop the inner handle with its locks and claims.
  void kill() { inner_.reset(); }
  bool alive() const { return inner_ != nullptr; }
  const FileLog* log() const { return log_.get(); }
  File* inner() { return inner_.get(); }

 private:
  static uint64_t torn_length(const FaultFileSystem::CrashPlan& plan, uint64_t offset, uint64_t length) {
    using Tear = FaultFileSystem::Tear;
    if (plan.tear == Tear::bytes) return std::min(plan.kept, length);
    if (plan.tear != Tear::sectors) return 0;
    const uint64_t first_sector = offset / FaultFileSystem::kSectorSize;
    const uint64_t end = (first_sector + plan.kept) * FaultFileSystem::kSectorSize;
    return end > offset ? std::min(end - offset, length) : 0;
  }

  std::vector<uint8_t> read_bytes(uint64_t offset, uint64_t length) {
    std::vector<uint8_t> bytes(length);
    int64_t got = length ? inner_->read_at(offset, bytes.data(), length) : 0;
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
  }

  // A change record for a write of `length` bytes at `offset`.
  Change capture(uint64_t offset, uint64_t length) {
    Change change;
    change.offset = offset;
    int64_t size = inner_->size();
    change.old_size = size > 0 ? static_cast<uint64_t>(size) : 0;
    if (offset < change.old_size) change.old_bytes = read_bytes(offset, std::min(length, change.old_size - offset));
    return change;
  }

  // Writes through to the inner file and logs what reached it.
  int64_t store(uint64_t offset, const void* buffer, uint64_t length) {
    Change change = capture(offset, length);
    int64_t written = inner_->write_at(offset, buffer, length);
    if (written > 0) {
      const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
      change.data.assign(bytes, bytes + written);
      log_->unflushed.push_back(std::move(change));
    }
    return written;
  }

  std::shared_ptr<FaultFileSystem::Shared> shared_;
  std::shared_ptr<FileLog> log_;
  std::unique_ptr<File> inner_;
  bool writable_;
  int flush_error_ = 0;  // sticky, as File::flush requires
};

}  // namespace

File* FaultFileSystem::Shared::writable_handle_of(const FileLog& log) {
  for (FaultFile* file : files) {
    if (file->alive() && file->writable() && file->log() == &log) return file->inner();
  }
  return nullptr;
}

void FaultFileSystem::Shared::crash(bool power_loss, uint64_t seed) {
  down = true;
  plan = CrashPlan{};
  for (FaultFile* file : files) file->kill();
  std::mt19937_64 random(seed);
  for (auto& [path, log] : logs) {
    if (power_loss && !log->unflushed.empty()) {
      std::vector<bool> keep;
      for (size_t i = 0; i < log->unflushed.size(); ++i) keep.push_back(random() & 1);
      revert(*log, keep, nullptr);
    }
    log->unflushed.clear();  // what survived is on disk now
  }
}

FaultFileSystem::FaultFileSystem(FileSystem& inner) : shared_(std::make_shared<Shared>(inner)) {}
FaultFileSystem::~FaultFileSystem() = default;

int FaultFileSystem::open(const std::string& path, const OpenMode& mode, std::unique_ptr<File>* out) {
  std::unique_ptr<File> opened;
  {
    std::lock_guard<std::mutex> guard(shared_->mutex);
    if (shared_->down) return EIO;
    auto fault = shared_->open_faults.find(path);
    if (fault != shared_->open_faults.end()) return fault->second;
    std::unique_ptr<File> inner;
    if (int error = shared_->inner.open(path, mode, &inner)) return error;
    std::shared_ptr<FileLog> log = shared_->log_for(path);
    // Truncation on open counts as durable at once, like the creation of a file.
    if (mode.disposition == Disposition::create_always) log->unflushed.clear();
    opened = std::make_unique<FaultFile>(shared_, std::move(log), std::move(inner));
  }
  *out = std::move(opened);  // outside the lock: a handle replaced in *out takes it to close
  return 0;
}

int FaultFileSystem::remove(const std::string& path) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  if (shared_->down) return EIO;
  int error = shared_->inner.remove(path);
  if (!error) shared_->detach_log(path);
  return error;
}

int FaultFileSystem::rename(const std::string& from, const std::string& to) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  if (shared_->down) return EIO;
  int error = shared_->inner.rename(from, to);
  if (error || from == to) return error;
  shared_->detach_log(to);
  std::vector<std::pair<std::string, std::shared_ptr<FileLog>>> moved;
  for (auto it = shared_->logs.begin(); it != shared_->logs.end();) {
    const std::string& path = it->first;
    if (path == from || path.compare(0, from.size() + 1, from + "/") == 0) {
      moved.emplace_back(to + path.substr(from.size()), it->second);
      it = shared_->logs.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& [path, log] : moved) {
    log->path = path;
    shared_->logs[path] = log;
  }
  return 0;
}

bool FaultFileSystem::exists(const std::string& path) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  return !shared_->down && shared_->inner.exists(path);
}

bool FaultFileSystem::is_directory(const std::string& path) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  return !shared_->down && shared_->inner.is_directory(path);
}

std::vector<std::string> FaultFileSystem::list_directory(const std::string& path) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  if (shared_->down) return {};
  return shared_->inner.list_directory(path);
}

uint64_t FaultFileSystem::reads() const {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  return shared_->counts[op_index(Op::read)];
}

uint64_t FaultFileSystem::writes() const {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  return shared_->counts[op_index(Op::write)];
}

uint64_t FaultFileSystem::flushes() const {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  return shared_->counts[op_index(Op::flush)];
}

void FaultFileSystem::reset_counters() {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  for (uint64_t& count : shared_->counts) count = 0;
}

void FaultFileSystem::fail_once(Op op, uint64_t nth, int error) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  shared_->faults.push_back({op, nth, error, false});
}

void FaultFileSystem::fail_from(Op op, uint64_t nth, int error) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  shared_->faults.push_back({op, nth, error, true});
}

void FaultFileSystem::set_flush_failure_loses_data(bool loses) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  shared_->flush_failure_loses_data = loses;
}

void FaultFileSystem::shorten_write(uint64_t nth, uint64_t kept) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  shared_->short_writes[nth] = kept;
}

void FaultFileSystem::fail_open(const std::string& path, int error) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  if (error) {
    shared_->open_faults[path] = error;
  } else {
    shared_->open_faults.erase(path);
  }
}

void FaultFileSystem::clear_faults() {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  shared_->faults.clear();
  shared_->short_writes.clear();
  shared_->open_faults.clear();
  shared_->flush_failure_loses_data = false;
  shared_->plan = CrashPlan{};
}

void FaultFileSystem::plan_crash(const CrashPlan& plan) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  shared_->plan = plan;
}

void FaultFileSystem::crash_now(bool power_loss, uint64_t seed) {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  if (!shared_->down) shared_->crash(power_loss, seed);
}

bool FaultFileSystem::crashed() const {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  return shared_->down;
}

void FaultFileSystem::revive() {
  std::lock_guard<std::mutex> guard(shared_->mutex);
  shared_->down = false;
}

}  // namespace os
