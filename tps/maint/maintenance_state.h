// What a table's control block keeps for the maintenance operations from
// call to call: the names set by property, the progress setting, the build
// a progress setting deferred, the trace settings and the stores of the
// dynamic indexes built in this open.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "tps/maint/dynamic_store.h"
#include "tps/maint/record_filter.h"

namespace tps {

// A build that waits for operation 84, with copies of everything its call
// was given: the call's strings and filter are gone by the time it runs.
struct PendingBuild {
  int operation = 0;                     // BUILDfile, BUILDkey, BUILDdyn, BUILDdynfilter or PACK
  int key = -1;                          // BUILDkey, BUILDdyn, BUILDdynfilter
  std::string key_string;                // BUILDdyn, BUILDdynfilter
  std::unique_ptr<RecordFilter> filter;  // BUILDdynfilter; null enters every record
  int progress_events = 0;               // the setting it was deferred under (1..100)
};

struct TraceSettings {
  bool on = false;
  std::string file;  // where trace lines go; empty: nowhere
};

struct MaintenanceState {
  // Names set by SET_PROPERTY: kept instead of the declaration's from then on.
  bool name_by_property = false;
  bool owner_by_property = false;
  bool driver_by_property = false;

  int progress_events = 0;  // progress setting: 0 off, else reports per build (1..100)
  std::unique_ptr<PendingBuild> pending;  // the deferred build, until 84 runs it
  bool running_deferred = false;          // 84 is building: end-of-operation commits wait

  TraceSettings trace;

  // Stores of the dynamic indexes built since OPEN, by key number.
  std::map<int, std::unique_ptr<DynamicIndexStore>> dynamic_stores;
};

}  // namespace tps
