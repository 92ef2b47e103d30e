#include "tps/maint/properties.h"

namespace tps {

namespace {

std::string flag(bool value) { return value ? "1" : "0"; }

}  // namespace

int get_key_property(ControlBlock& cb, int key, int64_t property, int32_t index, std::string* out) {
  if (key < 0 || size_t(key) >= cb.layout.keys.size()) return error::kInvalidNumberOfParameters;
  const KeyDeclaration& k = cb.layout.keys[size_t(key)];
  const bool valid_component = index >= 1 && size_t(index) <= k.components.size();
  std::string answer;
  switch (property) {
    case property::kName: answer = k.label; break;
    case property::kExternalName: answer = k.external_name; break;
    case property::kComponents: answer = std::to_string(k.components.size()); break;
    case property::kDuplicates: answer = flag(k.has(key_attr::kDup) || k.has(key_attr::kIndex)); break;
    case property::kOptional: answer = flag(k.has(key_attr::kOpt)); break;
    case property::kNoCase: answer = flag(k.has(key_attr::kNoCase)); break;
    case property::kPrimary: answer = flag(k.has(key_attr::kPrimary)); break;
    case property::kComponentField:
      if (valid_component) answer = std::to_string(k.components[size_t(index - 1)].field + 1);
      break;
    case property::kComponentAscending:
      if (valid_component) answer = flag(!k.components[size_t(index - 1)].descending);
      break;
    case property::kKeyKind: answer = k.has(key_attr::kIndex) ? "INDEX" : "KEY"; break;
    default: break;
  }
  if (out) *out = answer;
  return 0;
}

int get_table_property(ControlBlock& cb, int64_t property, std::string* out) {
  size_t blobs = 0;
  for (const MemoDeclaration& memo : cb.layout.memos) blobs += memo.is_blob() ? 1 : 0;
  std::string answer;
  switch (property) {
    case property::kKeys: answer = std::to_string(cb.layout.keys.size()); break;
    case property::kBlobs: answer = std::to_string(blobs); break;
    case property::kMemos: answer = std::to_string(cb.layout.memos.size() - blobs); break;
    case property::kFields: answer = std::to_string(cb.layout.fields.size()); break;
    case property::kEncrypt: answer = flag(cb.attributes & table_attr::kEncrypt); break;
    case property::kOem: answer = flag(cb.attributes & table_attr::kOem); break;
    case property::kReclaim: answer = flag(cb.attributes & table_attr::kReclaim); break;
    case property::kThread: answer = flag(cb.attributes & table_attr::kThread); break;
    case property::kCreate: answer = flag(cb.attributes & table_attr::kCreate); break;
    case property::kDriver: answer = cb.driver; break;
    case property::kOwner: answer = cb.owner; break;
    case property::kName: answer = cb.is_open() ? cb.open_name : cb.file_name; break;
    default: break;
  }
  if (out) *out = answer;
  return 0;
}

int set_table_property(ControlBlock&, int64_t, std::string_view) { return error::kUnsupportedFunction; }

}  // namespace tps
