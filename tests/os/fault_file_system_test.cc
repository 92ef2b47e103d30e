// The fault-injecting wrapper: the numbering crash and I/O-error tests
// iterate over, each kind of injected fault, and what survives a crash.
#include <cerrno>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/os/fault_file_system.h"
#include "platform/os/memory_file_system.h"

namespace {

using os::Access;
using os::Disposition;
using os::OpenMode;
using os::Share;
using Fault = os::FaultFileSystem;
using Op = os::FaultFileSystem::Op;

const OpenMode kReadWrite{Access::read_write, Share::deny_none, Disposition::open_always};

std::string text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }
std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

class FaultFileSystemTest : public ::testing::Test {
 protected:
  std::unique_ptr<os::File> open(const std::string& path, const OpenMode& mode = kReadWrite) {
    std::unique_ptr<os::File> file;
    EXPECT_EQ(fault_.open(path, mode, &file), 0);
    return file;
  }

  static void write(os::File& file, uint64_t offset, const std::string& s) {
    ASSERT_EQ(file.write_at(offset, s.data(), s.size()), static_cast<int64_t>(s.size()));
  }

  os::MemoryFileSystem memory_;
  os::FaultFileSystem fault_{memory_};
};

TEST_F(FaultFileSystemTest, CountsOperationsAcrossFilesSinceReset) {
  auto a = open("a");
  auto b = open("b");
  char buffer[4];
  write(*a, 0, "1");
  write(*b, 0, "2");
  a->truncate(0);  // a truncation changes the file: it is a write
  b->read_at(0, buffer, 1);
  a->flush();
  EXPECT_EQ(fault_.writes(), 3u);
  EXPECT_EQ(fault_.reads(), 1u);
  EXPECT_EQ(fault_.flushes(), 1u);
  a->size();
  a->try_lock(0, 1);
  EXPECT_EQ(fault_.reads() + fault_.writes() + fault_.flushes(), 5u) << "size and locks are not counted";
  fault_.reset_counters();
  EXPECT_EQ(fault_.reads() + fault_.writes() + fault_.flushes(), 0u);
}

TEST_F(FaultFileSystemTest, InjectedFailuresHitTheChosenOperationsOnly) {
  auto file = open("f");
  fault_.fail_once(Op::write, 2);
  fault_.fail_from(Op::read, 2, ENXIO);
  fault_.fail_once(Op::flush, 1, ENOSPC);
  write(*file, 0, "a");
  EXPECT_EQ(file->write_at(1, "b", 1), -EIO);
  EXPECT_EQ(file->truncate(0), 0) << "the failure was once only";
  EXPECT_EQ(file->flush(), ENOSPC);
  EXPECT_EQ(file->flush(), ENOSPC) << "a failed flush is never retried into success";
  EXPECT_EQ(open("f")->flush(), 0) << "a fresh handle flushes again";

  char buffer[1];
  EXPECT_EQ(file->read_at(0, buffer, 1), 0);
  EXPECT_EQ(file->read_at(0, buffer, 1), -ENXIO);
  EXPECT_EQ(file->read_at(0, buffer, 1), -ENXIO) << "persistent";

  fault_.clear_faults();
  EXPECT_EQ(file->read_at(0, buffer, 1), 0);
}

TEST_F(FaultFileSystemTest, AFailedWriteChangesNothing) {
  auto file = open("f");
  write(*file, 0, "keep");
  fault_.fail_once(Op::write, 2);
  EXPECT_EQ(file->write_at(0, "lost!", 5), -EIO);
  EXPECT_EQ(text(memory_.contents("f")), "keep");
}

TEST_F(FaultFileSystemTest, AShortenedWriteStoresItsPrefix) {
  auto file = open("f");
  fault_.shorten_write(1, 3);
  EXPECT_EQ(file->write_at(0, "abcdef", 6), 3);
  EXPECT_EQ(text(memory_.contents("f")), "abc");
}

