// The administrators' maintenance commands: build, pack, copy, rename and
// remove, on small tables written through the engine, beside other stations
// that hold the same file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/os/file_system.h"
#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"
#include "tools/tpsutil/build_progress.h"
#include "tools/tpsutil/commands.h"

namespace {

using ops_testing::kByName;
using ops_testing::kByNumber;
using ops_testing::Pupils;
namespace op = tps::op;
namespace access_mode = tps::access_mode;

// The helpers only look, so they also open read-only files.
constexpr uint32_t kReadShared = access_mode::kReadOnly | access_mode::kDenyNone;

struct Result {
  int exit_code;
  std::string out, err;
};

Result tpsutil(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = tpsutil::run(args, {out, err});
  return {code, out.str(), err.str()};
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Another station's handle on a file, with the given access and sharing.
std::unique_ptr<os::File> other_station(const std::string& path, os::Access access, os::Share share) {
  std::unique_ptr<os::File> handle;
  EXPECT_EQ(os::real_file_system().open(path, {access, share, os::Disposition::open_existing}, &handle), 0);
  return handle;
}

class MaintenanceCommands : public ::testing::Test {
 protected:
  // Writes `count` pupils into table `name` and closes it. APPEND leaves
  // every key out of date, so only a build puts the pupils into the keys.
  static void write_pupils(const std::string& name, int count) {
    Pupils pupils(name);
    pupils.create_and_open();
    for (int n = 1; n <= count; ++n) {
      pupils.set(n, "Pupil " + std::to_string(count - n), 1);
      ASSERT_EQ(pupils.run(op::kAppend), 0);
    }
    ASSERT_EQ(pupils.run(op::kClose), 0);
  }

  // Entries of `key` in table `name`; -1 when the table does not open.
  static int64_t key_entries(const std::string& name, int key) {
    Pupils pupils(name);
    if (pupils.open(kReadShared) != 0) return -1;
    pupils.run_key(op::kRecordsKey, key);
    return pupils.value();
  }
  // Records of table `name`; -1 when the table does not open.
  static int64_t records(const std::string& name) {
    Pupils pupils(name);
    if (pupils.open(kReadShared) != 0) return -1;
    return pupils.records();
  }
  // The name of pupil `number` in table `name`, found through the number key.
  static std::string pupil_name(const std::string& name, int32_t number) {
    Pupils pupils(name);
    if (pupils.open(kReadShared) != 0) return "(no table)";
    pupils.set(number, "", 0);
    if (pupils.run_key(op::kGetFileKey, kByNumber) != 0) return "(not found)";
    return pupils.name();
  }

  testing_support::TempDir dir_;
  const std::string file_ = dir_.file("pupils.tps");
};

// --- build and pack ------------------------------------------------------------

TEST_F(MaintenanceCommands, BuildRebuildsEveryKeyOfATableItReadsFromTheFile) {
  write_pupils(file_, 3);
  ASSERT_EQ(key_entries(file_, kByName), 0);

  Result built = tpsutil({"build", file_});
  ASSERT_EQ(built.exit_code, 0) << built.err;
  EXPECT_TRUE(has(built.out, "3 keys rebuilt")) << built.out;
  EXPECT_EQ(key_entries(file_, kByName), 3);
  EXPECT_EQ(pupil_name(file_, 2), "Pupil 1");

  Result full = tpsutil({"build", "--full", file_});
  ASSERT_EQ(full.exit_code, 0) << full.err;
  EXPECT_EQ(key_entries(file_, kByName), 3) << "a full build starts the keys afresh";

  // A named table, written in lower case on the command line.
  const std::string second = dir_.file("pupils.tps") + "\\!SECOND";
  write_pupils(second, 2);
  Result named = tpsutil({"build", dir_.file("pupils.tps") + "\\!second"});
  ASSERT_EQ(named.exit_code, 0) << named.err;
  EXPECT_EQ(key_entries(second, kByName), 2);
}

TEST_F(MaintenanceCommands, PackRebuildsTheKeysAndKeepsEveryRecord) {
  write_pupils(file_, 40);
  {
    Pupils pupils(file_);
    ASSERT_EQ(pupils.open(), 0);
    ASSERT_EQ(pupils.run(op::kSetFile), 0);
    for (int n = 1; n <= 30; ++n) {
      ASSERT_EQ(pupils.run(op::kNext), 0);
      ASSERT_EQ(pupils.run(op::kDelete), 0);
    }
  }
  Result packed = tpsutil({"pack", file_});
  ASSERT_EQ(packed.exit_code, 0) << packed.err;
  EXPECT_TRUE(has(packed.out, "3 keys rebuilt; file ")) << packed.out;
  EXPECT_EQ(records(file_), 10);
  EXPECT_EQ(key_entries(file_, kByName), 10);
  EXPECT_EQ(pupil_name(file_, 31), "Pupil 9");
  Result check = tpsutil({"check", file_});
  EXPECT_EQ(check.exit_code, 0) << check.out << check.err;
}

// --- copy, rename and remove ------------------------------------------------------

TEST_F(MaintenanceCommands, CopyMakesAFileOrATableAndReplacesOnlyWithYes) {
  write_pupils(file_, 3);
  ASSERT_EQ(tpsutil({"build", file_}).exit_code, 0);
  const std::string copy = dir_.file("copy.tps");

  Result whole = tpsutil({"copy", file_, copy});
  ASSERT_EQ(whole.exit_code, 0) << whole.err;
  EXPECT_EQ(records(copy), 3);
  EXPECT_EQ(pupil_name(copy, 2), "Pupil 1");

  // A table copied into the copy: its own records and keys, under a new name.
  const std::string table = copy + "\\!CLASS_B";
  ASSERT_EQ(tpsutil({"copy", file_, copy + "\\!class_b"}).exit_code, 0);
  EXPECT_EQ(records(table), 3);
  EXPECT_EQ(key_entries(table, kByName), 3);
  EXPECT_EQ(records(copy), 3) << "the file's other table is untouched";

  // Replacing an existing file or table needs --yes; without it nothing changes.
  write_pupils(dir_.file("other.tps"), 1);
  for (const std::string& target : {copy, table}) {
    Result refused = tpsutil({"copy", dir_.file("other.tps"), target});
    EXPECT_EQ(refused.exit_code, tpsutil::kExitUsage) << target;
    EXPECT_TRUE(has(refused.err, "add --yes")) << refused.err;
    EXPECT_EQ(records(target), 3);
  }
  Result replaced = tpsutil({"copy", "--yes", dir_.file("other.tps"), table});
  ASSERT_EQ(replaced.exit_code, 0) << replaced.err;
  EXPECT_EQ(records(table), 1);
  EXPECT_EQ(records(copy), 3);
}

TEST_F(MaintenanceCommands, RenameMovesATableOrTheWholeFile) {
  write_pupils(file_ + "\\!A", 2);
  write_pupils(file_ + "\\!B", 3);

  ASSERT_EQ(tpsutil({"rename", file_ + "\\!a", file_ + "\\!c"}).exit_code, 0);
  EXPECT_EQ(records(file_ + "\\!A"), -1);
  EXPECT_EQ(records(file_ + "\\!C"), 2);

  Result onto_existing = tpsutil({"rename", file_ + "\\!C", file_ + "\\!B"});
  EXPECT_EQ(onto_existing.exit_code, tpsutil::kExitRefused);
  EXPECT_TRUE(has(onto_existing.err, "error 5: Access Denied")) << onto_existing.err;
  EXPECT_EQ(records(file_ + "\\!C"), 2);

  const std::string moved = dir_.file("moved");  // ".TPS" is added
  Result whole = tpsutil({"rename", file_, moved});
  ASSERT_EQ(whole.exit_code, 0) << whole.err;
  EXPECT_FALSE(std::filesystem::exists(file_));
  EXPECT_EQ(records(moved + ".TPS\\!B"), 3);
  EXPECT_EQ(records(moved + ".TPS\\!C"), 2);
}

TEST_F(MaintenanceCommands, RemoveNeedsYesAndTakesTheFileWithItsLastTable) {
  write_pupils(file_ + "\\!A", 2);
  write_pupils(file_ + "\\!B", 3);
  ASSERT_EQ(tpsutil({"build", file_ + "\\!B"}).exit_code, 0);

  Result unconfirmed = tpsutil({"remove", file_ + "\\!A"});
  EXPECT_EQ(unconfirmed.exit_code, tpsutil::kExitUsage);
  EXPECT_EQ(records(file_ + "\\!A"), 2);

  ASSERT_EQ(tpsutil({"remove", file_ + "\\!A", "--yes"}).exit_code, 0);
  EXPECT_EQ(records(file_ + "\\!A"), -1);
  EXPECT_EQ(records(file_ + "\\!B"), 3) << "the other table keeps its records";
  EXPECT_EQ(pupil_name(file_ + "\\!B", 1), "Pupil 2");

  Result last = tpsutil({"remove", file_ + "\\!B", "--yes"});
  ASSERT_EQ(last.exit_code, 0) << last.err;
  EXPECT_TRUE(has(last.out, "went with its last table")) << last.out;
  EXPECT_FALSE(std::filesystem::exists(file_));
}

// --- Other stations, missing and read-only files ---------------------------------

TEST_F(MaintenanceCommands, RefusedWhileAnotherStationHoldsTheFileDenyingWrites) {
  write_pupils(file_, 3);
  const std::string copy = dir_.file("copy.tps");
  {
    auto holder = other_station(file_, os::Access::read_write, os::Share::deny_write);
    ASSERT_TRUE(holder);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"build", file_},
                                               {"pack", file_},
                                               {"copy", file_, copy},
                                               {"rename", file_, dir_.file("renamed.tps")},
                                               {"remove", file_, "--yes"}}) {
      Result r = tpsutil(args);
      EXPECT_EQ(r.exit_code, tpsutil::kExitRefused) << args[0];
      EXPECT_TRUE(has(r.err, "error 5: Access Denied: another station")) << r.err;
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
    }
  }
  EXPECT_EQ(records(file_), 3);
  EXPECT_EQ(key_entries(file_, kByName), 0) << "no build ran";
  EXPECT_FALSE(std::filesystem::exists(dir_.file("renamed.tps")));
}

