// A file object: one open TPS file, shared by every table opened in it.
//
// It owns the operating-system handle, the station's copy of the file
// header, the page cache, the lock bytes of this station and the state of
// the reader/update modes, and offers the page layer's operations: header
// refresh, page loading and creation, dirty marking, the number counter and
// the 64-byte-block I/O with optional enciphering. Commit, discard and log
// recovery live in tps/commit; the lock protocol in tps/lock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/os/file_system.h"
#include "tps/lock/station_locks.h"
#include "tps/page/cipher.h"
#include "tps/page/file_header.h"
#include "tps/page/page_cache.h"

namespace tps {

// How a file object is opened: access, sharing and creation.
struct OpenOptions {
  bool write = false;
  os::Share share = os::Share::deny_none;
  bool create = false;   // create the file when missing
  bool replace = false;  // create it anew, emptying an existing file
  std::string password;  // owner password; empty: no cipher
};

// What other stations may do while this one has the file open.
enum class SharingClass {
  shared,      // deny-none: the full lock protocol
  deny_write,  // the only writer: writer lock for commits only
  exclusive,   // deny-read or deny-all: no lock bytes at all
};

class FileObject {
 public:
  FileObject(os::FileSystem& fs, std::string name);
  ~FileObject();
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  // Opens or creates the file and accepts its header. Returns 0, 5 for a
  // refused open (sharing violations included), 36 for a rejected header,
  // or the operating system's error code.
  int open(const OpenOptions& options);
  // Reopens the handle with another mode (the registry's merged mode),
  // keeping the file object. On failure the previous handle is restored.
  // REQUIRES: no view held.
  int reopen(const OpenOptions& options);
  // Closes the handle (no commit). Used by the registry and on rejection.
  void close_handle();
  bool is_open() const { return handle_ != nullptr; }

  const std::string& name() const { return name_; }
  os::FileSystem& file_system() const { return fs_; }
  const OpenOptions& options() const { return options_; }
  SharingClass sharing() const { return sharing_; }
  bool writable() const { return options_.write; }

  // --- Header view and station modes ------------------------------------
  // Takes this station's lock for its mode (waiting) and makes the header
  // copy current; drops the cache when another commit happened, and runs log
  // recovery when a log is pending. Returns 0, 5 when the lock is refused, 1
  // when the header is not a TPS header.
  int refresh_header();
  // Commits pending changes and releases the lock taken by the refresh.
  void release_header_view();
  // Leaves reader mode: the next refresh takes the update byte.
  void switch_to_update_mode();
  // After every operation: commits and returns to reader mode, unless the
  // file object is in a transaction.
  int end_operation();
  bool reader_mode() const { return reader_mode_; }
  bool view_held() const { return view_held_; }
  bool opened() const { return opened_; }

  FileHeader& header() { return header_; }
  const FileHeader& header() const { return header_; }

  // Issues the next table or record number (4 big-endian bytes).
  // REQUIRES update mode (fault 1163) and a refreshable header (fault 1164).
  std::array<uint8_t, 4> next_number();

  // --- Pages -------------------------------------------------------------
  // The root page, starting the tree of a never-committed file (update mode
  // only: fault 1194). Refreshes the header first (fault 1013).
  PageNode* load_root();
  // Loads page `number` into the cache (faults 1477, 1602, 1735, 2172...).
  PageNode* load_page(int32_t number);
  // A new empty page with a temporary (negative) number, dirty.
  PageNode* create_page(uint8_t level);
  int32_t next_temporary_number() { return --temporary_counter_; }
  void mark_dirty(PageNode* page);
  PageCache& cache() { return cache_; }
  // Drops the whole page cache and the log map.
  void drop_cache();

  // --- Byte I/O (lengths multiples of 64; faults 2272/2286) ---------------
  // Reads and deciphers; returns the bytes read (a short count is returned
  // as is and not deciphered).
  int64_t read_bytes(uint64_t offset, uint8_t* buffer, size_t length);
  // Like read_bytes, but fewer bytes than asked is fault 2172.
  void checked_read(uint64_t offset, uint8_t* buffer, size_t length);
  // Enciphers, writes and restores the caller's buffer. Skipped when a write
  // error is held; a failure is stored as the write error (5 when short).
  void write_bytes(uint64_t offset, uint8_t* buffer, size_t length);
  // Flushes the handle; a failure becomes the write error. Returns it.
  int flush();
  int write_error() const { return write_error_; }
  void clear_write_error() { write_error_ = 0; }
  int64_t file_size();
  // Cuts the file at the end of page space (fault 1143 when the header
  // cannot be refreshed).
  void truncate();

  // --- Log map (reading through a pending log) ----------------------------
  std::unordered_map<uint32_t, uint32_t>& log_map() { return log_map_; }
  uint64_t mapped_offset(uint64_t home) const;

  // --- State used by commit, locks and transactions -------------------------
  StationLocks& locks() { return locks_; }
  bool changed() const { return changed_; }
  void set_changed(bool changed) { changed_ = changed; }
  bool writer_lock_held() const { return writer_lock_held_; }
  void set_writer_lock_held(bool held) { writer_lock_held_ = held; }
  bool in_transaction() const { return in_transaction_; }
  void set_in_transaction(bool value) { in_transaction_ = value; }
  uint32_t& lock_nesting() { return lock_nesting_; }
  // The log written by phase 1, for phase 2 (start == end: none).
  void set_committed_log(uint32_t start, uint32_t end) {
    committed_log_start_ = start;
    committed_log_end_ = end;
  }
  uint32_t committed_log_start() const { return committed_log_start_; }
  uint32_t committed_log_end() const { return committed_log_end_; }
  void set_reader_mode(bool value) { reader_mode_ = value; }
  void set_view_held(bool value) { view_held_ = value; }
  // Releases the view's lock byte without committing.
  void unlock_view();

  // Decides, during log recovery, whether the logged state belongs to a
  // multi-file transaction that never reached its commit point. Installed
  // by the transaction layer; without it a file with a transaction link
  // record keeps its old state.
  using TransactionCheck = std::function<bool(FileObject&)>;
  static void set_transaction_check(TransactionCheck check);
  static const TransactionCheck& transaction_check();

 private:
  int read_disk_header(FileHeader& out, bool& empty_file);
  int open_handle(const OpenOptions& options);
  void reject();

  os::FileSystem& fs_;
  std::string name_;
  OpenOptions options_;
  SharingClass sharing_ = SharingClass::shared;
  std::unique_ptr<os::File> handle_;
  std::optional<PageCipher> cipher_;

  FileHeader header_;
  PageCache cache_;
  std::unordered_map<uint32_t, uint32_t> log_map_;  // home offset -> log offset
  StationLocks locks_;

  int write_error_ = 0;
  int32_t temporary_counter_ = 0;
  uint32_t lock_nesting_ = 0;
  uint32_t committed_log_start_ = 0;
  uint32_t committed_log_end_ = 0;
  bool reader_mode_ = true;
  bool view_held_ = false;
  bool changed_ = false;
  bool writer_lock_held_ = false;
  bool in_transaction_ = false;
  bool opened_ = false;
};

}  // namespace tps
