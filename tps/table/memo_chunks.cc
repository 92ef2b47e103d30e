#include "tps/table/memo_chunks.h"

#include <algorithm>

#include "platform/text/code_pages.h"
#include "tps/base/bytes.h"
#include "tps/table/declaration_limits.h"

namespace tps {
namespace {

constexpr uint8_t kSpace = 0x20;

std::vector<Bytes> cut(const uint8_t* value, size_t size, size_t chunk_size) {
  std::vector<Bytes> chunks;
  for (size_t start = 0; start < size; start += chunk_size) {
    const size_t length = std::min(chunk_size, size - start);
    chunks.emplace_back(value + start, value + start + length);
  }
  return chunks;
}

}  // namespace

std::vector<Bytes> memo_chunks(const uint8_t* value, size_t size, bool to_oem) {
  const size_t length = length_without_trailing(value, size, kSpace);
  std::vector<Bytes> chunks = cut(value, length, kMemoChunkSize);
  if (to_oem)
    for (Bytes& chunk : chunks) text::ansi_to_oem(chunk.data(), chunk.size());
  return chunks;
}

Bytes memo_from_chunks(const std::vector<Bytes>& chunks, size_t declared_size, bool from_oem) {
  Bytes value;
  value.reserve(declared_size);
  for (const Bytes& chunk : chunks) {
    const size_t room = declared_size - value.size();
    value.insert(value.end(), chunk.begin(), chunk.begin() + std::min(room, chunk.size()));
    if (value.size() == declared_size) break;
  }
  if (from_oem) text::oem_to_ansi(value.data(), value.size());
  value.resize(declared_size, kSpace);
  return value;
}

std::optional<std::vector<Bytes>> blob_chunks(const uint8_t* value, size_t size, bool to_oem) {
  if (size > kMaxBlobSize) return std::nullopt;
  std::vector<Bytes> chunks = cut(value, size, kBlobChunkSize);
  if (chunks.empty()) return chunks;
  if (to_oem)
    for (Bytes& chunk : chunks) text::ansi_to_oem(chunk.data(), chunk.size());
  uint8_t prefix[kBlobSizePrefixLength];
  store_u32le(prefix, static_cast<uint32_t>(size));
  chunks.front().insert(chunks.front().begin(), prefix, prefix + kBlobSizePrefixLength);
  return chunks;
}

std::optional<Bytes> blob_from_chunks(const std::vector<Bytes>& chunks, bool from_oem) {
  if (chunks.empty()) return Bytes();
  if (chunks.front().size() < kBlobSizePrefixLength) return std::nullopt;
  const uint32_t size = load_u32le(chunks.front().data());
  uint64_t stored = chunks.front().size() - kBlobSizePrefixLength;
  for (size_t i = 1; i < chunks.size(); ++i) stored += chunks[i].size();
  if (size > kMaxBlobSize || stored != size) return std::nullopt;
  Bytes value;
  value.reserve(size);
  value.insert(value.end(), chunks.front().begin() + kBlobSizePrefixLength, chunks.front().end());
  for (size_t i = 1; i < chunks.size(); ++i) value.insert(value.end(), chunks[i].begin(), chunks[i].end());
  if (from_oem) text::oem_to_ansi(value.data(), value.size());
  return value;
}

std::vector<ChunkEdit> plan_chunk_edits(const std::vector<StoredChunk>& stored, const std::vector<Bytes>& fresh) {
  std::vector<ChunkEdit> edits;
  size_t next_stored = 0;
  for (size_t i = 0; i < fresh.size(); ++i) {
    const uint16_t sequence = static_cast<uint16_t>(i);
    // Stored chunks below this sequence number are left over from gaps.
    while (next_stored < stored.size() && stored[next_stored].sequence < sequence)
      edits.push_back({ChunkEdit::Action::kDelete, stored[next_stored++].sequence, nullptr});
    if (next_stored < stored.size() && stored[next_stored].sequence == sequence) {
      if (stored[next_stored].bytes == fresh[i]) {
        ++next_stored;
        continue;
      }
      edits.push_back({ChunkEdit::Action::kDelete, stored[next_stored++].sequence, nullptr});
    }
    edits.push_back({ChunkEdit::Action::kInsert, sequence, &fresh[i]});
  }
  while (next_stored < stored.size()) edits.push_back({ChunkEdit::Action::kDelete, stored[next_stored++].sequence, nullptr});
  return edits;
}

}  // namespace tps
