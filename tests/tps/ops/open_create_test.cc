#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"

namespace tps {
namespace {

using ops_testing::Pupils;

TEST(OpsOpen, CreatedTableOpensEmptyAndKeepsWhatIsAdded) {
  testing_support::TempDir dir;
  {
    Pupils pupils(dir.file("pupils.tps"));
    pupils.create_and_open();
    EXPECT_EQ(pupils.records(), 0u);
    ASSERT_EQ(pupils.add(7, "Mar\xED" "a Pe\xF1" "a", 2, "Lee y escribe su nombre."), 0);
    ASSERT_EQ(pupils.add(3, "Juan", 1), 0);
    EXPECT_EQ(pupils.records(), 2u);
    EXPECT_EQ(pupils.run(op::kClose), 0);
  }
  Pupils again(dir.file("pupils.tps"));
  ASSERT_EQ(again.open(), 0);
  EXPECT_EQ(again.records(), 2u);
  ASSERT_EQ(again.run_key(op::kSetKey, ops_testing::kByNumber), 0);
  ASSERT_EQ(again.run(op::kNext), 0);
  EXPECT_EQ(again.number(), 3);
  EXPECT_EQ(again.name(), "Juan");
  ASSERT_EQ(again.run(op::kNext), 0);
  EXPECT_EQ(again.name(), "Mar\xED" "a Pe\xF1" "a");
  EXPECT_EQ(again.notes(), "Lee y escribe su nombre.");
  EXPECT_EQ(again.run(op::kNext), error::kRecordNotAvailable);
}

}  // namespace
}  // namespace tps

namespace tps {
namespace {

using ops_testing::Pupils;

struct OpenCase {
  const char* name;
  std::string file;         // relative to the test directory; "" for an empty name
  uint32_t mode;
  int expected;
};

// A file "school.tps" holding the unnamed table and table "PUPILS".
class OpsOpenErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"school.tps", "school.tps\\!pupils"}) {
      Pupils creator(dir_.file(name));
      ASSERT_EQ(creator.run(op::kCreate), 0) << name;
    }
  }
  testing_support::TempDir dir_;
};

TEST_F(OpsOpenErrors, EachRefusedOpenGivesItsError) {
  const OpenCase cases[] = {
      {"missing file", "absent.tps", access_mode::kSharedReadWrite, error::kFileNotFound},
      {"table part the file lacks, beside UNNAMED", "school.tps\\!teachers", access_mode::kSharedReadWrite,
       error::kFileNotFound},
      {"table part in lower case", "school.tps\\!pupils", access_mode::kSharedReadWrite, error::kNone},
      {"no extension gets .TPS, letter case as found", "SCHOOL", access_mode::kSharedReadWrite, error::kNone},
      {"write-only access", "school.tps", access_mode::kWriteOnly | access_mode::kDenyNone, error::kAccessDenied},
      {"missing directory", "nowhere/school.tps", access_mode::kSharedReadWrite, error::kPathNotFound},
  };
  for (const OpenCase& c : cases) {
    Pupils pupils(c.file.empty() ? "" : dir_.file(c.file));
    EXPECT_EQ(pupils.open(c.mode), c.expected) << c.name;
    EXPECT_EQ(pupils.table().status.open, c.expected == error::kNone) << c.name;
  }
  Pupils unnamed("");
  EXPECT_EQ(unnamed.open(), error::kInvalidFilename);
}

TEST_F(OpsOpenErrors, NameIsTheDeclaredNameUntilOpenThenTheFileAndTable) {
  Pupils pupils(dir_.file("school.tps\\!pupils"));
  std::string name;
  DriverArguments args;
  args.text_out = &name;
  pupils.run(op::kName, args);
  EXPECT_EQ(name, dir_.file("school.tps\\!pupils"));
  ASSERT_EQ(pupils.open(), 0);
  pupils.run(op::kName, args);
  EXPECT_EQ(name, dir_.file("school.tps") + "\\!PUPILS");
}

