#include "tps/ops/entry_search.h"

#include <algorithm>
#include <cstring>

#include "tps/base/bytes.h"
#include "tps/maint/dynamic_build.h"
#include "tps/table/record_keys.h"

namespace tps {

namespace {

constexpr size_t kDataPrefixLength = 5;  // table number and 0xF3

void data_key(uint8_t* out, uint32_t table, uint32_t record) {
  store_u32be(out, table);
  out[4] = record_type::kData;
  store_u32be(out + kDataPrefixLength, record);
}

bool is_data_record_of(const RecordNode& node, uint32_t table) {
  return node.key_length >= kDataPrefixLength && load_u32be(node.bytes()) == table &&
         node.bytes()[4] == record_type::kData;
}

FoundEntry data_entry(const RecordNode& node) {
  return FoundEntry{true, false, load_u32be(node.bytes() + kDataPrefixLength)};
}

// Walks from the bound in one direction to the nearest well-formed data
// record of the table.
FoundEntry data_step(ControlBlock& cb, PageTree& tree, const uint8_t* bound, size_t length, bool forward) {
  uint8_t next_bound[kDataKeyLength + 1];
  for (;;) {
    const RecordRef ref =
        forward ? tree.find_first_after(bound, length, cb.data_hint) : tree.find_last_before(bound, length);
    if (!ref || !is_data_record_of(*ref.record, cb.table_number)) return {};
    if (ref.record->key_length == kDataKeyLength) return data_entry(*ref.record);
    // A malformed record of the data range: step over it by its key, cut
    // to one byte beyond a data key, which still orders it correctly.
    length = std::min<size_t>(ref.record->key_length, sizeof next_bound);
    std::memcpy(next_bound, ref.record->bytes(), length);
    bound = next_bound;
  }
}

bool belongs_to_key(const ControlBlock& cb, const RecordNode& node, int key) {
  return node.key_length >= kKeyPrefixLength && load_u32be(node.bytes()) == cb.table_number &&
         node.bytes()[4] == uint8_t(key);
}

bool well_formed(const KeyDescriptor& key, const RecordNode& node) {
  return node.length == key.record_length() && node.key_length == key.key_part_length();
}

FoundEntry key_entry(ControlBlock& cb, const RecordNode& node) {
  cb.found.assign(node.bytes(), node.bytes() + node.length);
  cb.found_key_length = node.key_length;
  return FoundEntry{true, true, load_u32be(node.bytes() + node.length - kRecordNumberLength)};
}

}  // namespace

FoundEntry exact_data_record(ControlBlock& cb, PageTree& tree, uint32_t record) {
  uint8_t key[kDataKeyLength];
  data_key(key, cb.table_number, record);
  const RecordRef ref = tree.find_exact(key, sizeof key, cb.data_hint);
  return ref ? data_entry(*ref.record) : FoundEntry{};
}

FoundEntry data_record_beside(ControlBlock& cb, PageTree& tree, uint32_t record, bool forward) {
  uint8_t key[kDataKeyLength];
  data_key(key, cb.table_number, record);
  return data_step(cb, tree, key, sizeof key, forward);
}

FoundEntry end_data_record(ControlBlock& cb, PageTree& tree, bool first) {
  uint8_t prefix[kDataPrefixLength];
  store_u32be(prefix, cb.table_number);
  // Every data key sorts after its 5-byte prefix and before the prefix of
  // the next record type.
  prefix[4] = first ? record_type::kData : uint8_t(record_type::kData + 1);
  return data_step(cb, tree, prefix, sizeof prefix, first);
}

FoundEntry exact_key_entry(ControlBlock& cb, PageTree& table_tree, int key, const uint8_t* probe,
                           size_t key_length) {
  PageTree* tree = key_entries_tree(cb, key, table_tree);  // a dynamic index has its own
  if (!tree) return {};
  const RecordRef ref = tree->find_exact(probe, key_length);
  if (!ref || !belongs_to_key(cb, *ref.record, key) || !well_formed(cb.key(key), *ref.record)) return {};
  return key_entry(cb, *ref.record);
}

FoundEntry key_entry_beside(ControlBlock& cb, PageTree& table_tree, int key, const uint8_t* bound, size_t length,
                            bool forward) {
  const KeyDescriptor& descriptor = cb.key(key);
  PageTree* tree = key_entries_tree(cb, key, table_tree);  // a dynamic index has its own
  if (!tree) return {};
  for (;;) {
    const RecordRef ref =
        forward ? tree->find_first_after(bound, length, cb.entry_hint) : tree->find_last_before(bound, length);
    if (!ref || !belongs_to_key(cb, *ref.record, key)) return {};
    if (well_formed(descriptor, *ref.record)) return key_entry(cb, *ref.record);
    cb.search_bound.assign(ref.record->bytes(), ref.record->bytes() + ref.record->key_length);
    bound = cb.search_bound.data();
    length = cb.search_bound.size();
  }
}

FoundEntry end_key_entry(ControlBlock& cb, PageTree& tree, int key, bool first) {
  uint8_t prefix[kKeyPrefixLength];
  store_u32be(prefix, cb.table_number);
  // Key numbers stay below the first record type, so number + 1 never wraps.
  prefix[4] = first ? uint8_t(key) : uint8_t(key + 1);
  return key_entry_beside(cb, tree, key, prefix, sizeof prefix, first);
}

FoundEntry entry_by_value(ControlBlock& cb, PageTree& tree, int key, const Bytes& probe) {
  const KeyDescriptor& descriptor = cb.key(key);
  if (!descriptor.dup()) return exact_key_entry(cb, tree, key, probe.data(), descriptor.key_part_length());
  // The probe carries record number 0, below every real one: the first
  // entry after it is the lowest-numbered duplicate when it has the value.
  FoundEntry found = key_entry_beside(cb, tree, key, probe.data(), probe.size(), true);
  const size_t value_end = kKeyPrefixLength + descriptor.value_length;
  if (!found.exists || std::memcmp(cb.found.data(), probe.data(), value_end) != 0) return {};
  return found;
}

size_t build_key_record(ControlBlock& cb, int key, const uint8_t* record, uint32_t record_number, Bytes& out) {
  const KeyDescriptor& descriptor = cb.key(key);
  out.resize(descriptor.record_length());
  store_u32be(out.data(), cb.table_number);
  out[4] = descriptor.number;
  encode_key_value(descriptor, cb.collation(), record, out.data() + kKeyPrefixLength);
  store_u32be(out.data() + out.size() - kRecordNumberLength, record_number);
  return descriptor.key_part_length();
}

}  // namespace tps
