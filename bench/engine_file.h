// What the benchmark's two engine-side stores share: the texts of engine
// errors and faults, the commit, and closing a file object the way a
// table's last close does.
#pragma once

#include <optional>
#include <string>

#include "tps/errors/fault.h"
#include "tps/page/file_object.h"

namespace bench {

std::string fault_text(const tps::EngineFault& f);
// "" for 0, else what returned which error.
std::string error_text(const char* what, int error);
// Ends the operation: its changes are committed. Returns "" or the reason.
std::string commit_engine_file(tps::FileObject& file);
// Cuts any log area left behind the page space, so that the size on disk
// is the size of the data, ends the operation and lets the file go.
// Returns "" or the reason.
std::string close_engine_file(std::optional<tps::FileObject>& file);

}  // namespace bench
