#include "tps/key/key_sorter.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tps {

// One sorted run: in its writer buffer while it fits, in a temporary file
// once it outgrows it.
class SortRun {
 public:
  SortRun(os::FileSystem& file_system, std::string path) : file_system_(file_system), path_(std::move(path)) {
    buffer_.reserve(kRunWriterBuffer);
  }
  ~SortRun() {
    if (file_) {
      file_.reset();
      file_system_.remove(path_);
    }
  }

  int append(const uint8_t* bytes, size_t length) {
    while (length > 0) {
      if (buffer_.size() == kRunWriterBuffer) {
        if (int error = flush_buffer()) return error;
      }
      size_t take = std::min(length, kRunWriterBuffer - buffer_.size());
      buffer_.insert(buffer_.end(), bytes, bytes + take);
      bytes += take;
      length -= take;
    }
    return 0;
  }

  // Ends writing: whatever is buffered goes to the file when there is one.
  int close() { return file_ && !buffer_.empty() ? flush_buffer() : 0; }

  bool in_memory() const { return !file_; }
  const std::vector<uint8_t>& buffer() const { return buffer_; }
  os::File* file() const { return file_.get(); }
  uint64_t file_length() const { return file_length_; }

 private:
  int flush_buffer() {
    if (!file_) {
      os::OpenMode mode{os::Access::read_write, os::Share::deny_all, os::Disposition::create_always};
      if (int error = file_system_.open(path_, mode, &file_)) {
        file_.reset();
        return error;
      }
    }
    int64_t written = file_->write_at(file_length_, buffer_.data(), buffer_.size());
    if (written < 0) return static_cast<int>(-written);
    if (static_cast<size_t>(written) != buffer_.size()) return ENOSPC;
    file_length_ += buffer_.size();
    buffer_.clear();
    return 0;
  }

  os::FileSystem& file_system_;
  std::string path_;
  std::unique_ptr<os::File> file_;
  uint64_t file_length_ = 0;
  std::vector<uint8_t> buffer_;
};

// Reads one run entry by entry, a file through a small buffer.
class RunReader {
 public:
  RunReader(const SortRun& run, size_t entry_length) : run_(run), entry_(entry_length) {}

  // Moves to the next entry. Returns false at the end or on an error
  // (error() tells which).
  bool advance() {
    if (run_.in_memory()) {
      const std::vector<uint8_t>& bytes = run_.buffer();
      if (position_ + entry_.size() > bytes.size()) return false;
      std::memcpy(entry_.data(), bytes.data() + position_, entry_.size());
      position_ += entry_.size();
      return true;
    }
    size_t filled = 0;
    while (filled < entry_.size()) {
      if (buffered_ == used_ && !refill()) return false;
      size_t take = std::min(entry_.size() - filled, buffered_ - used_);
      std::memcpy(entry_.data() + filled, buffer_ + used_, take);
      used_ += take;
      filled += take;
    }
    return true;
  }

  const uint8_t* entry() const { return entry_.data(); }
  int error() const { return error_; }

 private:
  bool refill() {
    uint64_t remaining = run_.file_length() - position_;
    if (remaining == 0) return false;
    size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, kRunReaderBuffer));
    int64_t got = run_.file()->read_at(position_, buffer_, want);
    if (got < 0 || static_cast<size_t>(got) != want) {
      error_ = got < 0 ? static_cast<int>(-got) : EIO;
      return false;
    }
    position_ += want;
    buffered_ = want;
    used_ = 0;
    return true;
  }

  const SortRun& run_;
  std::vector<uint8_t> entry_;
  uint64_t position_ = 0;  // next byte of the run to read
  uint8_t buffer_[kRunReaderBuffer];
  size_t buffered_ = 0;
  size_t used_ = 0;
  int error_ = 0;
};

