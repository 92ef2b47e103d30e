#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"
#include "tps/errors/fault.h"
#include "tps/maint/build_events.h"
#include "tps/maint/record_filter.h"
#include "tps/maint/properties.h"
#include "tps/ops/control_block.h"
#include "tps/table/record_keys.h"

namespace tps {
namespace {

using ops_testing::kByName;
using ops_testing::Pupils;

constexpr int kPupils = 40;

// Records what deferred builds tell the program; cancels at a percentage.
class RecordedEvents final : public BuildEvents {
 public:
  RecordedEvents() { previous_ = set_build_events(this); }
  ~RecordedEvents() override { set_build_events(previous_); }

  void build_posted(DeclaredTable&) override { ++posted; }
  bool build_progress(DeclaredTable&, int percent) override {
    percents.push_back(percent);
    return percent < cancel_at;
  }
  void build_failed(DeclaredTable&, const ErrorDetail& error) override {
    ++failed;
    failure = error;
  }

  int posted = 0;
  int failed = 0;
  ErrorDetail failure;
  std::vector<int> percents;
  int cancel_at = 1000;  // never

 private:
  BuildEvents* previous_;
};

// Stands for damage the build meets: an engine fault at the first record.
class FaultingFilter final : public RecordFilter {
 public:
  bool accepts(const DeclaredTable&) const override { raise_fault(kFault); }
  std::unique_ptr<RecordFilter> clone() const override { return std::make_unique<FaultingFilter>(); }
  static constexpr int kFault = 1477;
};

class DeferredBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    pupils_.create_and_open();
    // APPEND leaves the keys out of date until a build.
    for (int i = 1; i <= kPupils; ++i) {
      pupils_.set(i, "Pupil " + std::to_string(kPupils - i), 1);
      ASSERT_EQ(pupils_.run(op::kAppend), 0);
    }
  }

  int set_progress(const std::string& events) {
    DriverArguments args;
    args.record = property::kProgress;
    args.text = events;
    return pupils_.run(op::kSetProperty, args);
  }
  uint32_t entries(int key) {
    pupils_.run_key(op::kRecordsKey, key);
    return pupils_.value();
  }
  uint32_t out_of_date_mark(int key) { return pupils_.table().control->records->mark(uint8_t(key)); }

  testing_support::TempDir dir_;
  Pupils pupils_{dir_.file("pupils.tps")};
  RecordedEvents events_;
};

TEST_F(DeferredBuild, BuildWaitsForItsEventAndReportsProgress) {
  ASSERT_EQ(set_progress("10"), 0);
  EXPECT_TRUE(pupils_.table().status.progress);
  ASSERT_EQ(pupils_.run(op::kBuildFile), 0);
  EXPECT_EQ(events_.posted, 1);
  EXPECT_EQ(entries(kByName), 0u) << "nothing is built before the event comes back";
  EXPECT_TRUE(pupils_.table().status.deferred_build);
  EXPECT_FALSE(pupils_.table().status.progress) << "the setting is used up";

  ASSERT_EQ(pupils_.run(op::kRunDeferredBuild), 0);
  EXPECT_EQ(entries(kByName), uint32_t(kPupils));
  EXPECT_EQ(out_of_date_mark(kByName), 0u);
  EXPECT_FALSE(pupils_.table().status.deferred_build);
  ASSERT_FALSE(events_.percents.empty());
  EXPECT_TRUE(std::is_sorted(events_.percents.begin(), events_.percents.end()));
  EXPECT_EQ(events_.percents.back(), 100);
  EXPECT_LE(events_.percents.size(), 12u) << "about the number of events asked for";

  ASSERT_EQ(pupils_.run(op::kRunDeferredBuild), 0) << "nothing left pending";
  pupils_.set(kPupils + 1, "Late", 1);
  ASSERT_EQ(pupils_.run(op::kAppend), 0);
  ASSERT_EQ(pupils_.run(op::kBuildFile), 0);
  EXPECT_EQ(events_.posted, 1) << "the second build ran at once";
  EXPECT_EQ(entries(kByName), uint32_t(kPupils + 1));
}

