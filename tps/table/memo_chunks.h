// MEMO and BLOB values cut into the chunks stored as memo records, and put
// back together.
//
// A MEMO drops its trailing spaces and is cut into chunks of at most 256
// bytes; reading pads the value with spaces to the declared size. A BLOB is
// cut into chunks of at most 10240 bytes, the first one led by the value's
// total size (u32 little-endian). A value with nothing to store has no chunks.
// Chunk i is stored with sequence number i.
//
// Text is converted between the ANSI and OEM code pages when the caller asks
// (OEM table, memo not BINARY). A BLOB's size prefix is never converted: it
// is a number, and converting it would garble the size for every reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "tps/table/byte_string.h"

namespace tps {

inline constexpr size_t kMemoChunkSize = 256;
inline constexpr size_t kBlobChunkSize = 10240;
inline constexpr size_t kBlobSizePrefixLength = 4;

// The chunks of the MEMO value `value` (`size` bytes, the memo buffer).
std::vector<Bytes> memo_chunks(const uint8_t* value, size_t size, bool to_oem);

// The MEMO buffer of `declared_size` bytes rebuilt from its chunks in
// sequence order: their bytes (converted back when `from_oem`), cut at the
// declared size, then spaces up to it.
Bytes memo_from_chunks(const std::vector<Bytes>& chunks, size_t declared_size, bool from_oem);

// The chunks of the BLOB value `value`; none when it is larger than a BLOB
// may be (0x28000000 bytes).
std::optional<std::vector<Bytes>> blob_chunks(const uint8_t* value, size_t size, bool to_oem);

// The BLOB value rebuilt from its chunks in sequence order. None when the
// chunks are malformed: a first chunk too short for the size, a size above
// the BLOB limit, or chunk bytes that do not add up to the size (so a forged
// size never makes the reader allocate for data that is not there).
// No chunks give the empty value.
std::optional<Bytes> blob_from_chunks(const std::vector<Bytes>& chunks, bool from_oem);

// One stored chunk of a memo: its sequence number and bytes.
struct StoredChunk {
  uint16_t sequence = 0;
  Bytes bytes;
};

// What rewriting a memo does to its stored chunks, in the order to apply it.
struct ChunkEdit {
  enum class Action { kDelete, kInsert };
  Action action = Action::kDelete;
  uint16_t sequence = 0;
  const Bytes* bytes = nullptr;  // kInsert: the new chunk (points into `fresh`)
};

// Plans storing `fresh` over the stored chunks `stored` (in sequence order)
// of one memo: a stored chunk equal to the new chunk of its sequence number
// is kept; stored chunks up to a differing new chunk's sequence number are
// deleted and the new chunk inserted; stored chunks past the last new chunk
// are deleted. Unchanged chunks are never rewritten.
std::vector<ChunkEdit> plan_chunk_edits(const std::vector<StoredChunk>& stored, const std::vector<Bytes>& fresh);

}  // namespace tps
