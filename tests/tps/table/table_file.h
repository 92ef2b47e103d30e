// A table in a file held in memory, for tests of the table layer: a station
// on the file and helpers to run one engine operation at a time.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/os/memory_file_system.h"
#include "tests/tps/station.h"
#include "tps/errors/fault.h"
#include "tps/table/table_catalog.h"

namespace table_testing {

class TableFile {
 public:
  explicit TableFile(const std::string& name = "/t.tps")
      : name_(name), station_(std::make_unique<tps::testing::Station>(fs_, name)) {
    EXPECT_EQ(station_->open_error(), 0);
  }

  tps::FileObject& file() { return station_->file(); }
  os::MemoryFileSystem& fs() { return fs_; }
  tps::testing::Station& station() { return *station_; }

  // One changing operation, committed at its end. Fails the test on a fault.
  void update(const std::function<void()>& change) {
    const int result = station_->update([&](tps::PageTree&) { change(); });
    EXPECT_EQ(result, 0) << "update ended with " << result;
  }

  // One reading operation in reader mode.
  void read(const std::function<void()>& look) {
    try {
      ASSERT_EQ(file().refresh_header(), 0);
      look();
    } catch (const tps::EngineFault& fault) {
      ADD_FAILURE() << "fault " << fault.code();
    }
    file().end_operation();
  }

  // Closes the file and opens it again, as another program run would.
  void reopen() {
    station_.reset();
    station_ = std::make_unique<tps::testing::Station>(fs_, name_);
    EXPECT_EQ(station_->open_error(), 0);
  }

 private:
  os::MemoryFileSystem fs_;
  std::string name_;
  std::unique_ptr<tps::testing::Station> station_;
};

}  // namespace table_testing