TEST_F(FaultFileSystemTest, ACrashTearsItsWriteAsPlanned) {
  struct Case {
    Fault::Tear tear;
    uint64_t kept;
    uint64_t offset;
    uint64_t stored;  // bytes of the 1500-byte write that reach the file
  } cases[] = {
      {Fault::Tear::none, 0, 0, 0},
      {Fault::Tear::bytes, 7, 0, 7},
      {Fault::Tear::bytes, 9999, 0, 1500},
      {Fault::Tear::sectors, 2, 0, 1024},
      {Fault::Tear::sectors, 1, 256, 256},  // up to the end of the sector it starts in
      {Fault::Tear::sectors, 0, 256, 0},
  };
  const std::string data(1500, 'n');
  for (const Case& c : cases) {
    memory_.set_contents("f", {});
    fault_.revive();
    fault_.reset_counters();
    auto file = open("f");
    write(*file, 0, std::string(c.offset, 'o'));
    fault_.plan_crash({2, c.tear, c.kept});
    EXPECT_EQ(file->write_at(c.offset, data.data(), data.size()), -EIO);
    EXPECT_TRUE(fault_.crashed());
    EXPECT_EQ(text(memory_.contents("f")), std::string(c.offset, 'o') + data.substr(0, c.stored)) << c.kept;
  }
}

TEST_F(FaultFileSystemTest, AfterACrashNothingWorksUntilRevived) {
  auto file = open("f", {Access::read_write, Share::deny_write, Disposition::open_always});
  auto reader = open("g");
  ASSERT_EQ(file->try_lock(1 << 20, 1), 0);
  write(*file, 0, "before");
  fault_.crash_now();

  char buffer[8];
  EXPECT_EQ(file->write_at(0, "after", 5), -EIO);
  EXPECT_EQ(file->truncate(0), EIO);
  EXPECT_EQ(file->flush(), EIO);
  EXPECT_EQ(file->size(), -EIO);
  EXPECT_EQ(file->try_lock(0, 1), EIO);
  EXPECT_EQ(reader->read_at(0, buffer, 1), -EIO) << "every handle is down";
  std::unique_ptr<os::File> again;
  EXPECT_EQ(fault_.open("f", kReadWrite, &again), EIO);
  EXPECT_EQ(fault_.remove("f"), EIO);
  EXPECT_FALSE(fault_.exists("f"));
  EXPECT_EQ(text(memory_.contents("f")), "before") << "a plain crash keeps written data";

  // The dead station's lock and deny-write claim are gone for everybody.
  std::unique_ptr<os::File> survivor;
  ASSERT_EQ(memory_.open("f", kReadWrite, &survivor), 0);
  EXPECT_EQ(survivor->try_lock(1 << 20, 1), 0);

  fault_.revive();
  EXPECT_FALSE(fault_.crashed());
  EXPECT_EQ(file->flush(), EIO) << "handles of before the crash stay dead";
  EXPECT_EQ(open("f")->read_at(0, buffer, 6), 6);
}

// Every state a power loss may leave: the flushed bytes plus any subset of
// the later writes, applied in their order.
std::set<std::string> possible_states(const std::string& flushed,
                                      const std::vector<std::pair<uint64_t, std::string>>& writes) {
  std::set<std::string> states;
  for (unsigned subset = 0; subset < (1u << writes.size()); ++subset) {
    std::string state = flushed;
    for (size_t i = 0; i < writes.size(); ++i) {
      if (!(subset & (1u << i))) continue;
      const auto& [offset, data] = writes[i];
      if (state.size() < offset + data.size()) state.resize(offset + data.size(), '\0');
      state.replace(offset, data.size(), data);
    }
    states.insert(state);
  }
  return states;
}

