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
  forget_retired();
  pages_.erase(page->number);
  page->number = number;
  pages_.emplace(number, page);
}

void PageCache::renumber(const std::vector<std::pair<PageNode*, int32_t>>& numbers) {
  if (numbers.empty()) return;
  forget_retired();
  for (const auto& [page, number] : numbers) pages_.erase(page->number);
  for (const auto& [page, number] : numbers) {
    page->number = number;
    pages_.emplace(number, page);
  }
}

void PageCache::touch(PageNode* page) {
  if (page->dirty) return;
  clean_.remove(page);
  clean_.push_back(page);
  page->last_access = ++clock_;
}

bool PageCache::mark_dirty(PageNode* page) {
  if (page->dirty) return false;
  forget_retired();
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
  shrink_index();
}

// A commit of a large load leaves a few pages in an index sized for all of
// them; every later lookup would go through that sparse bucket array, so
// it shrinks once the pages have gone.
void PageCache::shrink_index() {
  constexpr size_t kSmallIndex = 1024;
  if (pages_.bucket_count() > kSmallIndex && pages_.size() * 8 < pages_.bucket_count()) pages_.rehash(0);
}

void PageCache::drop_all() {
  forget_retired();
  while (!clean_.empty()) remove(clean_.front());
  while (!dirty_.empty()) remove(dirty_.front());
}

void PageCache::evict(PageNode* page) {
  if (!dirty_.empty()) {
    remove(page);
    return;
  }
  clean_.remove(page);
  retire(page);
}

void PageCache::retire_written(PageNode* page) {
  dirty_.remove(page);
  page->dirty = false;
  page->image.clear();
  page->image.shrink_to_fit();
  page->image_built = false;
  retire(page);
}

// Files a page that is on neither list among the retired ones.
void PageCache::retire(PageNode* page) {
  constexpr size_t kRetiredLimit = 256;
  PositionHandle::detach_all(page);
  pages_.erase(page->number);
  auto [at, fresh] = retired_.emplace(page->number, page);
  if (!fresh) {  // not expected: a number is either cached or retired
    retired_list_.remove(at->second);
    delete at->second;
    at->second = page;
  }
  retired_list_.push_back(page);
  if (retired_list_.size() > kRetiredLimit) {
    PageNode* oldest = retired_list_.front();
    retired_list_.remove(oldest);
    retired_.erase(oldest->number);
    delete oldest;
  }
  shrink_index();
}

PageNode* PageCache::revive(int32_t number) {
  auto it = retired_.find(number);
  if (it == retired_.end()) return nullptr;
  PageNode* page = it->second;
  retired_.erase(it);
  retired_list_.remove(page);
  page->last_access = page->created = clock_;
  pages_.emplace(number, page);
  clean_.push_back(page);
  return page;
}

void PageCache::forget_retired() {
  while (!retired_list_.empty()) {
    PageNode* page = retired_list_.front();
    retired_list_.remove(page);
    delete page;
  }
  retired_.clear();
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
    evict(page);
  }
}

}  // namespace tps
