#include "tps/tree/record_tree.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "tps/base/bytes.h"
#include "tps/tree/node_block.h"

namespace tps {

RecordNode* RecordNode::allocate(uint16_t length, uint16_t key_length) {
  void* memory = ::operator new(sizeof(RecordNode) + length);
  auto* node = new (memory) RecordNode();
  node->length = length;
  node->key_length = key_length;
  return node;
}

RecordNode* RecordNode::create(const uint8_t* bytes, uint16_t length, uint16_t key_length) {
  RecordNode* node = allocate(length, key_length);
  if (length) std::memcpy(node->bytes(), bytes, length);
  return node;
}

RecordNode* RecordNode::key_copy(const RecordNode& source) {
  return create(source.bytes(), source.key_length, source.key_length);
}

void RecordNode::destroy(RecordNode* node) {
  if (!node) return;
  if (node->block_offset != 0) {
    release_block_node(node);
    return;
  }
  node->~RecordNode();
  ::operator delete(node);
}

namespace {

int compare_node(const RecordNode* node, const uint8_t* key, size_t key_length) {
  return compare_keys(node->bytes(), node->key_length, key, key_length);
}

void recount(RecordNode* node) {
  node->count = 1 + subtree_count(node->left) + subtree_count(node->right);
}

void destroy_subtree(RecordNode* node) {
  while (node) {
    destroy_subtree(node->right);
    RecordNode* left = node->left;
    RecordNode::destroy(node);
    node = left;
  }
}

RecordNode* build_balanced(const std::vector<RecordNode*>& nodes, size_t begin, size_t end,
                           RecordNode* parent) {
  size_t n = end - begin;
  if (n == 0) return nullptr;
  size_t middle = begin + n / 2;
  RecordNode* root = nodes[middle];
  root->parent = parent;
  root->left = build_balanced(nodes, begin, middle, root);
  root->right = build_balanced(nodes, middle + 1, end, root);
  recount(root);
  return root;
}

}  // namespace

RecordTree& RecordTree::operator=(RecordTree&& other) noexcept {
  if (this != &other) {
    clear();
    root_ = other.root_;
    other.root_ = nullptr;
  }
  return *this;
}

void RecordTree::clear() {
  destroy_subtree(root_);
  root_ = nullptr;
}

RecordNode* RecordTree::release() {
  RecordNode* root = root_;
  root_ = nullptr;
  return root;
}

void RecordTree::adopt(RecordNode* subtree) {
  clear();
  root_ = subtree;
  if (root_) root_->parent = nullptr;
}

void RecordTree::assign_sorted(const std::vector<RecordNode*>& nodes) {
  clear();
  root_ = build_balanced(nodes, 0, nodes.size(), nullptr);
}

// Puts `replacement` where `node` hangs under its parent (or at the root).
static void replace_child(RecordNode*& root, RecordNode* node, RecordNode* replacement) {
  RecordNode* parent = node->parent;
  if (!parent) {
    root = replacement;
  } else if (parent->left == node) {
    parent->left = replacement;
  } else {
    parent->right = replacement;
  }
  if (replacement) replacement->parent = parent;
}

static RecordNode* rotate_left(RecordNode*& root, RecordNode* q) {
  RecordNode* r = q->right;
  replace_child(root, q, r);
  q->right = r->left;
  if (q->right) q->right->parent = q;
  r->left = q;
  q->parent = r;
  recount(q);
  recount(r);
  return r;
}

static RecordNode* rotate_right(RecordNode*& root, RecordNode* q) {
  RecordNode* l = q->left;
  replace_child(root, q, l);
  q->left = l->right;
  if (q->left) q->left->parent = q;
  l->right = q;
  q->parent = l;
  recount(q);
  recount(l);
  return l;
}

bool RecordTree::insert(RecordNode* node) {
  RecordNode* parent = nullptr;
  RecordNode** link = &root_;
  const uint8_t* key = node->bytes();
  while (*link) {
    parent = *link;
    int c = compare_node(parent, key, node->key_length);
    if (c == 0) return false;
    link = c > 0 ? &parent->left : &parent->right;
  }
  node->left = node->right = nullptr;
  node->parent = parent;
  node->count = 1;
  *link = node;

  for (RecordNode* q = parent; q;) {
    RecordNode* up = q->parent;
    recount(q);
    uint32_t left = subtree_count(q->left);
    uint32_t right = subtree_count(q->right);
    int64_t d = int64_t(right) - int64_t(left);
    if (d > 0 && d - int64_t(subtree_count(q->right->left)) > 0) {
      rotate_left(root_, q);
    } else if (d < 0 && d + int64_t(subtree_count(q->left->right)) < 0) {
      rotate_right(root_, q);
    }
    q = up;
  }
  return true;
}

RecordNode* RecordTree::unlink(RecordNode* node) {
  auto decrement_from = [](RecordNode* n) {
    for (; n; n = n->parent) --n->count;
  };
  if (!node->left || !node->right) {
    RecordNode* child = node->left ? node->left : node->right;
    RecordNode* parent = node->parent;
    replace_child(root_, node, child);
    decrement_from(parent);
  } else {
    // Take the in-order neighbour from the larger subtree.
    RecordNode* s;
    if (subtree_count(node->right) < subtree_count(node->left)) {
      for (s = node->left; s->right; s = s->right) {
      }
    } else {
      for (s = node->right; s->left; s = s->left) {
      }
    }
    RecordNode* s_child = s->left ? s->left : s->right;
    RecordNode* s_parent = s->parent;
    replace_child(root_, s, s_child);
    decrement_from(s_parent);
    s->left = node->left;
    s->right = node->right;
    if (s->left) s->left->parent = s;
    if (s->right) s->right->parent = s;
    s->count = node->count;
    replace_child(root_, node, s);
  }
  node->left = node->right = node->parent = nullptr;
  node->count = 1;
  return node;
}

RecordNode* RecordTree::first() const {
  RecordNode* n = root_;
  while (n && n->left) n = n->left;
  return n;
}

RecordNode* RecordTree::last() const {
  RecordNode* n = root_;
  while (n && n->right) n = n->right;
  return n;
}

RecordNode* RecordTree::next(const RecordNode* node) {
  if (node->right) {
    RecordNode* n = node->right;
    while (n->left) n = n->left;
    return n;
  }
  const RecordNode* n = node;
  while (n->parent && n->parent->right == n) n = n->parent;
  return n->parent;
}

RecordNode* RecordTree::previous(const RecordNode* node) {
  if (node->left) {
    RecordNode* n = node->left;
    while (n->right) n = n->right;
    return n;
  }
  const RecordNode* n = node;
  while (n->parent && n->parent->left == n) n = n->parent;
  return n->parent;
}

RecordNode* RecordTree::at(uint32_t rank) const {
  RecordNode* n = root_;
  while (n) {
    uint32_t left = subtree_count(n->left);
    if (rank < left) {
      n = n->left;
    } else if (rank == left) {
      return n;
    } else {
      rank -= left + 1;
      n = n->right;
    }
  }
  return nullptr;
}

RecordNode* RecordTree::last_not_after(const uint8_t* key, size_t key_length, bool strict) const {
  RecordNode* candidate = nullptr;
  for (RecordNode* n = root_; n;) {
    int c = compare_node(n, key, key_length);
    if (c < 0 || (c == 0 && !strict)) {
      candidate = n;
      n = n->right;
    } else {
      n = n->left;
    }
  }
  return candidate;
}

RecordNode* RecordTree::first_after(const uint8_t* key, size_t key_length) const {
  RecordNode* candidate = nullptr;
  for (RecordNode* n = root_; n;) {
    if (compare_node(n, key, key_length) > 0) {
      candidate = n;
      n = n->left;
    } else {
      n = n->right;
    }
  }
  return candidate;
}

RecordNode* RecordTree::find(const uint8_t* key, size_t key_length) const {
  RecordNode* n = last_not_after(key, key_length, false);
  return n && compare_node(n, key, key_length) == 0 ? n : nullptr;
}

}  // namespace tps
