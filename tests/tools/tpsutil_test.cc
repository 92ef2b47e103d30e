#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/support.h"
#include "tools/tpsutil/commands.h"

namespace {

struct Result {
  int exit_code;
  std::string out, err;
};

Result tpsutil(std::vector<std::string> args) {
  std::ostringstream out, err;
  int code = tpsutil::run(args, {out, err});
  return {code, out.str(), err.str()};
}

std::string fixture(const std::string& name) { return std::string(QV_FIXTURES_DIR) + "/" + name; }

std::vector<char> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

TEST(TpsutilInfo, JsonDescribesTheFile) {
  Result r = tpsutil({"info", fixture("many-records.tps"), "--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* part : {"{\"header\":{\"change_counter\":3,\"number_counter\":3001,\"root\":0,",
                           "\"regions\":[{\"class\":3,\"start\":0,\"end\":3},", "\"pages\":103,",
                           "\"levels\":2,", "\"records\":6005"}) {
    EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
  }
}

TEST(TpsutilInfo, ReadOnlyFileIsNeverWritten) {
  // The fixtures are read-only: opening them for writing would fail.
  Result r = tpsutil({"info", fixture("two-tables/QVLIBJAR.TPS")});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("levels          2"), std::string::npos) << r.out;
}

TEST(TpsutilCheck, ReportsEachDamagedPageAndTheExitCodes) {
  testing_support::TempDir dir;
  std::vector<char> bytes = read_file(fixture("many-records.tps"));
  ASSERT_FALSE(bytes.empty());
  std::string good = dir.file("good.tps");
  write_file(good, bytes);
  EXPECT_EQ(tpsutil({"check", good}).exit_code, 0);

  // Damage the padding of the root page and the framing of another page.
  std::vector<char> damaged = bytes;
  damaged[512 + 3 * 256 - 1] = 0x00;          // last byte of page 0 (class 3): padding
  damaged[512 + 3 * 256 + 13 + 2] ^= 0x7F;    // inside page 3's body
  std::string bad = dir.file("bad.tps");
  write_file(bad, damaged);
  Result r = tpsutil({"check", bad});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("page 0: padding"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("page 3:"), std::string::npos) << r.out;

  Result json = tpsutil({"check", bad, "--json"});
  EXPECT_EQ(json.exit_code, 1);
  EXPECT_NE(json.out.find("\"consistent\":false"), std::string::npos) << json.out;

  std::string garbage = dir.file("garbage.tps");
  write_file(garbage, std::vector<char>(4096, 'x'));
  Result unreadable = tpsutil({"check", garbage});
  EXPECT_EQ(unreadable.exit_code, 2);
  EXPECT_NE(unreadable.err.find("error 36: Invalid Data File"), std::string::npos) << unreadable.err;

  Result missing = tpsutil({"info", dir.file("none.tps")});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("error 2: File Not Found"), std::string::npos) << missing.err;
}

// A file the fuzzer made: its index entries do not match their child
// pages, so a step through the table names lands before where it started.
// Every command ends with the fault instead of scanning forever.
TEST(TpsutilCheck, IndexOutOfOrderEndsInAFaultNotALoop) {
  const std::string file = std::string(QV_SOURCE_DIR) + "/fuzz/seeds/file/keys-out-of-order.tps";
  Result check = tpsutil({"check", file});
  EXPECT_EQ(check.exit_code, 1);
  EXPECT_NE(check.out.find("engine fault 3003"), std::string::npos) << check.out;
  for (const char* command : {"dump", "tables"}) {
    Result r = tpsutil({command, file});
    EXPECT_EQ(r.exit_code, 2) << command;
    EXPECT_NE(r.err.find("engine fault 3003"), std::string::npos) << command << ": " << r.err;
  }
}

TEST(Tpsutil, UnknownCommandsAndMissingArgumentsAreUsageErrors) {
  EXPECT_EQ(tpsutil({}).exit_code, tpsutil::kExitUsage);
  EXPECT_EQ(tpsutil({"frobnicate"}).exit_code, tpsutil::kExitUsage);
  EXPECT_EQ(tpsutil({"info"}).exit_code, tpsutil::kExitUsage);
}

}  // namespace
