#include "platform/os/error_number.h"

#include <cerrno>

#include "platform/os/file_system.h"

namespace os {

int reported_error(int error) {
  if (error == 0) return 0;
  if (error == kSharingViolation) return kErrorAccessDenied;
  switch (error) {
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
    case ELOOP:
    case ENXIO:
    case ENODEV:
    case EHOSTUNREACH:
      return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY:
    case EBADF:
      return kErrorAccessDenied;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EAGAIN:
      return kErrorLockViolation;
    case EINVAL:
    case ENAMETOOLONG:
    case EILSEQ:
      return kErrorInvalidFilename;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kErrorDiskFull;
    default:
      return kErrorGeneralFailure;
  }
}

}  // namespace os
