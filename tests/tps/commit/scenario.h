// A small history of commits used by the crash and I/O-error tests: three
// commits that split pages, empty and free pages, and move pages between
// size classes, with the state after each.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/os/memory_file_system.h"
#include "tests/tps/station.h"

namespace tps::testing {

class CommitHistory {
 public:
  static constexpr int kSteps = 3;
  static constexpr const char* kPath = "/history.tps";

  CommitHistory() {
    {
      Station s(memory_, kPath);
      EXPECT_EQ(s.update([](PageTree& tree) { initial(tree); }), 0);
      states_.push_back(s.read_all());
    }
    start_ = memory_.contents(kPath);
    Station s(memory_, kPath);
    for (int n = 1; n <= kSteps; ++n) {
      EXPECT_EQ(s.update([&](PageTree& tree) { step(tree, n); }), 0);
      states_.push_back(s.read_all());
    }
  }

  os::MemoryFileSystem& memory() { return memory_; }
  void restore() { memory_.set_contents(kPath, start_); }
  const Records& state(int n) const { return states_[size_t(n)]; }

  // Runs the steps on `fs` until one fails. Returns the number of steps
  // whose commit reported success.
  static int run(os::FileSystem& fs, std::unique_ptr<Station>* keep = nullptr) {
    auto station = std::make_unique<Station>(fs, kPath);
    int completed = 0;
    if (station->open_error() == 0) {
      for (int n = 1; n <= kSteps; ++n) {
        if (station->update([&](PageTree& tree) { step(tree, n); }) != 0) break;
        ++completed;
      }
    }
    if (keep) *keep = std::move(station);
    return completed;
  }

  // The state found by a fresh station must be the state before or after the
  // commit that was running: exactly `completed` or `completed + 1` steps.
  void expect_whole_state(int completed, const std::string& context) {
    for (int pass = 0; pass < 2; ++pass) {
      // Pass 0 reads as a reader (through any log); pass 1 after an updater replayed it.
      if (pass == 1) {
        Station updater(memory_, kPath);
        ASSERT_EQ(updater.update([](PageTree&) {}), 0) << context;
      }
      Station reader(memory_, kPath, false);
      ASSERT_EQ(reader.open_error(), 0) << context;
      Records found = reader.read_all();
      ASSERT_TRUE(reader.last_report().consistent())
          << context << "\n" << problems_of(reader.last_report());
      bool old_state = found == state(completed);
      bool new_state = completed < kSteps && found == state(completed + 1);
      ASSERT_TRUE(old_state || new_state)
          << context << ": " << found.size() << " records after " << completed << " commits";
    }
  }

 private:
  static void initial(PageTree& tree) {
    for (uint32_t i = 0; i < 500; ++i) Station::put(tree, numbered_key(i * 4), std::string(30, 'i'));
  }
  static void step(PageTree& tree, int n) {
    if (n == 1) {
      for (uint32_t i = 0; i < 500; ++i) Station::put(tree, numbered_key(i * 4 + 1), std::string(90, 's'));
    } else if (n == 2) {
      // Empties whole pages (their places are vacated at once) and fills new
      // ones in the same commit.
      for (uint32_t i = 400; i < 1600; ++i) {
        std::string key = numbered_key(i);
        if (i % 4 < 2) tree.remove(bytes_of(key), key.size());
      }
      for (uint32_t i = 0; i < 300; ++i) Station::put(tree, numbered_key(5000 + i), std::string(90, 'n'));
    } else {
      for (uint32_t i = 0; i < 400; i += 2) Station::put(tree, numbered_key(i * 4 + 2), std::string(700, 'g'));
    }
  }

  os::MemoryFileSystem memory_;
  std::vector<uint8_t> start_;
  std::vector<Records> states_;
};

}  // namespace tps::testing
