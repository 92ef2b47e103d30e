// One allocation for the record nodes of a decoded page.
//
// A page read from disk turns into dozens of nodes at once and, when the
// cache trims it, goes away just as wholesale; one block for all of them
// spares the allocator a call per record each way. Each node placed in a
// block is still destroyed on its own (RecordNode::destroy), wherever a
// split or merge has moved it since; the block's memory goes back when its
// last node is gone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tps/tree/record_node.h"

namespace tps {

// Bytes a node for a record of `length` bytes takes in a block.
size_t node_block_share(uint16_t length);

// Fills a new block with nodes, one place() at a time.
class NodeBlockWriter {
 public:
  // `bytes`: the node_block_share of every node to be placed.
  explicit NodeBlockWriter(size_t bytes);
  ~NodeBlockWriter();
  NodeBlockWriter(const NodeBlockWriter&) = delete;
  NodeBlockWriter& operator=(const NodeBlockWriter&) = delete;

  // The next node, its record bytes left uninitialised.
  RecordNode* place(uint16_t length, uint16_t key_length);

 private:
  uint8_t* block_ = nullptr;
  size_t next_ = 0;
  size_t end_ = 0;
};

// RecordNode::destroy for a node that lives in a block.
void release_block_node(RecordNode* node);

}  // namespace tps
