// The page tree of a file object: every stored record of the file, in key
// order, in leaf pages under index pages whose entries carry the first key
// of their child's subtree.
//
// Every operation starts by refreshing the header view. Changing operations
// require update mode. RecordRef results point into the page cache and stay
// valid only until the next operation that may load a page; keep a
// PositionHandle to designate a record for longer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tps/page/file_object.h"
#include "tps/tree/position_handle.h"

namespace tps {

struct RecordRef {
  PageNode* page = nullptr;
  RecordNode* record = nullptr;
  explicit operator bool() const { return record != nullptr; }
};

// The leaf page where an earlier search of one caller ended. A search given
// it looks there first and takes it only when the page is still cached, is
// a leaf of this file, and holds records on both sides of the key: then the
// key's place can be in no other page. Otherwise the search descends from
// the root as usual. Record-by-record reads in key order mostly stay in
// one leaf, and skip the index pages above it.
struct LeafHint {
  const FileObject* file = nullptr;  // none yet
  int32_t page = 0;
};

class PageTree {
 public:
  explicit PageTree(FileObject& file) : file_(file) {}

  // The record with exactly this key.
  RecordRef find_exact(const uint8_t* key, size_t key_length);
  // The last record before the key; the empty record counts as none.
  RecordRef find_last_before(const uint8_t* key, size_t key_length);
  // The first record after the key. When `from` is a cached leaf record with
  // a successor in its page, that successor is returned without a descent.
  RecordRef find_first_after(const uint8_t* key, size_t key_length,
                             const RecordRef* from = nullptr);
  // The same two searches trying `hint`'s leaf first; the hint is moved to
  // the leaf the search ends in.
  RecordRef find_exact(const uint8_t* key, size_t key_length, LeafHint& hint);
  RecordRef find_first_after(const uint8_t* key, size_t key_length, LeafHint& hint);

  // Inserts a copy of the record (faults 824, 1194, 706).
  void insert(const uint8_t* bytes, uint16_t length, uint16_t key_length);
  // Inserts a copy of the record unless a record with its key is stored;
  // returns that record then, unchanged, and an empty reference after an
  // insert. One descent for what find_exact and insert would do in two.
  RecordRef insert_unless_present(const uint8_t* bytes, uint16_t length, uint16_t key_length);
  // Inserts a record that belongs right next to the handle's record (as the
  // next number appended after the previous one) and moves the handle to it.
  void insert_near(PositionHandle& handle, const uint8_t* bytes, uint16_t length,
                   uint16_t key_length);
  // Deletes the record with this key (faults 1203, 780).
  void remove(const uint8_t* key, size_t key_length);
  // Deletes the handle's record and moves the handle to the previous record.
  void remove_at(PositionHandle& handle);
  // Deletes every record from the last one before `end` back to the first
  // one at or after `begin` that `select` accepts, and returns how many. It
  // walks back through each page: a record that is not its page's first goes
  // without a search, so a long run costs a few descents per page.
  size_t remove_run(const uint8_t* begin, size_t begin_length, const uint8_t* end, size_t end_length,
                    const std::function<bool(const RecordNode&)>& select);
  // Marks the handle's page dirty after its record's data bytes changed in
  // place (same length and key length). Fault 337 in reader mode.
  void replace_in_place(PositionHandle& handle);
  // Re-finds a detached handle's record by its key. Returns the record, or
  // none when it is gone (fault 256 when the header cannot be refreshed).
  RecordRef reattach(PositionHandle& handle);

  // Points the handle at a found record.
  static void point(PositionHandle& handle, const RecordRef& ref) {
    handle.attach(ref.page, ref.record);
  }

  // Page-placement support: the index entry whose child is `page_number`,
  // found by descending along `key` (the first key of that page). Fault
  // 1894 when a leaf is reached first.
  RecordRef find_parent_entry(const uint8_t* key, size_t key_length, int32_t page_number);

 private:
  struct Step {
    PageNode* page;
    RecordNode* entry;  // entry followed to the next level
  };

  PageNode* child_of(PageNode* parent, RecordNode* entry);
  // The hint's leaf when the key's place is in it, with its last record at
  // or before the key; nullptr when the hint cannot serve.
  PageNode* hinted_leaf(const uint8_t* key, size_t key_length, const LeafHint& hint,
                        RecordNode** at_or_before);
  void remember(LeafHint& hint, const RecordRef& found) const;
  PageNode* descend_to_leaf(const uint8_t* key, size_t key_length, bool strict,
                            std::vector<Step>* path);
  RecordRef first_after_in(PageNode* page, const uint8_t* key, size_t key_length);
  RecordRef first_in(PageNode* page);
  void insert_into_page(PageNode* page, RecordNode* node);
  void insert_entry_at_level(uint8_t level, RecordNode* entry);
  void split_if_needed(PageNode* page);
  void split(PageNode* page);
  void repair_path(std::vector<Step>& path);

  FileObject& file_;
};

}  // namespace tps
