#include "tps/tree/page_tree.h"

#include <vector>

#include "tps/base/bytes.h"
#include "tps/commit/placement.h"
#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"

namespace tps {

namespace {

constexpr uint32_t kSplitAlways = 15094;  // estimate above which a page always splits
constexpr uint32_t kSplitCrowded = 4096;  // ... or above which it splits when crowded
constexpr uint32_t kCrowdedRecords = 20;

bool is_empty_record(const RecordNode* r) { return r->length == 0 && r->key_length == 0; }

int compare_node_keys(const RecordNode* a, const RecordNode* b) {
  return compare_keys(a->bytes(), a->key_length, b->bytes(), b->key_length);
}

// Pages a running operation holds on to; unpinned when it ends.
class PinSet {
 public:
  ~PinSet() {
    for (PageNode* p : pages_) --p->pins;
  }
  void add(PageNode* page) {
    ++page->pins;
    pages_.push_back(page);
  }
  void forget(PageNode* page) {
    for (auto it = pages_.begin(); it != pages_.end(); ++it) {
      if (*it == page) {
        --page->pins;
        pages_.erase(it);
        return;
      }
    }
  }

 private:
  std::vector<PageNode*> pages_;
};

}  // namespace

PageNode* PageTree::child_of(PageNode* parent, RecordNode* entry) {
  PageNode* child = file_.load_page(entry->child);
  check_or_fault(child->level + 1 == parent->level, fault::kChildLevelMismatch);
  return child;
}

PageNode* PageTree::descend_to_leaf(const uint8_t* key, size_t key_length, bool strict,
                                    std::vector<Step>* path) {
  PageNode* page = file_.load_root();
  bool at_root = true;
  while (!page->is_leaf()) {
    RecordNode* entry = page->records.last_not_after(key, key_length, strict);
    if (!entry) {
      if (strict && at_root) return nullptr;  // nothing lies before the key
      raise_fault(fault::kIndexWithoutEntry);
    }
    if (path) path->push_back({page, entry});
    page = child_of(page, entry);
    at_root = false;
  }
  return page;
}

RecordRef PageTree::find_exact(const uint8_t* key, size_t key_length) {
  PageNode* leaf = descend_to_leaf(key, key_length, false, nullptr);
  return {leaf, leaf->records.find(key, key_length)};
}

// A scan steps from key to key; in a damaged file (index entries that do
// not match their child pages) a step could land on or before its starting
// key, and the scan would never end. Such a step is a fault instead.
static RecordRef checked_step(RecordRef found, const uint8_t* key, size_t key_length, int direction) {
  if (found) {
    const int order = compare_keys(found.record->bytes(), found.record->key_length, key, key_length);
    check_or_fault(direction > 0 ? order > 0 : order < 0, fault::kKeysOutOfOrder);
  }
  return found;
}

RecordRef PageTree::find_last_before(const uint8_t* key, size_t key_length) {
  PageNode* leaf = descend_to_leaf(key, key_length, true, nullptr);
  if (!leaf) return {};
  RecordNode* r = leaf->records.last_not_after(key, key_length, true);
  if (!r || is_empty_record(r)) return {};
  return checked_step({leaf, r}, key, key_length, -1);
}

RecordRef PageTree::first_in(PageNode* page) {
  while (!page->is_leaf()) {
    RecordNode* entry = page->records.first();
    check_or_fault(entry != nullptr, fault::kIndexWithoutEntry);
    page = child_of(page, entry);
  }
  RecordNode* r = page->records.first();
  return r ? RecordRef{page, r} : RecordRef{};
}

RecordRef PageTree::first_after_in(PageNode* page, const uint8_t* key, size_t key_length) {
  if (page->is_leaf()) {
    RecordNode* r = page->records.first_after(key, key_length);
    return r ? RecordRef{page, r} : RecordRef{};
  }
  RecordNode* entry = page->records.last_not_after(key, key_length, false);
  RecordNode* following;
  if (entry) {
    RecordRef r = first_after_in(child_of(page, entry), key, key_length);
    if (r) return r;
    following = RecordTree::next(entry);
  } else {
    following = page->records.first();
  }
  return following ? first_in(child_of(page, following)) : RecordRef{};
}

RecordRef PageTree::find_first_after(const uint8_t* key, size_t key_length,
                                     const RecordRef* from) {
  if (from && from->record && from->page && from->page->is_leaf()) {
    if (RecordNode* next = RecordTree::next(from->record)) return checked_step({from->page, next}, key, key_length, 1);
  }
  return checked_step(first_after_in(file_.load_root(), key, key_length), key, key_length, 1);
}

PageNode* PageTree::hinted_leaf(const uint8_t* key, size_t key_length, const LeafHint& hint,
                                RecordNode** at_or_before) {
  if (hint.file != &file_) return nullptr;
  // What load_root does first: the view is refreshed (another station's
  // commit drops the cache, and with it the hinted page).
  check_or_fault(file_.refresh_header() == 0, fault::kRefreshBeforeRoot);
  if (file_.header().change_counter() == 0) return nullptr;
  PageNode* page = file_.cache().find(hint.page);
  if (!page || !page->loaded || !page->is_leaf()) return nullptr;
  RecordNode* before = page->records.last_not_after(key, key_length, false);
  if (!before || !RecordTree::next(before)) return nullptr;
  file_.cache().touch(page);
  *at_or_before = before;
  return page;
}

void PageTree::remember(LeafHint& hint, const RecordRef& found) const {
  if (!found.page) return;
  hint.file = &file_;
  hint.page = found.page->number;
}

RecordRef PageTree::find_exact(const uint8_t* key, size_t key_length, LeafHint& hint) {
  RecordNode* before = nullptr;
  if (PageNode* leaf = hinted_leaf(key, key_length, hint, &before)) {
    const bool equal = compare_keys(before->bytes(), before->key_length, key, key_length) == 0;
    return {leaf, equal ? before : nullptr};
  }
  RecordRef found = find_exact(key, key_length);
  remember(hint, found);
  return found;
}

RecordRef PageTree::find_first_after(const uint8_t* key, size_t key_length, LeafHint& hint) {
  RecordNode* before = nullptr;
  if (PageNode* leaf = hinted_leaf(key, key_length, hint, &before))
    return checked_step({leaf, RecordTree::next(before)}, key, key_length, 1);
  RecordRef found = find_first_after(key, key_length);
  remember(hint, found);
  return found;
}

// --- Insertion and splits ------------------------------------------------

void PageTree::insert_into_page(PageNode* page, RecordNode* node) {
  if (!page->records.insert(node)) {
    RecordNode::destroy(node);
    raise_fault(fault::kDuplicateRecordKey);
  }
  page->grow_estimate(*node);
  file_.mark_dirty(page);
  split_if_needed(page);
}

void PageTree::insert(const uint8_t* bytes, uint16_t length, uint16_t key_length) {
  check_or_fault(length < kRecordLengthLimit, fault::kRecordTooLong);
  check_or_fault(!file_.reader_mode(), fault::kInsertInReaderMode);
  PageNode* leaf = descend_to_leaf(bytes, key_length, false, nullptr);
  insert_into_page(leaf, RecordNode::create(bytes, length, key_length));
}

RecordRef PageTree::insert_unless_present(const uint8_t* bytes, uint16_t length, uint16_t key_length) {
  check_or_fault(length < kRecordLengthLimit, fault::kRecordTooLong);
  check_or_fault(!file_.reader_mode(), fault::kInsertInReaderMode);
  PageNode* leaf = descend_to_leaf(bytes, key_length, false, nullptr);
  if (RecordNode* present = leaf->records.find(bytes, key_length)) return {leaf, present};
  insert_into_page(leaf, RecordNode::create(bytes, length, key_length));
  return {};
}

void PageTree::insert_near(PositionHandle& handle, const uint8_t* bytes, uint16_t length,
                           uint16_t key_length) {
  check_or_fault(!file_.reader_mode(), fault::kInsertNearInReaderMode);
  check_or_fault(file_.refresh_header() == 0, fault::kRefreshBeforeInsertNear);
  check_or_fault(length < kRecordLengthLimit, fault::kRecordTooLong);
  if (handle.attached()) {
    PageNode* page = handle.page();
    RecordNode* node = RecordNode::create(bytes, length, key_length);
    if (!page->records.insert(node)) {
      RecordNode::destroy(node);
      raise_fault(fault::kDuplicateRecordKey);
    }
    page->grow_estimate(*node);
    file_.mark_dirty(page);
    handle.attach(page, node);
    split_if_needed(page);
    if (handle.attached()) return;  // no split: the handle stays on the new record
  } else {
    insert(bytes, length, key_length);
  }
  handle.set_key(bytes, key_length);
  reattach(handle);
}

void PageTree::split_if_needed(PageNode* page) {
  uint32_t estimate = page->estimate;
  if (estimate > kSplitAlways || (estimate > kSplitCrowded && page->records.size() > kCrowdedRecords)) {
    split(page);
  }
}

void PageTree::split(PageNode* page) {
  check_or_fault(page->records.size() >= 2, fault::kSplitTooFewRecords);
  PositionHandle::detach_all(page);
  if (page->number == file_.header().root()) {
    // The root keeps its number and grows a level; a new page takes its
    // records and is split in its place.
    PageNode* lower = file_.create_page(page->level);
    lower->records = std::move(page->records);
    lower->estimate = page->estimate;
    page->level += 1;
    page->estimate = kPageHeaderSize;
    file_.mark_dirty(page);
    RecordNode* entry = RecordNode::key_copy(*lower->records.first());
    entry->child = lower->number;
    page->records.insert(entry);
    page->grow_estimate(*entry);
    page = lower;
  }
  PageNode* right = file_.create_page(page->level);
  file_.mark_dirty(page);

  RecordNode* median = page->records.root();
  RecordNode* left_half = median->left;
  RecordNode* right_half = median->right;
  page->records.release();
  median->left = median->right = median->parent = nullptr;
  median->count = 1;
  page->records.adopt(left_half);
  right->records.adopt(right_half);
  (page->records.size() < right->records.size() ? page->records : right->records).insert(median);
  page->recompute_estimate();
  right->recompute_estimate();

  RecordNode* entry = RecordNode::key_copy(*right->records.first());
  entry->child = right->number;
  insert_entry_at_level(page->level + 1, entry);
  split_if_needed(page);
  split_if_needed(right);
}

void PageTree::insert_entry_at_level(uint8_t level, RecordNode* entry) {
  PageNode* page = file_.load_root();
  while (page->level > level) {
    RecordNode* e = page->records.last_not_after(entry->bytes(), entry->key_length, false);
    if (!e) {
      RecordNode::destroy(entry);
      raise_fault(fault::kIndexWithoutEntry);
    }
    page = child_of(page, e);
  }
  if (page->level != level) {
    RecordNode::destroy(entry);
    raise_fault(fault::kChildLevelMismatch);
  }
  insert_into_page(page, entry);
}

// --- Deletion ---------------------------------------------------------------

void PageTree::remove(const uint8_t* key, size_t key_length) {
  check_or_fault(!file_.reader_mode(), fault::kDeleteInReaderMode);
  std::vector<Step> path;
  PinSet pins;
  PageNode* page = file_.load_root();
  pins.add(page);
  while (!page->is_leaf()) {
    RecordNode* entry = page->records.last_not_after(key, key_length, false);
    check_or_fault(entry != nullptr, fault::kIndexWithoutEntry);
    path.push_back({page, entry});
    page = child_of(page, entry);
    pins.add(page);
  }
  RecordNode* node = page->records.find(key, key_length);
  check_or_fault(node != nullptr && !is_empty_record(node), fault::kDeleteMissingRecord);
  PositionHandle::detach_all(page);
  page->records.unlink(node);
  page->shrink_estimate(*node);
  RecordNode::destroy(node);
  file_.mark_dirty(page);

  // Walk back up: a child whose first record changed gets a fresh entry; an
  // empty child leaves the tree and its place in its region.
  std::vector<PageNode*> grown;
  PageNode* child = page;
  for (size_t i = path.size(); i-- > 0;) {
    PageNode* parent = path[i].page;
    RecordNode* entry = path[i].entry;
    if (!child->records.empty()) {
      RecordNode* first = child->records.first();
      if (compare_node_keys(first, entry) <= 0) break;  // nothing changes further up
      parent->records.unlink(entry);
      parent->shrink_estimate(*entry);
      RecordNode* fresh = RecordNode::key_copy(*first);
      fresh->child = entry->child;
      RecordNode::destroy(entry);
      parent->records.insert(fresh);
      parent->grow_estimate(*fresh);
      file_.mark_dirty(parent);
      grown.push_back(parent);
    } else {
      int32_t number = child->number;
      pins.forget(child);
      // Out of the way first, so the page moving into its place can take the number.
      file_.cache().rehash(child, file_.next_temporary_number());
      Placement placement(file_);
      placement.vacate(number);
      placement.apply_moves();
      parent->records.unlink(entry);
      parent->shrink_estimate(*entry);
      RecordNode::destroy(entry);
      file_.mark_dirty(parent);
      file_.cache().remove(child);
    }
    child = parent;
  }
  for (PageNode* p : grown) split_if_needed(p);
}

void PageTree::remove_at(PositionHandle& handle) {
  RecordRef ref = reattach(handle);
  check_or_fault(ref.record != nullptr, fault::kDeleteMissingRecord);
  RecordNode* previous = RecordTree::previous(ref.record);
  if (previous) {
    check_or_fault(!file_.reader_mode(), fault::kInPlaceInReaderMode);
    PositionHandle::detach_record(ref.page, ref.record);
    ref.page->records.unlink(ref.record);
    ref.page->shrink_estimate(*ref.record);
    RecordNode::destroy(ref.record);
    file_.mark_dirty(ref.page);
    if (is_empty_record(previous)) {
      handle.clear();
    } else {
      handle.attach(ref.page, previous);
    }
    return;
  }
  std::vector<uint8_t> key(ref.record->bytes(), ref.record->bytes() + ref.record->key_length);
  RecordRef before = find_last_before(key.data(), key.size());
  std::vector<uint8_t> before_key;
  if (before) before_key.assign(before.record->bytes(), before.record->bytes() + before.record->key_length);
  remove(key.data(), key.size());
  if (before) {
    handle.set_key(before_key.data(), before_key.size());
  } else {
    handle.clear();
  }
}

size_t PageTree::remove_run(const uint8_t* begin, size_t begin_length, const uint8_t* end, size_t end_length,
                            const std::function<bool(const RecordNode&)>& select) {
  size_t removed = 0;
  PositionHandle handle(&file_);
  RecordRef ref = find_last_before(end, end_length);
  while (ref && compare_keys(ref.record->bytes(), ref.record->key_length, begin, begin_length) >= 0) {
    if (select(*ref.record)) {
      point(handle, ref);
      remove_at(handle);
      ++removed;
      ref = reattach(handle);
      continue;
    }
    RecordNode* previous = RecordTree::previous(ref.record);
    if (previous && !is_empty_record(previous)) {
      ref = {ref.page, previous};
    } else {
      const std::vector<uint8_t> key(ref.record->bytes(), ref.record->bytes() + ref.record->key_length);
      ref = find_last_before(key.data(), key.size());
    }
  }
  return removed;
}

void PageTree::replace_in_place(PositionHandle& handle) {
  check_or_fault(!file_.reader_mode(), fault::kInPlaceInReaderMode);
  RecordRef ref = reattach(handle);
  check_or_fault(ref.record != nullptr, fault::kDeleteMissingRecord);
  file_.mark_dirty(ref.page);
}

RecordRef PageTree::reattach(PositionHandle& handle) {
  check_or_fault(file_.refresh_header() == 0, fault::kRefreshBeforeReattach);
  if (handle.attached()) return {handle.page(), handle.node()};
  if (!handle.designates() || handle.key_length() == 0) return {};
  std::vector<uint8_t> key(handle.key(), handle.key() + handle.key_length());
  RecordRef ref = find_exact(key.data(), key.size());
  if (ref) handle.attach(ref.page, ref.record);
  return ref;
}

RecordRef PageTree::find_parent_entry(const uint8_t* key, size_t key_length, int32_t page_number) {
  PageNode* page = file_.load_root();
  for (;;) {
    check_or_fault(!page->is_leaf(), fault::kMovedPageParentMissing);
    RecordNode* entry = page->records.last_not_after(key, key_length, false);
    check_or_fault(entry != nullptr, fault::kMovedPageParentMissing);
    if (entry->child == page_number) return {page, entry};
    page = child_of(page, entry);
  }
}

}  // namespace tps
