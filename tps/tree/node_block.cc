#include "tps/tree/node_block.h"

#include <new>

#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"

#if defined(__SANITIZE_ADDRESS__)
#define QV_POISON_NODES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_POISON_NODES 1
#endif
#endif

#ifdef QV_POISON_NODES
#include <sanitizer/asan_interface.h>
#endif

namespace tps {

namespace {

struct BlockHeader {
  uint64_t live = 0;  // nodes placed and not yet destroyed
};

constexpr size_t kAlign = alignof(RecordNode) > 8 ? alignof(RecordNode) : 8;
constexpr size_t round_up(size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }
constexpr size_t kHeaderBytes = round_up(sizeof(BlockHeader));
#ifdef QV_POISON_NODES
// A poisoned gap after every node, so that running past a node's bytes is
// caught as it would be between two separate allocations.
constexpr size_t kRedZone = 16;
#else
constexpr size_t kRedZone = 0;
#endif

BlockHeader* header_of(RecordNode* node) {
  return reinterpret_cast<BlockHeader*>(reinterpret_cast<uint8_t*>(node) - node->block_offset);
}

}  // namespace

size_t node_block_share(uint16_t length) { return round_up(sizeof(RecordNode) + length) + kRedZone; }

NodeBlockWriter::NodeBlockWriter(size_t bytes) {
  if (bytes == 0) return;
  end_ = kHeaderBytes + bytes;
  block_ = static_cast<uint8_t*>(::operator new(end_));
  new (block_) BlockHeader();
  next_ = kHeaderBytes;
#ifdef QV_POISON_NODES
  ASAN_POISON_MEMORY_REGION(block_ + kHeaderBytes, bytes);
#endif
}

NodeBlockWriter::~NodeBlockWriter() {
  if (block_ && reinterpret_cast<BlockHeader*>(block_)->live == 0) ::operator delete(block_);
}

RecordNode* NodeBlockWriter::place(uint16_t length, uint16_t key_length) {
  const size_t share = node_block_share(length);
  check_or_fault(block_ && end_ - next_ >= share, fault::kDecodedSizeMismatch);
  uint8_t* at = block_ + next_;
#ifdef QV_POISON_NODES
  ASAN_UNPOISON_MEMORY_REGION(at, sizeof(RecordNode) + length);
#endif
  auto* node = new (at) RecordNode();
  node->length = length;
  node->key_length = key_length;
  node->block_offset = uint32_t(next_);
  next_ += share;
  ++reinterpret_cast<BlockHeader*>(block_)->live;
  return node;
}

void release_block_node(RecordNode* node) {
  BlockHeader* header = header_of(node);
  const size_t length = node->length;
  node->~RecordNode();
#ifdef QV_POISON_NODES
  ASAN_POISON_MEMORY_REGION(node, sizeof(RecordNode) + length);
#else
  (void)length;
#endif
  if (--header->live == 0) ::operator delete(header);
}

}  // namespace tps