TEST_F(FaultFileSystemTest, PowerLossDropsOnlyUnflushedWrites) {
  const std::string flushed = "0123456789";
  const std::vector<std::pair<uint64_t, std::string>> later = {{2, "aaaa"}, {4, "bb"}, {12, "tail"}};
  const std::set<std::string> allowed = possible_states(flushed, later);
  std::set<std::string> seen;
  for (uint64_t seed = 0; seed < 40; ++seed) {
    memory_.set_contents("f", {});
    memory_.set_contents("other", {});
    fault_.revive();
    auto file = open("f");
    auto other = open("other");
    write(*file, 0, "xxxxxxxxxxxxxxx");
    write(*file, 0, flushed);  // the wrapper sees the bytes, not the history
    ASSERT_EQ(file->truncate(flushed.size()), 0);
    write(*other, 0, "unrelated");
    ASSERT_EQ(file->flush(), 0);  // flushes "f" only
    for (const auto& [offset, data] : later) write(*file, offset, data);
    fault_.crash_now(true, seed);

    const std::string state = text(memory_.contents("f"));
    EXPECT_TRUE(allowed.count(state)) << "seed " << seed << ": " << state;
    seen.insert(state);
    const std::string unrelated = text(memory_.contents("other"));
    EXPECT_TRUE(unrelated.empty() || unrelated == "unrelated") << unrelated;
  }
  EXPECT_GE(seen.size(), 4u) << "the dropped subset varies with the seed";
  EXPECT_TRUE(seen.count(flushed));
}

TEST_F(FaultFileSystemTest, PowerLossAtAPlannedWriteMayAlsoDropEarlierOnes) {
  std::set<std::string> seen;
  for (uint64_t seed = 0; seed < 32; ++seed) {
    memory_.set_contents("f", {});
    fault_.revive();
    fault_.reset_counters();
    auto file = open("f");
    write(*file, 0, "AAAA");
    fault_.plan_crash({2, Fault::Tear::bytes, 2, true, seed});
    EXPECT_EQ(file->write_at(4, "BBBB", 4), -EIO);
    seen.insert(text(memory_.contents("f")));
  }
  EXPECT_EQ(seen, (std::set<std::string>{"", "AAAA", "AAAABB", std::string(4, '\0') + "BB"}));
}

TEST_F(FaultFileSystemTest, UnflushedWritesFollowARenamedFile) {
  bool dropped = false;
  for (uint64_t seed = 0; seed < 16 && !dropped; ++seed) {
    memory_.set_contents("tmp", bytes("old"));
    memory_.remove("final");
    fault_.revive();
    auto file = open("tmp");
    write(*file, 0, "new");
    file.reset();
    ASSERT_EQ(fault_.rename("tmp", "final"), 0);
    fault_.crash_now(true, seed);
    const std::string state = text(memory_.contents("final"));
    ASSERT_TRUE(state == "old" || state == "new") << state;
    dropped = state == "old";
  }
  EXPECT_TRUE(dropped);
}

TEST_F(FaultFileSystemTest, AFailedFlushCanLoseTheUnflushedData) {
  auto file = open("f");
  write(*file, 0, "kept");
  ASSERT_EQ(file->flush(), 0);
  write(*file, 0, "lost");
  fault_.set_flush_failure_loses_data(true);
  fault_.fail_once(Op::flush, 2);
  EXPECT_EQ(file->flush(), EIO);
  EXPECT_EQ(open("f")->flush(), 0) << "the kernel reports a write-back error once";
  EXPECT_EQ(text(memory_.contents("f")), "kept") << "and the data is gone all the same";
}

TEST_F(FaultFileSystemTest, OpenFailuresAreInjectedByPath) {
  fault_.fail_open("tcf", EMFILE);
  std::unique_ptr<os::File> file;
  EXPECT_EQ(fault_.open("tcf", kReadWrite, &file), EMFILE);
  EXPECT_EQ(fault_.open("data", kReadWrite, &file), 0);
  fault_.fail_open("tcf", 0);
  EXPECT_EQ(fault_.open("tcf", kReadWrite, &file), 0);
}

}  // namespace
