#include "tps/errors/os_error.h"

#include <cerrno>

#include "platform/os/file_system.h"

namespace tps {

int engine_error_from_os(int os_error) {
  switch (os_error) {
    case 0:
      return 0;
    case os::kSharingViolation:
      return 5;
    case ENOENT:
      return 2;
    case ENOTDIR:
    case ELOOP:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
    case EISDIR:
      return 5;
    case ENOMEM:
      return 8;
    case ENAMETOOLONG:
    case EINVAL:
      return 45;
    default:
      return 90;
  }
}

}  // namespace tps
