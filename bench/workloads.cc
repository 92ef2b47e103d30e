#include "bench/workloads.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

#include "bench/disk_limit.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint64_t kLoadSeed = 1;
constexpr uint64_t kFindSeed = 2;
constexpr uint64_t kCommitSeed = 3;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double process_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Times the measured part of a workload: wall time, and processor time,
// which other processes on a busy machine disturb less.
class Stopwatch {
 public:
  Stopwatch() : wall_(Clock::now()), cpu_(process_cpu_seconds()) {}
  void stop_into(WorkloadResult& result) const {
    result.seconds = seconds_since(wall_);
    result.cpu_seconds = process_cpu_seconds() - cpu_;
  }

 private:
  Clock::time_point wall_;
  double cpu_;
};

// Opens the file; on failure the result carries the reason.
bool opened(Store& store, const std::string& path, WorkloadResult& result) {
  result.error = store.open(path);
  return result.error.empty();
}

void close_into(Store& store, WorkloadResult& result) {
  std::string error = store.close();
  if (result.error.empty()) result.error = error;
}

double median(std::vector<double>& samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

double percentile_99(std::vector<double>& samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  return samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
}

}  // namespace

uint64_t bytes_on_disk(const std::vector<std::string>& paths) {
  uint64_t total = 0;
  for (const std::string& p : paths) {
    struct stat st;
    if (::stat(p.c_str(), &st) == 0) total += uint64_t(st.st_size);
  }
  return total;
}

WorkloadResult load(Store& store, const std::string& path, uint32_t count, uint32_t batch,
                    Order order) {
  WorkloadResult result;
  for (const std::string& f : store.files_of(path)) ::unlink(f.c_str());  // a new file
  if (!opened(store, path, result)) return result;
  std::vector<uint32_t> rows = visiting_order(count, order, kLoadSeed);
  Stopwatch stopwatch;
  for (uint32_t done = 0; done < count && result.error.empty();) {
    result.error = store.begin();
    uint32_t end = std::min(count, done + batch);
    for (; done < end && result.error.empty(); ++done) {
      Record record = make_record(loaded_number(rows[done]));
      result.error = store.put(record.data(), kRecordLength, kKeyLength);
    }
    if (result.error.empty()) result.error = store.commit();
  }
  stopwatch.stop_into(result);
  result.operations = count;
  close_into(store, result);
  result.bytes_on_disk = bytes_on_disk(store.files_of(path));
  return result;
}

WorkloadResult find_every_key(Store& store, const std::string& path, uint32_t count) {
  WorkloadResult result;
  if (!opened(store, path, result)) return result;
  std::vector<uint32_t> rows = visiting_order(count, Order::random, kFindSeed);
  // The expected checksums are computed before timing starts.
  std::vector<uint64_t> expected(count);
  for (uint32_t i = 0; i < count; ++i) expected[i] = expected_checksum(loaded_number(rows[i]));
  uint8_t key[kKeyLength];
  uint32_t found = 0;
  uint32_t wrong = 0;
  Stopwatch stopwatch;
  for (uint32_t i = 0; i < count && result.error.empty(); ++i) {
    make_key(loaded_number(rows[i]), key);
    uint64_t checksum = 0;
    if (store.find(key, kKeyLength, &checksum, &result.error)) {
      ++found;
      wrong += checksum != expected[i];
    }
  }
  stopwatch.stop_into(result);
  result.operations = count;
  if (result.error.empty() && (found != count || wrong != 0)) {
    result.error = "found " + std::to_string(found) + " of " + std::to_string(count) + " keys, " +
                   std::to_string(wrong) + " with wrong data";
  }
  close_into(store, result);
  return result;
}

