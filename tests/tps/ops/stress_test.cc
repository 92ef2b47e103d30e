// Several processes add, change and delete records of one table at the same
// time for a bounded time. Afterwards the file's structure is sound, its keys
// and counts agree with its records, every change a process saw succeed is
// there, and no change was lost: a conflicting change was refused (89, 43,
// 5, 33) or waited its turn.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/os/clock.h"
#include "tests/support/support.h"
#include "tests/tps/lock/other_station.h"
#include "tests/tps/ops/ops_table.h"
#include "tests/tps/station.h"
#include "tps/base/bytes.h"
#include "tps/table/record_keys.h"

namespace tps {
namespace {

using ops_testing::kByNumber;
using ops_testing::Pupils;

constexpr int kStations = 3;
constexpr int kCounters = 4;            // shared records 1..4, only ever incremented
constexpr uint64_t kRunMs = 2500;
constexpr int32_t kOwnNumberBase = 1000;  // station s adds numbers s*kOwnNumberBase + i

// What one station saw succeed, written line by line as it happens:
// "inc K" (counter K incremented), "add N", "del N".
struct Journal {
  std::map<int32_t, int> increments;
  std::map<int32_t, bool> own;  // number -> still there
};

Journal read_journal(const std::string& path) {
  Journal journal;
  std::ifstream in(path);
  std::string word;
  int32_t number;
  while (in >> word >> number) {
    if (word == "inc") ++journal.increments[number];
    if (word == "add") journal.own[number] = true;
    if (word == "del") journal.own[number] = false;
  }
  return journal;
}

bool get_number(Pupils& pupils, int32_t number) {
  pupils.set(number, "", 0);
  return pupils.run_key(op::kGetFileKey, kByNumber) == 0;
}

// Increments counter `k`; the counter's memo names the last writer. With
// `hold` the record is held from the read to the PUT; without, WATCH alone
// guards it. Returns true when the increment is committed.
bool increment(Pupils& pupils, int32_t k, bool hold, bool in_transaction, int station) {
  DriverArguments wait;
  wait.seconds = 1;
  if (hold) pupils.run(op::kHoldFileSec, wait);
  pupils.run(op::kWatch);
  if (!get_number(pupils, k)) {
    pupils.run(op::kRelease);
    return false;
  }
  const int16_t next = int16_t(pupils.klass() + 1);
  pupils.set(k, pupils.name(), next, "valor " + std::to_string(next) + " del puesto " + std::to_string(station));
  if (in_transaction) {
    DriverArguments logout;
    logout.seconds = 1;
    if (pupils.run(op::kStartTransaction) != 0) return false;
    if (pupils.run(op::kLogout, logout) != 0) {
      pupils.run(op::kRelease);
      pupils.run(op::kEndTransaction);
      return false;
    }
  }
  const int put = pupils.run(op::kPut);
  bool done = put == 0;
  if (in_transaction) {
    if (done) {
      done = pupils.run(op::kCommit) == 0;
    } else {
      pupils.run(op::kRollback);
    }
    pupils.run(op::kEndTransaction);
  }
  pupils.run(op::kRelease);
  return done;
}

int run_station(const std::string& path, const std::string& journal_path, int station) {
  std::ofstream journal(journal_path);
  std::mt19937 random(unsigned(station) * 7919u);
  Pupils pupils(path);
  if (pupils.open() != 0) return 2;
  std::vector<int32_t> own;
  int32_t next_own = station * kOwnNumberBase;
  const uint64_t end = os::tick_ms() + kRunMs;
  while (os::tick_ms() < end) {
    const int action = int(random() % 10);
    if (action < 5) {
      const int32_t k = int32_t(1 + random() % kCounters);
      if (increment(pupils, k, action < 2, action == 4, station)) journal << "inc " << k << std::endl;
    } else if (action < 7) {
      const int32_t number = ++next_own;
      if (pupils.add(number, "Alumno " + std::to_string(number), int16_t(station),
                     std::string(size_t(random() % 2000), 'x')) == 0) {
        own.push_back(number);
        journal << "add " << number << std::endl;
      }
    } else if (action < 8 && !own.empty()) {
      const size_t pick = random() % own.size();
      DriverArguments wait;
      wait.seconds = 1;
      pupils.run(op::kHoldFileSec, wait);
      if (get_number(pupils, own[pick]) && pupils.run(op::kDelete) == 0) {
        journal << "del " << own[pick] << std::endl;
        own.erase(own.begin() + std::ptrdiff_t(pick));
      }
    } else {
      // A short scan in key order, as a list window would read.
      pupils.set(int32_t(random() % (kStations * kOwnNumberBase + 500)), "", 0);
      pupils.run_key(op::kSetKeyKey, kByNumber);
      for (int i = 0; i < 5 && pupils.run(op::kNext) == 0; ++i) {
      }
    }
  }
  return pupils.run(op::kClose) == 0 ? 0 : 4;
}

TEST(OpsStress, StationsChangingOneTableAtOnceLoseNothing) {
  testing_support::TempDir dir;
  const std::string path = dir.file("pupils.tps");
  {
    Pupils creator(path);
    creator.create_and_open();
    for (int32_t k = 1; k <= kCounters; ++k) ASSERT_EQ(creator.add(k, "Contador " + std::to_string(k), 0), 0);
    ASSERT_EQ(creator.run(op::kClose), 0);
  }
  std::vector<std::unique_ptr<testing::ChildStation>> stations;
  for (int s = 1; s <= kStations; ++s) {
    const std::string journal = dir.file("journal" + std::to_string(s));
    stations.push_back(std::make_unique<testing::ChildStation>(
        [&, s, journal](testing::ChildStation::Handshake&) { return run_station(path, journal, s); }));
  }
  for (auto& station : stations) EXPECT_EQ(station->finish(), 0);

  std::map<int32_t, int> increments;
  std::map<int32_t, bool> own;
  for (int s = 1; s <= kStations; ++s) {
    Journal journal = read_journal(dir.file("journal" + std::to_string(s)));
    for (auto [k, n] : journal.increments) increments[k] += n;
    own.insert(journal.own.begin(), journal.own.end());
  }

  // Every increment seen committed is there, and none more.
  Pupils pupils(path);
  ASSERT_EQ(pupils.open(), 0);
  int total_increments = 0;
  for (int32_t k = 1; k <= kCounters; ++k) {
    ASSERT_TRUE(get_number(pupils, k));
    EXPECT_EQ(pupils.klass(), increments[k]) << "counter " << k;
    total_increments += increments[k];
  }
  EXPECT_GT(total_increments, 0);
  size_t own_left = 0;
  for (auto [number, present] : own) {
    EXPECT_EQ(get_number(pupils, number), present) << "pupil " << number;
    own_left += present ? 1 : 0;
  }
  EXPECT_EQ(pupils.records(), kCounters + own_left);
  ASSERT_EQ(pupils.run(op::kClose), 0);

  // The structure is sound and every key holds exactly one entry per record.
  testing::Station reader(os::real_file_system(), path, false);
  ASSERT_EQ(reader.open_error(), 0);
  const testing::Records records = reader.read_all();
  EXPECT_TRUE(reader.last_report().consistent()) << testing::problems_of(reader.last_report());
  std::map<int, size_t> entries;  // key number, or 0xF3 for data records
  for (const auto& [key, data] : records) {
    const RecordKeyParts parts = decode_record_key(reinterpret_cast<const uint8_t*>(key.data()), key.size());
    if (parts.kind == RecordKind::kData) ++entries[0xF3];
    if (parts.kind == RecordKind::kKey) ++entries[parts.type];
  }
  const size_t data_records = kCounters + own_left;
  EXPECT_EQ(entries[0xF3], data_records);
  for (int key = 0; key < 3; ++key) EXPECT_EQ(entries[key], data_records) << "key " << key;
}

}  // namespace
}  // namespace tps