namespace {

std::string run_path(const std::string& directory) {
  static std::atomic<unsigned> counter{0};
  return directory + "/qvsort-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".run";
}

// Min-heap order of readers on their current entries.
struct ReaderAfter {
  size_t length;
  bool operator()(const std::unique_ptr<RunReader>& a, const std::unique_ptr<RunReader>& b) const {
    return std::memcmp(a->entry(), b->entry(), length) > 0;
  }
};

}  // namespace

KeySorter::KeySorter(size_t entry_length, os::FileSystem& file_system, std::string temp_directory)
    : entry_length_(entry_length), file_system_(file_system), temp_directory_(std::move(temp_directory)),
      current_(entry_length) {}

KeySorter::~KeySorter() {
  readers_.clear();
  runs_.clear();
}

size_t KeySorter::file_run_count() const {
  return static_cast<size_t>(std::count_if(runs_.begin(), runs_.end(), [](const auto& run) { return !run->in_memory(); }));
}

bool KeySorter::heap_less(uint32_t a, uint32_t b) const {
  return std::memcmp(&arena_[size_t(a) * entry_length_], &arena_[size_t(b) * entry_length_], entry_length_) < 0;
}

void KeySorter::heap_push(uint32_t slot) {
  heap_.push_back(slot);
  std::push_heap(heap_.begin(), heap_.end(), [this](uint32_t a, uint32_t b) { return heap_less(b, a); });
}

uint32_t KeySorter::heap_pop() {
  std::pop_heap(heap_.begin(), heap_.end(), [this](uint32_t a, uint32_t b) { return heap_less(b, a); });
  uint32_t slot = heap_.back();
  heap_.pop_back();
  return slot;
}

int KeySorter::add(const uint8_t* entry) {
  uint32_t slot = static_cast<uint32_t>(heap_.size());
  arena_.insert(arena_.end(), entry, entry + entry_length_);
  heap_push(slot);
  return heap_.size() * entry_length_ > kSortHeapLimit ? spill() : 0;
}

int KeySorter::spill() {
  runs_.push_back(std::make_unique<SortRun>(file_system_, run_path(temp_directory_)));
  SortRun& run = *runs_.back();
  while (!heap_.empty()) {
    uint32_t slot = heap_pop();
    if (int error = run.append(&arena_[size_t(slot) * entry_length_], entry_length_)) return error;
  }
  arena_.clear();
  return run.close();
}

int KeySorter::finish() {
  if (runs_.empty()) return 0;
  if (!heap_.empty()) {
    if (int error = spill()) return error;
  }
  for (const std::unique_ptr<SortRun>& run : runs_) {
    auto reader = std::make_unique<RunReader>(*run, entry_length_);
    if (reader->advance()) {
      readers_.push_back(std::move(reader));
    } else if (reader->error()) {
      return reader->error();
    }
  }
  std::make_heap(readers_.begin(), readers_.end(), ReaderAfter{entry_length_});
  return 0;
}

const uint8_t* KeySorter::next(int* error) {
  *error = 0;
  if (runs_.empty()) {
    if (heap_.empty()) return nullptr;
    uint32_t slot = heap_pop();
    std::memcpy(current_.data(), &arena_[size_t(slot) * entry_length_], entry_length_);
    return current_.data();
  }
  if (readers_.empty()) return nullptr;
  ReaderAfter after{entry_length_};
  std::pop_heap(readers_.begin(), readers_.end(), after);
  RunReader& smallest = *readers_.back();
  std::memcpy(current_.data(), smallest.entry(), entry_length_);
  if (smallest.advance()) {
    std::push_heap(readers_.begin(), readers_.end(), after);
  } else {
    if (smallest.error()) {
      *error = smallest.error();
      return nullptr;
    }
    readers_.pop_back();
  }
  return current_.data();
}

std::string default_sort_directory() {
  const char* directory = std::getenv("TMPDIR");
  return directory && *directory ? directory : "/tmp";
}

}  // namespace tps
