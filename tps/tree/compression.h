// Run-length compression of page bodies.
//
// A compressed body is a sequence of blocks: a literal count c, c literal
// bytes, then a repeat count r (repeat the last literal byte r more times).
// Counts are unsigned numbers in 7-bit groups, least significant first, with
// bit 0x80 on every byte but the last. Runs shorter than four bytes stay
// literal; a body without any run of four is not compressible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tps {

// Appends the compressed form of body[0..length) to `out`. Returns false (and
// appends nothing) when the body holds no run of four equal bytes.
bool compress_body(const uint8_t* body, size_t length, std::vector<uint8_t>& out);

// Expands `input` into exactly `output_length` bytes of `output`. Bytes of the
// input after the output is full are ignored. Raises fault 522 or 530 when a
// count exceeds the bytes still expected, and 1602 when the input ends early.
void decompress_body(const uint8_t* input, size_t input_length, uint8_t* output,
                     size_t output_length);

// The 7-bit group encoding of counts, exposed for tests.
void append_count(std::vector<uint8_t>& out, size_t value);

}  // namespace tps
