#include <cerrno>

#include <gtest/gtest.h>

#include "platform/os/error_number.h"
#include "platform/os/file_system.h"

namespace {

TEST(ReportedError, OpenFailuresTranslateToTheReportedNumbers) {
  struct Case {
    int error;
    int reported;
  } cases[] = {
      {0, 0},
      {ENOENT, 2},
      {ENOTDIR, 3},
      {EMFILE, 4},
      {ENFILE, 4},
      {EACCES, 5},
      {EISDIR, 5},
      {os::kSharingViolation, 5},
      {ENAMETOOLONG, 45},
      {EINVAL, 45},
      {EIO, os::kErrorGeneralFailure},  // not 5: that would read as "access denied"
      {ENOSPC, os::kErrorDiskFull},
  };
  for (const Case& c : cases) EXPECT_EQ(os::reported_error(c.error), c.reported) << c.error;
}

}  // namespace