TEST_F(MaintenanceCommands, BuildNeedsTheFileToItselfButNotFromReaders) {
  write_pupils(file_, 3);
  {
    auto reader = other_station(file_, os::Access::read, os::Share::deny_none);
    Result beside_reader = tpsutil({"build", file_});
    EXPECT_EQ(beside_reader.exit_code, 0) << beside_reader.err;
  }
  auto writer = other_station(file_, os::Access::read_write, os::Share::deny_none);
  Result beside_writer = tpsutil({"build", file_});
  EXPECT_EQ(beside_writer.exit_code, tpsutil::kExitRefused);
  EXPECT_TRUE(has(beside_writer.err, "open for writing")) << beside_writer.err;
}

TEST_F(MaintenanceCommands, MissingFilesAndTablesAreNamed) {
  write_pupils(file_, 1);
  const std::string missing = dir_.file("missing.tps");
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  for (const Case& c : std::vector<Case>{
           {{"build", missing}, "error 2: File Not Found: no such file"},
           {{"pack", file_ + "\\!nosuch"}, "error 2: File Not Found: the file has no table NOSUCH"},
           {{"copy", missing, dir_.file("copy.tps")}, "no such file"},
           {{"rename", file_ + "\\!nosuch", file_ + "\\!other"}, "no table NOSUCH"},
           {{"remove", missing, "--yes"}, "no such file"},
       }) {
    Result r = tpsutil(c.args);
    EXPECT_EQ(r.exit_code, tpsutil::kExitUnreadable) << c.args[0];
    EXPECT_TRUE(has(r.err, c.message)) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.file("copy.tps")));
}

