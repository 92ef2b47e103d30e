// The table's trace log: lines the engine writes while the table's trace
// settings (SET_PROPERTY 29447 and 29448) have it on, appended to the file
// they name.
#pragma once

#include <string>

#include "platform/os/file_system.h"
#include "tps/lock/station_locks.h"

namespace tps {

class ControlBlock;

// Where `cb`'s trace lines go: an empty function while the trace log is
// off or names no file, so that callers skip building the line.
// REQUIRES: the table is open (its file system carries the log).
TraceLine trace_line(ControlBlock& cb);

// Appends `line` and a line end to `path`, creating the file when missing.
// A log that cannot be written loses the line: tracing never fails an
// operation.
void append_trace_line(os::FileSystem& files, const std::string& path, const std::string& line);

}  // namespace tps
