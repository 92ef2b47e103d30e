#include "tps/key/key_descriptor.h"

#include "tps/errors/errors.h"
#include "tps/table/declaration_limits.h"

namespace tps {
namespace {

DeclarationResult component_error(int error, int key_number, int component_number, const char* attribute) {
  DeclarationResult result = structure_error(error, structure_kind::kComponent, component_number, attribute);
  result.detail.key = key_number;
  return result;
}

DeclarationResult key_too_long(int key_number) {
  DeclarationResult result =
      structure_error(kErrInvalidRecordDeclaration, structure_kind::kKey, key_number, "SIZE",
                      resource_text(resource::kKeyTooLong, kKeyTooLongMessage));
  result.detail.code = structure::kKeyTooLongCode;
  return result;
}

}  // namespace

DeclarationResult build_key_descriptor(const TableDeclaration& declaration, size_t key_index,
                                       const std::vector<KeyComponent>& components, KeyDescriptor& key) {
  if (key_index >= kMaxKeys)
    return structure_error(kErrInvalidRecordDeclaration, structure_kind::kFile, 1, "KEYS");
  const int key_number = static_cast<int>(key_index) + 1;
  KeyDescriptor built;
  built.number = static_cast<uint8_t>(key_index);
  built.attributes = declaration.keys[key_index].attributes;
  uint64_t value_length = 0;
  for (size_t i = 0; i < components.size(); ++i) {
    const int component_number = static_cast<int>(i) + 1;
    if (components[i].field >= declaration.fields.size())
      return component_error(kErrInvalidRecordDeclaration, key_number, component_number, "FIELD");
    const FieldDeclaration& field = declaration.fields[components[i].field];
    if (field.is_array())
      return component_error(kErrInvalidFieldTypeDescriptor, key_number, component_number, "DIM");
    if (uint64_t(field.offset) + field.size > declaration.record_length)
      return component_error(kErrInvalidRecordDeclaration, key_number, component_number, "SIZE");
    built.components.push_back({field.type, field.offset, field.size, components[i].descending});
    value_length += field.size;
  }
  if (value_length > kMaxKeyValueLength) return key_too_long(key_number);
  built.value_length = static_cast<uint32_t>(value_length);
  key = std::move(built);
  return {};
}

DeclarationResult build_key_descriptors(const TableDeclaration& declaration, std::vector<KeyDescriptor>& keys) {
  std::vector<KeyDescriptor> built(declaration.keys.size());
  for (size_t i = 0; i < declaration.keys.size(); ++i) {
    DeclarationResult result = build_key_descriptor(declaration, i, declaration.keys[i].components, built[i]);
    if (!result.ok()) return result;
  }
  keys = std::move(built);
  return {};
}

}  // namespace tps
