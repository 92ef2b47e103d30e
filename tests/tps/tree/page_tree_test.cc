#include <gtest/gtest.h>

#include <random>

#include "platform/os/memory_file_system.h"
#include "tests/tps/station.h"

namespace tps {
namespace {

using testing::numbered_key;
using testing::Records;
using testing::Station;

class PageTreeTest : public ::testing::Test {
 protected:
  os::MemoryFileSystem fs;
  Station station{fs, "/t.tps"};
};

TEST_F(PageTreeTest, RecordsSurviveCommitAndReopenInKeyOrder) {
  Records expected;
  ASSERT_EQ(station.update([&](PageTree& tree) {
    for (uint32_t i = 0; i < 2000; ++i) {
      std::string data(100, char('a' + i % 26));
      Station::put(tree, numbered_key(i * 7919 % 2000), data);
      expected[numbered_key(i * 7919 % 2000)] = data;
    }
  }), 0);
  Station reader(fs, "/t.tps", false);
  ASSERT_EQ(reader.open_error(), 0);
  EXPECT_EQ(reader.read_all(), expected);
  EXPECT_TRUE(reader.last_report().consistent()) << testing::problems_of(reader.last_report());
  EXPECT_GE(reader.last_report().levels, 2u);
}

TEST_F(PageTreeTest, FindsAroundKeysAcrossPages) {
  station.update([&](PageTree& tree) {
    for (uint32_t i = 0; i < 3000; i += 2) Station::put(tree, numbered_key(i), std::string(60, 'x'));
  });
  station.file().switch_to_update_mode();
  PageTree tree(station.file());
  for (uint32_t probe : {0u, 1u, 1001u, 2998u, 2999u}) {
    std::string key = numbered_key(probe);
    RecordRef exact = tree.find_exact(testing::bytes_of(key), key.size());
    EXPECT_EQ(bool(exact), probe % 2 == 0) << probe;
    RecordRef before = tree.find_last_before(testing::bytes_of(key), key.size());
    if (probe == 0) {
      EXPECT_FALSE(before);  // only the empty record lies before the first key
    } else {
      ASSERT_TRUE(before);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(before.record->bytes()), 5),
                numbered_key((probe - 1) / 2 * 2));
    }
    RecordRef after = tree.find_first_after(testing::bytes_of(key), key.size());
    if (probe >= 2998) {
      EXPECT_FALSE(after);
    } else {
      ASSERT_TRUE(after);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(after.record->bytes()), 5),
                numbered_key(probe / 2 * 2 + 2));
    }
  }
  station.file().end_operation();
}

// A search that tries a remembered leaf first must find exactly what a
// descent finds: with the leaf still right, after splits and deletes moved
// its keys elsewhere, after another station's commit, and with a hint of
// another file.
TEST_F(PageTreeTest, HintedSearchesFindWhatDescentsFind) {
  ASSERT_EQ(station.update([&](PageTree& tree) {
    for (uint32_t i = 0; i < 3000; i += 3) Station::put(tree, numbered_key(i), std::string(60, 'x'));
  }), 0);
  auto key_of = [](const RecordRef& ref) {
    return ref ? std::string(reinterpret_cast<char*>(ref.record->bytes()), ref.record->key_length) : "";
  };
  LeafHint exact_hint, after_hint;
  auto agree = [&](Station& s, const char* when) {
    PageTree tree(s.file());
    for (uint32_t probe = 0; probe < 3005; ++probe) {
      const std::string key = numbered_key(probe);
      const uint8_t* k = testing::bytes_of(key);
      ASSERT_EQ(key_of(tree.find_exact(k, key.size(), exact_hint)), key_of(tree.find_exact(k, key.size())))
          << when << " " << probe;
      ASSERT_EQ(key_of(tree.find_first_after(k, key.size(), after_hint)), key_of(tree.find_first_after(k, key.size())))
          << when << " " << probe;
    }
    s.file().end_operation();
  };
  agree(station, "as stored");

  Station other(fs, "/t.tps");
  ASSERT_EQ(other.update([&](PageTree& tree) {
    for (uint32_t i = 1; i < 3000; i += 3) Station::put(tree, numbered_key(i), std::string(60, 'y'));
  }), 0);
  agree(station, "after another station's commit");

  station.file().switch_to_update_mode();
  {
    PageTree tree(station.file());
    for (uint32_t i = 2; i < 3000; i += 3) Station::put(tree, numbered_key(i), std::string(60, 'z'));
    for (uint32_t i = 0; i < 1500; ++i) {
      const std::string key = numbered_key(i);
      tree.remove(testing::bytes_of(key), key.size());
    }
  }
  agree(station, "after splits and deletes");

  os::MemoryFileSystem elsewhere;
  Station stranger(elsewhere, "/u.tps");
  ASSERT_EQ(stranger.update([&](PageTree& tree) { Station::put(tree, numbered_key(7), "s"); }), 0);
  agree(stranger, "with hints of another file");
}

