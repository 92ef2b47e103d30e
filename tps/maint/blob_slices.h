// The blob slice operations: a blob's bytes handed out or taken in by
// range, its size and its touched mark.
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call. Each returns the operation's error number (0 for success).
#pragma once

#include <cstdint>

#include "tps/ops/control_block.h"
#include "tps/ops/engine_call.h"

namespace tps {

int blob_yield(ControlBlock& cb, DriverArguments& args);
int blob_take(ControlBlock& cb, DriverArguments& args);
int blob_size(ControlBlock& cb, DriverArguments& args, uint32_t& value);
int blob_set_property(ControlBlock& cb, DriverArguments& args);
int blob_get_property(ControlBlock& cb, DriverArguments& args, uint32_t& value);

}  // namespace tps
