// The page cache of one file object: cached pages by number, a clean list in
// least-recently-used order and a dirty list in the order pages were first
// changed, with the access clock that drives eviction.
//
// Dirty pages are never evicted; they leave the cache only when a commit
// writes them home or a discard drops them.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tps/page/page_node.h"

namespace tps {

// An intrusive doubly linked list of pages.
class PageList {
 public:
  void push_back(PageNode* page);
  void remove(PageNode* page);
  PageNode* front() const { return head_; }
  uint32_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  PageNode* head_ = nullptr;
  PageNode* tail_ = nullptr;
  uint32_t size_ = 0;
};

class PageCache {
 public:
  PageCache() = default;
  ~PageCache() { drop_all(); }
  PageCache(const PageCache&) = delete;
  PageCache& operator=(const PageCache&) = delete;

  PageNode* find(int32_t number) const;
  // Creates an empty node for `number`, stamped with the clock, at the
  // most-recently-used end of the clean list. REQUIRES: not cached.
  PageNode* add(FileObject* file, int32_t number);
  // Files the page under a new number. REQUIRES: `number` not cached.
  void rehash(PageNode* page, int32_t number);
  // Files several pages under new numbers at once; a page may take the
  // number another of them leaves. REQUIRES: no other page cached under
  // the new numbers.
  void renumber(const std::vector<std::pair<PageNode*, int32_t>>& numbers);
  // Records an access: a clean page moves to the most-recently-used end.
  void touch(PageNode* page);
  // Moves a clean page to the tail of the dirty list. Returns false when it
  // already was dirty.
  bool mark_dirty(PageNode* page);
  // Frees one page (detaching its handles).
  void remove(PageNode* page);
  // Frees every page.
  void drop_all();
  // Evicts clean pages: never below 19 clean pages, always while 100 or more
  // are clean, and in between only pages idle for at least four times their
  // average share of the clock.
  void trim();

  // Evicted pages, and pages a commit has just written, are kept decoded
  // out of the cache while this station changes nothing: in one view of the
  // file a page number's image on disk cannot change, so loading the page
  // again may take it back instead of reading and decoding it. The first
  // page to turn dirty, a renumbered page and a dropped cache (another
  // station's commit, a discard) forget them all. At most 256 are kept.
  //
  // The evicted page of this number, filed in the cache again as a page
  // just loaded; nullptr when none is kept.
  PageNode* revive(int32_t number);
  // A dirty page a commit has just written home: its records are now what
  // the disk holds under its number, so it is kept like an evicted page.
  void retire_written(PageNode* page);
  size_t retired_pages() const { return retired_list_.size(); }

  const PageList& dirty() const { return dirty_; }
  const PageList& clean() const { return clean_; }
  uint64_t clock() const { return clock_; }
  size_t size() const { return pages_.size(); }

 private:
  void shrink_index();
  void evict(PageNode* page);
  void retire(PageNode* page);
  void forget_retired();

  std::unordered_map<int32_t, PageNode*> pages_;
  PageList clean_;
  PageList dirty_;
  std::unordered_map<int32_t, PageNode*> retired_;
  PageList retired_list_;  // least recently evicted first
  uint64_t clock_ = 0;
};

}  // namespace tps