TEST_F(PageTreeTest, PageOf21RecordsOf200BytesSplitsButNot20) {
  auto levels_after = [&](int count) {
    os::MemoryFileSystem local;
    Station s(local, "/s.tps");
    s.update([&](PageTree& tree) {
      // 200-byte records; the empty record adds its own 5 bytes.
      for (int i = 0; i < count; ++i) Station::put(tree, numbered_key(uint32_t(i)), std::string(195, 'z'));
    });
    s.read_all();
    return s.last_report().levels;
  };
  // With the empty record: 20 records + 1 -> 13 + 20*205 + 5 = 4118 > 4096 and 21 records.
  EXPECT_EQ(levels_after(19), 1u);
  EXPECT_EQ(levels_after(21), 2u);
}

TEST_F(PageTreeTest, DeletesKeepIndexEntriesEqualToFirstKeys) {
  std::mt19937 rng(11);
  Records model;
  station.update([&](PageTree& tree) {
    for (uint32_t i = 0; i < 4000; ++i) {
      Station::put(tree, numbered_key(i), std::string(40 + rng() % 80, 'd'));
      model[numbered_key(i)] = "";
    }
  });
  // Delete whole runs (emptying pages) and scattered records (changing first keys).
  ASSERT_EQ(station.update([&](PageTree& tree) {
    for (uint32_t i = 0; i < 4000; ++i) {
      if ((i >= 500 && i < 1800) || i % 7 == 0) {
        std::string key = numbered_key(i);
        tree.remove(testing::bytes_of(key), key.size());
        model.erase(key);
      }
    }
  }), 0);
  Records after = station.read_all();
  EXPECT_TRUE(station.last_report().consistent()) << testing::problems_of(station.last_report());
  EXPECT_EQ(after.size(), model.size());
  for (const auto& [key, data] : model) EXPECT_TRUE(after.count(key));
}

// Runs from the start of the file, from the middle, and to its end; every
// record, every other, and none; the records around each run stay.
TEST_F(PageTreeTest, RemovingARunDeletesWhatItSelectsAndNothingElse) {
  struct Run {
    uint32_t begin, end;
    int every;  // remove records whose number is a multiple of this; 0: none
  };
  const Run runs[] = {{0, 700, 1}, {1500, 2600, 2}, {3300, 4000, 1}, {2700, 3000, 0}, {800, 1400, 1}};
  Records model;
  station.update([&](PageTree& tree) {
    for (uint32_t i = 0; i < 4000; ++i) {
      Station::put(tree, numbered_key(i), std::string(40 + i % 90, 'r'));
      model[numbered_key(i)] = "";
    }
  });
  for (const Run& run : runs) {
    size_t expected = 0;
    for (uint32_t i = run.begin; i < run.end; ++i) {
      if (run.every && i % uint32_t(run.every) == 0) expected += model.erase(numbered_key(i));
    }
    size_t removed = 0;
    ASSERT_EQ(station.update([&](PageTree& tree) {
      const std::string begin = numbered_key(run.begin), end = numbered_key(run.end);
      removed = tree.remove_run(testing::bytes_of(begin), begin.size(), testing::bytes_of(end), end.size(),
                                [&](const RecordNode& node) {
                                  const uint32_t number = load_u32be(node.bytes() + 1);  // after the 'K'
                                  return run.every && number % uint32_t(run.every) == 0;
                                });
    }), 0);
    EXPECT_EQ(removed, expected) << run.begin;
    Records after = station.read_all();
    ASSERT_TRUE(station.last_report().consistent()) << testing::problems_of(station.last_report());
    ASSERT_EQ(after.size(), model.size()) << run.begin;
    for (const auto& [key, data] : model) ASSERT_TRUE(after.count(key)) << run.begin;
  }
}

