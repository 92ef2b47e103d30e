#include "tps/table/record_keys.h"

#include "tps/base/bytes.h"

namespace tps {
namespace {

void append_u32be(Bytes& out, uint32_t value) {
  uint8_t bytes[4];
  store_u32be(bytes, value);
  out.insert(out.end(), bytes, bytes + 4);
}

void append_u16be(Bytes& out, uint16_t value) {
  uint8_t bytes[2];
  store_u16be(bytes, value);
  out.insert(out.end(), bytes, bytes + 2);
}

void append_u16le(Bytes& out, uint16_t value) {
  uint8_t bytes[2];
  store_u16le(bytes, value);
  out.insert(out.end(), bytes, bytes + 2);
}

void append_u32le(Bytes& out, uint32_t value) {
  uint8_t bytes[4];
  store_u32le(bytes, value);
  out.insert(out.end(), bytes, bytes + 4);
}

RecordKeyParts decode_table_record(const uint8_t* key, size_t length) {
  RecordKeyParts parts;
  parts.table = load_u32be(key);
  parts.type = key[kTableNumberLength];
  const uint8_t* rest = key + kTableNumberLength + 1;
  if (parts.type <= record_type::kLastKey) {
    parts.kind = RecordKind::kKey;
    return parts;
  }
  switch (parts.type) {
    case record_type::kData:
      if (length != kDataKeyLength) break;
      parts.kind = RecordKind::kData;
      parts.record = load_u32be(rest);
      return parts;
    case record_type::kCounter:
      if (length != kCounterKeyLength) break;
      parts.kind = RecordKind::kCounter;
      parts.index = rest[0];
      return parts;
    case record_type::kDefinition:
      if (length != kDefinitionKeyLength) break;
      parts.kind = RecordKind::kDefinition;
      parts.block = load_u16le(rest);
      return parts;
    case record_type::kLocale:
      if (length != kLocaleKeyLength || rest[0] != kLocaleIndex) break;
      parts.kind = RecordKind::kLocale;
      return parts;
    case record_type::kMemo:
      if (length != kMemoKeyLength) break;
      parts.kind = RecordKind::kMemo;
      parts.record = load_u32be(rest);
      parts.memo = rest[4];
      parts.sequence = load_u16be(rest + 5);
      return parts;
    default:
      break;
  }
  parts.kind = RecordKind::kUnknown;
  return parts;
}

}  // namespace

Bytes table_key_prefix(uint32_t table) {
  Bytes key;
  key.reserve(kMemoKeyLength);
  append_u32be(key, table);
  return key;
}

Bytes typed_key_prefix(uint32_t table, uint8_t type) {
  Bytes key = table_key_prefix(table);
  key.push_back(type);
  return key;
}

Bytes data_record_key(uint32_t table, uint32_t record) {
  Bytes key = typed_key_prefix(table, record_type::kData);
  append_u32be(key, record);
  return key;
}

Bytes counter_record_key(uint32_t table, uint8_t index) {
  Bytes key = typed_key_prefix(table, record_type::kCounter);
  key.push_back(index);
  return key;
}

Bytes definition_record_key(uint32_t table, uint16_t block) {
  Bytes key = typed_key_prefix(table, record_type::kDefinition);
  append_u16le(key, block);
  return key;
}

Bytes locale_record_key(uint32_t table) {
  Bytes key = typed_key_prefix(table, record_type::kLocale);
  key.push_back(kLocaleIndex);
  return key;
}

Bytes memo_record_key(uint32_t table, uint32_t record, uint8_t memo, uint16_t sequence) {
  Bytes key = memo_record_prefix(table, record);
  key.push_back(memo);
  append_u16be(key, sequence);
  return key;
}

Bytes memo_record_prefix(uint32_t table, uint32_t record) {
  Bytes key = typed_key_prefix(table, record_type::kMemo);
  append_u32be(key, record);
  return key;
}

Bytes table_name_record_key(std::string_view name) {
  Bytes key;
  key.reserve(1 + name.size());
  key.push_back(record_type::kTableName);
  key.insert(key.end(), name.begin(), name.end());
  return key;
}

Bytes transaction_link_key() { return Bytes{record_type::kTransactionLink}; }

Bytes counter_record_data(uint32_t count, uint32_t mark) {
  Bytes data;
  data.reserve(kCounterDataLength);
  append_u32le(data, count);
  append_u32le(data, mark);
  return data;
}

Bytes table_name_record_data(uint32_t table) { return table_key_prefix(table); }

Bytes locale_record_data(bool oem, const uint8_t* locale_block) {
  Bytes data;
  data.reserve(kLocaleDataLength);
  data.push_back(oem ? 1 : 0);
  data.insert(data.end(), locale_block, locale_block + kLocaleBlockLength);
  return data;
}

RecordKeyParts decode_record_key(const uint8_t* key, size_t length) {
  RecordKeyParts parts;
  if (length == 0) {
    parts.kind = RecordKind::kEmpty;
    return parts;
  }
  if (key[0] == record_type::kTransactionLink) {
    parts.kind = length == 1 ? RecordKind::kTransactionLink : RecordKind::kUnknown;
    return parts;
  }
  if (key[0] == record_type::kTableName) {
    parts.kind = RecordKind::kTableName;
    parts.name.assign(reinterpret_cast<const char*>(key) + 1, length - 1);
    return parts;
  }
  if (length <= kTableNumberLength) return parts;
  return decode_table_record(key, length);
}

std::optional<CounterValues> decode_counter_data(const uint8_t* data, size_t length) {
  if (length != kCounterDataLength) return std::nullopt;
  return CounterValues{load_u32le(data), load_u32le(data + 4)};
}

std::optional<uint32_t> decode_table_name_data(const uint8_t* data, size_t length) {
  if (length != kTableNumberLength) return std::nullopt;
  return load_u32be(data);
}

std::optional<bool> decode_locale_oem_flag(const uint8_t* data, size_t length) {
  if (length != kLocaleDataLength) return std::nullopt;
  return data[0] != 0;
}

}  // namespace tps
