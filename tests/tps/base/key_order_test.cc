#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tps/base/bytes.h"

namespace tps {
namespace {

int sign(int v) { return (v > 0) - (v < 0); }

// Unsigned bytewise order, then the shorter first: the order std::vector's
// lexicographic comparison gives.
int reference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) { return a < b ? -1 : (b < a ? 1 : 0); }

// Pairs that part at every position below, at and past the eighth byte,
// with high bytes, and pairs where one is a prefix of the other.
TEST(KeyOrder, AgreesWithUnsignedBytewiseOrder) {
  std::mt19937 random(3);
  auto random_byte = [&] { return uint8_t(random() % 3 == 0 ? 0x80 + random() % 128 : random() % 4); };
  for (int i = 0; i < 20000; ++i) {
    std::vector<uint8_t> a(random() % 20);
    for (uint8_t& byte : a) byte = random_byte();
    // b shares a prefix of any length with a, then goes its own way.
    std::vector<uint8_t> b(a.begin(), a.begin() + long(random() % (a.size() + 1)));
    for (size_t tail = random() % 12; tail > 0; --tail) b.push_back(random_byte());
    ASSERT_EQ(sign(compare_keys(a.data(), a.size(), b.data(), b.size())), reference(a, b));
    ASSERT_EQ(sign(compare_keys(b.data(), b.size(), a.data(), a.size())), reference(b, a));
  }
}

}  // namespace
}  // namespace tps
