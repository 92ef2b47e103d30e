#include "tps/errors/os_error.h"

#include "platform/os/error_number.h"

namespace tps {

int engine_error_from_os(int os_error) {
  int reported = os::reported_error(os_error);
  switch (reported) {
    case 0:
    case os::kErrorFileNotFound:
    case os::kErrorPathNotFound:
    case os::kErrorTooManyOpenFiles:
    case os::kErrorAccessDenied:
    case os::kErrorNotEnoughMemory:
    case os::kErrorInvalidFilename:
      return reported;
    default:
      // Failures without an engine number of their own (I/O error, disk
      // full, ...) are file system errors to the program.
      return 90;
  }
}

}  // namespace tps