WorkloadResult scan_in_order(Store& store, const std::string& path, uint32_t count) {
  WorkloadResult result;
  if (!opened(store, path, result)) return result;
  uint32_t seen = 0;
  bool in_order = true;
  uint8_t previous[kKeyLength] = {};
  uint64_t sum = 0;
  Stopwatch stopwatch;
  result.error = store.scan([&](const uint8_t* key, size_t key_length, const uint8_t* data,
                                size_t data_length) {
    if (key_length != kKeyLength || (seen > 0 && std::memcmp(previous, key, kKeyLength) >= 0)) {
      in_order = false;
    }
    if (key_length == kKeyLength) std::memcpy(previous, key, kKeyLength);
    sum += data_checksum(data, data_length);
    ++seen;
  });
  stopwatch.stop_into(result);
  result.operations = seen;
  uint64_t expected_sum = 0;
  for (uint32_t i = 0; i < count; ++i) expected_sum += expected_checksum(loaded_number(i));
  if (result.error.empty() && (seen != count || !in_order || sum != expected_sum)) {
    result.error = "scan saw " + std::to_string(seen) + " of " + std::to_string(count) +
                   " records" + (in_order ? "" : ", out of order") +
                   (sum == expected_sum ? "" : ", wrong data");
  }
  close_into(store, result);
  return result;
}

WorkloadResult single_record_commits(Store& store, const std::string& path, uint32_t loaded,
                                     uint32_t commits, const std::string& probe_directory) {
  WorkloadResult result;
  FlushProbe probe;
  result.error = probe.open(probe_directory);
  if (!result.error.empty() || !opened(store, path, result)) return result;
  // New keys spread over the whole file: each commit touches its own leaf.
  std::vector<uint32_t> rows = visiting_order(commits, Order::random, kCommitSeed);
  const uint32_t spread = std::max<uint32_t>(1, loaded / std::max<uint32_t>(1, commits));
  std::vector<double> samples;
  std::vector<double> flushes;
  samples.reserve(commits);
  flushes.reserve(commits);
  Stopwatch stopwatch;
  for (uint32_t i = 0; i < commits && result.error.empty(); ++i) {
    Record record = make_record(gap_number(rows[i] * spread));
    Clock::time_point one = Clock::now();
    result.error = store.begin();
    if (result.error.empty()) result.error = store.put(record.data(), kRecordLength, kKeyLength);
    if (result.error.empty()) result.error = store.commit();
    double seconds = seconds_since(one);
    samples.push_back(seconds);
    result.seconds += seconds;
    double flush = probe.flush_once();
    if (flush < 0 && result.error.empty()) result.error = probe.error();
    flushes.push_back(flush);
    result.flush_seconds += flush;
  }
  double wall = result.seconds;
  stopwatch.stop_into(result);
  result.seconds = wall;  // the commits only, without the probe flushes
  result.operations = uint32_t(samples.size());
  result.flushes = uint32_t(flushes.size());
  result.median_seconds = median(samples);
  result.p99_seconds = percentile_99(samples);
  result.flush_median_seconds = median(flushes);
  close_into(store, result);
  return result;
}

WorkloadResult load_key_table(KeyTableStore& store, const std::string& path, uint32_t count,
                              uint32_t batch) {
  WorkloadResult result;
  for (const std::string& f : store.files_of(path)) ::unlink(f.c_str());  // a new file
  result.error = store.open(path, /*create=*/true);
  if (!result.error.empty()) return result;
  Stopwatch stopwatch;
  for (uint32_t done = 0; done < count && result.error.empty();) {
    result.error = store.begin();
    uint32_t end = std::min(count, done + batch);
    for (; done < end && result.error.empty(); ++done) result.error = store.add(make_key_row(done));
    if (result.error.empty()) result.error = store.commit();
  }
  stopwatch.stop_into(result);
  result.operations = count;
  std::string closed = store.close();
  if (result.error.empty()) result.error = closed;
  result.bytes_on_disk = bytes_on_disk(store.files_of(path));
  return result;
}

WorkloadResult build_table_key(KeyTableStore& store, const std::string& path, BuiltKey key,
                               uint32_t count) {
  WorkloadResult result;
  result.error = store.open(path, /*create=*/false);
  if (!result.error.empty()) return result;
  Stopwatch stopwatch;
  result.error = store.build(key, &result.build);
  stopwatch.stop_into(result);
  result.operations = count;
  if (result.error.empty()) result.error = store.check_built(key, count);
  std::string closed = store.close();
  if (result.error.empty()) result.error = closed;
  result.bytes_on_disk = bytes_on_disk(store.files_of(path));
  return result;
}

}  // namespace bench
