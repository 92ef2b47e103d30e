// The file statements' own behaviour: the current error they keep, the
// per-thread instances of THREAD tables, and the transaction statements.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/files/current_error.h"
#include "platform/files/file_table.h"
#include "platform/os/clock.h"
#include "tests/support/support.h"
#include "tests/tps/lock/other_station.h"

namespace {

using platform::FileTable;

constexpr uint32_t kSharedReadWrite = tps::access_mode::kSharedReadWrite;

tps::TableDeclaration notes_table(const std::string& file_name, bool per_thread) {
  tps::TableDeclaration t;
  t.label = "NOTES";
  t.prefix = "NOT";
  t.file_name = file_name;
  t.attributes = tps::table_attr::kCreate | tps::table_attr::kOem | (per_thread ? tps::table_attr::kThread : 0);
  t.record_length = 24;
  t.fields = {tps::single_field(tps::field_type::kLong, "NOT:ID", 0, 4),
              tps::single_field(tps::field_type::kString, "NOT:TITLE", 4, 20)};
  t.memos = {tps::text_memo("NOT:BODY", 100)};
  tps::KeyDeclaration by_id;
  by_id.label = "NOT:BY_ID";
  by_id.components = {{0, false}};
  t.keys = {by_id};
  return t;
}

TEST(FileStatements, EachStatementLeavesItsErrorAsTheCurrentOne) {
  testing_support::TempDir dir;
  FileTable notes(notes_table(dir.file("notes.tps"), false));
  EXPECT_EQ(notes.Open(), tps::error::kFileNotFound);
  EXPECT_EQ(platform::ErrorCode(), tps::error::kFileNotFound);
  EXPECT_EQ(platform::Error(), "File Not Found");
  EXPECT_EQ(platform::ErrorFile(), dir.file("notes.tps"));
  ASSERT_EQ(notes.Create(), 0);
  EXPECT_EQ(platform::ErrorCode(), 0) << "a success clears it";
  EXPECT_EQ(platform::Error(), "");
  ASSERT_EQ(notes.Share(), 0);

  notes.set_long(0, 5);
  EXPECT_EQ(notes.Get(0), tps::error::kRecordNotFound);
  EXPECT_EQ(platform::Error(), "Record Not Found");
  EXPECT_TRUE(notes.Eof()) << "no SET yet: an error answers 1";
  EXPECT_EQ(platform::ErrorCode(), tps::error::kRecordNotAvailable);
  ASSERT_EQ(notes.Close(), 0);

  // A fault: the detail message and the fault code go with error 90.
  ASSERT_EQ(truncate(dir.file("notes.tps").c_str(), 512), 0);
  EXPECT_EQ(notes.Share(), tps::error::kFileSystemError);
  EXPECT_EQ(platform::FileError(), "Possible data corruption in file");
  EXPECT_GT(platform::FileErrorNumber(), 0);
  EXPECT_EQ(platform::FileErrorCode(), std::to_string(platform::FileErrorNumber()));
  notes.Close();
}

TEST(FileStatements, ThreadTablesGiveEachThreadItsOwnBuffersAndState) {
  testing_support::TempDir dir;
  FileTable notes(notes_table(dir.file("notes.tps"), true));
  ASSERT_EQ(notes.Create(), 0);
  ASSERT_EQ(notes.Share(), 0);
  notes.set_long(0, 1);
  notes.set_string(1, "principal");
  ASSERT_EQ(notes.Add(), 0);

  std::string seen_title = "?";
  bool seen_open = true;
  uint32_t their_records = 0;
  std::thread other([&] {
    seen_title = notes.get_string(1);
    seen_open = notes.is_open();
    if (notes.Share() == 0) their_records = notes.Records();
    notes.set_string(1, "otro hilo");
    notes.Close();
  });
  other.join();
  EXPECT_EQ(seen_title, "") << "a new thread starts with an empty buffer";
  EXPECT_FALSE(seen_open);
  EXPECT_EQ(their_records, 1u);
  EXPECT_EQ(notes.get_string(1), "principal");
  EXPECT_TRUE(notes.is_open());
}

TEST(FileStatements, LogoutGivesUpWhenAnotherStationKeepsTheFileInATransaction) {
  testing_support::TempDir dir;
  const std::string path = dir.file("notes.tps");
  {
    FileTable creator(notes_table(path, false));
    ASSERT_EQ(creator.Create(), 0);
  }
  tps::testing::ChildStation other([&](tps::testing::ChildStation::Handshake& handshake) {
    FileTable notes(notes_table(path, false));
    if (notes.Share() != 0 || platform::Logout(-1, {&notes}) != 0) return 1;
    notes.set_long(0, 1);
    if (notes.Add() != 0) return 2;  // changing the file: its update byte is held until the transaction ends
    handshake.ready();
    handshake.wait_for_release();
    return platform::Rollback();
  });
  ASSERT_TRUE(other.ready());

  FileTable notes(notes_table(path, false));
  ASSERT_EQ(notes.Share(kSharedReadWrite), 0);
  const uint64_t start = os::tick_ms();
  EXPECT_EQ(platform::Logout(1, {&notes}), tps::error::kFileAlreadyLocked);
  EXPECT_GE(os::tick_ms() - start, 900u);
  other.release();
  EXPECT_EQ(other.finish(), 0);
  notes.set_long(0, 7);
  ASSERT_EQ(notes.Add(), 0);
  EXPECT_EQ(platform::Rollback(), 0);
  EXPECT_EQ(notes.Records(), 1u) << "the failed LOGOUT left no transaction to roll the ADD back";

  ASSERT_EQ(platform::Logout(1, {&notes}), 0);
  notes.set_long(0, 8);
  ASSERT_EQ(notes.Add(), 0);
  ASSERT_EQ(platform::Rollback(), 0);
  EXPECT_EQ(notes.Records(), 1u) << "the rolled-back ADD is gone";
}

}  // namespace
