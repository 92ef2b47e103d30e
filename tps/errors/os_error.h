// Turning operating-system error codes into the engine's error numbers.
#pragma once

namespace tps {

// Maps an errno value (or os::kSharingViolation) to an engine error number
// through the platform's reported numbers: missing file 2, missing directory
// 3, too many open files 4, refused (sharing and permissions) 5, memory 8,
// invalid name 45; any other failure of the file system (I/O error, disk
// full, ...) is 90 "File System Error".
int engine_error_from_os(int os_error);

}  // namespace tps
