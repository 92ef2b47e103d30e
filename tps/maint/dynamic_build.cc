#include "tps/maint/dynamic_build.h"

#include "tps/maint/index_string.h"
#include "tps/maint/table_build.h"
#include "tps/table/record_keys.h"

namespace tps {

namespace {

bool is_dynamic_index(const ControlBlock& cb, int key) {
  return key >= 0 && size_t(key) < cb.layout.keys.size() && cb.layout.keys[size_t(key)].has(key_attr::kDynamic);
}

// The declared descriptor of dynamic index `key`: no components until a build.
void restore_declared_descriptor(ControlBlock& cb, int key) {
  if (!cb.valid_key(key)) return;
  KeyDescriptor declared;
  if (build_key_descriptor(cb.layout, size_t(key), cb.layout.keys[size_t(key)].components, declared).ok())
    cb.keys[size_t(key)] = std::move(declared);
}

}  // namespace

int build_dynamic_key(ControlBlock& cb, DriverArguments& args, bool filtered) {
  BuildRequest request;
  request.operation = filtered ? op::kBuildDynFilter : op::kBuildDyn;
  request.key = args.key;
  request.key_string = args.text;
  request.filter = filtered ? args.filter : nullptr;
  return request_build(cb, request);
}

int check_dynamic_build(const ControlBlock& cb, int key, std::string_view key_string) {
  if (!is_dynamic_index(cb, key)) return error::kInvalidNumberOfParameters;
  return parse_index_string(key_string, cb.layout.fields).error;
}

int build_dynamic_index(ControlBlock& cb, int key, std::string_view key_string, const RecordFilter* filter,
                        const BuildProgress& progress) {
  const ParsedIndexString parsed = parse_index_string(key_string, cb.layout.fields);
  if (parsed.error) return parsed.error;
  KeyDescriptor descriptor;
  const DeclarationResult described = build_key_descriptor(cb.layout, size_t(key), parsed.components, descriptor);
  if (!described.ok()) {
    cb.detail = to_error_detail(described);
    return described.error;
  }
  // The old entries and components go whatever the outcome: a failed build
  // leaves an empty index, never one whose entries mismatch its components.
  cb.maintenance.dynamic_stores.erase(key);
  cb.keys[size_t(key)] = std::move(descriptor);
  auto store = std::make_unique<DynamicIndexStore>();
  if (int error = store->open()) return error;
  DynamicIndexStore& built = *cb.maintenance.dynamic_stores.emplace(key, std::move(store)).first->second;

  cb.file->switch_to_update_mode();
  PageTree data(*cb.file);
  KeyBuildJob job = key_build_job(cb, data, size_t(key), progress);
  job.key_tree = &built.tree();
  job.key_file = &built.file();
  job.counters = &built;
  if (filter) job.filter = [filter, &cb](const uint8_t*) { return filter->accepts(cb.table); };
  const int result = build_key(job);
  const int ended = built.file().end_operation();
  return result ? result : ended;
}

PageTree* key_entries_tree(ControlBlock& cb, int key, PageTree& table_tree) {
  if (!cb.key(key).is_dynamic()) return &table_tree;
  auto found = cb.maintenance.dynamic_stores.find(key);
  return found == cb.maintenance.dynamic_stores.end() ? nullptr : &found->second->tree();
}

KeyCounters* dynamic_index_counters(ControlBlock& cb, int key) {
  if (!cb.valid_key(key) || !cb.key(key).is_dynamic()) return nullptr;
  auto found = cb.maintenance.dynamic_stores.find(key);
  return found == cb.maintenance.dynamic_stores.end() ? nullptr : found->second.get();
}

void forget_dynamic_indexes(ControlBlock& cb) {
  for (auto& [key, store] : cb.maintenance.dynamic_stores) restore_declared_descriptor(cb, key);
  cb.maintenance.dynamic_stores.clear();
}

}  // namespace tps
