// The state block and blob slice statements: a saved state owned by the
// program and freed when it goes, and a blob worked on by slices.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/files/current_error.h"
#include "platform/files/file_table.h"
#include "platform/files/saved_state.h"
#include "tests/support/support.h"

namespace {

using platform::FileTable;
using platform::SavedState;

constexpr size_t kId = 0;
constexpr size_t kByIdKey = 0;
constexpr size_t kScan = 1;  // the BLOB, memo 1

tps::TableDeclaration letters_table(const std::string& file_name) {
  tps::TableDeclaration t;
  t.label = "LETTERS";
  t.prefix = "LET";
  t.file_name = file_name;
  t.attributes = tps::table_attr::kCreate;
  t.record_length = 4;
  t.fields = {tps::single_field(tps::field_type::kLong, "LET:ID", 0, 4)};
  const tps::MemoDeclaration text = tps::text_memo("LET:TEXT", 50);
  tps::MemoDeclaration scan;
  scan.label = "LET:SCAN";
  scan.attributes = tps::memo_attr::kBlob | tps::memo_attr::kBinary;
  t.memos = {text, scan};
  tps::KeyDeclaration by_id;
  by_id.label = "LET:BY_ID";
  by_id.components = {{0, false}};
  t.keys = {by_id};
  return t;
}

class StateStatementsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(letters_.Create(), 0);
    ASSERT_EQ(letters_.Share(), 0);
    for (int32_t id = 1; id <= 4; ++id) {
      letters_.set_long(kId, id);
      letters_.set_memo(0, "letter " + std::to_string(id));
      ASSERT_EQ(letters_.SetBlob(kScan, std::string(size_t(id), char('a' + id))), 0);
      ASSERT_EQ(letters_.Add(), 0);
    }
  }

  testing_support::TempDir dir_;
  FileTable letters_{letters_table(dir_.file("letters.tps"))};
};

TEST_F(StateStatementsTest, SavedStateGoesOnWithTheScanAndIsFreedWithItsOwner) {
  ASSERT_EQ(letters_.SetKey(kByIdKey), 0);
  ASSERT_EQ(letters_.Next(), 0);
  ASSERT_EQ(letters_.Next(), 0);
  SavedState moved;
  {
    SavedState state = letters_.GetState(true);
    ASSERT_TRUE(state);
    moved = std::move(state);
    EXPECT_FALSE(state);
  }
  ASSERT_TRUE(moved) << "the moved-to owner keeps it";
  ASSERT_EQ(letters_.Next(), 0);
  letters_.set_memo(0, "scribbled");
  ASSERT_EQ(letters_.SetBlob(kScan, "scribbled"), 0);

  ASSERT_EQ(letters_.RestoreState(moved, true), 0);
  EXPECT_EQ(letters_.get_long(kId), 2);
  EXPECT_EQ(letters_.get_memo(0), "letter 2");
  EXPECT_EQ(letters_.GetBlob(kScan), "cc");
  ASSERT_EQ(letters_.Next(), 0);
  EXPECT_EQ(letters_.get_long(kId), 3);

  // Freeing a state leaves the program's last error standing.
  ASSERT_EQ(letters_.Next(), 0);
  EXPECT_EQ(letters_.Next(), tps::error::kRecordNotAvailable);
  moved = SavedState();
  EXPECT_EQ(platform::ErrorCode(), tps::error::kRecordNotAvailable);
  EXPECT_EQ(letters_.FreeState(moved), 0) << "nothing left to free";
}

TEST_F(StateStatementsTest, BlobWorkedOnBySlices) {
  ASSERT_EQ(letters_.GetPtr(2), 0);
  EXPECT_EQ(letters_.GetBlob(kScan), "b");
  EXPECT_FALSE(letters_.BlobTouched(kScan));

  ASSERT_EQ(letters_.PutBlobSlice(kScan, 1, 5, "cdefg"), 0);
  EXPECT_EQ(letters_.BlobSize(kScan), 6u);
  EXPECT_EQ(letters_.GetBlobSlice(kScan, 4, 9), "fg");
  EXPECT_TRUE(letters_.BlobTouched(kScan));
  ASSERT_EQ(letters_.Put(), 0);
  EXPECT_FALSE(letters_.BlobTouched(kScan));

  ASSERT_EQ(letters_.SetBlobSize(kScan, 2), 0);
  ASSERT_EQ(letters_.GetPtr(2), 0);
  EXPECT_EQ(letters_.GetBlob(kScan), "bcdefg") << "the slices were stored with the record";
  EXPECT_EQ(letters_.PutBlobSlice(0, 0, 0, "x"), tps::error::kInvalidNumberOfParameters) << "a text memo";
}

}  // namespace
