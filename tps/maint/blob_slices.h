// The blob slice operations: a blob's bytes handed out or taken in by
// range, its size and its touched mark.
//
// A blob is named by its 1-based number among the table's memos (args.blob)
// and must be a BLOB: a number naming no memo, or a text MEMO, whose buffer
// has a fixed size, fails with 78. Byte offsets are 0-based and a range
// includes both ends. The buffers are the program's (DeclaredTable::memos),
// so the operations work on a closed table too.
//
// The touched mark of a blob (ControlBlock::touched_blobs) is set by
// BLOB_YIELD, by BLOB_TAKE when it stores bytes and by setting the size or
// the contents through BLOB_SET_PROP; the end of every read and write
// clears it (engine_call.cc), so it tells the program that the blob was
// worked on since the record was last read or written.
//
// A blob never grows past the largest value a file can store
// (kMaxBlobSize): a call that would grow it further, or that finds no
// memory to grow it, fails with 80 and leaves it as it was.
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call. Each returns the operation's error number (0 for success).
#pragma once

#include <cstdint>

#include "tps/ops/control_block.h"
#include "tps/ops/engine_call.h"

namespace tps {

// Properties of BLOB_GET_PROP and BLOB_SET_PROP (args.record).
namespace blob_property {
inline constexpr int64_t kTouched = 29490;   // get: 1 when the touched mark is set, else 0
inline constexpr int64_t kSize = 29491;      // get: the size in bytes; set: args.blob_size (grows with zeros)
inline constexpr int64_t kContents = 29492;  // get: the buffer (pointer_out) and its size; set: args.bytes
}  // namespace blob_property

// BLOB_YIELD: bytes first..last, cut at the blob's end, to args.text_out;
// sets the touched mark. An empty range hands out nothing.
int blob_yield(ControlBlock& cb, DriverArguments& args);
// BLOB_TAKE: stores last-first+1 bytes of args.bytes at byte `first`,
// growing the blob (with zeros up to `first`) when it is shorter. A
// reversed range stores nothing. 78 when args.bytes holds fewer bytes than
// the range.
int blob_take(ControlBlock& cb, DriverArguments& args);
// BLOB_SIZE: the blob's length in bytes.
int blob_size(ControlBlock& cb, DriverArguments& args, uint32_t& value);
// BLOB_SET_PROP: sets the size or the whole contents; 78 for another property.
int blob_set_property(ControlBlock& cb, DriverArguments& args);
// BLOB_GET_PROP: the touched mark, the size, or the buffer with its size
// as the value; 78 for another property. The buffer stays valid until the
// blob next changes.
int blob_get_property(ControlBlock& cb, DriverArguments& args, uint32_t& value);

}  // namespace tps