TEST_F(PageTreeTest, DuplicateAndMissingKeysAreFaults) {
  station.update([&](PageTree& tree) { Station::put(tree, "abc", "1"); });
  EXPECT_EQ(station.update([&](PageTree& tree) { Station::put(tree, "abc", "2"); }),
            -fault::kDuplicateRecordKey);
  EXPECT_EQ(station.update([&](PageTree& tree) { tree.remove(testing::bytes_of("zzz"), 3); }),
            -fault::kDeleteMissingRecord);
  std::string big(15094, 'b');
  EXPECT_EQ(station.update([&](PageTree& tree) { Station::put(tree, "k", big); }),
            -fault::kRecordTooLong);
}

TEST_F(PageTreeTest, InsertUnlessPresentLeavesAStoredRecordAlone) {
  Records expected;
  ASSERT_EQ(station.update([&](PageTree& tree) {
    for (uint32_t i = 0; i < 600; i += 2) Station::put(tree, numbered_key(i), "old");
    for (uint32_t i = 0; i < 600; ++i) {
      const std::string record = numbered_key(i) + "new";
      RecordRef present = tree.insert_unless_present(testing::bytes_of(record), uint16_t(record.size()), 5);
      ASSERT_EQ(bool(present), i % 2 == 0) << i;
      if (present) {
        EXPECT_EQ(std::string(reinterpret_cast<char*>(present.record->data()), 3), "old");
      }
      expected[numbered_key(i)] = i % 2 == 0 ? "old" : "new";
    }
  }), 0);
  EXPECT_EQ(station.read_all(), expected);
}

TEST_F(PageTreeTest, ChangesNeedUpdateMode) {
  station.update([&](PageTree& tree) { Station::put(tree, "abc", "1"); });
  PageTree tree(station.file());
  EXPECT_THROW(
      {
        try {
          Station::put(tree, "abd", "2");
        } catch (const EngineFault& f) {
          EXPECT_EQ(f.code(), fault::kInsertInReaderMode);
          throw;
        }
      },
      EngineFault);
  station.file().end_operation();
}

TEST_F(PageTreeTest, HandlesSurviveSplitsAndFollowDeletes) {
  station.file().switch_to_update_mode();
  PageTree tree(station.file());
  PositionHandle handle(&station.file());
  Station::put(tree, numbered_key(0), "first");
  std::string k0 = numbered_key(0);
  PageTree::point(handle, tree.find_exact(testing::bytes_of(k0), 5));
  // Appends after the handle, as record numbers are appended.
  for (uint32_t i = 1; i < 500; ++i) {
    std::string record = numbered_key(i) + std::string(120, 'r');
    tree.insert_near(handle, testing::bytes_of(record), uint16_t(record.size()), 5);
    ASSERT_TRUE(handle.designates());
    RecordRef ref = tree.reattach(handle);
    ASSERT_TRUE(ref);
    ASSERT_EQ(std::string(reinterpret_cast<char*>(ref.record->bytes()), 5), numbered_key(i));
  }
  // Deleting at the handle moves it to the previous record.
  tree.remove_at(handle);
  RecordRef ref = tree.reattach(handle);
  ASSERT_TRUE(ref);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ref.record->bytes()), 5), numbered_key(498));
  EXPECT_EQ(station.file().end_operation(), 0);
  Records all = station.read_all();
  EXPECT_EQ(all.size(), 499u);
  EXPECT_TRUE(station.last_report().consistent()) << testing::problems_of(station.last_report());
}

}  // namespace
}  // namespace tps
