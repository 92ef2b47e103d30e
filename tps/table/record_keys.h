// Record keys and small record bodies of the table-level records.
//
// Every record of a table starts with the table's number (4 bytes,
// big-endian, as the file's number counter issued it) and a type byte:
//   0x00..0xEF key record (type = key number)    encoded key value (key layer)
//   0xF3 data record        + record number (4, BE)                  9 bytes
//   0xF6 counter record     + 0xF3 (the table) or a key number       6 bytes
//   0xFA definition record  + block number (u16 LE)                  7 bytes
//   0xFB locale record      + 0x01                                   6 bytes
//   0xFC memo record        + record number (4, BE), memo number (u8),
//                             sequence number (u16 BE)              12 bytes
// File-wide records carry no table number:
//   0xFE table-name record  + the table name bytes
//   0xFF transaction link   the single byte 0xFF
// Table numbers never start above 0xFD, so table records sort before the
// table-name records and the transaction link is the last record of a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tps/table/byte_string.h"

namespace tps {

namespace record_type {
inline constexpr uint8_t kLastKey = 0xEF;
inline constexpr uint8_t kData = 0xF3;
inline constexpr uint8_t kCounter = 0xF6;
inline constexpr uint8_t kDefinition = 0xFA;
inline constexpr uint8_t kLocale = 0xFB;
inline constexpr uint8_t kMemo = 0xFC;
inline constexpr uint8_t kTableName = 0xFE;        // first key byte, no table number
inline constexpr uint8_t kTransactionLink = 0xFF;  // the whole key, no table number
}  // namespace record_type

// Counter index of the table's own counter (keys use their key number).
inline constexpr uint8_t kTableCounterIndex = record_type::kData;
// The only locale index.
inline constexpr uint8_t kLocaleIndex = 0x01;

inline constexpr size_t kTableNumberLength = 4;
inline constexpr size_t kDataKeyLength = 9;
inline constexpr size_t kCounterKeyLength = 6;
inline constexpr size_t kDefinitionKeyLength = 7;
inline constexpr size_t kLocaleKeyLength = 6;
inline constexpr size_t kMemoKeyLength = 12;
inline constexpr size_t kCounterDataLength = 8;  // u32 LE entry count, u32 LE mark
inline constexpr size_t kLocaleBlockLength = 1152;
inline constexpr size_t kLocaleDataLength = 1 + kLocaleBlockLength;  // u8 OEM flag, locale block

// Record number bounds used as search probes; real numbers lie strictly between.
inline constexpr uint32_t kLowestProbe = 0x00000000;
inline constexpr uint32_t kHighestProbe = 0xFFFFFFFF;

// --- Builders --------------------------------------------------------------

// The 4 bytes every record of table `table` starts with, and the 5 with its type.
Bytes table_key_prefix(uint32_t table);
Bytes typed_key_prefix(uint32_t table, uint8_t type);

Bytes data_record_key(uint32_t table, uint32_t record);
Bytes counter_record_key(uint32_t table, uint8_t index);
Bytes definition_record_key(uint32_t table, uint16_t block);
Bytes locale_record_key(uint32_t table);
Bytes memo_record_key(uint32_t table, uint32_t record, uint8_t memo, uint16_t sequence);
// The first 9 bytes shared by every memo chunk of a record (table, 0xFC, record).
Bytes memo_record_prefix(uint32_t table, uint32_t record);
Bytes table_name_record_key(std::string_view name);
Bytes transaction_link_key();

// Record bodies.
Bytes counter_record_data(uint32_t count, uint32_t mark);
Bytes table_name_record_data(uint32_t table);
Bytes locale_record_data(bool oem, const uint8_t* locale_block);  // REQUIRES: 1152 bytes

// --- Decoders (untrusted bytes: a wrong length or type gives none) ---------

enum class RecordKind {
  kEmpty,            // the tree's empty record
  kKey,              // key record: `type` is the key number
  kData,
  kCounter,
  kDefinition,
  kLocale,
  kMemo,
  kTableName,
  kTransactionLink,
  kUnknown,          // a type or length this engine does not write
};

struct RecordKeyParts {
  RecordKind kind = RecordKind::kUnknown;
  uint32_t table = 0;     // all table records
  uint8_t type = 0;       // the type byte (the key number of a key record)
  uint32_t record = 0;    // data and memo records
  uint8_t index = 0;      // counter records: 0xF3 or a key number
  uint16_t block = 0;     // definition records
  uint8_t memo = 0;       // memo records: 0-based memo number
  uint16_t sequence = 0;  // memo records
  std::string name;       // table-name records
};

// Splits a record key into its parts.
RecordKeyParts decode_record_key(const uint8_t* key, size_t length);
inline RecordKeyParts decode_record_key(const Bytes& key) { return decode_record_key(key.data(), key.size()); }

struct CounterValues {
  uint32_t count = 0;  // entries of the table or key
  uint32_t mark = 0;   // table: FLAGS value; key: out-of-date mark (0 = complete)
};
std::optional<CounterValues> decode_counter_data(const uint8_t* data, size_t length);
// The table number a table-name record holds.
std::optional<uint32_t> decode_table_name_data(const uint8_t* data, size_t length);
// The OEM flag of a locale record; the locale block follows it.
std::optional<bool> decode_locale_oem_flag(const uint8_t* data, size_t length);

}  // namespace tps
