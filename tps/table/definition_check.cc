#include "tps/table/definition_check.h"

#include "tps/table/declaration_limits.h"

namespace tps {
namespace {

using namespace structure_kind;

constexpr int kDeclaration = kErrInvalidRecordDeclaration;

// Attribute bit that may differ between declaration and stored definition.
constexpr uint8_t kKeyAttributesNotCompared = key_attr::kPrimary;

int item_number(size_t index) { return static_cast<int>(index) + 1; }

DeclarationResult mismatch(std::string_view kind, size_t index, std::string_view attribute) {
  return structure_error(kDeclaration, kind, item_number(index), attribute);
}

bool is_decimal(uint8_t type) { return type == field_type::kDecimal || type == field_type::kPDecimal; }

DeclarationResult version_error() {
  return structure_error(kDeclaration, kFile, structure::kFileItemNumber, structure::kVersion,
                         resource_text(resource::kNewerVersion, kNewerVersionMessage));
}

DeclarationResult compare_counts(const StoredDefinition& stored, const TableDeclaration& declared) {
  if (stored.field_count != declared.fields.size()) return structure_error(kDeclaration, kFile, 0, "FIELDS");
  if (stored.memo_count != declared.memos.size()) return structure_error(kDeclaration, kFile, 0, "MEMOS");
  if (stored.key_count != declared.keys.size()) return structure_error(kDeclaration, kFile, 0, "KEYS");
  return {};
}

DeclarationResult compare_field(const FieldDeclaration& stored, const FieldDeclaration& declared, size_t index,
                                bool decimal_check) {
  if (stored.type != declared.type) return mismatch(kField, index, "TYPE");
  if (stored.element_count != declared.element_count) return mismatch(kField, index, "DIM");
  if (stored.size != declared.size) return mismatch(kField, index, "SIZE");
  if (stored.over != declared.over) return mismatch(kField, index, "OVER");
  // The places are reported under "SIZE" and the element size under
  // "PLACES": other stations show these details, so the naming is kept.
  if (is_decimal(stored.type) && decimal_check) {
    if (stored.decimal_places != declared.decimal_places) return mismatch(kField, index, "SIZE");
    if (stored.element_size != declared.element_size) return mismatch(kField, index, "PLACES");
  }
  return {};
}

// Besides BINARY, the BLOB bit must agree: a MEMO is chunked without the size
// prefix that starts a BLOB, so reading one as the other garbles the value,
// and writing it back corrupts it for every station.
DeclarationResult compare_memo(const MemoDeclaration& stored, const MemoDeclaration& declared, size_t index) {
  if (!declared.is_blob() && stored.size != declared.size) return mismatch(kMemo, index, "SIZE");
  if (stored.is_binary() != declared.is_binary()) return mismatch(kMemo, index, "BINARY");
  if (stored.is_blob() != declared.is_blob()) return mismatch(kMemo, index, "BINARY");
  return {};
}

DeclarationResult compare_key(const KeyDeclaration& stored, const KeyDeclaration& declared, size_t index) {
  if ((stored.attributes | kKeyAttributesNotCompared) != (declared.attributes | kKeyAttributesNotCompared))
    return mismatch(kKey, index, "ATTRIBUTE");
  if (stored.components.size() != declared.components.size()) return mismatch(kKey, index, "FIELDS");
  for (size_t c = 0; c < stored.components.size(); ++c) {
    const char* attribute = nullptr;
    if (stored.components[c].field != declared.components[c].field)
      attribute = "FIELD";
    else if (stored.components[c].descending != declared.components[c].descending)
      attribute = "ASCENDING";
    if (attribute) {
      DeclarationResult result = mismatch(kComponent, c, attribute);
      result.detail.key = item_number(index);
      return result;
    }
  }
  return {};
}

// A stream that ran short is refused once every item read whole matched.
DeclarationResult truncated_error() { return structure_error(kDeclaration, kFile, 0, "SIZE"); }

}  // namespace

DeclarationResult compare_definition(const StoredDefinition& stored, const TableDeclaration& declared,
                                     bool decimal_check) {
  if (stored.version > kNewestDefinitionVersion) return version_error();
  if (DeclarationResult result = compare_counts(stored, declared); !result.ok()) return result;
  const TableDeclaration& table = stored.table;
  for (size_t i = 0; i < table.fields.size(); ++i)
    if (DeclarationResult result = compare_field(table.fields[i], declared.fields[i], i, decimal_check); !result.ok())
      return result;
  for (size_t i = 0; i < table.memos.size(); ++i)
    if (DeclarationResult result = compare_memo(table.memos[i], declared.memos[i], i); !result.ok()) return result;
  for (size_t i = 0; i < table.keys.size(); ++i)
    if (DeclarationResult result = compare_key(table.keys[i], declared.keys[i], i); !result.ok()) return result;
  if (stored.truncated) return truncated_error();
  return {};
}

DeclarationResult load_definition(const StoredDefinition& stored, TableDeclaration& declared) {
  if (stored.version > kNewestDefinitionVersion) return version_error();
  if (stored.truncated) return truncated_error();
  if (DeclarationResult result = check_declaration_limits(stored.table); !result.ok()) return result;
  declared.record_length = stored.table.record_length;
  declared.fields = stored.table.fields;
  declared.memos = stored.table.memos;
  declared.keys = stored.table.keys;
  return {};
}

}  // namespace tps
