// A map from int32 to int32 in one flat table (open addressing, linear
// probing), for bookkeeping that is filled, read many times and cleared as
// a whole. INT32_MIN cannot be a key.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tps {

class IntMap {
 public:
  static constexpr int32_t kNoKey = INT32_MIN;

  // The value stored under `key`, or nullptr.
  const int32_t* find(int32_t key) const {
    if (slots_.empty()) return nullptr;
    for (size_t i = home(key);; i = (i + 1) & mask()) {
      if (slots_[i].key == key) return &slots_[i].value;
      if (slots_[i].key == kNoKey) return nullptr;
    }
  }

  // Stores `value` under `key`. Returns true when the key was new.
  bool put(int32_t key, int32_t value) {
    if ((size_ + 1) * 2 > slots_.size()) grow();
    for (size_t i = home(key);; i = (i + 1) & mask()) {
      if (slots_[i].key == key) {
        slots_[i].value = value;
        return false;
      }
      if (slots_[i].key == kNoKey) {
        slots_[i] = {key, value};
        ++size_;
        return true;
      }
    }
  }

  size_t size() const { return size_; }
  void clear() {
    slots_.clear();
    size_ = 0;
  }

 private:
  struct Slot {
    int32_t key = kNoKey;
    int32_t value = 0;
  };

  size_t mask() const { return slots_.size() - 1; }
  size_t home(int32_t key) const {
    // Fibonacci hashing spreads runs of neighbouring page numbers.
    return size_t((uint64_t(uint32_t(key)) * 0x9E3779B97F4A7C15ull) >> 32) & mask();
  }

  void grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    size_ = 0;
    for (const Slot& s : old)
      if (s.key != kNoKey) put(s.key, s.value);
  }

  std::vector<Slot> slots_;  // a power of two, at most half full
  size_t size_ = 0;
};

}  // namespace tps