TEST_F(OpsOpenErrors, CreateWithoutTheCreateAttributeIsRefused) {
  Pupils pupils(dir_.file("other.tps"));
  pupils.table().declaration.attributes &= uint8_t(~table_attr::kCreate);
  EXPECT_EQ(pupils.run(op::kCreate), error::kNoCreateAttribute);
}

// A declaration that differs from the stored definition fails with 47 and
// a detail naming the item; the control block is built anew on the next
// call, so the corrected declaration opens.
TEST_F(OpsOpenErrors, DeclarationMismatchNamesTheItemAndIsReboundNextCall) {
  Pupils pupils(dir_.file("school.tps\\!pupils"));
  pupils.table().declaration.fields[2].type = field_type::kLong;
  pupils.table().declaration.fields[2].size = pupils.table().declaration.fields[2].element_size = 4;
  pupils.table().declaration.record_length = ops_testing::kRecordLength + 2;
  pupils.table().record.resize(pupils.table().declaration.record_length);
  ASSERT_EQ(pupils.open(), error::kInvalidRecordDeclaration);
  EXPECT_EQ(posted_error().code, "FIELD : 3 : TYPE : D00000");
  EXPECT_EQ(posted_error_table(), &pupils.table());

  pupils.table().declaration = ops_testing::pupils_declaration(dir_.file("school.tps\\!pupils"));
  pupils.table().record.resize(ops_testing::kRecordLength);
  EXPECT_EQ(pupils.open(), 0);
}

TEST_F(OpsOpenErrors, CodesOutsideTheListAnswer80AndTheExtraCodesTheirOwn) {
  Pupils pupils(dir_.file("school.tps"));
  ASSERT_EQ(pupils.open(), 0);
  for (int code : {0, 51, 53, 55, 59, 68, 83, 100, 105, 200})
    EXPECT_EQ(pupils.run(code), error::kUnsupportedFunction) << code;
  EXPECT_EQ(pupils.run(op::kNoOperation), 0);
  EXPECT_EQ(pupils.run(op::kStream), 0);

  const void* entry = nullptr;
  DriverArguments args;
  args.pointer_out = &entry;
  EXPECT_EQ(pupils.run(op::kEntryPoint, args), 0);
  ASSERT_NE(entry, nullptr);
  auto call = reinterpret_cast<EngineEntry>(const_cast<void*>(entry));
  DriverArguments none;
  call(op::kRecordsFile, pupils.table(), none);
  EXPECT_EQ(posted_error().number, 0);
}

// The file shortened behind the engine's back: the open meets a page that is
// not there, which is an engine fault. The table is latched: every call but
// CLOSE and NAME answers 90 with the same detail until CLOSE.
TEST_F(OpsOpenErrors, EngineFaultLatchesTheTableUntilClose) {
  const std::string path = dir_.file("school.tps");
  ASSERT_EQ(truncate(path.c_str(), 512), 0);
  Pupils pupils(path);
  ASSERT_EQ(pupils.open(), error::kFileSystemError);
  const ErrorDetail fault = posted_error();
  EXPECT_EQ(fault.message, "Possible data corruption in file");
  EXPECT_FALSE(fault.code.empty());

  EXPECT_EQ(pupils.run(op::kRecordsFile), error::kFileSystemError);
  EXPECT_EQ(posted_error(), fault);
  EXPECT_EQ(pupils.run(op::kEof), error::kFileSystemError);
  EXPECT_EQ(pupils.value(), 1u);
  EXPECT_EQ(pupils.run(op::kName), 0);
  EXPECT_EQ(pupils.run(op::kClose), 0);
  EXPECT_EQ(pupils.run(op::kRecordsFile), error::kFileNotOpen) << "CLOSE cleared the latch";
}

}  // namespace
}  // namespace tps
