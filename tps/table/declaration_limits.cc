#include "tps/table/declaration_limits.h"

namespace tps {
namespace {

using namespace structure_kind;

constexpr int kDeclaration = kErrInvalidRecordDeclaration;

int item_number(size_t index) { return static_cast<int>(index) + 1; }

DeclarationResult check_field(const FieldDeclaration& field, int number, uint32_t record_length) {
  if (!field.over && !is_accepted_field_type(field.type)) return structure_error(kDeclaration, kField, number, "TYPE");
  if (field.type == field_type::kString && field.element_size > kMaxStringLength)
    return structure_error(kDeclaration, kField, number, "SIZE");
  if (field.type == field_type::kCString && (field.element_size == 0 || field.element_size > kMaxCStringLength))
    return structure_error(kDeclaration, kField, number, "SIZE");
  if (field.size > kMaxFieldSize) return structure_error(kDeclaration, kField, number, "DIM");
  // Record buffers are read and converted at the declared offsets; a field
  // outside the buffer would make the engine touch memory it does not own.
  if (uint64_t{field.offset} + field.size > record_length) return structure_error(kDeclaration, kField, number, "SIZE");
  return {};
}

DeclarationResult check_fields(const TableDeclaration& declaration) {
  uint32_t stored_bytes = 0;
  for (size_t i = 0; i < declaration.fields.size(); ++i) {
    const FieldDeclaration& field = declaration.fields[i];
    if (DeclarationResult result = check_field(field, item_number(i), declaration.record_length); !result.ok())
      return result;
    // A group's bytes are its members' bytes: counting both would refuse
    // records of half the limit.
    if (!field.over && field.type != field_type::kGroup) stored_bytes += field.size;
    if (stored_bytes > kMaxRecordFieldBytes) return structure_error(kDeclaration, kField, item_number(i), "SIZE");
  }
  return {};
}

DeclarationResult check_memos(const TableDeclaration& declaration) {
  if (declaration.memos.size() > kMaxMemos) return structure_error(kDeclaration, kFile, 0, "MEMOS");
  for (size_t i = 0; i < declaration.memos.size(); ++i) {
    const MemoDeclaration& memo = declaration.memos[i];
    if (!memo.is_blob() && memo.size > kMaxMemoSize) return structure_error(kDeclaration, kMemo, item_number(i), "SIZE");
  }
  return {};
}

DeclarationResult component_error(int error, size_t key, size_t component, const char* attribute) {
  DeclarationResult result = structure_error(error, kComponent, item_number(component), attribute);
  result.detail.key = item_number(key);
  return result;
}

DeclarationResult check_keys(const TableDeclaration& declaration) {
  if (declaration.keys.size() > kMaxKeys) return structure_error(kDeclaration, kFile, 0, "KEYS");
  for (size_t k = 0; k < declaration.keys.size(); ++k) {
    const std::vector<KeyComponent>& components = declaration.keys[k].components;
    for (size_t c = 0; c < components.size(); ++c) {
      if (components[c].field >= declaration.fields.size()) return component_error(kDeclaration, k, c, "FIELD");
      if (declaration.fields[components[c].field].is_array())
        return component_error(kErrInvalidFieldTypeDescriptor, k, c, "DIM");
    }
    // The length limit of the key value (7526 bytes) is checked by
    // build_key_descriptors, which the engine runs when it binds the table.
  }
  return {};
}

}  // namespace

bool is_accepted_field_type(uint8_t type) {
  switch (type) {
    case field_type::kByte:
    case field_type::kShort:
    case field_type::kUShort:
    case field_type::kDate:
    case field_type::kTime:
    case field_type::kLong:
    case field_type::kULong:
    case field_type::kSReal:
    case field_type::kReal:
    case field_type::kDecimal:
    case field_type::kString:
    case field_type::kCString:
    case field_type::kPString:
    case field_type::kGroup:
      return true;
    default:
      return false;
  }
}

DeclarationResult check_declaration_limits(const TableDeclaration& declaration) {
  if (DeclarationResult result = check_fields(declaration); !result.ok()) return result;
  if (DeclarationResult result = check_memos(declaration); !result.ok()) return result;
  return check_keys(declaration);
}

}  // namespace tps
