#include "tps/key/key_maintenance.h"

#include <optional>

#include "tps/errors/errors.h"
#include "tps/key/key_search.h"

namespace tps {
namespace {

enum class Outcome { kDone, kDuplicate };

std::optional<KeyRecord> entry_for(const TableKeys& table, const KeyDescriptor& key, const uint8_t* record,
                                   uint32_t record_number) {
  if (record == nullptr || is_blank_for_opt(key, record)) return std::nullopt;
  return make_key_record(table.table_number, key, table.collation, record, record_number);
}

// Lowers the out-of-date mark of a key that is not kept entry by entry.
void lower_mark(const TableKeys& table, const KeyDescriptor& key, uint32_t record_number, bool unchanged) {
  uint32_t mark = table.counters.mark(key.number);
  if (mark != 0 && record_number >= mark) return;
  if (!unchanged) table.counters.set_mark(key.number, record_number, true);
}

Outcome update_key(const TableKeys& table, const KeyDescriptor& key, const uint8_t* new_record,
                   const uint8_t* old_record, uint32_t record_number, bool append) {
  if (key.is_dynamic()) return Outcome::kDone;
  std::optional<KeyRecord> old_entry = entry_for(table, key, old_record, record_number);
  std::optional<KeyRecord> new_entry = entry_for(table, key, new_record, record_number);
  const bool unchanged = old_entry && new_entry && old_entry->same_key_part(*new_entry);
  if (key.is_index() || append) {
    lower_mark(table, key, record_number, unchanged);
    return Outcome::kDone;
  }
  if (unchanged) return Outcome::kDone;

  KeyStore store{table.tree, table.table_number, key};
  bool inserted = false;
  if (new_entry) {
    std::optional<KeyRecord> present = insert_unless_present(store, *new_entry);
    // Only another record's entry is a duplicate. The record's own entry
    // (a DUP key's entry is always its own) is already where it belongs.
    if (present && present->record_number() != record_number) return Outcome::kDuplicate;
    inserted = !present;
  }
  bool removed = false;
  if (old_entry) {
    std::optional<KeyRecord> stored = exact_entry(store, *old_entry);
    // An entry of the old value that belongs to another record stays.
    if (stored && stored->record_number() == record_number) {
      table.tree.remove(stored->data(), stored->key_length);
      removed = true;
    }
  }
  if (inserted != removed) table.counters.add_count(key.number, inserted ? 1 : -1);
  return Outcome::kDone;
}

}  // namespace

int maintain_keys(const TableKeys& table, const uint8_t* new_record, const uint8_t* old_record,
                  uint32_t record_number, bool append) {
  for (size_t k = 0; k < table.keys.size(); ++k) {
    if (update_key(table, table.keys[k], new_record, old_record, record_number, append) == Outcome::kDone)
      continue;
    // Put back the keys already changed by running the same update the
    // other way round. It cannot meet a duplicate of its own: it re-inserts
    // entries this write removed, whose values nobody else took meanwhile.
    for (size_t done = 0; done < k; ++done)
      update_key(table, table.keys[done], old_record, new_record, record_number, false);
    return error::kCreatesDuplicateKey;
  }
  return error::kNone;
}

}  // namespace tps
