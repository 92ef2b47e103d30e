// Two data files changed together in one transaction, on a memory file
// system: both hold generation 0 of the same records, and the transaction
// rewrites every record of both to generation 1.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/os/memory_file_system.h"
#include "tests/tps/station.h"
#include "tps/lock/transaction.h"
#include "tps/lock/transaction_records.h"
#include "tps/options/tcf_names.h"

namespace tps::testing {

class TwoFiles {
 public:
  static constexpr uint32_t kRecords = 300;

  TwoFiles(std::string one, std::string two) : paths_{std::move(one), std::move(two)} {
    for (const std::string& path : paths_) {
      memory_.make_directory(directory_of(path));
      Station s(memory_, path);
      EXPECT_EQ(s.update([](PageTree& tree) { write_generation(tree, 0, true); }), 0);
    }
    for (const std::string& path : paths_) start_[path] = memory_.contents(path);
  }

  os::MemoryFileSystem& memory() { return memory_; }
  const std::string& one() const { return paths_[0]; }
  const std::string& two() const { return paths_[1]; }
  std::string tcf_of(const std::string& path) const { return directory_tcf_name(path); }

  // Both files back at generation 0, without any TCF.
  void restore() {
    for (const std::string& path : paths_) {
      memory_.set_contents(path, start_[path]);
      memory_.remove(tcf_of(path));
    }
  }

  // On `fs`: LOGOUT both files, rewrite both to generation 1, COMMIT.
  // Returns the commit's result (an engine fault as its negated code).
  int run(os::FileSystem& fs, TcfNames& names) {
    TransactionList list(names);
    Station one(fs, paths_[0]);
    Station two(fs, paths_[1]);
    list.logout(one.file());
    list.logout(two.file());
    for (Station* s : {&one, &two}) {
      if (int error = s->update([](PageTree& tree) { write_generation(tree, 1, false); })) {
        list.rollback();
        return error;
      }
    }
    try {
      return list.commit(one.file());
    } catch (const EngineFault& fault) {
      return -fault.code();
    }
  }

  // The generation a fresh reader finds in `path`; -1 when the file holds
  // anything else (a mix, missing records, a damaged tree).
  int generation_of(const std::string& path) {
    Station reader(memory_, path, false);
    if (reader.open_error() != 0) return -1;
    Records records = reader.read_all();
    records.erase(std::string(1, char(kTransactionLinkKey)));
    if (!reader.last_report().consistent() || records.size() != kRecords) return -1;
    int generation = -1;
    for (const auto& [key, data] : records) {
      int g = data.size() >= 2 && data[0] == 'g' ? data[1] - '0' : -1;
      if (generation != -1 && g != generation) return -1;
      generation = g;
    }
    return generation;
  }

  // Both files show one whole generation, the same: first to readers
  // (reading through any log), then after an updater of each recovered it.
  // Returns it, or -1 after reporting a failure.
  int expect_same_generation(const std::string& context) {
    int found = -1;
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1) {
        for (const std::string& path : paths_) {
          Station updater(memory_, path);
          EXPECT_EQ(updater.update([](PageTree&) {}), 0) << context;
        }
      }
      int one = generation_of(paths_[0]);
      int two = generation_of(paths_[1]);
      EXPECT_TRUE(one == two && one >= 0)
          << context << (pass ? " after recovery" : " to readers") << ": generations " << one
          << " and " << two;
      if (pass == 0) found = one;
      EXPECT_EQ(one, found) << context << ": a reader and the recovery disagree";
      if (one != two || one < 0) return -1;
    }
    return found;
  }

  static void write_generation(PageTree& tree, int generation, bool first) {
    for (uint32_t i = 0; i < kRecords; ++i) {
      std::string key = numbered_key(i);
      if (!first) tree.remove(bytes_of(key), key.size());
      Station::put(tree, key, "g" + std::to_string(generation) + std::string(10 + i % 40, '.'));
    }
  }

 private:
  static std::string directory_of(const std::string& path) {
    return path.substr(0, path.rfind('/'));
  }

  os::MemoryFileSystem memory_;
  std::vector<std::string> paths_;
  std::map<std::string, std::vector<uint8_t>> start_;
};

}  // namespace tps::testing
