#include "tps/page/file_object.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "tps/base/bytes.h"
#include "tps/commit/commit.h"
#include "tps/commit/log_recovery.h"
#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"
#include "tps/errors/os_error.h"
#include "tps/tree/compression.h"
#include "tps/tree/framing.h"

namespace tps {

namespace {

constexpr int kRejectedHeader = 1;
constexpr int kAccessDenied = 5;
constexpr int kInvalidDataFile = 36;
constexpr size_t kIoBlock = 64;

FileObject::TransactionCheck& transaction_check_slot() {
  static FileObject::TransactionCheck check;
  return check;
}

SharingClass sharing_class_of(os::Share share) {
  switch (share) {
    case os::Share::deny_none:
      return SharingClass::shared;
    case os::Share::deny_write:
      return SharingClass::deny_write;
    default:
      return SharingClass::exclusive;
  }
}

}  // namespace

void FileObject::set_transaction_check(TransactionCheck check) {
  transaction_check_slot() = std::move(check);
}

const FileObject::TransactionCheck& FileObject::transaction_check() {
  return transaction_check_slot();
}

FileObject::FileObject(os::FileSystem& fs, std::string name)
    : fs_(fs), name_(std::move(name)), header_(FileHeader::new_file()),
      locks_(initial_reader_slot()) {
  header_.invalidate();
}

FileObject::~FileObject() {
  cache_.drop_all();
  close_handle();
}

void FileObject::close_handle() {
  locks_.bind(nullptr);
  handle_.reset();
  view_held_ = false;
  writer_lock_held_ = false;
}

int FileObject::open_handle(const OpenOptions& options) {
  os::OpenMode mode;
  mode.access = options.write ? os::Access::read_write : os::Access::read;
  mode.share = options.share == os::Share::deny_read ? os::Share::deny_all : options.share;
  mode.disposition = options.replace  ? os::Disposition::create_always
                     : options.create ? os::Disposition::open_always
                                      : os::Disposition::open_existing;
  std::unique_ptr<os::File> handle;
  int os_error = fs_.open(name_, mode, &handle);
  if (os_error) return engine_error_from_os(os_error);
  handle_ = std::move(handle);
  locks_.bind(handle_.get());
  options_ = options;
  sharing_ = sharing_class_of(options.share);
  return 0;
}

int FileObject::reopen(const OpenOptions& options) {
  OpenOptions previous = options_;
  close_handle();
  int error = open_handle(options);
  if (error) open_handle(previous);
  header_.invalidate();
  drop_cache();
  return error;
}

int FileObject::open(const OpenOptions& options) {
  if (int error = open_handle(options)) return error;
  if (!options.password.empty()) cipher_.emplace(options.password);

  int refreshed;
  try {
    refreshed = refresh_header();
  } catch (const EngineFault&) {
    reject();
    throw;
  }
  if (refreshed == 0) {
    opened_ = true;
    return 0;
  }
  reject();
  return refreshed == kRejectedHeader ? kInvalidDataFile : kAccessDenied;
}

void FileObject::reject() {
  // Nothing of a rejected file may be used: start over empty.
  unlock_view();
  close_handle();
  drop_cache();
  header_ = FileHeader::new_file();
  header_.invalidate();
}

// --- Header view and modes ----------------------------------------------

int FileObject::read_disk_header(FileHeader& out, bool& empty_file) {
  int64_t got = read_bytes(0, out.bytes(), FileHeader::kSize);
  empty_file = got == 0;
  if (empty_file) return 0;
  if (got < int64_t(FileHeader::kSize) || !out.valid()) return kRejectedHeader;
  return 0;
}

int FileObject::refresh_header() {
  if (view_held_) return 0;
  if (sharing_ == SharingClass::shared) {
    int error = reader_mode_ ? locks_.lock_reader_slot(true) : locks_.lock_update_byte(true);
    if (error) return kAccessDenied;
  }
  view_held_ = true;
  // A station that read through a pending log, or left one pending because
  // it could only read, must settle it before it changes the file: it may
  // not write over a log that is still to be replayed or reset.
  const bool must_replay = !reader_mode_ && (!log_map_.empty() || header_.log_pending());
  if (sharing_ != SharingClass::shared && header_.valid() && !must_replay) return 0;

  FileHeader disk;
  bool empty_file = false;
  if (read_disk_header(disk, empty_file) != 0) {
    unlock_view();
    return kRejectedHeader;
  }
  if (empty_file) {
    header_.set_magic();
    return 0;
  }
  if (header_.valid() && !must_replay && disk.change_counter() <= header_.change_counter()) {
    return 0;
  }

  drop_cache();
  header_ = disk;
  if (!header_.log_pending()) return 0;
  int error = recover_log(*this);
  if (error) unlock_view();
  return error;
}

void FileObject::unlock_view() {
  if (!view_held_) return;
  if (sharing_ == SharingClass::shared) {
    if (reader_mode_) {
      locks_.unlock_reader_slot();
    } else {
      locks_.unlock_update_byte();
    }
  }
  view_held_ = false;
}

void FileObject::release_header_view() {
  if (!view_held_) return;
  commit(*this);
  unlock_view();
}

void FileObject::switch_to_update_mode() {
  if (!reader_mode_) return;
  release_header_view();
  reader_mode_ = false;
}

int FileObject::end_operation() {
  if (in_transaction_) return 0;
  int error = view_held_ ? commit(*this) : 0;
  unlock_view();
  reader_mode_ = true;
  return error;
}

std::array<uint8_t, 4> FileObject::next_number() {
  check_or_fault(!reader_mode_, fault::kNumberInReaderMode);
  check_or_fault(refresh_header() == 0, fault::kRefreshBeforeNumber);
  uint8_t* counter = header_.number_counter_bytes();
  std::array<uint8_t, 4> before;
  std::memcpy(before.data(), counter, 4);
  for (int i = 3; i >= 0; --i) {
    if (++counter[i] != 0) break;
  }
  if (counter[0] >= 0xFE) {
    std::memcpy(counter, before.data(), 4);  // the exhausted counter is never stored
    raise_fault(fault::kNumberExhausted);
  }
  changed_ = true;
  std::array<uint8_t, 4> issued;
  std::memcpy(issued.data(), counter, 4);
  return issued;
}

// --- Pages ------------------------------------------------------------------

PageNode* FileObject::load_root() {
  check_or_fault(refresh_header() == 0, fault::kRefreshBeforeRoot);
  if (header_.change_counter() == 0) {
    // A never-committed file: start its tree with a temporary root.
    check_or_fault(!reader_mode_, fault::kInsertInReaderMode);
    header_.set_root(next_temporary_number());
    header_.set_change_counter(1);
    changed_ = true;
  }
  return load_page(header_.root());
}

namespace {

// Reads one page image and decodes its records into `page`.
void decode_page_image(const uint8_t* image, size_t image_length, PageNode& page) {
  uint32_t stored = load_u16le(image + 4);
  uint32_t uncompressed = load_u16le(image + 6);
  uint32_t estimate = load_u16le(image + 8);
  uint32_t count = load_u16le(image + 10);
  uint8_t level = image[12];
  check_or_fault(stored >= kPageHeaderSize && round_up_to_unit(stored) == image_length,
                 fault::kPageSizeMismatch);
  uint32_t children = level > 0 ? 4 * count : 0;
  uint32_t body_start = kPageHeaderSize + children;
  check_or_fault(body_start <= stored && body_start <= uncompressed, fault::kDecodedSizeMismatch);

  // Scratch kept between loads: a page load allocates nothing but its
  // block of nodes.
  thread_local std::vector<uint8_t> expanded;
  thread_local std::vector<RecordNode*> nodes;
  const uint8_t* body = image + body_start;
  size_t body_length = uncompressed - body_start;
  if (stored < uncompressed) {
    expanded.resize(body_length);
    decompress_body(body, stored - body_start, expanded.data(), body_length);
    body = expanded.data();
  } else {
    check_or_fault(uncompressed <= image_length, fault::kDecodedSizeMismatch);
  }
  nodes.clear();
  size_t used = decode_records(body, body_length, count, nodes);
  if (used != body_length) {
    for (RecordNode* n : nodes) RecordNode::destroy(n);
    raise_fault(fault::kDecodedSizeMismatch);
  }
  for (uint32_t i = 0; level > 0 && i < count; ++i) {
    nodes[i]->child = int32_t(load_u32le(image + kPageHeaderSize + 4 * i));
  }
  page.records.assign_sorted(nodes);
  page.estimate = estimate;
  page.level = level;
  page.loaded = true;
}

}  // namespace

PageNode* FileObject::load_page(int32_t number) {
  cache_.trim();
  PageNode* page = cache_.find(number);
  if (!page) page = cache_.revive(number);
  if (!page) page = cache_.add(this, number);
  if (!page->loaded) {
    try {
      if (number < 0) {
        page->level = 0;
        RecordNode* empty = RecordNode::create(nullptr, 0, 0);
        page->records.insert(empty);
        page->estimate = kPageHeaderSize;
        page->grow_estimate(*empty);
        page->loaded = true;
      } else {
        int size_class = header_.class_of(number);
        check_or_fault(size_class != 0, fault::kPageInNoRegion);
        uint8_t image[kLargestImage];
        size_t length = size_t(size_class) * kPageUnit;
        checked_read(mapped_offset(page_offset(number)), image, length);
        decode_page_image(image, length, *page);
      }
    } catch (...) {
      cache_.remove(page);
      throw;
    }
  }
  cache_.touch(page);
  return page;
}

PageNode* FileObject::create_page(uint8_t level) {
  PageNode* page = cache_.add(this, next_temporary_number());
  page->level = level;
  page->loaded = true;
  mark_dirty(page);
  return page;
}

void FileObject::mark_dirty(PageNode* page) {
  cache_.mark_dirty(page);
  changed_ = true;
}

void FileObject::drop_cache() {
  cache_.drop_all();
  log_map_.clear();
}

uint64_t FileObject::mapped_offset(uint64_t home) const {
  if (log_map_.empty()) return home;
  auto it = log_map_.find(uint32_t(home));
  return it == log_map_.end() ? home : it->second;
}

// --- Byte I/O ----------------------------------------------------------------

int64_t FileObject::read_bytes(uint64_t offset, uint8_t* buffer, size_t length) {
  check_or_fault(length % kIoBlock == 0, fault::kReadLengthNot64);
  check_or_fault(handle_ != nullptr, fault::kReadFailed);
  int64_t got = handle_->read_at(offset, buffer, length);
  check_or_fault(got >= 0, fault::kReadFailed);
  if (size_t(got) == length && cipher_) cipher_->decipher(buffer, length);
  return got;
}

void FileObject::checked_read(uint64_t offset, uint8_t* buffer, size_t length) {
  check_or_fault(read_bytes(offset, buffer, length) == int64_t(length), fault::kShortCheckedRead);
}

void FileObject::write_bytes(uint64_t offset, uint8_t* buffer, size_t length) {
  check_or_fault(length % kIoBlock == 0, fault::kWriteLengthNot64);
  if (write_error_) return;
  if (!handle_) {
    write_error_ = kAccessDenied;
    return;
  }
  if (cipher_) cipher_->encipher(buffer, length);
  int64_t written = handle_->write_at(offset, buffer, length);
  if (cipher_) cipher_->decipher(buffer, length);
  if (written < 0) {
    write_error_ = engine_error_from_os(int(-written));
  } else if (size_t(written) < length) {
    write_error_ = kAccessDenied;
  }
}

int FileObject::flush() {
  if (!handle_) return write_error_;
  int error = handle_->flush();
  // A failed flush is a lost write: the kernel may have dropped the pages.
  if (error && !write_error_) write_error_ = engine_error_from_os(error);
  return error ? write_error_ : 0;
}

int64_t FileObject::file_size() { return handle_ ? handle_->size() : -1; }

void FileObject::truncate() {
  check_or_fault(refresh_header() == 0, fault::kRefreshBeforeTruncate);
  // Never cut a file that was never committed, or a pending log that this
  // station is reading through: the log is another station's committed work.
  if (!handle_ || !options_.write || header_.change_counter() == 0 || header_.log_pending() ||
      !log_map_.empty()) {
    return;
  }
  handle_->truncate(header_.end_of_page_space());
}

}  // namespace tps
