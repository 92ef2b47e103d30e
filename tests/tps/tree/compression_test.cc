#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"
#include "tps/tree/compression.h"

namespace tps {
namespace {

std::vector<uint8_t> compress(const std::vector<uint8_t>& body) {
  std::vector<uint8_t> out;
  if (!compress_body(body.data(), body.size(), out)) return {};
  return out;
}

std::vector<uint8_t> expand(const std::vector<uint8_t>& packed, size_t size) {
  std::vector<uint8_t> out(size);
  decompress_body(packed.data(), packed.size(), out.data(), out.size());
  return out;
}

int fault_of(const std::vector<uint8_t>& packed, size_t size) {
  try {
    expand(packed, size);
  } catch (const EngineFault& f) {
    return f.code();
  }
  return 0;
}

TEST(Compression, TenZeroBytesBecomeOneBlockAndAnEmptyTail) {
  EXPECT_EQ(compress(std::vector<uint8_t>(10, 0)), (std::vector<uint8_t>{0x01, 0x00, 0x09, 0x00}));
}

TEST(Compression, BodyWithoutRunOfFourIsNotCompressible) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> body = {1, 1, 1, 2, 2, 2, 3, 4, 5};
  EXPECT_FALSE(compress_body(body.data(), body.size(), out));
  EXPECT_TRUE(out.empty());
}

TEST(Compression, CountsUseSevenBitGroups) {
  std::vector<uint8_t> out;
  append_count(out, 200);
  append_count(out, 127);
  append_count(out, 16384);
  EXPECT_EQ(out, (std::vector<uint8_t>{0xC8, 0x01, 0x7F, 0x80, 0x80, 0x01}));
}

TEST(Compression, RoundTripsMixedBodies) {
  std::vector<std::vector<uint8_t>> bodies = {
      {5, 5, 5, 5},
      {1, 2, 3, 7, 7, 7, 7, 7, 9, 9},
      std::vector<uint8_t>(20000, 0xAB),
  };
  std::vector<uint8_t> long_literals(300);
  for (size_t i = 0; i < long_literals.size(); ++i) long_literals[i] = uint8_t(i * 7);
  long_literals.insert(long_literals.end(), 50, 0);
  bodies.push_back(long_literals);
  for (const auto& body : bodies) {
    std::vector<uint8_t> packed = compress(body);
    ASSERT_FALSE(packed.empty());
    EXPECT_EQ(expand(packed, body.size()), body);
  }
}

// The plain statement of the rule: walk maximal runs, emit those of four or more.
std::vector<uint8_t> reference_compress(const std::vector<uint8_t>& b) {
  std::vector<uint8_t> out;
  size_t pos = 0, i = 0;
  bool emitted = false;
  while (i < b.size()) {
    size_t r = 1;
    while (i + r < b.size() && b[i + r] == b[i]) ++r;
    if (r >= 4) {
      append_count(out, i + 1 - pos);
      out.insert(out.end(), b.begin() + long(pos), b.begin() + long(i + 1));
      append_count(out, r - 1);
      pos = i + r;
      emitted = true;
    }
    i += r;
  }
  if (!emitted) return {};
  append_count(out, b.size() - pos);
  out.insert(out.end(), b.begin() + long(pos), b.end());
  return out;
}

TEST(Compression, MatchesTheRuleOnRandomBodiesWithRuns) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 3000; ++trial) {
    std::vector<uint8_t> body;
    size_t size = rng() % 300;
    while (body.size() < size) {
      uint8_t byte = uint8_t(rng() % 4);  // few symbols: many short and long runs
      body.insert(body.end(), 1 + rng() % 7, byte);
    }
    ASSERT_EQ(compress(body), reference_compress(body)) << "trial " << trial;
  }
}

TEST(Compression, MalformedInputFaultsInsteadOfOverrunning) {
  EXPECT_EQ(fault_of({0x05, 1, 2}, 4), fault::kLiteralCountOverrun);       // 5 literals, 4 expected
  EXPECT_EQ(fault_of({0x01, 7, 0x09}, 4), fault::kRepeatCountOverrun);     // 9 repeats, 3 left
  EXPECT_EQ(fault_of({0x00, 0x02}, 2), fault::kRepeatCountOverrun);        // nothing to repeat
  EXPECT_EQ(fault_of({0x03, 1, 2}, 6), fault::kDecodedSizeMismatch);       // input ends early
  EXPECT_EQ(fault_of({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, 8), fault::kLiteralCountOverrun);
}

TEST(Compression, BytesAfterAFullOutputAreIgnored) {
  EXPECT_EQ(expand({0x02, 4, 5, 0x77, 0x88}, 2), (std::vector<uint8_t>{4, 5}));
}

}  // namespace
}  // namespace tps
