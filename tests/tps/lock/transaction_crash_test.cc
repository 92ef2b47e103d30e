#include <gtest/gtest.h>

#include <string>

#include "platform/os/fault_file_system.h"
#include "tests/tps/crash_modes.h"
#include "tests/tps/lock/two_files.h"

namespace tps {
namespace {

using os::FaultFileSystem;
using testing::crash_plan;
using testing::CrashMode;
using testing::kCrashModes;
using testing::TwoFiles;

struct Layout {
  const char* name;
  const char* one;
  const char* two;
};

// One directory (one TCF decides), and two directories (two TCFs take the
// number, the first decides).
const Layout kLayouts[] = {
    {"one directory", "/school/one.tps", "/school/two.tps"},
    {"two directories", "/qv-lock-a/one.tps", "/qv-lock-b/two.tps"},
};

uint64_t count(TwoFiles& files, FaultFileSystem::Op op) {
  files.restore();
  FaultFileSystem counting(files.memory());
  TcfNames names;
  EXPECT_EQ(files.run(counting, names), 0);
  switch (op) {
    case FaultFileSystem::Op::write:
      return counting.writes();
    case FaultFileSystem::Op::flush:
      return counting.flushes();
    default:
      return counting.reads();
  }
}

// The machine stops at every single write of a two-file commit (the write
// lost, torn, or with the disk cache losing what was not flushed): the next
// stations find both files old or both new, never one of each.
TEST(TransactionCrash, AtEveryWriteBothFilesOldOrBothNew) {
  for (const Layout& layout : kLayouts) {
    TwoFiles files(layout.one, layout.two);
    const uint64_t writes = count(files, FaultFileSystem::Op::write);
    ASSERT_GT(writes, 10u);
    bool saw_old = false, saw_new = false;
    for (const CrashMode& mode : kCrashModes) {
      for (uint64_t n = 1; n <= writes; ++n) {
        files.restore();
        FaultFileSystem faulty(files.memory());
        faulty.plan_crash(crash_plan(mode, n));
        TcfNames names;
        files.run(faulty, names);
        ASSERT_TRUE(faulty.crashed());
        std::string context = std::string(layout.name) + ", " + mode.name + " at write " +
                              std::to_string(n) + " of " + std::to_string(writes);
        int generation = files.expect_same_generation(context);
        if (::testing::Test::HasFailure()) return;
        saw_old |= generation == 0;
        saw_new |= generation == 1;
      }
    }
    EXPECT_TRUE(saw_old && saw_new) << layout.name << ": the crashes never fell on both sides";
  }
}

// An I/O error at any write or flush of a two-file commit: the files never
// end one old and one new. When the failed flush also lost what was not yet
// on disk, or a write failed, the reported result tells which: an error
// leaves both old, success both new. A flush that failed after its data did
// reach the disk may leave the new state behind an error.
TEST(TransactionCrash, IoErrorAtAnyWriteOrFlushLeavesBothFilesAlike) {
  struct Mode {
    const char* name;
    FaultFileSystem::Op op;
    bool flush_loses_data;
  } modes[] = {
      {"write failed", FaultFileSystem::Op::write, false},
      {"flush failed, unflushed data lost", FaultFileSystem::Op::flush, true},
      {"flush failed, data on disk", FaultFileSystem::Op::flush, false},
  };
  for (const Layout& layout : kLayouts) {
    TwoFiles files(layout.one, layout.two);
    for (const Mode& mode : modes) {
      const uint64_t calls = count(files, mode.op);
      for (uint64_t n = 1; n <= calls; ++n) {
        files.restore();
        FaultFileSystem faulty(files.memory());
        faulty.set_flush_failure_loses_data(mode.flush_loses_data);
        faulty.fail_once(mode.op, n);
        TcfNames names;
        int result = files.run(faulty, names);
        std::string context = std::string(layout.name) + ", " + mode.name + " at call " +
                              std::to_string(n) + ", commit returned " + std::to_string(result);
        int generation = files.expect_same_generation(context);
        if (::testing::Test::HasFailure()) return;
        if (mode.op == FaultFileSystem::Op::write || mode.flush_loses_data) {
          EXPECT_EQ(generation, result == 0 ? 1 : 0) << context;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tps
