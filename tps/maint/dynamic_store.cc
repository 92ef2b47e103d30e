#include "tps/maint/dynamic_store.h"

namespace tps {

namespace {
constexpr const char* kStoreName = "dynamic-index.tps";
}  // namespace

DynamicIndexStore::DynamicIndexStore() : file_(files_, kStoreName), tree_(file_) {}

int DynamicIndexStore::open() {
  OpenOptions options;
  options.write = true;
  options.create = true;
  options.share = os::Share::deny_all;  // nobody else sees it: no lock protocol
  if (int error = file_.open(options)) return error;
  file_.switch_to_update_mode();
  return 0;
}

void DynamicIndexStore::set_mark(uint8_t, uint32_t value, bool keep_lowest) {
  if (keep_lowest && mark_ != 0 && mark_ <= value) return;
  mark_ = value;
}

}  // namespace tps
