// Translation of the errors of the FileSystem interface (errno values and
// kSharingViolation) into the error numbers the engine reports to its
// callers, which follow the numbering of the original system's file API
// (2 file not found, 3 path not found, 4 too many open files, 5 access
// denied, ...).
#pragma once

namespace os {

// Reported numbers of the original file API that OS errors translate to.
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorPathNotFound = 3;
inline constexpr int kErrorTooManyOpenFiles = 4;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorNotEnoughMemory = 8;
inline constexpr int kErrorGeneralFailure = 31;
inline constexpr int kErrorLockViolation = 33;
inline constexpr int kErrorInvalidFilename = 45;
inline constexpr int kErrorDiskFull = 112;

// Returns the reported number for `error` (0 stays 0). A sharing violation
// and every refusal by permission become 5; a missing directory or a bad
// path 3; an unacceptable name 45. Errors without a closer counterpart
// become 31 (general failure) rather than passing the raw errno through,
// where EIO (5) would otherwise read as "access denied".
int reported_error(int error);

}  // namespace os
