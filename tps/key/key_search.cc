#include "tps/key/key_search.h"

#include <algorithm>

#include "tps/base/bytes.h"
#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"
#include "tps/table/record_keys.h"

namespace tps {
namespace {

KeyRecord copy_of(const RecordNode& node) {
  KeyRecord entry;
  entry.bytes.assign(node.bytes(), node.bytes() + node.length);
  entry.key_length = node.key_length;
  return entry;
}

bool belongs_to_key(const KeyStore& store, const RecordNode& node) {
  return node.key_length >= kKeyPrefixLength && load_u32be(node.bytes()) == store.table_number &&
         node.bytes()[4] == store.key.number;
}

bool well_formed(const KeyStore& store, const RecordNode& node) {
  return node.length == store.key.record_length() && node.key_length == store.key.key_part_length();
}

// Walks from the probe in one direction until a well-formed entry of the
// key, or a record of another key, is met.
std::optional<KeyRecord> step(const KeyStore& store, const uint8_t* probe, size_t probe_length, bool forward) {
  std::vector<uint8_t> bound(probe, probe + probe_length);
  for (;;) {
    RecordRef ref = forward ? store.tree.find_first_after(bound.data(), bound.size())
                            : store.tree.find_last_before(bound.data(), bound.size());
    if (!ref || !belongs_to_key(store, *ref.record)) return std::nullopt;
    if (well_formed(store, *ref.record)) return copy_of(*ref.record);
    bound.assign(ref.record->bytes(), ref.record->bytes() + ref.record->key_length);
  }
}

}  // namespace

std::optional<KeyRecord> exact_entry(const KeyStore& store, const KeyRecord& probe) {
  RecordRef ref = store.tree.find_exact(probe.data(), probe.key_length);
  if (!ref || !belongs_to_key(store, *ref.record) || !well_formed(store, *ref.record)) return std::nullopt;
  return copy_of(*ref.record);
}

std::optional<KeyRecord> insert_unless_present(const KeyStore& store, const KeyRecord& entry) {
  RecordRef present = store.tree.insert_unless_present(entry.data(), static_cast<uint16_t>(entry.length()),
                                                       static_cast<uint16_t>(entry.key_length));
  if (!present) return std::nullopt;
  check_or_fault(belongs_to_key(store, *present.record) && well_formed(store, *present.record),
                 fault::kDuplicateRecordKey);
  return copy_of(*present.record);
}

std::optional<KeyRecord> first_entry(const KeyStore& store) {
  std::vector<uint8_t> prefix = key_prefix(store.table_number, store.key.number);
  return step(store, prefix.data(), prefix.size(), true);
}

std::optional<KeyRecord> last_entry(const KeyStore& store) {
  // Key numbers stay below the first record type, so number + 1 never wraps.
  std::vector<uint8_t> after = key_prefix(store.table_number, static_cast<uint8_t>(store.key.number + 1));
  return step(store, after.data(), after.size(), false);
}

std::optional<KeyRecord> next_entry(const KeyStore& store, const uint8_t* probe, size_t probe_length) {
  return step(store, probe, probe_length, true);
}

std::optional<KeyRecord> previous_entry(const KeyStore& store, const uint8_t* probe, size_t probe_length) {
  return step(store, probe, probe_length, false);
}

uint32_t remove_entries(const KeyStore& store, const std::function<bool(uint32_t record)>& select) {
  const std::vector<uint8_t> begin = key_prefix(store.table_number, store.key.number);
  const std::vector<uint8_t> end = key_prefix(store.table_number, static_cast<uint8_t>(store.key.number + 1));
  uint32_t kept = 0;
  store.tree.remove_run(begin.data(), begin.size(), end.data(), end.size(), [&](const RecordNode& node) {
    if (!belongs_to_key(store, node) || !well_formed(store, node)) return false;
    if (select(load_u32be(node.bytes() + node.length - kRecordNumberLength))) return true;
    ++kept;
    return false;
  });
  return kept;
}

std::optional<KeyRecord> lookup_by_value(const KeyStore& store, const KeyCollation& collation,
                                         const uint8_t* record) {
  KeyRecord probe = make_key_record(store.table_number, store.key, collation, record, kLowestProbe);
  if (!store.key.dup()) return exact_entry(store, probe);
  std::optional<KeyRecord> found = next_entry(store, probe.data(), probe.key_length);
  size_t value_end = probe.length() - kRecordNumberLength;
  if (!found || found->key_length != probe.key_length ||
      !std::equal(probe.bytes.begin(), probe.bytes.begin() + value_end, found->bytes.begin()))
    return std::nullopt;
  return found;
}

KeyRecord scan_probe(const KeyStore& store, const KeyCollation& collation, const uint8_t* record, bool forward) {
  return make_key_record(store.table_number, store.key, collation, record, forward ? kLowestProbe : kHighestProbe);
}

std::optional<KeyRecord> scan_start(const KeyStore& store, const KeyRecord& probe, bool forward) {
  if (!store.key.dup()) {
    if (std::optional<KeyRecord> exact = exact_entry(store, probe)) return exact;
  }
  // The whole probe, record number included, is the bound. An entry of a key
  // without DUP with the probe's value has the shorter key part and so sorts
  // before the probe: a forward scan reaches it only through the exact try.
  return forward ? next_entry(store, probe.data(), probe.length()) : previous_entry(store, probe.data(), probe.length());
}

}  // namespace tps
