#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tps/tree/record_tree.h"

namespace tps {
namespace {

RecordNode* make(uint32_t value) {
  uint8_t key[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
  return RecordNode::create(key, 4, 4);
}

uint32_t value_of(const RecordNode* n) {
  const uint8_t* k = n->bytes();
  return (uint32_t(k[0]) << 24) | (k[1] << 16) | (k[2] << 8) | k[3];
}

// Counts and parent links agree with the structure; returns the height.
int verify(const RecordNode* n, const RecordNode* parent) {
  if (!n) return 0;
  EXPECT_EQ(n->parent, parent);
  EXPECT_EQ(n->count, 1 + subtree_count(n->left) + subtree_count(n->right));
  return 1 + std::max(verify(n->left, n), verify(n->right, n));
}

TEST(RecordTree, KeepsOrderCountsAndBalanceUnderRandomChurn) {
  RecordTree tree;
  std::set<uint32_t> model;
  std::mt19937 rng(7);
  for (int step = 0; step < 4000; ++step) {
    uint32_t v = rng() % 1500;
    if (rng() % 3 && !model.count(v)) {
      ASSERT_TRUE(tree.insert(make(v)));
      model.insert(v);
    } else if (model.count(v)) {
      uint8_t key[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
      RecordNode::destroy(tree.unlink(tree.find(key, 4)));
      model.erase(v);
    }
  }
  ASSERT_EQ(tree.size(), model.size());
  int height = verify(tree.root(), nullptr);
  EXPECT_LE(height, 40);
  auto it = model.begin();
  for (RecordNode* n = tree.first(); n; n = RecordTree::next(n), ++it) EXPECT_EQ(value_of(n), *it);
  for (uint32_t rank = 0; rank < tree.size(); rank += 37) {
    EXPECT_EQ(value_of(tree.at(rank)), *std::next(model.begin(), rank));
  }
}

TEST(RecordTree, AscendingInsertsStayBalanced) {
  RecordTree tree;
  for (uint32_t v = 0; v < 1024; ++v) tree.insert(make(v));
  EXPECT_LE(verify(tree.root(), nullptr), 22);
}

TEST(RecordTree, DuplicateKeyIsRefusedAndLeftToTheCaller) {
  RecordTree tree;
  ASSERT_TRUE(tree.insert(make(5)));
  RecordNode* twin = make(5);
  EXPECT_FALSE(tree.insert(twin));
  RecordNode::destroy(twin);
  EXPECT_EQ(tree.size(), 1u);
}

TEST(RecordTree, SearchesAroundAKey) {
  RecordTree tree;
  for (uint32_t v : {10, 20, 30}) tree.insert(make(v));
  uint8_t k20[4] = {0, 0, 0, 20};
  uint8_t k25[4] = {0, 0, 0, 25};
  EXPECT_EQ(value_of(tree.last_not_after(k20, 4, false)), 20u);
  EXPECT_EQ(value_of(tree.last_not_after(k20, 4, true)), 10u);
  EXPECT_EQ(value_of(tree.first_after(k20, 4)), 30u);
  EXPECT_EQ(value_of(tree.last_not_after(k25, 4, false)), 20u);
  EXPECT_EQ(tree.find(k25, 4), nullptr);
  uint8_t shorter[3] = {0, 0, 0};  // a prefix sorts before the longer keys it starts
  EXPECT_EQ(tree.last_not_after(shorter, 3, false), nullptr);
}

TEST(RecordTree, DecodedPagesAreBuiltPerfectlyBalanced) {
  std::vector<RecordNode*> nodes;
  for (uint32_t v = 0; v < 7; ++v) nodes.push_back(make(v));
  RecordTree tree;
  tree.assign_sorted(nodes);
  EXPECT_EQ(value_of(tree.root()), 3u);  // 7/2 = 3 records on the left
  EXPECT_EQ(verify(tree.root(), nullptr), 3);
}

}  // namespace
}  // namespace tps
