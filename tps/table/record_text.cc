#include "tps/table/record_text.h"

#include <algorithm>
#include <cstring>

#include "platform/text/code_pages.h"

namespace tps {
namespace {

using Convert = void (*)(uint8_t*, size_t);

// Bytes of one text element that hold characters, by the element's type.
size_t text_length(uint8_t type, const uint8_t* element, size_t size) {
  switch (type) {
    case field_type::kString:
      return size;
    case field_type::kCString: {
      const void* nul = std::memchr(element, 0, size);
      return nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - element) : size;
    }
    default:  // PSTRING: the length byte is not text
      return size == 0 ? 0 : std::min<size_t>(element[0], size - 1);
  }
}

size_t text_offset(uint8_t type) { return type == field_type::kPString ? 1 : 0; }

void convert_field(const FieldDeclaration& field, uint8_t* record, size_t length, Convert convert) {
  if (field.offset >= length) return;
  const size_t field_size = std::min<size_t>(field.size, length - field.offset);
  // Arrays convert element by element when their elements tile the field;
  // otherwise the field is taken as one element.
  size_t element_size = field_size;
  if (field.element_count > 1 && field.element_size > 0 &&
      uint64_t{field.element_size} * field.element_count == field.size)
    element_size = field.element_size;
  for (size_t start = 0; start < field_size; start += element_size) {
    uint8_t* element = record + field.offset + start;
    const size_t size = std::min(element_size, field_size - start);
    convert(element + text_offset(field.type), text_length(field.type, element, size));
  }
}

void convert_record(const std::vector<FieldDeclaration>& fields, uint8_t* record, size_t length, Convert convert) {
  for (const FieldDeclaration& field : fields)
    if (field.is_text() && !field.over) convert_field(field, record, length, convert);
}

}  // namespace

void record_text_to_oem(const std::vector<FieldDeclaration>& fields, uint8_t* record, size_t length) {
  convert_record(fields, record, length, [](uint8_t* bytes, size_t n) { text::ansi_to_oem(bytes, n); });
}

void record_text_to_ansi(const std::vector<FieldDeclaration>& fields, uint8_t* record, size_t length) {
  convert_record(fields, record, length, [](uint8_t* bytes, size_t n) { text::oem_to_ansi(bytes, n); });
}

Bytes stored_record_image(const std::vector<FieldDeclaration>& fields, const uint8_t* record, size_t length,
                          bool oem) {
  Bytes image(record, record + length);
  if (oem) record_text_to_oem(fields, image.data(), image.size());
  return image;
}

}  // namespace tps
