#include "tps/lock/transaction_records.h"

#include <cstring>
#include <vector>

#include "tps/base/bytes.h"
#include "tps/page/file_object.h"
#include "tps/tree/page_tree.h"

namespace tps {

namespace {

constexpr size_t kNumberSize = 4;

struct NumberKey {
  explicit NumberKey(uint32_t number) { store_u32le(bytes, number); }
  uint8_t bytes[kNumberSize];
};

}  // namespace

void write_transaction_link(FileObject& file, const TransactionLink& link) {
  PageTree tree(file);
  if (tree.find_exact(&kTransactionLinkKey, 1)) tree.remove(&kTransactionLinkKey, 1);
  std::vector<uint8_t> record(1 + kNumberSize + link.tcf_path.size() + 1, 0);
  record[0] = kTransactionLinkKey;
  store_u32le(record.data() + 1, link.number);
  std::memcpy(record.data() + 1 + kNumberSize, link.tcf_path.data(), link.tcf_path.size());
  tree.insert(record.data(), uint16_t(record.size()), 1);
}

std::optional<TransactionLink> read_transaction_link(FileObject& file, bool* malformed) {
  *malformed = false;
  PageTree tree(file);
  RecordRef found = tree.find_exact(&kTransactionLinkKey, 1);
  if (!found) return std::nullopt;
  const uint8_t* data = found.record->data();
  size_t length = found.record->data_length();
  if (length < kNumberSize) {
    *malformed = true;
    return std::nullopt;
  }
  TransactionLink link;
  link.number = load_u32le(data);
  const char* path = reinterpret_cast<const char*>(data + kNumberSize);
  size_t path_room = length - kNumberSize;
  link.tcf_path.assign(path, strnlen(path, path_room));
  return link;
}

bool tcf_holds(FileObject& tcf, uint32_t number) {
  NumberKey key(number);
  return bool(PageTree(tcf).find_exact(key.bytes, kNumberSize));
}

void tcf_insert(FileObject& tcf, uint32_t number) {
  NumberKey key(number);
  PageTree(tcf).insert(key.bytes, kNumberSize, kNumberSize);
}

void tcf_remove(FileObject& tcf, uint32_t number) {
  NumberKey key(number);
  PageTree(tcf).remove(key.bytes, kNumberSize);
}

}  // namespace tps
