#include "tps/commit/commit.h"

#include <algorithm>
#include <cstring>

#include "tps/commit/page_image.h"
#include "tps/commit/placement.h"
#include "tps/errors/fault.h"
#include "tps/page/file_object.h"

namespace tps {

namespace {

constexpr int kAccessDenied = 5;

bool any_dirty_page_without_image(FileObject& file) {
  for (PageNode* p = file.cache().dirty().front(); p; p = p->list_next) {
    if (!p->image_built) return true;
  }
  return false;
}

// Gives every dirty page the place its image size calls for. Moving pages
// dirties their parents (and the pages moved); those get images too, and
// the loop settles once every dirty page has one.
void place_dirty_pages(FileObject& file) {
  Placement placement(file);
  do {
    for (PageNode* p = file.cache().dirty().front(); p; p = p->list_next) {
      if (p->image_built) continue;
      placement.relocate(p, build_page_image(p));
    }
    placement.compact();
    placement.apply_moves();
  } while (any_dirty_page_without_image(file));
}

void write_header(FileObject& file, const FileHeader& header, uint64_t offset) {
  uint8_t bytes[FileHeader::kSize];
  std::memcpy(bytes, header.bytes(), sizeof bytes);
  store_u32le(bytes, 0);                          // own offset: home of the header
  store_u16le(bytes + 4, uint16_t(FileHeader::kSize));  // its length as a log entry
  file.write_bytes(offset, bytes, sizeof bytes);
}

void write_image(FileObject& file, PageNode* page, uint64_t offset) {
  file.write_bytes(offset, page->image.data(), page->image.size());
}

// A zero-length file gets a valid empty header before any page lands behind
// it, so that a crash during its first commit leaves an empty TPS file
// rather than a file without a header.
void settle_new_file(FileObject& file) {
  if (file.file_size() >= int64_t(FileHeader::kSize)) return;
  write_header(file, FileHeader::new_file(), 0);
  file.flush();
}

// The header of the state the file holds on disk, which stays in force
// until the log is complete (and after it, when the log is discarded). The
// header copy is no stand-in: a delete that empties a page vacates it at
// once, so its regions may already have shrunk, and pages written straight
// home above its end of page space would overwrite pages the old state
// still uses. A file that is new, or whose header cannot serve, keeps the
// copy.
FileHeader committed_header(FileObject& file) {
  FileHeader disk;
  int64_t got = file.read_bytes(0, disk.bytes(), FileHeader::kSize);
  if (got == int64_t(FileHeader::kSize) && disk.valid() && !disk.log_pending()) return disk;
  return file.header();
}

int phase1(FileObject& file) {
  if (file.sharing() != SharingClass::exclusive && !file.writer_lock_held()) {
    if (file.locks().lock_writer(true) != 0) {
      discard(file);
      return kAccessDenied;
    }
    file.set_writer_lock_held(true);
  }
  FileHeader old_header = committed_header(file);
  const uint64_t old_end = old_header.end_of_page_space();
  file.clear_write_error();
  settle_new_file(file);

  place_dirty_pages(file);

  FileHeader& header = file.header();
  const uint32_t log_start = uint32_t(std::max(header.end_of_page_space(), old_end));
  header.set_log(log_start, log_start);
  header.set_change_counter(header.change_counter() + 1);

  uint32_t log_end = log_start;
  for (PageNode* p = file.cache().dirty().front(); p;) {
    PageNode* next = p->list_next;
    uint64_t home = page_offset(p->number);
    finish_page_image(p, uint32_t(home));
    if (home < old_end) {
      write_image(file, p, log_end);  // overwrites live data: through the log
      log_end += uint32_t(p->image.size());
    } else {
      write_image(file, p, home);  // new space: nobody reads it yet
      file.cache().retire_written(p);
    }
    p = next;
  }
  write_header(file, header, log_end);
  log_end += FileHeader::kSize;

  if (!file.write_error()) {
    file.flush();
    old_header.set_log(log_start, log_end);
    write_header(file, old_header, 0);
    file.flush();
    file.set_committed_log(log_start, log_end);
  }
  if (int error = file.write_error()) {
    discard(file);
    return error;
  }
  return 0;
}

int phase2(FileObject& file) {
  for (PageNode* p = file.cache().dirty().front(); p;) {
    PageNode* next = p->list_next;
    write_image(file, p, page_offset(p->number));
    file.cache().retire_written(p);
    p = next;
  }
  // The new header still names the log, so that a torn header write leaves
  // a header that sends the next station to the log; the reset clears it.
  FileHeader settled = file.header();
  settled.set_log(file.committed_log_start(), file.committed_log_end());
  write_header(file, settled, 0);
  reset_log(file);
  if (file.writer_lock_held()) {
    file.locks().unlock_writer();
    file.set_writer_lock_held(false);
  }
  file.set_changed(false);
  if (file.write_error()) {
    // The complete log is on disk and will be replayed: the commit stands,
    // but this station's view of the pages is no longer trustworthy.
    file.header().invalidate();
    file.drop_cache();
  }
  return 0;
}

// Runs a commit step; a fault on the way leaves the station with nothing
// uncommitted and a view to be re-read from disk.
template <typename Step>
int guarded(FileObject& file, Step step) {
  try {
    return step(file);
  } catch (const EngineFault&) {
    discard(file);
    throw;
  }
}

}  // namespace

int commit_phase1(FileObject& file) { return guarded(file, phase1); }

int commit_phase2(FileObject& file) { return guarded(file, phase2); }

int commit(FileObject& file) {
  if (!file.changed() || file.in_transaction()) return 0;
  if (!file.opened()) {
    discard(file);
    return 0;
  }
  if (int error = commit_phase1(file)) return error;
  return commit_phase2(file);
}

void discard(FileObject& file) {
  file.set_changed(false);
  file.header().invalidate();
  file.drop_cache();
  file.unlock_view();
  if (file.writer_lock_held()) {
    file.locks().unlock_writer();
    file.set_writer_lock_held(false);
  }
}

int reset_log(FileObject& file) {
  file.flush();
  FileHeader disk;
  file.checked_read(0, disk.bytes(), FileHeader::kSize);
  uint32_t end = uint32_t(disk.end_of_page_space());
  disk.set_log(end, end);
  disk.set_change_counter(disk.change_counter() + 1);
  write_header(file, disk, 0);
  file.flush();
  return file.write_error();
}

}  // namespace tps
