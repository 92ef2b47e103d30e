#include "tps/page/page_cache.h"

#include "tps/tree/position_handle.h"

namespace tps {

void PageNode::recompute_estimate() {
  estimate = kPageHeaderSize;
  records.for_each([&](RecordNode* r) { grow_estimate(*r); });
}

void PageList::push_back(PageNode* page) {
  page->list_prev = tail_;
  page->list_next = nullptr;
  if (tail_) {
    tail_->list_next = page;
  } else {
    head_ = page;
  }
  tail_ = page;
  ++size_;
}

void PageList::remove(PageNode* page) {
  if (page->list_prev) {
    page->list_prev->list_next = page->list_next;
  } else {
    head_ = page->list_next;
  }
  if (page->list_next) {
    page->list_next->list_prev = page->list_prev;
  } else {
    tail_ = page->list_prev;
  }
  page->list_prev = page->list_next = nullptr;
  --size_;
}

PageNode* PageCache::find(int32_t number) const {
  auto it = pages_.find(number);
  return it == pages_.end() ? nullptr : it->second;
}

PageNode* PageCache::add(FileObject* file, int32_t number) {
  auto* page = new PageNode();
  page->file = file;
  page->number = number;
  page->last_access = page->created = clock_;
  pages_.emplace(number, page);
  clean_.push_back(page);
  return page;
}

void PageCache::rehash(PageNode* page, int32_t number) {
  pages_.erase(page->number);
  page->number = number;
  pages_.emplace(number, page);
}

void PageCache::touch(PageNode* page) {
  if (page->dirty) return;
  clean_.remove(page);
  clean_.push_back(page);
  page->last_access = ++clock_;
}

bool PageCache::mark_dirty(PageNode* page) {
  if (page->dirty) return false;
  clean_.remove(page);
  dirty_.push_back(page);
  page->dirty = true;
  return true;
}

void PageCache::remove(PageNode* page) {
  PositionHandle::detach_all(page);
  (page->dirty ? dirty_ : clean_).remove(page);
  pages_.erase(page->number);
  delete page;
}

void PageCache::drop_all() {
  while (!clean_.empty()) remove(clean_.front());
  while (!dirty_.empty()) remove(dirty_.front());
}

void PageCache::trim() {
  constexpr uint32_t kKeepAtLeast = 20;
  constexpr uint32_t kEvictAlways = 100;
  PageNode* candidate = clean_.front();
  while (candidate && clean_.size() >= kKeepAtLeast) {
    PageNode* page = candidate;
    candidate = page->list_next;
    if (clean_.size() < kEvictAlways) {
      uint64_t average_share = (clock_ - page->created) / clean_.size();
      if (clock_ - page->last_access < 4 * average_share) break;
    }
    if (page->pins > 0) continue;  // in use by the running operation
    remove(page);
  }
}

}  // namespace tps
