#include "tps/maint/state_block.h"

namespace tps {

int get_state(ControlBlock&, DriverArguments&) { return error::kUnsupportedFunction; }
int restore_state(ControlBlock&, DriverArguments&) { return error::kUnsupportedFunction; }
int free_state(ControlBlock&, DriverArguments&) { return error::kUnsupportedFunction; }

}  // namespace tps