TEST_F(MaintenanceCommands, ReadOnlyFileIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser writes read-only files";
  write_pupils(file_, 1);
  ASSERT_EQ(chmod(file_.c_str(), 0444), 0);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"build", file_}, {"remove", file_, "--yes"}}) {
    Result r = tpsutil(args);
    EXPECT_EQ(r.exit_code, tpsutil::kExitRefused) << args[0];
    EXPECT_TRUE(has(r.err, "error 5: Access Denied: the file " + file_ + " is read-only")) << r.err;
  }
  EXPECT_EQ(records(file_), 1);
}

TEST_F(MaintenanceCommands, WrongArgumentsAreUsageErrors) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"build"}, {"build", file_, "--yes"}, {"pack", file_, "extra"}, {"copy", file_},
           {"rename", file_, "a", "b"}, {"remove"}, {"remove", file_, "--full"}}) {
    Result r = tpsutil(args);
    EXPECT_EQ(r.exit_code, tpsutil::kExitUsage) << args[0] << " " << args.size();
    EXPECT_TRUE(has(r.err, "usage: tpsutil " + args[0])) << r.err;
  }
}

// --- Progress and cancel -----------------------------------------------------------

TEST(BuildProgress, DrawsABarOnATerminalAndLinesElsewhere) {
  EXPECT_EQ(tpsutil::progress_bar(0), "[                    ]   0%");
  EXPECT_EQ(tpsutil::progress_bar(47), "[#########           ]  47%");
  EXPECT_EQ(tpsutil::progress_bar(100), "[####################] 100%");

  tps::DeclaredTable table{tps::TableDeclaration{}};
  std::ostringstream plain, terminal;
  {
    tpsutil::BuildProgress lines(plain, false);
    EXPECT_EQ(tps::build_events(), &lines) << "installed while it lives";
    for (int percent : {0, 50, 50, 100}) EXPECT_TRUE(lines.build_progress(table, percent));
  }
  EXPECT_EQ(tps::build_events(), nullptr);
  EXPECT_EQ(plain.str(), "0%\n50%\n100%\n") << "each percentage once";
  {
    tpsutil::BuildProgress bar(terminal, true);
    bar.build_progress(table, 5);
    bar.build_progress(table, 100);
  }
  EXPECT_EQ(terminal.str(), "\r" + tpsutil::progress_bar(5) + "\r" + tpsutil::progress_bar(100) + "\n");
}

