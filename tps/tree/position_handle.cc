#include "tps/tree/position_handle.h"

#include "tps/page/page_node.h"

namespace tps {

void PositionHandle::set_file(FileObject* file) {
  clear();
  file_ = file;
}

const uint8_t* PositionHandle::key() const { return node_ ? node_->bytes() : key_.data(); }

size_t PositionHandle::key_length() const { return node_ ? node_->key_length : key_.size(); }

void PositionHandle::link(PageNode* page) {
  page_ = page;
  prev_ = nullptr;
  next_ = page->handles;
  if (next_) next_->prev_ = this;
  page->handles = this;
}

void PositionHandle::unlink() {
  if (!page_) return;
  if (prev_) {
    prev_->next_ = next_;
  } else {
    page_->handles = next_;
  }
  if (next_) next_->prev_ = prev_;
  page_ = nullptr;
  node_ = nullptr;
  prev_ = next_ = nullptr;
}

void PositionHandle::attach(PageNode* page, RecordNode* node) {
  unlink();
  has_key_ = false;
  link(page);
  node_ = node;
}

void PositionHandle::detach() {
  if (!page_) return;
  key_.assign(node_->bytes(), node_->bytes() + node_->key_length);
  has_key_ = true;
  unlink();
}

void PositionHandle::set_key(const uint8_t* key, size_t length) {
  unlink();
  key_.assign(key, key + length);
  has_key_ = true;
}

void PositionHandle::clear() {
  unlink();
  key_.clear();
  has_key_ = false;
}

void PositionHandle::detach_all(PageNode* page) {
  while (page->handles) page->handles->detach();
}

void PositionHandle::detach_record(PageNode* page, const RecordNode* node) {
  for (PositionHandle* h = page->handles; h;) {
    PositionHandle* next = h->next_;
    if (h->node_ == node) h->detach();
    h = next;
  }
}

}  // namespace tps
