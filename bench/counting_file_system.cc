#include "bench/counting_file_system.h"

namespace bench {

namespace {

// A handle of the real file system that adds its writes and flushes to the totals.
class CountingFile final : public os::File {
 public:
  CountingFile(std::unique_ptr<os::File> file, CountingFileSystem::Totals* totals)
      : file_(std::move(file)), totals_(totals) {}

  int64_t read_at(uint64_t offset, void* buffer, size_t length) override {
    return file_->read_at(offset, buffer, length);
  }
  int64_t write_at(uint64_t offset, const void* buffer, size_t length) override {
    int64_t written = file_->write_at(offset, buffer, length);
    ++totals_->writes;
    if (written > 0) totals_->bytes_written += uint64_t(written);
    return written;
  }
  int flush() override {
    ++totals_->flushes;
    return file_->flush();
  }
  int64_t size() override { return file_->size(); }
  int truncate(uint64_t length) override { return file_->truncate(length); }
  int try_lock(uint64_t offset, uint64_t length) override { return file_->try_lock(offset, length); }
  int unlock(uint64_t offset, uint64_t length) override { return file_->unlock(offset, length); }
  bool writable() const override { return file_->writable(); }

 private:
  std::unique_ptr<os::File> file_;
  CountingFileSystem::Totals* totals_;
};

}  // namespace

int CountingFileSystem::open(const std::string& path, const os::OpenMode& mode,
                             std::unique_ptr<os::File>* out) {
  std::unique_ptr<os::File> file;
  int error = os::real_file_system().open(path, mode, &file);
  if (error != 0) return error;
  if (mode.disposition == os::Disposition::create_always) ++files_created_;
  *out = std::make_unique<CountingFile>(std::move(file), &totals_);
  return 0;
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
