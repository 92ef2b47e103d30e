// Framing of the records of a page body.
//
// Each record is written as a flag byte, then its length L (u16) when flag
// bit 0x80 is set, its key length K (u16) when bit 0x40 is set, then bytes
// n..L of the record, where n = flag & 0x3F leading bytes are shared with the
// previous record of the page. Bit 0x80/0x40 is set on the first record of a
// page and whenever L/K differs from the previous record's; n is the common
// prefix of the two whole records capped at min(63, L, previous L).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tps/tree/record_tree.h"

namespace tps {

// Appends the framed records of `tree`, in key order, to `out`.
void encode_records(const RecordTree& tree, std::vector<uint8_t>& out);

// Decodes `count` framed records from body[0..length) into new nodes, in
// order. Returns the number of body bytes used. Malformed framing raises
// fault 1602; on a fault no node is leaked.
size_t decode_records(const uint8_t* body, size_t length, uint32_t count,
                      std::vector<RecordNode*>& out);

}  // namespace tps
