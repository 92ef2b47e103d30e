#include "tps/table/definition_stream.h"

#include <algorithm>
#include <string>

namespace tps {
namespace {

bool has_decimal_tail(uint8_t type) { return type == field_type::kDecimal || type == field_type::kPDecimal; }

bool has_string_tail(uint8_t type) {
  return type == field_type::kString || type == field_type::kCString || type == field_type::kPString;
}

class StreamWriter {
 public:
  void u8(uint32_t value) { bytes_.push_back(static_cast<uint8_t>(value)); }
  void u16(uint32_t value) {
    u8(value & 0xFF);
    u8((value >> 8) & 0xFF);
  }
  // Writes the bytes up to the first NUL (a NUL cannot be represented), then
  // the terminator; an empty string takes the extra 00 that marks it empty.
  void string(const std::string& text) {
    const size_t length = std::min(text.size(), text.find('\0'));
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + length);
    u8(0);
    if (length == 0) u8(0);
  }
  Bytes take() { return std::move(bytes_); }

 private:
  Bytes bytes_;
};

// Reads the stream across its stored blocks. Past the stored bytes it yields
// zeros and remembers that it ran short.
class StreamReader {
 public:
  explicit StreamReader(const std::vector<Bytes>& blocks) : blocks_(blocks) {}

  uint8_t u8() {
    const size_t block = position_ / kDefinitionBlockSize;
    const size_t index = position_ % kDefinitionBlockSize;
    ++position_;
    if (block < blocks_.size() && index < blocks_[block].size()) return blocks_[block][index];
    overrun_ = true;
    return 0;
  }
  uint16_t u16() {
    const uint16_t low = u8();
    return static_cast<uint16_t>(low | (u8() << 8));
  }
  std::string string() {
    std::string text;
    for (uint8_t byte = u8(); byte != 0 && !overrun_; byte = u8()) text.push_back(static_cast<char>(byte));
    if (text.empty()) u8();  // 00 00 empty, 00 xx absent: both read as empty
    return text;
  }
  bool overrun() const { return overrun_; }

 private:
  const std::vector<Bytes>& blocks_;
  size_t position_ = 0;
  bool overrun_ = false;
};

void write_field(StreamWriter& out, const FieldDeclaration& field, size_t number) {
  out.u8(field.type);
  out.u16(field.offset);
  out.string(field.external_name.empty() ? field.label : field.external_name);
  out.u16(field.element_count);
  out.u16(field.size);
  out.u16(field.over ? 1 : 0);
  out.u16(static_cast<uint32_t>(number));
  if (has_decimal_tail(field.type)) {
    out.u8(field.decimal_places);
    out.u8(field.element_size);
  } else if (has_string_tail(field.type)) {
    out.u16(field.element_size);
    out.string(field.picture);
  }
}

void write_memo(StreamWriter& out, const MemoDeclaration& memo) {
  out.string(memo.external_name);
  out.string(memo.label);
  out.u16(memo.size);
  out.u16(memo.attributes);
}

void write_key(StreamWriter& out, const KeyDeclaration& key) {
  out.string(key.external_name);
  out.string(key.label);
  out.u8(key.attributes);
  out.u16(static_cast<uint32_t>(key.components.size()));
  for (const KeyComponent& component : key.components) {
    out.u16(component.field);
    out.u16(component.descending ? 1 : 0);
  }
}

FieldDeclaration read_field(StreamReader& in, uint16_t& stored_number) {
  FieldDeclaration field;
  field.type = in.u8();
  field.offset = in.u16();
  field.label = in.string();
  field.element_count = in.u16();
  field.size = in.u16();
  field.over = in.u16() != 0;
  stored_number = in.u16();
  if (has_decimal_tail(field.type)) {
    field.decimal_places = in.u8();
    field.element_size = in.u8();
  } else if (has_string_tail(field.type)) {
    field.element_size = in.u16();
    field.picture = in.string();
  } else {
    field.element_size = field.element_count > 0 ? field.size / field.element_count : 0;
  }
  return field;
}

MemoDeclaration read_memo(StreamReader& in) {
  MemoDeclaration memo;
  memo.external_name = in.string();
  memo.label = in.string();
  memo.size = in.u16();
  memo.attributes = in.u16();
  return memo;
}

// Components are read one by one and the list stops growing once the stored
// bytes run out, so a forged count cannot make the reader allocate for it.
KeyDeclaration read_key(StreamReader& in) {
  KeyDeclaration key;
  key.external_name = in.string();
  key.label = in.string();
  key.attributes = in.u8();
  const uint16_t count = in.u16();
  for (uint16_t i = 0; i < count && !in.overrun(); ++i) {
    KeyComponent component;
    component.field = in.u16();
    component.descending = in.u16() != 0;
    if (!in.overrun()) key.components.push_back(component);
  }
  return key;
}

}  // namespace

