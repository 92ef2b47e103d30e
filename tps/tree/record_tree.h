// The records of one cached page in key order: a weight-balanced binary
// search tree whose nodes also count their subtree, giving the record count,
// rank access and the median that a page split uses.
//
// Balance after an insertion below node Q (left L, right R): with
// d = count(R) - count(L), rotate left when d > 0 and d - count(R.left) > 0,
// rotate right when d < 0 and d + count(L.right) < 0. Removal takes the
// in-order neighbour from the larger subtree. The split point of a page (the
// root node) therefore follows from the exact insertion history, as in every
// other program writing these files.
#pragma once

#include <cstdint>
#include <vector>

#include "tps/tree/record_node.h"

namespace tps {

class RecordTree {
 public:
  RecordTree() = default;
  ~RecordTree() { clear(); }
  RecordTree(const RecordTree&) = delete;
  RecordTree& operator=(const RecordTree&) = delete;
  RecordTree(RecordTree&& other) noexcept : root_(other.root_) { other.root_ = nullptr; }
  RecordTree& operator=(RecordTree&& other) noexcept;

  uint32_t size() const { return subtree_count(root_); }
  bool empty() const { return root_ == nullptr; }
  RecordNode* root() const { return root_; }

  // Inserts `node` (taking ownership). Returns false, leaving the tree and
  // the node untouched, when a record with an equal key exists.
  bool insert(RecordNode* node);
  // Unlinks `node` from the tree and returns it (ownership to the caller).
  // REQUIRES: node is in this tree.
  RecordNode* unlink(RecordNode* node);

  RecordNode* first() const;
  RecordNode* last() const;
  static RecordNode* next(const RecordNode* node);
  static RecordNode* previous(const RecordNode* node);
  RecordNode* at(uint32_t rank) const;  // 0-based; nullptr past the end

  // The last record whose key is <= (or < when `strict`) the given key.
  RecordNode* last_not_after(const uint8_t* key, size_t key_length, bool strict) const;
  // The first record whose key is > the given key.
  RecordNode* first_after(const uint8_t* key, size_t key_length) const;
  // The record with exactly this key.
  RecordNode* find(const uint8_t* key, size_t key_length) const;

  // Replaces the contents by `nodes` (already in key order), as a perfectly
  // balanced tree: the first n/2 form the left subtree, the next the root.
  void assign_sorted(const std::vector<RecordNode*>& nodes);
  // Detaches and returns the whole node structure (caller owns the nodes).
  RecordNode* release();
  // Takes over a detached subtree as the whole tree.
  void adopt(RecordNode* subtree);
  void clear();

  template <typename F>
  void for_each(F&& f) const {
    for (RecordNode* n = first(); n; n = next(n)) f(n);
  }

 private:
  RecordNode* root_ = nullptr;
};

}  // namespace tps
