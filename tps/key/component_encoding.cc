#include "tps/key/component_encoding.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/text/code_pages.h"
#include "tps/table/declaration.h"

namespace tps {
namespace {

constexpr uint8_t kTopBit = 0x80;
constexpr uint8_t kSignNibble = 0xF0;

void copy_reversed(const uint8_t* from, uint32_t length, uint8_t* out) {
  std::reverse_copy(from, from + length, out);
}

// Returns the toggle of the inversion for a real value: negatives (top bit
// set after reversal) are complemented so that larger magnitudes sort
// first; the others get the top bit so that they sort after every negative.
bool place_real(uint8_t* out, uint32_t length) {
  if (length == 0) return false;
  if (out[0] & kTopBit) return true;
  out[0] |= kTopBit;
  return false;
}

// Returns the toggle of the inversion for a packed decimal: a non-zero sign
// nibble marks a negative value, which is complemented.
bool place_decimal(uint8_t* out, uint32_t length) {
  if (length == 0) return false;
  bool negative = (out[0] & kSignNibble) != 0;
  out[0] &= static_cast<uint8_t>(~kSignNibble);
  out[0] ^= kTopBit;
  return negative;
}

// Copies the text bytes of a string component, NUL padded where the type
// ends its text early.
void copy_text(const ComponentField& field, const uint8_t* from, uint8_t* out) {
  uint32_t length = field.length;
  switch (field.type) {
    case field_type::kCString: {
      const void* nul = std::memchr(from, 0, length);
      uint32_t used = nul ? static_cast<uint32_t>(static_cast<const uint8_t*>(nul) - from) : length;
      std::memcpy(out, from, used);
      std::memset(out + used, 0, length - used);
      return;
    }
    case field_type::kPString: {
      if (length == 0) return;
      // A length byte larger than the field can hold is cut to the field:
      // the text never reaches past the component.
      uint32_t used = std::min<uint32_t>(from[0], length - 1);
      std::memcpy(out, from + 1, used);
      std::memset(out + used, 0, length - used);
      return;
    }
    default:
      std::memcpy(out, from, length);
  }
}

void fold_case(uint8_t* text, uint32_t length, const LocaleBlock& locale) {
  for (uint32_t i = 0; i < length; ++i)
    if (locale.is_upper(text[i])) text[i] = locale.case_partner(text[i]);
}

// Replaces each digraph character by its two replacements, keeping the
// length: output that no longer fits is dropped.
void expand_digraphs(uint8_t* text, uint32_t length, const LocaleBlock& locale) {
  size_t count = locale.digraph_count();
  if (count == 0 || length == 0) return;
  std::vector<uint8_t> input(text, text + length);
  uint32_t out = 0;
  for (uint32_t in = 0; in < length && out < length; ++in) {
    uint8_t byte = input[in];
    bool expanded = false;
    for (size_t d = 0; d < count && !expanded; ++d) {
      Digraph digraph = locale.digraph(d);
      if (digraph.character != byte) continue;
      text[out++] = digraph.first;
      if (out < length) text[out++] = digraph.second;
      expanded = true;
    }
    if (!expanded) text[out++] = byte;
  }
}

void collate(uint8_t* text, uint32_t length, const StringRules& rules) {
  const LocaleBlock& locale = *rules.locale;
  expand_digraphs(text, length, locale);
  if (rules.oem) {
    text::ansi_to_oem(text, length);
    for (uint32_t i = 0; i < length; ++i) text[i] = locale.oem_collation(text[i]);
  } else {
    for (uint32_t i = 0; i < length; ++i) text[i] = locale.collation(text[i]);
  }
}

}  // namespace

bool is_text_component(uint8_t type) {
  return type == field_type::kString || type == field_type::kGroup || type == field_type::kCString ||
         type == field_type::kPString;
}

void encode_component(const ComponentField& field, const uint8_t* record, const StringRules& rules, uint8_t* out) {
  const uint8_t* from = record + field.offset;
  uint32_t length = field.length;
  bool invert = field.descending;
  switch (field.type) {
    case field_type::kShort:
    case field_type::kLong:
      copy_reversed(from, length, out);
      if (length) out[0] ^= kTopBit;
      break;
    case field_type::kUShort:
    case field_type::kDate:
    case field_type::kTime:
    case field_type::kULong:
      copy_reversed(from, length, out);
      break;
    case field_type::kSReal:
    case field_type::kReal:
      copy_reversed(from, length, out);
      invert ^= place_real(out, length);
      break;
    case field_type::kDecimal:
      std::memcpy(out, from, length);
      invert ^= place_decimal(out, length);
      break;
    case field_type::kString:
    case field_type::kGroup:
    case field_type::kCString:
    case field_type::kPString:
      copy_text(field, from, out);
      if (rules.nocase) fold_case(out, length, *rules.locale);
      collate(out, length, rules);
      break;
    default:
      std::memcpy(out, from, length);
  }
  if (invert)
    for (uint32_t i = 0; i < length; ++i) out[i] = static_cast<uint8_t>(~out[i]);
}

bool component_is_blank(const ComponentField& field, const uint8_t* record) {
  const uint8_t* from = record + field.offset;
  uint32_t length = field.length;
  switch (field.type) {
    case field_type::kString:
    case field_type::kGroup:
      return std::all_of(from, from + length, [](uint8_t b) { return b == ' '; });
    case field_type::kCString:
    case field_type::kPString:
      return length == 0 || from[0] == 0;
    default:
      return std::all_of(from, from + length, [](uint8_t b) { return b == 0; });
  }
}

}  // namespace tps
