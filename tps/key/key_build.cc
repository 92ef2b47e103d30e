#include "tps/key/key_build.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "tps/base/bytes.h"
#include "tps/commit/commit.h"
#include "tps/errors/errors.h"
#include "tps/errors/os_error.h"
#include "tps/key/key_search.h"
#include "tps/key/key_sorter.h"
#include "tps/table/record_keys.h"
#include "tps/table/record_text.h"

namespace tps {
namespace {

constexpr uint32_t kFirstRecord = 1;
constexpr int kFullPercent = 100;

// Spreads the requested number of reports over the build's work: reading
// every record from the start, then inserting every sorted entry.
class ProgressMeter {
 public:
  ProgressMeter(const BuildProgress& progress, uint64_t expected_records)
      : progress_(progress), total_(std::max<uint64_t>(1, 2 * expected_records)) {
    if (progress_.events > 0 && progress_.report) step_ = std::max<uint64_t>(1, total_ / uint64_t(progress_.events));
    next_report_ = step_;
  }

  // Counts one unit of work. Returns false when the build is to stop.
  bool tick() {
    ++done_;
    if (step_ == 0 || done_ < next_report_) return true;
    next_report_ = done_ + step_;
    return report(static_cast<int>(std::min<uint64_t>(kFullPercent, done_ * kFullPercent / total_)));
  }

  // Reports completion when the counted work fell short of the expected
  // (records blank for OPT, a table count that was off).
  void finish() {
    if (step_ != 0 && last_percent_ < kFullPercent) report(kFullPercent);
  }

 private:
  bool report(int percent) {
    last_percent_ = percent;
    return progress_.report(percent);
  }

  const BuildProgress& progress_;
  uint64_t total_;              // units of work expected: two per record
  uint64_t step_ = 0;           // units between reports; 0: no reports
  uint64_t done_ = 0;
  uint64_t next_report_ = 0;
  int last_percent_ = -1;
};

class KeyBuild {
 public:
  explicit KeyBuild(const KeyBuildJob& job)
      : job_(job), key_(*job.key), store_{*job.key_tree, job.table_number, *job.key},
        sorter_(key_.value_length + kRecordNumberLength, job.sort_files ? *job.sort_files : os::real_file_system(),
                job.sort_directory.empty() ? default_sort_directory() : job.sort_directory),
        entry_(key_.value_length + kRecordNumberLength) {}

  int run() {
    std::optional<uint32_t> start = starting_record();
    if (!start) return error::kNone;
    start_ = *start;
    count_ = keep_entries_below_start();
    started_empty_ = count_ == 0 && !key_.is_dynamic() && (key_.is_index() || job_.full_build);
    ProgressMeter meter(job_.progress, job_.table_records);
    int error = sort_records(meter);
    if (error == error::kNone) error = insert_sorted(meter);
    if (error == error::kNone) meter.finish();
    int checkpoint_error = checkpoint(final_mark(error));
    if (error != error::kNone) return error;
    if (checkpoint_error != error::kNone) return checkpoint_error;
    return lowest_duplicate_ ? error::kCreatesDuplicateKey : error::kNone;
  }

 private:
  std::optional<uint32_t> starting_record() {
    if (key_.is_dynamic() || job_.full_build) return kFirstRecord;
    uint32_t mark = job_.counters->mark(key_.number);
    if (mark == 0) return std::nullopt;
    return mark;
  }

  // Removes the entries an INDEX or a full build rebuilds, and returns the
  // entry count the build starts from.
  uint32_t keep_entries_below_start() {
    if (key_.is_dynamic()) return 0;
    if (!key_.is_index() && !job_.full_build) return job_.counters->count(key_.number);
    return remove_entries(store_, [&](uint32_t record) { return record >= start_; });
  }

  // Reads the data records from the start on into the table's buffer and
  // hands the entries of the ones the key holds to the sort.
  int sort_records(ProgressMeter& meter) {
    Bytes bound = data_record_key(job_.table_number, start_ - 1);
    RecordRef previous;
    for (;;) {
      RecordRef ref = job_.data_tree->find_first_after(bound.data(), bound.size(), previous ? &previous : nullptr);
      if (!ref) break;
      RecordKeyParts parts = decode_record_key(ref.record->bytes(), ref.record->key_length);
      if (parts.kind != RecordKind::kData || parts.table != job_.table_number) break;
      load_record(*ref.record);
      if (accepts_record()) {
        encode_key_value(key_, job_.collation, job_.record_buffer, entry_.data());
        store_u32be(entry_.data() + key_.value_length, parts.record);
        if (int os_error = sorter_.add(entry_.data())) return engine_error_from_os(os_error);
      }
      if (!meter.tick()) return cancel();
      previous = ref;
      bound.assign(ref.record->bytes(), ref.record->bytes() + ref.record->key_length);
    }
    return error::kNone;
  }

