#include "tps/maint/blob_slices.h"

namespace tps {

int blob_yield(ControlBlock&, DriverArguments&) { return error::kUnsupportedFunction; }
int blob_take(ControlBlock&, DriverArguments&) { return error::kUnsupportedFunction; }
int blob_size(ControlBlock&, DriverArguments&, uint32_t&) { return error::kUnsupportedFunction; }
int blob_set_property(ControlBlock&, DriverArguments&) { return error::kUnsupportedFunction; }
int blob_get_property(ControlBlock&, DriverArguments&, uint32_t&) { return error::kUnsupportedFunction; }

}  // namespace tps
