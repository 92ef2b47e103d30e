// The table declaration a program hands to the engine: names, attributes,
// record layout, memos and keys.
//
// A plain value type shared by the engine and the program's dictionary. It
// holds the declaration as the program wrote it; the engine derives its
// descriptors (key encoding, code-page conversion) from it and serializes it
// into the table-definition stream stored in the file. A declaration loaded
// back from a stored stream has the same shape.
//
// Names without a value (no external name, no picture) are empty strings;
// they are stored as empty strings too.
//
// Sizes and offsets are held wider than the 16 bits the stored stream gives
// them so that the limit checks see the declared values, not wrapped ones.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tps {

// Field type codes as stored in the definition stream.
namespace field_type {
inline constexpr uint8_t kByte = 1;
inline constexpr uint8_t kShort = 2;
inline constexpr uint8_t kUShort = 3;
inline constexpr uint8_t kDate = 4;
inline constexpr uint8_t kTime = 5;
inline constexpr uint8_t kLong = 6;
inline constexpr uint8_t kULong = 7;
inline constexpr uint8_t kSReal = 8;
inline constexpr uint8_t kReal = 9;
inline constexpr uint8_t kDecimal = 10;
inline constexpr uint8_t kPDecimal = 11;  // stored verbatim; not accepted in a declaration
inline constexpr uint8_t kString = 18;
inline constexpr uint8_t kCString = 19;
inline constexpr uint8_t kPString = 20;
inline constexpr uint8_t kGroup = 22;
}  // namespace field_type

// Table attribute bits (one byte, as the table control block keeps them).
namespace table_attr {
inline constexpr uint8_t kEncrypt = 0x01;
inline constexpr uint8_t kCreate = 0x02;
inline constexpr uint8_t kReclaim = 0x04;  // reported when asked, not acted on
inline constexpr uint8_t kThread = 0x08;   // per-thread buffers and file objects
inline constexpr uint8_t kOem = 0x10;      // text stored in the OEM code page
}  // namespace table_attr

// Memo attribute bits as stored in the definition stream.
namespace memo_attr {
inline constexpr uint16_t kBinary = 0x02;  // no code-page conversion
inline constexpr uint16_t kBlob = 0x04;    // a BLOB, not a MEMO
}  // namespace memo_attr

// Key attribute bits as stored in the definition stream and the key descriptor.
namespace key_attr {
inline constexpr uint8_t kDup = 0x01;
inline constexpr uint8_t kOpt = 0x02;
inline constexpr uint8_t kNoCase = 0x04;
inline constexpr uint8_t kReserved = 0x08;  // copied, no effect
inline constexpr uint8_t kPrimary = 0x10;   // ignored when comparing with a stored definition
inline constexpr uint8_t kIndex = 0x20;     // declared as an INDEX, maintained by BUILD only
inline constexpr uint8_t kDynamic = 0x40;   // INDEX without components; BUILD supplies them
}  // namespace key_attr

// One field of the record buffer. Group members follow their group.
struct FieldDeclaration {
  uint8_t type = field_type::kByte;           // a field_type code
  std::string label;                          // e.g. "QVL:NRO_REGISTRO"
  std::string external_name;                  // stored instead of the label when not empty
  uint32_t offset = 0;                        // byte offset in the record buffer
  uint32_t element_count = 1;                 // product of the array dimensions; 1 for a plain field
  uint32_t size = 0;                          // bytes of the whole field, all elements
  uint32_t element_size = 0;                  // bytes of one element (strings: declared length)
  uint8_t decimal_places = 0;                 // DECIMAL/PDECIMAL only
  std::string picture;                        // strings only; empty when none
  bool over = false;                          // shares storage with an earlier field (or lies in a group that does)

  bool is_array() const { return element_count > 1; }
  bool is_text() const {
    return type == field_type::kString || type == field_type::kCString || type == field_type::kPString;
  }
};

// One MEMO or BLOB, held apart from the record buffer.
struct MemoDeclaration {
  std::string label;                         // e.g. "QVL:PARRAFO1A"
  std::string external_name;                 // empty when none
  uint32_t size = 0;                         // declared size in bytes (MEMO buffer size)
  uint16_t attributes = 0;                   // memo_attr bits

  bool is_blob() const { return (attributes & memo_attr::kBlob) != 0; }
  bool is_binary() const { return (attributes & memo_attr::kBinary) != 0; }
};

// A plain field (one element) of `size` bytes at `offset`.
inline FieldDeclaration single_field(uint8_t type, std::string label, uint32_t offset, uint32_t size) {
  FieldDeclaration field;
  field.type = type;
  field.label = std::move(label);
  field.offset = offset;
  field.size = field.element_size = size;
  return field;
}

// A text MEMO of `size` bytes.
inline MemoDeclaration text_memo(std::string label, uint32_t size) {
  MemoDeclaration memo;
  memo.label = std::move(label);
  memo.size = size;
  return memo;
}

// One key component: a field of the record and its direction.
struct KeyComponent {
  uint32_t field = 0;       // 0-based index into TableDeclaration::fields
  bool descending = false;

  bool operator==(const KeyComponent&) const = default;
};

// One KEY or INDEX. Its key number is its 0-based position in the table's key list.
struct KeyDeclaration {
  std::string label;                         // e.g. "QVL:CLAVE_PRIMARIA"
  std::string external_name;                 // empty when none
  uint8_t attributes = 0;                    // key_attr bits
  std::vector<KeyComponent> components;

  bool has(uint8_t attribute_bit) const { return (attributes & attribute_bit) != 0; }
};

// A whole table as declared by the program. A declaration with record_length
// 0 and no memos is "layout unknown": opening fills it from the stored
// definition instead of checking against it.
struct TableDeclaration {
  std::string label;          // the program's name, e.g. "QVLIBJAR"
  std::string prefix;         // field prefix, e.g. "QVL"
  std::string file_name;      // OS file name, optionally followed by "\!" and a table name
  std::string owner;          // owner password; non-empty enciphers the file
  std::string driver_options; // driver string of "/NAME=value" items
  uint8_t attributes = 0;     // table_attr bits
  uint32_t record_length = 0; // bytes of the record buffer
  std::vector<FieldDeclaration> fields;
  std::vector<MemoDeclaration> memos;
  std::vector<KeyDeclaration> keys;

  bool has(uint8_t attribute_bit) const { return (attributes & attribute_bit) != 0; }
  bool layout_known() const { return record_length > 0 || !memos.empty(); }
  bool has_blob() const {
    for (const MemoDeclaration& memo : memos)
      if (memo.is_blob()) return true;
    return false;
  }
};

}  // namespace tps
