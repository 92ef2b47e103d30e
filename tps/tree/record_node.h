// A stored record as it lives in a cached page: a node of the page's
// in-memory search tree with the record's bytes allocated right behind it.
//
// A stored record is a byte string of `length` bytes whose first
// `key_length` bytes are its record key; the rest is its data. Index pages
// hold key-only records (length == key_length) with a child page number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tps {

// Records must be shorter than this (the largest is 15093 bytes).
inline constexpr size_t kRecordLengthLimit = 15094;

struct RecordNode {
  RecordNode* left = nullptr;
  RecordNode* right = nullptr;
  RecordNode* parent = nullptr;
  uint32_t count = 1;     // records in the subtree rooted here
  int32_t child = 0;      // index pages: page number of the child
  uint16_t length = 0;    // L: whole record
  uint16_t key_length = 0;  // K: leading key bytes
  // 0: allocated on its own; else the node lives in a block of nodes
  // (node_block.h) that starts this many bytes before it.
  uint32_t block_offset = 0;

  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
  const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(this + 1); }
  const uint8_t* data() const { return bytes() + key_length; }
  uint8_t* data() { return bytes() + key_length; }
  size_t data_length() const { return size_t(length) - key_length; }

  // Allocates a node for `length` bytes, left uninitialised.
  static RecordNode* allocate(uint16_t length, uint16_t key_length);
  // Allocates a node holding a copy of `length` bytes. REQUIRES: key_length <= length.
  static RecordNode* create(const uint8_t* bytes, uint16_t length, uint16_t key_length);
  // A key-only copy (an index entry for `source`'s key).
  static RecordNode* key_copy(const RecordNode& source);
  static void destroy(RecordNode* node);
};

struct RecordNodeDeleter {
  void operator()(RecordNode* node) const { RecordNode::destroy(node); }
};
using RecordPtr = std::unique_ptr<RecordNode, RecordNodeDeleter>;

inline uint32_t subtree_count(const RecordNode* node) { return node ? node->count : 0; }

}  // namespace tps
