#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"
#include "tests/tps/station.h"
#include "tps/table/record_keys.h"

namespace tps {
namespace {

using ops_testing::kByName;
using ops_testing::kByNumber;
using ops_testing::Pupils;

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class OpsWrites : public ::testing::Test {
 protected:
  void SetUp() override { pupils_.create_and_open(); }

  testing_support::TempDir dir_;
  const std::string path_ = dir_.file("pupils.tps");
  Pupils pupils_{path_};
};

TEST_F(OpsWrites, FailedAddLeavesTheCountAndBurnsItsNumber) {
  ASSERT_EQ(pupils_.add(1, "Ana"), 0);
  const uint32_t first = pupils_.pointer();
  EXPECT_EQ(pupils_.add(1, "Otra Ana"), error::kCreatesDuplicateKey);
  EXPECT_EQ(pupils_.records(), 1u);
  pupils_.run_key(op::kRecordsKey, kByName);
  EXPECT_EQ(pupils_.value(), 1u) << "no entry of the refused record stays";
  ASSERT_EQ(pupils_.add(2, "Bruno"), 0);
  EXPECT_EQ(pupils_.pointer(), first + 2) << "the refused ADD's number is not reused";
  EXPECT_EQ(pupils_.records(), 2u);
}

TEST_F(OpsWrites, DeleteTwiceFindsNoCurrentRecord) {
  ASSERT_EQ(pupils_.add(1, "Ana"), 0);
  ASSERT_EQ(pupils_.run(op::kDelete), 0);
  EXPECT_EQ(pupils_.run(op::kDelete), error::kRecordNotAvailable);
  EXPECT_EQ(pupils_.records(), 0u);
  EXPECT_EQ(pupils_.run(op::kPut), error::kRecordNotAvailable) << "nothing left to change";
}

TEST_F(OpsWrites, PutOfAnUnchangedRecordWritesNothingButChangedMemosStillGoIn) {
  ASSERT_EQ(pupils_.add(1, "Ana", 1, "Primer p\xE1rrafo."), 0);
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, pupils_.pointer()), 0);
  const std::string before = file_bytes(path_);
  ASSERT_EQ(pupils_.run(op::kPut), 0);
  EXPECT_EQ(file_bytes(path_), before) << "an unchanged record and memo rewrite nothing";

  pupils_.set_notes("Segundo p\xE1rrafo, m\xE1s largo que el primero.");
  ASSERT_EQ(pupils_.run(op::kPut), 0);
  pupils_.set(0, "", 0, "");
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, pupils_.pointer()), 0);
  EXPECT_EQ(pupils_.notes(), "Segundo p\xE1rrafo, m\xE1s largo que el primero.");
  EXPECT_EQ(pupils_.name(), "Ana");
}

TEST_F(OpsWrites, PutThatWouldDuplicateAKeyChangesNothing) {
  ASSERT_EQ(pupils_.add(1, "Ana"), 0);
  ASSERT_EQ(pupils_.add(2, "Bruno"), 0);
  pupils_.set(1, "Bruno Cambiado", 3);
  EXPECT_EQ(pupils_.run(op::kPut), error::kCreatesDuplicateKey);
  pupils_.set(0, "BRUNO", 0);
  ASSERT_EQ(pupils_.run_key(op::kGetFileKey, kByName), 0) << "the name key still holds the old entry";
  EXPECT_EQ(pupils_.number(), 2);
  pupils_.set(2, "", 0);
  ASSERT_EQ(pupils_.run_key(op::kGetFileKey, kByNumber), 0);
  EXPECT_EQ(pupils_.name(), "Bruno");
}

TEST_F(OpsWrites, LongMemosAndAccentedTextReadBackWhole) {
  std::string paragraph;
  while (paragraph.size() < ops_testing::kNotesSize - 40) paragraph += "El ni\xF1o comparte y juega con sus compa\xF1" "eros. ";
  ASSERT_EQ(pupils_.add(1, "\xD1" "a\xF1" "o G\xFC" "e", 1, paragraph), 0);
  pupils_.set(0, "", 0, "");
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, pupils_.pointer()), 0);
  EXPECT_EQ(pupils_.name(), "\xD1" "a\xF1" "o G\xFC" "e");
  EXPECT_EQ(pupils_.notes(), paragraph.substr(0, paragraph.find_last_not_of(' ') + 1));

  // NOMEMO leaves the memo buffer alone, and a PUT after it keeps the stored memo.
  pupils_.set_notes("otro");
  ASSERT_EQ(pupils_.run(op::kNoMemo), 0);
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, pupils_.pointer()), 0);
  EXPECT_EQ(pupils_.notes(), "otro");
  ASSERT_EQ(pupils_.run(op::kPut), 0);
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, pupils_.pointer()), 0);
  EXPECT_EQ(pupils_.notes(), paragraph.substr(0, paragraph.find_last_not_of(' ') + 1));
}

