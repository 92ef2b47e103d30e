// The private store of a dynamic index: its key records and its counter,
// kept apart from the table's file.
//
// A dynamic index's components come from the last BUILDdyn of this open;
// other stations and later opens know nothing of them. So its entries live
// in a TPS file in memory that only this control block sees: they never
// reach the disk, another station's entries never mix with them, and the
// whole store goes with CLOSE or the next build of the index.
#pragma once

#include <cstdint>

#include "platform/os/memory_file_system.h"
#include "tps/key/key_counters.h"
#include "tps/page/file_object.h"
#include "tps/tree/page_tree.h"

namespace tps {

class DynamicIndexStore final : public KeyCounters {
 public:
  DynamicIndexStore();
  DynamicIndexStore(const DynamicIndexStore&) = delete;
  DynamicIndexStore& operator=(const DynamicIndexStore&) = delete;

  // Creates the empty in-memory file and leaves it in update mode, ready
  // for a build. Returns 0 or the file's error.
  int open();

  FileObject& file() { return file_; }
  PageTree& tree() { return tree_; }

  // --- KeyCounters: one counter, whatever the index byte ---------------------
  uint32_t count(uint8_t) override { return count_; }
  void add_count(uint8_t, int32_t delta) override { count_ = uint32_t(int64_t(count_) + delta); }
  void set_count(uint8_t, uint32_t count) override { count_ = count; }
  uint32_t mark(uint8_t) override { return mark_; }
  void set_mark(uint8_t, uint32_t value, bool keep_lowest) override;

 private:
  os::MemoryFileSystem files_;
  FileObject file_;
  PageTree tree_;
  uint32_t count_ = 0;  // entries
  uint32_t mark_ = 0;   // out-of-date mark: where a stopped build left off
};

}  // namespace tps
