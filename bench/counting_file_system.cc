#include "bench/counting_file_system.h"

namespace bench {

namespace {

// A handle of the real file system that adds its writes and flushes to the totals.
class CountingFile final : public os::File {
 public:
  CountingFile(std::unique_ptr<os::File> file, CountingFileSystem& owner, uint32_t handle)
      : file_(std::move(file)), owner_(owner), handle_(handle) {}

  int64_t read_at(uint64_t offset, void* buffer, size_t length) override {
    return file_->read_at(offset, buffer, length);
  }
  int64_t write_at(uint64_t offset, const void* buffer, size_t length) override {
    int64_t written = file_->write_at(offset, buffer, length);
    owner_.note_write(handle_, offset, written);
    return written;
  }
  int flush() override {
    owner_.note_flush(handle_);
    return file_->flush();
  }
  int64_t size() override { return file_->size(); }
  int truncate(uint64_t length) override { return file_->truncate(length); }
  int try_lock(uint64_t offset, uint64_t length) override { return file_->try_lock(offset, length); }
  int unlock(uint64_t offset, uint64_t length) override { return file_->unlock(offset, length); }
  bool writable() const override { return file_->writable(); }

 private:
  std::unique_ptr<os::File> file_;
  CountingFileSystem& owner_;
  uint32_t handle_;
};

}  // namespace

int CountingFileSystem::open(const std::string& path, const os::OpenMode& mode,
                             std::unique_ptr<os::File>* out) {
  std::unique_ptr<os::File> file;
  int error = os::real_file_system().open(path, mode, &file);
  if (error != 0) return error;
  if (mode.disposition == os::Disposition::create_always) ++files_created_;
  *out = std::make_unique<CountingFile>(std::move(file), *this, uint32_t(paths_.size()));
  paths_.push_back(path);
  return 0;
}

void CountingFileSystem::note_write(uint32_t handle, uint64_t offset, int64_t written) {
  ++totals_.writes;
  if (written <= 0) return;
  totals_.bytes_written += uint64_t(written);
  if (recording_) operations_.push_back({handle, offset, uint32_t(written)});
}

void CountingFileSystem::note_flush(uint32_t handle) {
  ++totals_.flushes;
  if (recording_) operations_.push_back({handle, 0, 0});
}

int CountingFileSystem::remove(const std::string& path) { return os::real_file_system().remove(path); }

int CountingFileSystem::rename(const std::string& from, const std::string& to) {
  return os::real_file_system().rename(from, to);
}

bool CountingFileSystem::exists(const std::string& path) { return os::real_file_system().exists(path); }

bool CountingFileSystem::is_directory(const std::string& path) {
  return os::real_file_system().is_directory(path);
}

std::vector<std::string> CountingFileSystem::list_directory(const std::string& path) {
  return os::real_file_system().list_directory(path);
}

}  // namespace bench
