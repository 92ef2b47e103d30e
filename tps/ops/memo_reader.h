// Reading the memos of one record straight into memo buffers.
//
// The memo chunks of a record lie together in key order (memo number, then
// sequence number), so one walk over them fills every buffer in place:
// no chunk list is built and no buffer is reallocated on the way.
#pragma once

#include <cstdint>
#include <vector>

#include "tps/ops/control_block.h"

namespace tps {

// Fills `values` (one per declared memo; MEMO buffers of their declared
// size) with the memos of `record`: a MEMO is its chunks in sequence order
// cut at its size and padded with spaces, text converted back from the OEM
// code page unless BINARY; a BLOB is rebuilt from its chunks. With
// `text_only` BLOBs are left alone. Returns 0, or 80 when a stored BLOB is
// damaged or too large (that BLOB is left empty).
int read_memos(ControlBlock& cb, uint32_t record, std::vector<Bytes>& values, bool text_only);

}  // namespace tps
