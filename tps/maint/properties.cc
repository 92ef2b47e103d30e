#include "tps/maint/properties.h"

#include <algorithm>
#include <charconv>

namespace tps {

namespace {

constexpr int kMostProgressEvents = 100;

std::string flag(bool value) { return value ? "1" : "0"; }

// A property value's number: optional spaces, sign and digits; 0 when the
// text holds none. Out-of-range values saturate.
int64_t number_in(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) return text.front() == '-' ? INT64_MIN : INT64_MAX;
  (void)end;
  return ec == std::errc() ? value : 0;
}

void set_attribute(ControlBlock& cb, uint8_t bit, bool on) {
  cb.attributes = on ? uint8_t(cb.attributes | bit) : uint8_t(cb.attributes & ~bit);
}

void set_progress(ControlBlock& cb, int64_t events) {
  const int clamped = events <= 0 ? 0 : int(std::min<int64_t>(events, kMostProgressEvents));
  cb.maintenance.progress_events = clamped;
  cb.table.status.progress = clamped > 0;
}

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
    case property::kProgress: answer = std::to_string(cb.maintenance.progress_events); break;
    case property::kTrace: answer = flag(cb.maintenance.trace.on); break;
    case property::kTraceFile: answer = cb.maintenance.trace.file; break;
    default: break;
  }
  if (out) *out = answer;
  return 0;
}

int set_table_property(ControlBlock& cb, int64_t property, std::string_view value) {
  MaintenanceState& kept = cb.maintenance;
  switch (property) {
    case property::kName:
      cb.file_name = std::string(value);
      kept.name_by_property = true;
      break;
    case property::kOwner:
      cb.owner = std::string(value);
      kept.owner_by_property = true;
      break;
    case property::kDriver:
      cb.driver = std::string(value);
      kept.driver_by_property = true;
      break;
    case property::kEncrypt: set_attribute(cb, table_attr::kEncrypt, number_in(value) != 0); break;
    case property::kOem: set_attribute(cb, table_attr::kOem, number_in(value) != 0); break;
    case property::kProgress: set_progress(cb, number_in(value)); break;
    case property::kTrace: kept.trace.on = number_in(value) != 0; break;
    case property::kTraceFile: kept.trace.file = std::string(value); break;
    default: break;
  }
  return 0;
}

}  // namespace tps