  // The stored record in the table's buffer, as a read gives it.
  void load_record(const RecordNode& record) {
    size_t stored = std::min<size_t>(record.data_length(), job_.record_length);
    std::memcpy(job_.record_buffer, record.data(), stored);
    std::memset(job_.record_buffer + stored, 0, job_.record_length - stored);
    if (job_.oem && job_.fields) record_text_to_ansi(*job_.fields, job_.record_buffer, job_.record_length);
  }

  bool accepts_record() const {
    if (is_blank_for_opt(key_, job_.record_buffer)) return false;
    return !job_.filter || job_.filter(job_.record_buffer);
  }

  int insert_sorted(ProgressMeter& meter) {
    if (int os_error = sorter_.finish()) return engine_error_from_os(os_error);
    int os_error = 0;
    while (const uint8_t* sorted = sorter_.next(&os_error)) {
      uint32_t record_number = load_u32be(sorted + key_.value_length);
      KeyRecord entry = key_record_from_value(job_.table_number, key_, sorted, record_number);
      insert_unless_present(entry);
      if (job_.key_file->cache().dirty().size() >= kBuildCheckpointPages) {
        if (int error = checkpoint(start_)) return error;
      }
      if (!meter.tick()) return cancel();
    }
    return os_error ? engine_error_from_os(os_error) : error::kNone;
  }

  void insert_unless_present(const KeyRecord& entry) {
    std::optional<KeyRecord> present =
        started_empty_ ? last_inserted_if_same(entry) : tps::insert_unless_present(store_, entry);
    if (present) {
      uint32_t record_number = entry.record_number();
      if (!key_.dup() && present->record_number() != record_number &&
          (lowest_duplicate_ == 0 || record_number < lowest_duplicate_))
        lowest_duplicate_ = record_number;
      return;
    }
    if (started_empty_) {
      job_.key_tree->insert(entry.data(), static_cast<uint16_t>(entry.length()),
                            static_cast<uint16_t>(entry.key_length));
      last_inserted_ = entry;
    }
    ++count_;
  }

  // A build that started from an empty key only ever meets its own entries,
  // in sorted order, so the one stored entry that can have `entry`'s key
  // part is the last it inserted: no search needed. The build holds the
  // file's update lock throughout, checkpoints included, so no other
  // station adds entries meanwhile.
  std::optional<KeyRecord> last_inserted_if_same(const KeyRecord& entry) const {
    if (last_inserted_ && last_inserted_->same_key_part(entry)) return last_inserted_;
    return std::nullopt;
  }

  int cancel() {
    cancelled_ = true;
    return error::kBuildCancelled;
  }

  // The mark the key keeps: where entries may be missing.
  uint32_t final_mark(int error) const {
    // Nothing of a stopped build is known complete past its start: the
    // sorted entries go in in key order, not record order.
    if (cancelled_ || error != error::kNone) return start_;
    return lowest_duplicate_;
  }

  // Stores the count and `mark` and commits the key's store.
  int checkpoint(uint32_t mark) {
    job_.counters->set_count(key_.number, count_);
    job_.counters->set_mark(key_.number, mark, false);
    if (job_.private_store) return error::kNone;
    return commit(*job_.key_file);  // 0 or the engine's write error
  }

  const KeyBuildJob& job_;
  const KeyDescriptor& key_;
  KeyStore store_;
  KeySorter sorter_;
  std::vector<uint8_t> entry_;  // value and record number of the record being read
  uint32_t start_ = kFirstRecord;
  uint32_t count_ = 0;
  uint32_t lowest_duplicate_ = 0;
  bool cancelled_ = false;
  bool started_empty_ = false;                // no entries of the key were kept
  std::optional<KeyRecord> last_inserted_;    // when started empty
};

}  // namespace

int build_key(const KeyBuildJob& job) { return KeyBuild(job).run(); }

}  // namespace tps
