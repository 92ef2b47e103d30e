// A position handle designates one stored record of a file object.
//
// While attached it points at the record's node in a cached page and is on
// that page's handle list. Evicting, splitting or dropping the page detaches
// it: it then keeps a private copy of the record key and re-finds the record
// by exact key when next used (PageTree::reattach).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tps {

class FileObject;
struct PageNode;
struct RecordNode;

class PositionHandle {
 public:
  explicit PositionHandle(FileObject* file = nullptr) : file_(file) {}
  ~PositionHandle() { unlink(); }
  PositionHandle(const PositionHandle&) = delete;
  PositionHandle& operator=(const PositionHandle&) = delete;

  FileObject* file() const { return file_; }
  void set_file(FileObject* file);

  bool attached() const { return page_ != nullptr; }
  // True when the handle designates a record (attached, or a key copy).
  bool designates() const { return attached() || has_key_; }
  PageNode* page() const { return page_; }
  RecordNode* node() const { return node_; }

  // The key of the designated record. REQUIRES: designates().
  const uint8_t* key() const;
  size_t key_length() const;

  // Points the handle at `node` of `page`.
  void attach(PageNode* page, RecordNode* node);
  // Keeps a key copy of the designated record and leaves the page.
  void detach();
  // Designates the record with this key, detached.
  void set_key(const uint8_t* key, size_t length);
  // Designates nothing.
  void clear();

  // Detaches every handle on the page / on one record of the page.
  static void detach_all(PageNode* page);
  static void detach_record(PageNode* page, const RecordNode* node);

 private:
  void link(PageNode* page);
  void unlink();

  FileObject* file_;
  PageNode* page_ = nullptr;
  RecordNode* node_ = nullptr;
  std::vector<uint8_t> key_;  // valid when detached and has_key_
  bool has_key_ = false;
  PositionHandle* prev_ = nullptr;
  PositionHandle* next_ = nullptr;
};

}  // namespace tps
