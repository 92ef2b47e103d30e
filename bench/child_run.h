// Runs one workload in a child process of its own, so that its peak memory
// (the child's maximum resident set, from wait4) is its own and no cache or
// allocator state carries over from one workload to the next.
#pragma once

#include <functional>

#include "bench/workloads.h"

namespace bench {

// Forks, runs `workload` in the child and returns its result with
// `peak_kib` set. A child that dies or cannot be started gives an error.
WorkloadResult run_in_child(const std::function<WorkloadResult()>& workload);

}  // namespace bench
