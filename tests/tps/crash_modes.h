// The ways a machine can stop at a chosen write, for tests that crash a
// commit at every one of its writes.
#pragma once

#include <cstdint>

#include "platform/os/fault_file_system.h"

namespace tps::testing {

struct CrashMode {
  const char* name;
  os::FaultFileSystem::Tear tear;
  uint64_t kept;    // sectors or bytes of the torn write that reach the disk
  bool power_loss;  // the disk cache also loses a random part of what was not flushed
};

inline constexpr CrashMode kCrashModes[] = {
    {"lost", os::FaultFileSystem::Tear::none, 0, false},
    {"torn after one sector", os::FaultFileSystem::Tear::sectors, 1, false},
    {"torn after 100 bytes", os::FaultFileSystem::Tear::bytes, 100, false},
    {"power loss", os::FaultFileSystem::Tear::none, 0, true},
};

// A plan that stops the machine at write `at_write` the way `mode` says.
inline os::FaultFileSystem::CrashPlan crash_plan(const CrashMode& mode, uint64_t at_write) {
  os::FaultFileSystem::CrashPlan plan;
  plan.at_write = at_write;
  plan.tear = mode.tear;
  plan.kept = mode.kept;
  plan.power_loss = mode.power_loss;
  plan.seed = at_write;
  return plan;
}

}  // namespace tps::testing
