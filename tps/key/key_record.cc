#include "tps/key/key_record.h"

#include <algorithm>
#include <cstring>

#include "tps/base/bytes.h"

namespace tps {

uint32_t KeyRecord::record_number() const { return load_u32be(bytes.data() + bytes.size() - kRecordNumberLength); }

void KeyRecord::set_record_number(uint32_t record_number) {
  store_u32be(bytes.data() + bytes.size() - kRecordNumberLength, record_number);
}

bool KeyRecord::same_key_part(const KeyRecord& other) const {
  return key_length == other.key_length && std::equal(bytes.begin(), bytes.begin() + key_length, other.bytes.begin());
}

void encode_key_value(const KeyDescriptor& key, const KeyCollation& collation, const uint8_t* record,
                      uint8_t* out) {
  StringRules rules{collation.locale, key.nocase(), collation.oem};
  for (const ComponentField& component : key.components) {
    encode_component(component, record, rules, out);
    out += component.length;
  }
}

KeyRecord make_key_record(uint32_t table_number, const KeyDescriptor& key, const KeyCollation& collation,
                          const uint8_t* record, uint32_t record_number) {
  KeyRecord entry;
  entry.bytes.resize(key.record_length());
  entry.key_length = key.key_part_length();
  store_u32be(entry.bytes.data(), table_number);
  entry.bytes[4] = key.number;
  encode_key_value(key, collation, record, entry.bytes.data() + kKeyPrefixLength);
  entry.set_record_number(record_number);
  return entry;
}

KeyRecord key_record_from_value(uint32_t table_number, const KeyDescriptor& key, const uint8_t* value,
                                uint32_t record_number) {
  KeyRecord entry;
  entry.bytes.resize(key.record_length());
  entry.key_length = key.key_part_length();
  store_u32be(entry.bytes.data(), table_number);
  entry.bytes[4] = key.number;
  if (key.value_length) std::memcpy(entry.bytes.data() + kKeyPrefixLength, value, key.value_length);
  entry.set_record_number(record_number);
  return entry;
}

bool is_blank_for_opt(const KeyDescriptor& key, const uint8_t* record) {
  if (!key.opt()) return false;
  return std::all_of(key.components.begin(), key.components.end(),
                     [&](const ComponentField& component) { return component_is_blank(component, record); });
}

std::vector<uint8_t> key_prefix(uint32_t table_number, uint8_t key_number) {
  std::vector<uint8_t> prefix(kKeyPrefixLength);
  store_u32be(prefix.data(), table_number);
  prefix[4] = key_number;
  return prefix;
}

}  // namespace tps
