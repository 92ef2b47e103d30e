#include "tps/ops/memo_reader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "platform/text/code_pages.h"
#include "tps/base/bytes.h"
#include "tps/table/memo_chunks.h"
#include "tps/table/record_keys.h"
#include "tps/tree/page_tree.h"

namespace tps {

namespace {

constexpr uint8_t kSpace = 0x20;
constexpr size_t kMemoPrefixLength = 9;  // table number, 0xFC, record number

}  // namespace

int read_memos(ControlBlock& cb, uint32_t record, std::vector<Bytes>& values, bool text_only) {
  const std::vector<MemoDeclaration>& memos = cb.layout.memos;
  values.resize(memos.size());
  cb.memo_fill.assign(memos.size(), 0);
  for (size_t i = 0; i < memos.size(); ++i)
    if (!memos[i].is_blob()) values[i].resize(memos[i].size);
  std::map<uint8_t, std::vector<Bytes>> blob_chunks;  // only tables with BLOBs fill it

  uint8_t prefix[kMemoPrefixLength];
  store_u32be(prefix, cb.table_number);
  prefix[4] = record_type::kMemo;
  store_u32be(prefix + 5, record);
  uint8_t key[kMemoKeyLength];
  PageTree tree(*cb.file);
  for (RecordRef ref = tree.find_first_after(prefix, sizeof prefix, cb.memo_hint);
       ref && ref.record->key_length >= sizeof prefix && std::memcmp(ref.record->bytes(), prefix, sizeof prefix) == 0;) {
    const RecordNode& node = *ref.record;
    const uint8_t memo = node.bytes()[kMemoPrefixLength];
    // Records of other shapes under the prefix (a damaged file) are passed over.
    if (node.key_length == kMemoKeyLength && memo < memos.size()) {
      if (memos[memo].is_blob()) {
        if (!text_only) blob_chunks[memo].emplace_back(node.data(), node.data() + node.data_length());
      } else {
        size_t& fill = cb.memo_fill[memo];
        const size_t take = std::min(node.data_length(), memos[memo].size - fill);
        std::memcpy(values[memo].data() + fill, node.data(), take);
        fill += take;
      }
    }
    const size_t key_length = std::min<size_t>(node.key_length, sizeof key);
    std::memcpy(key, node.bytes(), key_length);
    ref = tree.find_first_after(key, key_length, &ref);
  }

  int result = 0;
  for (size_t i = 0; i < memos.size(); ++i) {
    const MemoDeclaration& memo = memos[i];
    const bool convert = cb.oem && !memo.is_binary();
    if (!memo.is_blob()) {
      const size_t fill = cb.memo_fill[i];
      if (convert) text::oem_to_ansi(values[i].data(), fill);
      std::fill(values[i].begin() + fill, values[i].end(), kSpace);
    } else if (!text_only) {
      std::optional<Bytes> blob = blob_from_chunks(blob_chunks[uint8_t(i)], convert);
      if (blob) {
        values[i] = std::move(*blob);
      } else {
        values[i].clear();
        result = error::kUnsupportedFunction;
      }
    }
  }
  return result;
}

}  // namespace tps
