// GETSTATE, RESTORESTATE and FREESTATE: a table's open state, position and
// buffers saved in a block the caller owns, and put back later.
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call. Each returns the operation's error number (0 for success).
#pragma once

#include "tps/ops/control_block.h"
#include "tps/ops/engine_call.h"

namespace tps {

int get_state(ControlBlock& cb, DriverArguments& args);
int restore_state(ControlBlock& cb, DriverArguments& args);
int free_state(ControlBlock& cb, DriverArguments& args);

}  // namespace tps