uint16_t definition_version(const TableDeclaration& declaration) {
  return declaration.has_blob() ? kDefinitionVersionWithBlobs : kDefinitionVersion;
}

Bytes serialize_definition(const TableDeclaration& declaration) {
  StreamWriter out;
  out.u16(definition_version(declaration));
  out.u16(declaration.record_length);
  out.u16(static_cast<uint32_t>(declaration.fields.size()));
  out.u16(static_cast<uint32_t>(declaration.memos.size()));
  out.u16(static_cast<uint32_t>(declaration.keys.size()));
  for (size_t i = 0; i < declaration.fields.size(); ++i) write_field(out, declaration.fields[i], i);
  for (const MemoDeclaration& memo : declaration.memos) write_memo(out, memo);
  for (const KeyDeclaration& key : declaration.keys) write_key(out, key);
  return out.take();
}

// Bytes are collected in a block buffer; a byte arriving at a full buffer
// first flushes it as the next block, and the buffer is flushed at the end.
// So a stream of exactly 1024 bytes makes two full blocks and no empty third.
std::vector<Bytes> cut_into_blocks(const Bytes& stream) {
  std::vector<Bytes> blocks;
  Bytes buffer;
  buffer.reserve(kDefinitionBlockSize);
  for (uint8_t byte : stream) {
    if (buffer.size() == kDefinitionBlockSize) {
      blocks.push_back(std::move(buffer));
      buffer = Bytes();
      buffer.reserve(kDefinitionBlockSize);
    }
    buffer.push_back(byte);
  }
  blocks.push_back(std::move(buffer));
  return blocks;
}

StoredDefinition read_definition(const std::vector<Bytes>& blocks) {
  StoredDefinition stored;
  StreamReader in(blocks);
  stored.version = in.u16();
  if (stored.version > kNewestDefinitionVersion) {
    stored.truncated = in.overrun();
    return stored;
  }
  TableDeclaration& table = stored.table;
  table.record_length = in.u16();
  stored.field_count = in.u16();
  stored.memo_count = in.u16();
  stored.key_count = in.u16();
  // Each item is kept only when it was read whole from stored bytes; the
  // first item that runs short ends the reading.
  for (uint16_t i = 0; i < stored.field_count && !in.overrun(); ++i) {
    uint16_t number = 0;
    FieldDeclaration field = read_field(in, number);
    if (in.overrun()) break;
    table.fields.push_back(std::move(field));
    stored.field_numbers.push_back(number);
  }
  for (uint16_t i = 0; i < stored.memo_count && !in.overrun(); ++i) {
    MemoDeclaration memo = read_memo(in);
    if (!in.overrun()) table.memos.push_back(std::move(memo));
  }
  for (uint16_t i = 0; i < stored.key_count && !in.overrun(); ++i) {
    KeyDeclaration key = read_key(in);
    if (!in.overrun()) table.keys.push_back(std::move(key));
  }
  stored.truncated = in.overrun();
  return stored;
}

}  // namespace tps
