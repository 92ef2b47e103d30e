#include "tps/tree/framing.h"

#include <algorithm>
#include <cstring>

#include "tps/base/bytes.h"
#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"

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

size_t framed_size(const RecordNode& record, const RecordNode* previous) {
  size_t size = 1 + record.length - shared_prefix(record, previous);
  if (!previous || previous->length != record.length) size += 2;
  if (!previous || previous->key_length != record.key_length) size += 2;
  return size;
}

void encode_records(const RecordTree& tree, std::vector<uint8_t>& out) {
  const RecordNode* previous = nullptr;
  for (RecordNode* r = tree.first(); r; r = RecordTree::next(r)) {
    size_t n = shared_prefix(*r, previous);
    uint8_t flag = uint8_t(n);
    bool length_differs = !previous || previous->length != r->length;
    bool key_differs = !previous || previous->key_length != r->key_length;
    if (length_differs) flag |= kLengthFollows;
    if (key_differs) flag |= kKeyLengthFollows;
    out.push_back(flag);
    uint8_t word[2];
    if (length_differs) {
      store_u16le(word, r->length);
      out.insert(out.end(), word, word + 2);
    }
    if (key_differs) {
      store_u16le(word, r->key_length);
      out.insert(out.end(), word, word + 2);
    }
    out.insert(out.end(), r->bytes() + n, r->bytes() + r->length);
    previous = r;
  }
}

size_t decode_records(const uint8_t* body, size_t length, uint32_t count,
                      std::vector<RecordNode*>& out) {
  const size_t first_new = out.size();
  try {
    size_t pos = 0;
    uint16_t prev_length = 0;
    uint16_t prev_key_length = 0;
    const RecordNode* previous = nullptr;
    for (uint32_t i = 0; i < count; ++i) {
      check_or_fault(pos < length, fault::kDecodedSizeMismatch);
      uint8_t flag = body[pos++];
      uint16_t record_length = prev_length;
      uint16_t key_length = prev_key_length;
      if (flag & kLengthFollows) {
        check_or_fault(length - pos >= 2, fault::kDecodedSizeMismatch);
        record_length = load_u16le(body + pos);
        pos += 2;
      }
      if (flag & kKeyLengthFollows) {
        check_or_fault(length - pos >= 2, fault::kDecodedSizeMismatch);
        key_length = load_u16le(body + pos);
        pos += 2;
      }
      size_t shared = flag & kPrefixMask;
      check_or_fault(key_length <= record_length && record_length < kRecordLengthLimit,
                     fault::kDecodedSizeMismatch);
      check_or_fault(shared <= record_length && shared <= prev_length, fault::kDecodedSizeMismatch);
      size_t fresh = record_length - shared;
      check_or_fault(length - pos >= fresh, fault::kDecodedSizeMismatch);
      RecordNode* node = RecordNode::allocate(record_length, key_length);
      if (shared) std::memcpy(node->bytes(), previous->bytes(), shared);
      std::memcpy(node->bytes() + shared, body + pos, fresh);
      pos += fresh;
      out.push_back(node);
      previous = node;
      prev_length = record_length;
      prev_key_length = key_length;
    }
    return pos;
  } catch (...) {
    for (size_t i = first_new; i < out.size(); ++i) RecordNode::destroy(out[i]);
    out.resize(first_new);
    throw;
  }
}

}  // namespace tps
