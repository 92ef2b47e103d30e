// BUILDdyn and BUILDdynfilter: a key's components taken from a key string,
// then the key built, keeping only the records a filter accepts.
//
// Engine-internal: called by the dispatcher inside the common steps of every
// call. Returns the operation's error number (0 for success).
#pragma once

#include "tps/ops/control_block.h"
#include "tps/ops/engine_call.h"

namespace tps {

int build_dynamic_key(ControlBlock& cb, DriverArguments& args, bool filtered);

}  // namespace tps
