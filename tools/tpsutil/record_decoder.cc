#include "record_decoder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/text/code_pages.h"
#include "tps/base/bytes.h"

namespace tpsutil {

namespace ft = tps::field_type;

namespace {

// Elements shown of one field at most: a bound against definitions whose
// nested dimensions multiply into more values than a record could hold.
constexpr size_t kMaxElements = 65536;

// A GROUP whose members are being shown.
struct OpenGroup {
  uint32_t start, end;    // the group's bytes, all elements
  uint32_t element_size;  // bytes of one element
  uint32_t count;         // elements
};

uint32_t element_size_of(const tps::FieldDeclaration& field) {
  const uint32_t count = field.element_count ? field.element_count : 1;
  const uint32_t size = field.size / count;
  return size ? size : field.size;
}

uint32_t element_count_of(const tps::FieldDeclaration& field) {
  // A field too small for its elements is read as one value.
  return field.element_count > 1 && field.size / field.element_count > 0 ? field.element_count : 1;
}

bool inside(const OpenGroup& group, const tps::FieldDeclaration& field) {
  return field.offset >= group.start && uint64_t{field.offset} + field.size <= group.end;
}

bool has_members(const std::vector<tps::FieldDeclaration>& fields, size_t group) {
  const tps::FieldDeclaration& g = fields[group];
  if (group + 1 >= fields.size() || g.size == 0) return false;
  const OpenGroup range{g.offset, g.offset + g.size, 0, 0};
  return inside(range, fields[group + 1]);
}

// Every offset of the field's elements, repeated for every element of the
// dimensioned groups around it.
std::vector<uint32_t> element_offsets(const std::vector<OpenGroup>& groups, const tps::FieldDeclaration& field) {
  std::vector<uint32_t> offsets{0};
  auto repeat = [&offsets](uint32_t count, uint32_t step) {
    std::vector<uint32_t> next;
    for (uint32_t base : offsets)
      for (uint32_t k = 0; k < count && next.size() < kMaxElements; ++k) next.push_back(base + k * step);
    offsets.swap(next);
  };
  for (const OpenGroup& group : groups)
    if (group.count > 1) repeat(group.count, group.element_size);
  repeat(element_count_of(field), element_size_of(field));
  for (uint32_t& offset : offsets) offset += field.offset;
  return offsets;
}

std::string without_trailing_spaces(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

Value text_value(const uint8_t* bytes, size_t length) {
  Value value;
  value.kind = Value::Kind::kText;
  value.text = text::utf8_from_ansi(without_trailing_spaces(std::string(reinterpret_cast<const char*>(bytes), length)));
  return value;
}

Value integer_value(int64_t number) {
  Value value;
  value.kind = Value::Kind::kInteger;
  value.integer = number;
  return value;
}

Value plain_text(std::string text) {
  Value value;
  value.kind = Value::Kind::kText;
  value.text = std::move(text);
  return value;
}

Value hex_value(const uint8_t* bytes, size_t length) {
  static const char* digits = "0123456789abcdef";
  std::string text = "0x";
  for (size_t i = 0; i < length; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return plain_text(std::move(text));
}

bool all_zero(const uint8_t* bytes, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (bytes[i]) return false;
  return true;
}

// Packed decimal: the high half of the first byte is the sign (0 positive),
// then 2 * length - 1 digits, the last `places` of them decimals.
Value decimal_value(const uint8_t* bytes, size_t length, uint8_t places) {
  std::string digits;
  for (size_t i = 0; i < 2 * length; ++i) {
    if (i == 0) continue;  // the sign
    const uint8_t nibble = (i % 2) ? bytes[i / 2] & 15 : bytes[i / 2] >> 4;
    if (nibble > 9) return hex_value(bytes, length);  // not a packed decimal: show what is there
    digits += char('0' + nibble);
  }
  if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
  std::string whole = digits.substr(0, digits.size() - places);
  const size_t first = whole.find_first_not_of('0');
  whole = first == std::string::npos ? "0" : whole.substr(first);
  std::string text = places ? whole + "." + digits.substr(digits.size() - places) : whole;
  const bool negative = (bytes[0] >> 4) != 0 && digits.find_first_not_of('0') != std::string::npos;
  return plain_text(negative ? "-" + text : text);
}

// The shortest text that reads back as the same SREAL or REAL, so that a
// stored 0.1 shows as 0.1 whatever its width.
template <typename Real>
Value real_value(Real number) {
  if (!std::isfinite(number)) return {};  // JSON has no form for it
  char text[64];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, number);
  Value value;
  value.kind = Value::Kind::kReal;
  value.text.assign(text, result.ptr);
  return value;
}

Value date_value(const uint8_t* p) {
  if (all_zero(p, 4)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned(tps::load_u16le(p + 2)), unsigned(p[1]), unsigned(p[0]));
  return plain_text(text);
}

Value time_value(const uint8_t* p) {
  if (all_zero(p, 4)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u.%02u", unsigned(p[3]), unsigned(p[2]), unsigned(p[1]), unsigned(p[0]));
  return plain_text(text);
}

// Width in bytes a numeric type needs; 0 for the others.
size_t numeric_width(uint8_t type) {
  switch (type) {
    case ft::kByte: return 1;
    case ft::kShort:
    case ft::kUShort: return 2;
    case ft::kDate:
    case ft::kTime:
    case ft::kLong:
    case ft::kULong:
    case ft::kSReal: return 4;
    case ft::kReal: return 8;
    default: return 0;
  }
}

Value decode_element(const tps::FieldDeclaration& field, const uint8_t* p, size_t length) {
  const size_t width = numeric_width(field.type);
  if (width && length < width) return hex_value(p, length);
  switch (field.type) {
    case ft::kByte: return integer_value(p[0]);
    case ft::kShort: return integer_value(int16_t(tps::load_u16le(p)));
    case ft::kUShort: return integer_value(tps::load_u16le(p));
    case ft::kLong: return integer_value(int32_t(tps::load_u32le(p)));
    case ft::kULong: return integer_value(tps::load_u32le(p));
    case ft::kDate: return date_value(p);
    case ft::kTime: return time_value(p);
    case ft::kSReal: {
      float number;
      std::memcpy(&number, p, sizeof number);
      return real_value(number);
    }
    case ft::kReal: {
      double number;
      std::memcpy(&number, p, sizeof number);
      return real_value(number);
    }
    case ft::kDecimal: return length ? decimal_value(p, length, field.decimal_places) : Value{};
    case ft::kString:
    case ft::kGroup: return text_value(p, length);
    case ft::kCString: {
      const void* nul = std::memchr(p, 0, length);
      return text_value(p, nul ? static_cast<const uint8_t*>(nul) - p : length);
    }
    case ft::kPString: {
      if (length == 0) return text_value(p, 0);
      return text_value(p + 1, std::min<size_t>(p[0], length - 1));
    }
    default: return hex_value(p, length);
  }
}

}  // namespace

std::vector<FieldColumn> field_columns(const tps::TableDeclaration& layout) {
  std::vector<FieldColumn> columns;
  std::vector<OpenGroup> groups;
  const std::vector<tps::FieldDeclaration>& fields = layout.fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    const tps::FieldDeclaration& field = fields[i];
    // Members follow their group; the first field outside it closes it.
    while (!groups.empty() && !inside(groups.back(), field)) groups.pop_back();
    if (field.type == ft::kGroup && has_members(fields, i)) {
      groups.push_back({field.offset, field.offset + field.size, element_size_of(field), element_count_of(field)});
      continue;
    }
    FieldColumn column;
    column.field = i;
    column.offsets = element_offsets(groups, field);
    column.element_size = element_size_of(field);
    column.repeated = column.offsets.size() > 1;
    columns.push_back(std::move(column));
  }
  return columns;
}

std::vector<Value> decode_column(const tps::TableDeclaration& layout, const FieldColumn& column,
                                 const uint8_t* record, size_t length) {
  const tps::FieldDeclaration& field = layout.fields[column.field];
  std::vector<Value> values;
  for (uint32_t offset : column.offsets) {
    if (uint64_t{offset} + column.element_size > length) {
      values.emplace_back();  // outside the buffer: a damaged definition
      continue;
    }
    values.push_back(decode_element(field, record + offset, column.element_size));
  }
  return values;
}

Value decode_memo(const tps::MemoDeclaration& memo, const tps::Bytes& value) {
  if (memo.is_blob()) return plain_text(base64(value.data(), value.size()));
  size_t length = value.size();
  while (length > 0 && value[length - 1] == ' ') --length;  // the padding of the memo buffer
  if (memo.is_binary()) return plain_text(base64(value.data(), length));
  return text_value(value.data(), length);
}

std::string shown_name(const std::string& ansi) { return text::utf8_from_ansi(ansi); }

std::string memo_label(const tps::MemoDeclaration& memo) {
  return shown_name(memo.label.empty() ? memo.external_name : memo.label);
}

std::string json_quote(const std::string& utf8) {
  static const char* digits = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += digits[c >> 4];
          out += digits[c & 15];
        } else {
          out += char(c);
        }
    }
  }
  return out + "\"";
}