// Two declarations of the same table in one process share the file object;
// the second changes the record the first read under WATCH.
TEST_F(OpsWrites, PutAfterWatchRefusesAChangeMadeMeanwhile) {
  ASSERT_EQ(pupils_.add(1, "Ana", 1, "nota"), 0);
  const uint32_t record = pupils_.pointer();
  Pupils other(path_);
  ASSERT_EQ(other.open(), 0);

  struct Case {
    const char* name;
    bool change_memo;
  };
  for (const Case c : {Case{"record changed", false}, Case{"only the memo changed", true}}) {
    ASSERT_EQ(pupils_.run(op::kWatch), 0);
    ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, record), 0);
    ASSERT_EQ(other.run_number(op::kGetFilePtr, record), 0);
    if (c.change_memo)
      other.set_notes(std::string("cambiada ") + c.name);
    else
      other.set(1, "Ana Mar\xED" "a", other.klass(), other.notes());
    ASSERT_EQ(other.run(op::kPut), 0);
    const std::string other_name = other.name();
    const std::string other_notes = other.notes();

    pupils_.set(1, "Pisada", 9, "pisada");
    EXPECT_EQ(pupils_.run(op::kPut), error::kRecordChangedByAnotherStation) << c.name;
    ASSERT_EQ(other.run_number(op::kGetFilePtr, record), 0);
    EXPECT_EQ(other.name(), other_name) << c.name << ": nothing written";
    EXPECT_EQ(other.notes(), other_notes) << c.name;
    pupils_.set(0, "PISADA", 0);
    EXPECT_EQ(pupils_.run_key(op::kGetFileKey, kByName), error::kRecordNotFound) << c.name << ": no key written";
  }
  // Without WATCH the last writer wins.
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, record), 0);
  pupils_.set(1, "Ana", 1, "final");
  EXPECT_EQ(pupils_.run(op::kPut), 0);
}

// Another station dropped the table (its counter record went with it): an
// ADD then leaves nothing of the table behind and says so.
TEST_F(OpsWrites, AddToATableRemovedMeanwhileIsRefused) {
  ASSERT_EQ(pupils_.add(1, "Ana"), 0);
  {
    testing::Station other(os::real_file_system(), path_);
    ASSERT_EQ(other.update([](PageTree& tree) {
      const Bytes key = counter_record_key(1, kTableCounterIndex);
      tree.remove(key.data(), key.size());
    }), 0);
  }
  EXPECT_EQ(pupils_.add(2, "Bruno"), error::kAccessDenied);
  ASSERT_EQ(pupils_.run(op::kSetFile), 0);
  EXPECT_EQ(pupils_.run(op::kNext), error::kRecordNotAvailable) << "no record of the table is left";
}

TEST_F(OpsWrites, ReadOnlyOpenRefusesWrites) {
  ASSERT_EQ(pupils_.add(1, "Ana"), 0);
  Pupils reader(path_);
  ASSERT_EQ(reader.open(access_mode::kReadOnly | access_mode::kDenyNone), 0);
  EXPECT_EQ(reader.add(2, "Bruno"), error::kAccessDenied);
  ASSERT_EQ(reader.run(op::kSetFile), 0);
  ASSERT_EQ(reader.run(op::kNext), 0);
  EXPECT_EQ(reader.run(op::kPut), error::kAccessDenied);
  EXPECT_EQ(reader.run(op::kDelete), error::kAccessDenied);
  EXPECT_EQ(pupils_.records(), 1u);
}

TEST_F(OpsWrites, CountsBytesAndClearing) {
  ASSERT_EQ(pupils_.add(1, "Ana", 4, "x"), 0);
  ASSERT_EQ(pupils_.add(0, "Sin N\xFA" "mero", 4), 0);
  EXPECT_EQ(pupils_.records(), 2u);
  pupils_.run_key(op::kRecordsKey, kByNumber);
  EXPECT_EQ(pupils_.value(), 1u) << "a blank OPT value has no entry";
  pupils_.run_number(op::kHoldsMoreThan, 1);
  EXPECT_EQ(pupils_.value(), 1u);
  pupils_.run_number(op::kHoldsMoreThan, 2);
  EXPECT_EQ(pupils_.value(), 0u);

  pupils_.table().status.record_read = false;
  pupils_.run(op::kBytes);
  EXPECT_EQ(pupils_.value(), file_bytes(path_).size());
  ASSERT_EQ(pupils_.run(op::kSetFile), 0);
  ASSERT_EQ(pupils_.run(op::kNext), 0);
  pupils_.run(op::kBytes);
  EXPECT_EQ(pupils_.value(), ops_testing::kRecordLength) << "after a read, the record length";

  ASSERT_EQ(pupils_.run(op::kClearBuffers), 0);
  EXPECT_EQ(pupils_.number(), 0);
  EXPECT_EQ(pupils_.klass(), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pupils_.table().record.data() + ops_testing::kNameOffset),
                        ops_testing::kNameLength),
            std::string(ops_testing::kNameLength, ' '));
  EXPECT_EQ(pupils_.notes(), "");
}

}  // namespace
}  // namespace tps