TEST(BuildProgress, CancelRequestStopsTheBuildAtItsNextReport) {
  tps::DeclaredTable table{tps::TableDeclaration{}};
  std::ostringstream out;
  tpsutil::BuildProgress progress(out, false);
  tpsutil::set_cancel_probe([](int percent) { return percent >= 30; });
  EXPECT_TRUE(progress.build_progress(table, 10));
  EXPECT_FALSE(progress.build_progress(table, 30));
  EXPECT_FALSE(progress.build_progress(table, 40)) << "a cancelled build stays cancelled";
  EXPECT_TRUE(progress.cancel_requested());
  tpsutil::set_cancel_probe({});
}

TEST_F(MaintenanceCommands, BuildShowsProgressAndCancelLeavesTheKeysOutOfDate) {
  write_pupils(file_, 300);

  Result built = tpsutil({"build", file_});
  ASSERT_EQ(built.exit_code, 0) << built.err;
  EXPECT_TRUE(has(built.err, "100%\n")) << built.err;
  EXPECT_EQ(key_entries(file_, kByName), 300);

  std::vector<int> seen;
  tpsutil::set_cancel_probe([&](int percent) {
    seen.push_back(percent);
    return true;
  });
  Result cancelled = tpsutil({"build", "--full", file_});
  tpsutil::set_cancel_probe({});
  EXPECT_EQ(cancelled.exit_code, tpsutil::kExitCancelled);
  EXPECT_TRUE(has(cancelled.err, "error 93: BUILD Cancelled")) << cancelled.err;
  EXPECT_TRUE(has(cancelled.err, "out of date")) << cancelled.err;
  EXPECT_EQ(seen.size(), 1u) << "the build stops at the first report after the request";
  EXPECT_EQ(tps::build_events(), nullptr);
  const Result checked = tpsutil({"check", file_});
  EXPECT_EQ(checked.exit_code, 0) << checked.out << checked.err;
  EXPECT_TRUE(has(checked.out, "out of date")) << checked.out;

  Result again = tpsutil({"build", file_});
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_EQ(key_entries(file_, kByName), 300);
}

}  // namespace
