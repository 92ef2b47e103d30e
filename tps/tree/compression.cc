#include "tps/tree/compression.h"

#include <cstring>

#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"

namespace tps {

void append_count(std::vector<uint8_t>& out, size_t value) {
  while (value >= 0x80) {
    out.push_back(uint8_t(value | 0x80));
    value >>= 7;
  }
  out.push_back(uint8_t(value));
}

bool compress_body(const uint8_t* body, size_t length, std::vector<uint8_t>& out) {
  const size_t start = out.size();
  size_t pending = 0;  // first byte of the literals not yet emitted
  size_t i = 0;
  bool emitted = false;
  while (i < length) {
    size_t run = 1;
    while (i + run < length && body[i + run] == body[i]) ++run;
    if (run >= 4) {
      append_count(out, i + 1 - pending);
      out.insert(out.end(), body + pending, body + i + 1);
      append_count(out, run - 1);
      pending = i + run;
      emitted = true;
    }
    i += run;
  }
  if (!emitted) {
    out.resize(start);
    return false;
  }
  append_count(out, length - pending);
  out.insert(out.end(), body + pending, body + length);
  return true;
}

namespace {

// Reads one count; the input ending inside it is a framing fault.
size_t read_count(const uint8_t* input, size_t input_length, size_t& pos, size_t limit,
                  int overrun_fault) {
  size_t value = 0;
  for (int shift = 0;; shift += 7) {
    check_or_fault(pos < input_length, fault::kDecodedSizeMismatch);
    uint8_t b = input[pos++];
    if (shift >= 28 && (b >> (35 - shift)) != 0) raise_fault(overrun_fault);
    value |= size_t(b & 0x7F) << shift;
    if (value > limit) raise_fault(overrun_fault);
    if (!(b & 0x80)) return value;
  }
}

}  // namespace

void decompress_body(const uint8_t* input, size_t input_length, uint8_t* output,
                     size_t output_length) {
  size_t in = 0;
  size_t out = 0;
  while (out < output_length) {
    size_t literal = read_count(input, input_length, in, output_length - out,
                                fault::kLiteralCountOverrun);
    check_or_fault(literal <= input_length - in, fault::kDecodedSizeMismatch);
    std::memcpy(output + out, input + in, literal);
    in += literal;
    out += literal;
    if (out == output_length) break;
    size_t repeat = read_count(input, input_length, in, output_length - out,
                               fault::kRepeatCountOverrun);
    if (repeat == 0) continue;
    check_or_fault(out > 0, fault::kRepeatCountOverrun);
    std::memset(output + out, output[out - 1], repeat);
    out += repeat;
  }
}

}  // namespace tps
