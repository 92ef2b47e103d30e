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

namespace {

// The first position k >= from where four equal bytes start, or `length`.
// A mismatch between b[k+2] and b[k+3] rules out runs starting at k, k+1
// and k+2 at once, so most bytes of a page body are never looked at twice.
size_t find_four_equal(const uint8_t* b, size_t from, size_t length) {
  size_t k = from;
  while (k + 3 < length) {
    if (b[k + 3] != b[k + 2]) {
      k += 3;
    } else if (b[k + 2] != b[k + 1]) {
      k += 2;
    } else if (b[k + 1] != b[k]) {
      k += 1;
    } else {
      return k;
    }
  }
  return length;
}

}  // namespace

bool compress_body(const uint8_t* body, size_t length, std::vector<uint8_t>& out) {
  const size_t start = out.size();
  size_t pending = 0;  // first byte of the literals not yet emitted; always a run start
  bool emitted = false;
  for (size_t k = find_four_equal(body, 0, length); k < length;
       k = find_four_equal(body, pending, length)) {
    // The maximal run holding k starts no earlier than `pending`.
    size_t run_start = k;
    while (run_start > pending && body[run_start - 1] == body[k]) --run_start;
    size_t run_end = k + 4;
    while (run_end < length && body[run_end] == body[k]) ++run_end;
    append_count(out, run_start + 1 - pending);
    out.insert(out.end(), body + pending, body + run_start + 1);
    append_count(out, run_end - run_start - 1);
    pending = run_end;
    emitted = true;
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
