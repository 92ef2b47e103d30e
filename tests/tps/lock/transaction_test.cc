#include "tps/lock/transaction.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/os/fault_file_system.h"
#include "tests/tps/lock/two_files.h"
#include "tps/base/bytes.h"
#include "tps/lock/transaction_check.h"
#include "tps/lock/transaction_records.h"
#include "tps/page/file_registry.h"

namespace tps {
namespace {

using testing::Station;
using testing::TwoFiles;

// Both files' link records, read by fresh readers.
std::optional<TransactionLink> link_of(os::FileSystem& fs, const std::string& path) {
  Station reader(fs, path, false);
  EXPECT_EQ(reader.file().refresh_header(), 0);
  bool malformed = false;
  std::optional<TransactionLink> link = read_transaction_link(reader.file(), &malformed);
  EXPECT_FALSE(malformed);
  reader.file().end_operation();
  return link;
}

std::string number_key(uint32_t number) {
  std::string key(4, '\0');
  store_u32le(reinterpret_cast<uint8_t*>(key.data()), number);
  return key;
}

// The transaction numbers a TCF holds.
testing::Records numbers_in(os::FileSystem& fs, const std::string& tcf) {
  Station reader(fs, tcf, false);
  return reader.read_all();
}

TEST(Transaction, OneChangedFileIsCommittedWithoutAControlFile) {
  TwoFiles files("/school/one.tps", "/school/two.tps");
  TcfNames names;
  TransactionList list(names);
  Station one(files.memory(), files.one());
  Station two(files.memory(), files.two());
  list.logout(one.file());
  list.logout(two.file());
  ASSERT_EQ(one.update([](PageTree& tree) { TwoFiles::write_generation(tree, 1, false); }), 0);
  ASSERT_EQ(two.update([](PageTree&) {}), 0);  // joined, read, changed nothing
  EXPECT_EQ(files.generation_of(files.one()), 0) << "changes stay uncommitted in a transaction";

  EXPECT_EQ(list.commit(two.file()), 0);
  EXPECT_FALSE(files.memory().exists(files.tcf_of(files.one())));
  EXPECT_EQ(files.generation_of(files.one()), 1);
  EXPECT_EQ(files.generation_of(files.two()), 0);
  EXPECT_FALSE(link_of(files.memory(), files.one()));
  EXPECT_TRUE(list.files().empty());
  EXPECT_EQ(names.registered_count(), 0u);
  for (Station* s : {&one, &two}) {
    EXPECT_FALSE(s->file().in_transaction());
    EXPECT_TRUE(s->file().reader_mode());
    EXPECT_FALSE(s->file().view_held());
  }
}

// Two files of one directory register its TCF once; the commit leaves its
// transaction number in neither the TCF nor anywhere but the link records.
TEST(Transaction, FilesOfOneDirectoryShareOneControlFile) {
  TwoFiles files("/school/one.tps", "/school/two.tps");
  TcfNames names;
  ASSERT_EQ(files.run(files.memory(), names), 0);
  EXPECT_EQ(files.expect_same_generation("committed"), 1);

  const std::string tcf = files.tcf_of(files.one());
  ASSERT_TRUE(files.memory().exists(tcf));
  EXPECT_TRUE(numbers_in(files.memory(), tcf).empty());
  std::optional<TransactionLink> one = link_of(files.memory(), files.one());
  std::optional<TransactionLink> two = link_of(files.memory(), files.two());
  ASSERT_TRUE(one && two);
  EXPECT_EQ(one->tcf_path, kPlaceholderTcfPath);
  EXPECT_EQ(*one, *two);

  TransactionList list(names);
  Station a(files.memory(), files.one());
  Station b(files.memory(), files.two());
  list.logout(a.file());
  list.logout(b.file());
  list.logout(a.file());
  EXPECT_EQ(names.registered_count(), 1u);
  EXPECT_EQ(list.files().size(), 2u);
  EXPECT_EQ(list.files().front(), &b.file()) << "the latest to join comes first";
  list.rollback();
}

// Files in two directories: every link record names the first directory's
// TCF, the one whose record decides for all of them.
TEST(Transaction, FilesOfTwoDirectoriesAreDecidedByOneControlFile) {
  TwoFiles files("/qv-lock-a/one.tps", "/qv-lock-b/two.tps");
  TcfNames names;
  ASSERT_EQ(files.run(files.memory(), names), 0);
  EXPECT_EQ(files.expect_same_generation("committed"), 1);
  std::optional<TransactionLink> one = link_of(files.memory(), files.one());
  std::optional<TransactionLink> two = link_of(files.memory(), files.two());
  ASSERT_TRUE(one && two);
  EXPECT_EQ(one->tcf_path, "/qv-lock-a/transact.tcf");
  EXPECT_EQ(*one, *two);
  EXPECT_TRUE(files.memory().exists("/qv-lock-b/transact.tcf"));
}

TEST(Transaction, FixedControlFileIsTheOnlyOneUsed) {
  TwoFiles files("/qv-lock-a/one.tps", "/qv-lock-b/two.tps");
  files.memory().make_directory("/central");
  TcfNames names;
  names.set_fixed_name("/central/all.tcf");
  ASSERT_EQ(files.run(files.memory(), names), 0);
  EXPECT_EQ(names.registered_count(), 0u);
  EXPECT_FALSE(files.memory().exists("/qv-lock-a/transact.tcf"));
  EXPECT_FALSE(files.memory().exists("/qv-lock-b/transact.tcf"));
  EXPECT_TRUE(files.memory().exists("/central/all.tcf"));
  std::optional<TransactionLink> one = link_of(files.memory(), files.one());
  ASSERT_TRUE(one);
  EXPECT_EQ(one->tcf_path, "/central/all.tcf");
  EXPECT_EQ(files.expect_same_generation("committed"), 1);
}

// A number already in the TCF (another station's transaction in progress)
// is passed over: the commit takes the next free one and leaves the other
// station's record alone.
TEST(Transaction, NumberInUseIsSkipped) {
  TwoFiles files("/school/one.tps", "/school/two.tps");
  const std::string tcf = files.tcf_of(files.one());
  {
    Station other(files.memory(), tcf);
    ASSERT_EQ(other.update([](PageTree& tree) {
      Station::put(tree, number_key(1000), "");
      Station::put(tree, number_key(1001), "");
    }), 0);
  }
  TcfNames names;
  TransactionList list(names);
  list.set_number_source([] { return 1000u; });
  Station one(files.memory(), files.one());
  Station two(files.memory(), files.two());
  list.logout(one.file());
  list.logout(two.file());
  for (Station* s : {&one, &two}) {
    ASSERT_EQ(s->update([](PageTree& tree) { TwoFiles::write_generation(tree, 1, false); }), 0);
  }
  ASSERT_EQ(list.commit(one.file()), 0);
  std::optional<TransactionLink> link = link_of(files.memory(), files.one());
  ASSERT_TRUE(link);
  EXPECT_EQ(link->number, 1002u);
  testing::Records left = numbers_in(files.memory(), tcf);
  EXPECT_EQ(left.size(), 2u);
  EXPECT_TRUE(left.count(number_key(1000)) && left.count(number_key(1001)));
  EXPECT_EQ(files.expect_same_generation("committed"), 1);
}

TEST(Transaction, RollbackDiscardsEveryListedFileAndLetsOthersUpdate) {
  TwoFiles files("/school/one.tps", "/school/two.tps");
  TcfNames names;
  TransactionList list(names);
  Station one(files.memory(), files.one());
  Station two(files.memory(), files.two());
  list.logout(one.file());
  list.logout(two.file());
  for (Station* s : {&one, &two}) {
    ASSERT_EQ(s->update([](PageTree& tree) { TwoFiles::write_generation(tree, 1, false); }), 0);
    ASSERT_TRUE(s->file().view_held()) << "a file in a transaction keeps its update byte";
  }
  Station other(files.memory(), files.one());
  EXPECT_NE(other.file().locks().lock_update_byte(false), 0);

  list.rollback();
  EXPECT_TRUE(list.files().empty());
  EXPECT_EQ(names.registered_count(), 0u);
  EXPECT_EQ(other.file().locks().lock_update_byte(false), 0);
  other.file().locks().unlock_update_byte();
  EXPECT_EQ(files.expect_same_generation("rolled back"), 0);
  for (Station* s : {&one, &two}) {
    EXPECT_FALSE(s->file().changed());
    EXPECT_FALSE(s->file().in_transaction());
  }
  EXPECT_EQ(one.read_all().size(), TwoFiles::kRecords);
}

TEST(Transaction, ControlFileThatCannotBeOpenedKeepsTheOldState) {
  TwoFiles files("/school/one.tps", "/school/two.tps");
  os::FaultFileSystem faulty(files.memory());
  faulty.fail_open(files.tcf_of(files.one()), EMFILE);
  TcfNames names;
  EXPECT_EQ(files.run(faulty, names), 4);
  EXPECT_EQ(files.expect_same_generation("no TCF"), 0);
}

// A file object that goes away in the middle of a transaction leaves the
// process's list rather than staying there dangling.
TEST(Transaction, FileObjectClosedInATransactionLeavesTheList) {
  os::MemoryFileSystem memory;
  FileRegistry registry(memory);
  FileObject* file = nullptr;
  OpenOptions options;
  options.write = true;
  options.create = true;
  ASSERT_EQ(registry.acquire("/lone.tps", options, &file), 0);
  logout(*file);
  ASSERT_EQ(TransactionList::process().files().size(), 1u);
  registry.release(file);
  EXPECT_TRUE(TransactionList::process().files().empty());
  rollback_transaction();
}

// The recovery check on a file's link record, against the TCFs it may name.
TEST(TransactionCheck, AsksTheControlFileTheLinkRecordNames) {
  struct Case {
    const char* name;
    std::optional<std::string> link_data;  // data of record 0xFF; none: no link record
    std::vector<std::pair<std::string, uint32_t>> numbers;  // TCF path, number held
    bool pending;
  };
  const std::string t7 = number_key(7);
  const std::string placeholder = t7 + std::string(kPlaceholderTcfPath) + '\0';
  const std::string elsewhere = t7 + "/other/x.tcf" + '\0';
  const Case cases[] = {
      {"no link record", std::nullopt, {}, false},
      {"number in own directory TCF", placeholder, {{"/school/transact.tcf", 7}}, true},
      {"number gone from it", placeholder, {{"/school/transact.tcf", 8}}, false},
      {"own directory TCF missing", placeholder, {}, true},
      {"named TCF decides", elsewhere, {{"/other/x.tcf", 7}, {"/school/transact.tcf", 8}}, true},
      {"named TCF without the number", elsewhere, {{"/other/x.tcf", 8}, {"/school/transact.tcf", 7}},
       false},
      {"link record without a number", std::string("\x07\x00", 2), {{"/school/transact.tcf", 8}},
       true},
      {"path without its end", t7 + "/other/x.tcf", {{"/other/x.tcf", 7}}, true},
  };
  for (const Case& c : cases) {
    os::MemoryFileSystem memory;
    memory.make_directory("/school");
    memory.make_directory("/other");
    Station data(memory, "/school/data.tps");
    ASSERT_EQ(data.update([&](PageTree& tree) {
      Station::put(tree, "record", "x");
      if (c.link_data) Station::put(tree, std::string(1, char(kTransactionLinkKey)), *c.link_data);
    }), 0);
    for (const auto& [tcf, number] : c.numbers) {
      Station s(memory, tcf);
      ASSERT_EQ(s.update([&](PageTree& tree) { Station::put(tree, number_key(number), ""); }), 0);
    }
    ASSERT_EQ(data.file().refresh_header(), 0);
    EXPECT_EQ(transaction_pending(data.file()), c.pending) << c.name;
    data.file().end_operation();
  }
  // A TCF that exists but was never written holds no number.
  os::MemoryFileSystem memory;
  memory.make_directory("/school");
  memory.set_contents("/school/transact.tcf", {});
  Station data(memory, "/school/data.tps");
  ASSERT_EQ(data.update([&](PageTree& tree) { Station::put(tree, "\xFF", placeholder); }), 0);
  ASSERT_EQ(data.file().refresh_header(), 0);
  EXPECT_FALSE(transaction_pending(data.file()));
}

}  // namespace
}  // namespace tps