std::string to_json(const Value& value) {
  switch (value.kind) {
    case Value::Kind::kNull: return "null";
    case Value::Kind::kInteger: return std::to_string(value.integer);
    case Value::Kind::kReal: return value.text;
    case Value::Kind::kText: return json_quote(value.text);
  }
  return "null";
}

std::string csv_quote(const std::string& utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string to_csv_cell(const Value& value) {
  switch (value.kind) {
    case Value::Kind::kNull: return "";
    case Value::Kind::kInteger: return std::to_string(value.integer);
    case Value::Kind::kReal: return value.text;
    case Value::Kind::kText: return csv_quote(value.text);
  }
  return "";
}

std::string base64(const uint8_t* bytes, size_t length) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((length + 2) / 3 * 4);
  for (size_t i = 0; i < length; i += 3) {
    const uint32_t a = bytes[i];
    const uint32_t b = i + 1 < length ? bytes[i + 1] : 0;
    const uint32_t c = i + 2 < length ? bytes[i + 2] : 0;
    const uint32_t triple = (a << 16) | (b << 8) | c;
    out += alphabet[(triple >> 18) & 63];
    out += alphabet[(triple >> 12) & 63];
    out += i + 1 < length ? alphabet[(triple >> 6) & 63] : '=';
    out += i + 2 < length ? alphabet[triple & 63] : '=';
  }
  return out;
}

}  // namespace tpsutil