TEST_F(DeferredBuild, CancelLeavesTheKeyOutOfDate) {
  events_.cancel_at = 30;
  ASSERT_EQ(set_progress("50"), 0);
  DriverArguments args;
  args.key = kByName;
  const uint32_t first_appended = out_of_date_mark(kByName);
  ASSERT_NE(first_appended, 0u);
  ASSERT_EQ(pupils_.run(op::kBuildKey, args), 0);
  EXPECT_EQ(pupils_.run(op::kRunDeferredBuild), error::kBuildCancelled);
  EXPECT_EQ(out_of_date_mark(kByName), first_appended);
  EXPECT_LT(events_.percents.back(), 100);

  ASSERT_EQ(pupils_.run(op::kBuildKey, args), 0) << "a later build finishes the key";
  EXPECT_EQ(out_of_date_mark(kByName), 0u);
  EXPECT_EQ(entries(kByName), uint32_t(kPupils));
}

TEST_F(DeferredBuild, DeferredDynamicBuildKeepsItsOwnKeyStringAndFilter) {
  ASSERT_EQ(set_progress("500"), 0);
  DriverArguments ask;
  ask.record = property::kProgress;
  std::string answer;
  ask.text_out = &answer;
  ASSERT_EQ(pupils_.run(op::kGetProperty, ask), 0);
  EXPECT_EQ(answer, "100") << "clamped";
  {
    std::string key_string = "nmae";
    DriverArguments args;
    args.key = kByName;
    args.text = key_string;
    EXPECT_EQ(pupils_.run(op::kBuildDyn, args), error::kInvalidNumberOfParameters)
        << "refused before it is deferred";
  }
  EXPECT_EQ(events_.posted, 0);
  ASSERT_EQ(set_progress("0"), 0);
  ASSERT_EQ(pupils_.run(op::kPack), 0) << "progress off: at once";
  EXPECT_EQ(events_.posted, 0);
  EXPECT_EQ(entries(kByName), uint32_t(kPupils));
}

TEST_F(DeferredBuild, FullBuildRewritesTheLocaleRecord) {
  LocaleBlock changed = process_locale();
  const LocaleBlock original = changed;
  changed.mutable_bytes()[LocaleBlock::kCollation + 'Z'] = 'A';  // any difference will do
  set_process_locale(changed);
  DriverArguments full;
  full.text = "FULLBUILD=on";
  pupils_.run(op::kSend, full);
  const int built = pupils_.run(op::kBuildFile);
  set_process_locale(original);
  ASSERT_EQ(built, 0);
  EXPECT_EQ(pupils_.table().control->locale, changed);
  ASSERT_EQ(pupils_.run(op::kClose), 0);
  ASSERT_EQ(pupils_.open(), 0);
  EXPECT_EQ(pupils_.table().control->locale, changed) << "stored in the table's locale record";
}

TEST_F(DeferredBuild, EngineFaultEndsTheBuildAndTellsTheProgram) {
  KeyDeclaration dynamic;
  dynamic.label = "PUP:DYNAMIC";
  dynamic.attributes = key_attr::kIndex | key_attr::kDynamic | key_attr::kDup;
  Pupils other(dir_.file("other.tps"));
  other.table().declaration.keys.push_back(dynamic);
  other.create_and_open();
  ASSERT_EQ(other.add(1, "Ana"), 0);
  DriverArguments progress;
  progress.record = property::kProgress;
  progress.text = "5";
  ASSERT_EQ(other.run(op::kSetProperty, progress), 0);
  {
    const FaultingFilter filter;
    DriverArguments args;
    args.key = 3;
    args.text = "name";
    args.filter = &filter;
    ASSERT_EQ(other.run(op::kBuildDynFilter, args), 0);
  }  // the caller's filter is gone: the deferred build runs its own copy
  EXPECT_EQ(other.run(op::kRunDeferredBuild), error::kFileSystemError);
  EXPECT_EQ(events_.failed, 1);
  EXPECT_EQ(events_.failure.number, error::kFileSystemError);
  EXPECT_EQ(events_.failure.code, std::to_string(FaultingFilter::kFault));
  EXPECT_EQ(other.run(op::kRecordsFile), error::kFileSystemError) << "latched until CLOSE";
  EXPECT_EQ(other.run(op::kClose), 0);
}

}  // namespace
}  // namespace tps
