#include "tps/tree/framing.h"

#include <algorithm>
#include <cstring>

#include "tps/base/bytes.h"
#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"
#include "tps/tree/node_block.h"

namespace tps {

namespace {

constexpr uint8_t kLengthFollows = 0x80;
constexpr uint8_t kKeyLengthFollows = 0x40;
constexpr uint8_t kPrefixMask = 0x3F;

size_t shared_prefix(const RecordNode& record, const RecordNode* previous) {
  if (!previous) return 0;
  size_t cap = std::min<size_t>({kPrefixMask, record.length, previous->length});
  size_t n = 0;
  const uint8_t* a = record.bytes();
  const uint8_t* b = previous->bytes();
  while (n < cap && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

// The output is sized once for the worst case (five bytes of framing per
// record), written through a pointer and cut to what was written.
void encode_records(const RecordTree& tree, std::vector<uint8_t>& out) {
  constexpr size_t kLargestFraming = 5;
  size_t bound = out.size();
  for (const RecordNode* r = tree.first(); r; r = RecordTree::next(r)) bound += kLargestFraming + r->length;
  size_t at = out.size();
  out.resize(bound);
  uint8_t* const base = out.data();
  const RecordNode* previous = nullptr;
  for (const RecordNode* r = tree.first(); r; r = RecordTree::next(r)) {
    const size_t n = shared_prefix(*r, previous);
    const bool length_differs = !previous || previous->length != r->length;
    const bool key_differs = !previous || previous->key_length != r->key_length;
    base[at++] = uint8_t(n | (length_differs ? kLengthFollows : 0) | (key_differs ? kKeyLengthFollows : 0));
    if (length_differs) {
      store_u16le(base + at, r->length);
      at += 2;
    }
    if (key_differs) {
      store_u16le(base + at, r->key_length);
      at += 2;
    }
    std::memcpy(base + at, r->bytes() + n, r->length - n);
    at += r->length - n;
    previous = r;
  }
  out.resize(at);
}

namespace {

// One record's framing as read from a body.
struct Frame {
  uint16_t length = 0;
  uint16_t key_length = 0;
  size_t shared = 0;    // leading bytes taken from the previous record
  size_t fresh_at = 0;  // body offset of the rest
};

// Reads the framing at `pos` and moves `pos` past the record; malformed
// framing (running past the body, lengths out of range, a prefix longer
// than the previous record) raises fault 1602.
Frame read_frame(const uint8_t* body, size_t length, size_t& pos, const Frame& previous) {
  check_or_fault(pos < length, fault::kDecodedSizeMismatch);
  const uint8_t flag = body[pos++];
  Frame frame;
  frame.length = previous.length;
  frame.key_length = previous.key_length;
  if (flag & kLengthFollows) {
    check_or_fault(length - pos >= 2, fault::kDecodedSizeMismatch);
    frame.length = load_u16le(body + pos);
    pos += 2;
  }
  if (flag & kKeyLengthFollows) {
    check_or_fault(length - pos >= 2, fault::kDecodedSizeMismatch);
    frame.key_length = load_u16le(body + pos);
    pos += 2;
  }
  frame.shared = flag & kPrefixMask;
  check_or_fault(frame.key_length <= frame.length && frame.length < kRecordLengthLimit,
                 fault::kDecodedSizeMismatch);
  check_or_fault(frame.shared <= frame.length && frame.shared <= previous.length, fault::kDecodedSizeMismatch);
  const size_t fresh = frame.length - frame.shared;
  check_or_fault(length - pos >= fresh, fault::kDecodedSizeMismatch);
  frame.fresh_at = pos;
  pos += fresh;
  return frame;
}

}  // namespace

// Two passes: the first checks the whole framing and sizes one block for
// all the nodes, the second fills it. A malformed body so faults before
// anything is allocated.
size_t decode_records(const uint8_t* body, size_t length, uint32_t count,
                      std::vector<RecordNode*>& out) {
  size_t pos = 0;
  size_t block_bytes = 0;
  Frame frame;
  for (uint32_t i = 0; i < count; ++i) {
    frame = read_frame(body, length, pos, frame);
    block_bytes += node_block_share(frame.length);
  }
  const size_t used = pos;

  NodeBlockWriter block(block_bytes);
  out.reserve(out.size() + count);
  pos = 0;
  frame = Frame();
  const RecordNode* previous = nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    frame = read_frame(body, length, pos, frame);
    RecordNode* node = block.place(frame.length, frame.key_length);
    if (frame.shared) std::memcpy(node->bytes(), previous->bytes(), frame.shared);
    std::memcpy(node->bytes() + frame.shared, body + frame.fresh_at, frame.length - frame.shared);
    out.push_back(node);
    previous = node;
  }
  return used;
}

}  // namespace tps
