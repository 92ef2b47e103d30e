#include "tps/maint/dynamic_build.h"

namespace tps {

int build_dynamic_key(ControlBlock&, DriverArguments&, bool) { return error::kUnsupportedFunction; }

}  // namespace tps
