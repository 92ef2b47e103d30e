// One cached page of a file object: its records decoded into a search tree,
// its bookkeeping for the cache lists, and the handles pointing into it.
#pragma once

#include <cstdint>
#include <vector>

#include "tps/tree/record_tree.h"

namespace tps {

class FileObject;
class PositionHandle;

inline constexpr uint32_t kPageHeaderSize = 13;
inline constexpr uint32_t kLeafFrameReserve = 5;   // worst-case framing per record
inline constexpr uint32_t kIndexFrameReserve = 9;  // framing plus child reference

struct PageNode {
  FileObject* file = nullptr;
  int32_t number = 0;  // negative: temporary, not yet placed in the file
  uint8_t level = 0;   // 0 leaf, 1 and up index
  bool loaded = false;  // records present
  bool dirty = false;
  RecordTree records;
  uint32_t estimate = kPageHeaderSize;  // upper bound of the uncompressed image size
  uint64_t last_access = 0;
  uint64_t created = 0;
  int pins = 0;  // > 0: in use by a running tree operation; never evicted

  // Links of the clean or dirty list the page is on.
  PageNode* list_prev = nullptr;
  PageNode* list_next = nullptr;
  // Head of the list of position handles attached to records of this page.
  PositionHandle* handles = nullptr;

  // Commit work: the image built for this commit (rounded, padded).
  std::vector<uint8_t> image;
  bool image_built = false;

  bool is_leaf() const { return level == 0; }
  uint32_t frame_reserve() const { return is_leaf() ? kLeafFrameReserve : kIndexFrameReserve; }
  // Adds or removes one record's share of the size estimate.
  void grow_estimate(const RecordNode& r) { estimate += r.length + frame_reserve(); }
  void shrink_estimate(const RecordNode& r) { estimate -= r.length + frame_reserve(); }
  void recompute_estimate();
};

// Keeps a page from being evicted while a tree operation works on it.
class PagePin {
 public:
  explicit PagePin(PageNode* page) : page_(page) {
    if (page_) ++page_->pins;
  }
  ~PagePin() {
    if (page_) --page_->pins;
  }
  PagePin(const PagePin&) = delete;
  PagePin& operator=(const PagePin&) = delete;

 private:
  PageNode* page_;
};

}  // namespace tps
