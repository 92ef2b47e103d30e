#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"
#include "tps/tree/framing.h"

namespace tps {
namespace {

RecordNode* make(const std::string& bytes, uint16_t key_length) {
  return RecordNode::create(reinterpret_cast<const uint8_t*>(bytes.data()), uint16_t(bytes.size()),
                            key_length);
}

std::vector<uint8_t> encode(std::initializer_list<RecordNode*> records) {
  RecordTree tree;
  for (RecordNode* r : records) EXPECT_TRUE(tree.insert(r));
  std::vector<uint8_t> out;
  encode_records(tree, out);
  return out;
}

TEST(Framing, FirstRecordCarriesBothLengths) {
  EXPECT_EQ(encode({make("ab", 1)}), (std::vector<uint8_t>{0xC0, 2, 0, 1, 0, 'a', 'b'}));
}

TEST(Framing, SharedPrefixIsCappedAt63) {
  std::string common(70, 'x');
  std::vector<uint8_t> out = encode({make(common + "1", 71), make(common + "2", 71)});
  // First record: flag, L, K, 71 bytes. Second: flag 0x3F and the last 8 bytes.
  ASSERT_EQ(out.size(), 5u + 71u + 1u + 8u);
  EXPECT_EQ(out[76], 0x3F);
}

TEST(Framing, LengthFlagsFollowChanges) {
  // In key order: "aa"(K2) "ab"(K2) "abc"(K3) "ac"(K2).
  std::vector<uint8_t> out = encode({make("aa", 2), make("ab", 2), make("abc", 3), make("ac", 2)});
  std::vector<uint8_t> expected = {
      0xC0, 2, 0, 2, 0, 'a', 'a',  // first record: both lengths
      0x01, 'b',                   // same L and K, one byte shared
      0xC2, 3, 0, 3, 0, 'c',       // L and K differ, "ab" shared
      0xC1, 2, 0, 2, 0, 'c',       // both differ again, "a" shared
  };
  EXPECT_EQ(out, expected);
  std::vector<RecordNode*> back;
  EXPECT_EQ(decode_records(out.data(), out.size(), 4, back), out.size());
  ASSERT_EQ(back.size(), 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back[2]->bytes()), back[2]->length), "abc");
  for (RecordNode* r : back) RecordNode::destroy(r);
}

TEST(Framing, RoundTripPreservesEveryRecord) {
  RecordTree tree;
  for (int i = 0; i < 300; ++i) {
    std::string key = "key" + std::to_string(1000 + i);
    tree.insert(make(key + std::string(size_t(i % 17), char('a' + i % 26)), uint16_t(key.size())));
  }
  std::vector<uint8_t> out;
  encode_records(tree, out);
  std::vector<RecordNode*> back;
  EXPECT_EQ(decode_records(out.data(), out.size(), tree.size(), back), out.size());
  size_t i = 0;
  for (RecordNode* r = tree.first(); r; r = RecordTree::next(r), ++i) {
    ASSERT_EQ(back[i]->length, r->length);
    EXPECT_EQ(back[i]->key_length, r->key_length);
    EXPECT_EQ(std::memcmp(back[i]->bytes(), r->bytes(), r->length), 0);
  }
  for (RecordNode* r : back) RecordNode::destroy(r);
}

// The records of one page are decoded into one block of memory, yet each
// lives and dies on its own: a record a split moved to another page must
// outlive the page it was read with (the sanitizer build checks the memory).
TEST(Framing, DecodedRecordsLiveAndDieApart) {
  std::vector<uint8_t> body = encode({make("k1-one", 2), make("k2-two", 2), make("k3-three", 2)});
  std::vector<RecordNode*> page;
  ASSERT_EQ(decode_records(body.data(), body.size(), 3, page), body.size());
  RecordTree other;
  ASSERT_TRUE(other.insert(page[1]));
  RecordNode::destroy(page[2]);
  RecordNode::destroy(page[0]);
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(other.first()->bytes()), other.first()->length), "k2-two");
  RecordNode* replacement = make("k2-new", 2);
  other.clear();
  EXPECT_TRUE(other.insert(replacement));
}

TEST(Framing, MalformedBodiesFault) {
  struct Case {
    std::vector<uint8_t> body;
    uint32_t count;
  } cases[] = {
      {{0xC0, 5, 0}, 1},                    // key length missing
      {{0xC0, 2, 0, 3, 0, 'a', 'b'}, 1},    // key longer than record
      {{0xC0, 4, 0, 1, 0, 'a'}, 1},         // record bytes missing
      {{0xC5, 2, 0, 1, 0, 'a', 'b'}, 1},    // prefix longer than the previous record
      {{0xC0, 0xFF, 0xFF, 1, 0}, 1},        // record above the length limit
      {{}, 1},                              // no flag byte
      {{0xC0, 1, 0, 1, 0, 'a', 0xC0, 5}, 2},  // the second record cut short
  };
  for (const Case& c : cases) {
    std::vector<RecordNode*> out;
    try {
      decode_records(c.body.data(), c.body.size(), c.count, out);
      ADD_FAILURE() << "accepted a malformed body";
    } catch (const EngineFault& f) {
      EXPECT_EQ(f.code(), fault::kDecodedSizeMismatch);
    }
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
}  // namespace tps
