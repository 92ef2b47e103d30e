// The counter records the key layer reads and keeps: per key an entry count
// and an out-of-date mark (the lowest record number whose entries may be
// missing; 0 when the key is complete). The table layer owns the records
// and implements this interface over them; a dynamic index keeps its own.
#pragma once

#include <cstdint>

namespace tps {

class KeyCounters {
 public:
  virtual ~KeyCounters() = default;

  // The entry count of counter `index` (a key number).
  virtual uint32_t count(uint8_t index) = 0;
  // Adds `delta` to it (the counter record must exist).
  virtual void add_count(uint8_t index, int32_t delta) = 0;
  // Stores a new entry count (build checkpoints).
  virtual void set_count(uint8_t index, uint32_t count) = 0;

  // The out-of-date mark; a missing counter record is created with zeros.
  virtual uint32_t mark(uint8_t index) = 0;
  // Stores `value` as the mark. With `keep_lowest` only when the stored mark
  // is 0 or greater than `value`.
  virtual void set_mark(uint8_t index, uint32_t value, bool keep_lowest) = 0;
};

}  // namespace tps
