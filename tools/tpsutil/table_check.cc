#include "table_check.h"

#include <algorithm>
#include <map>

#include "read_only_file.h"
#include "record_decoder.h"
#include "tps/base/bytes.h"
#include "tps/errors/errors.h"
#include "tps/key/key_descriptor.h"
#include "tps/key/key_record.h"
#include "tps/table/memo_chunks.h"
#include "tps/table/record_keys.h"

namespace tpsutil {

namespace {

// Problems listed per table; a badly damaged table says how many more it has.
constexpr size_t kMaxListedProblems = 50;
// Record numbers listed in one problem.
constexpr size_t kMaxListedRecords = 5;

using Entries = std::vector<tps::Bytes>;

uint32_t entry_record(const tps::Bytes& entry) { return tps::load_u32be(entry.data() + entry.size() - 4); }

std::string record_list(const std::vector<uint32_t>& records) {
  std::string text;
  for (size_t i = 0; i < records.size() && i < kMaxListedRecords; ++i) text += (i ? ", " : "") + std::to_string(records[i]);
  if (records.size() > kMaxListedRecords) text += ", ... (" + std::to_string(records.size()) + " in all)";
  return text;
}

// The chunks of one memo of one record, followed as they come in key order.
struct MemoRun {
  uint32_t record = 0;
  uint8_t memo = 0;
  uint32_t next_sequence = 0;  // the sequence number the next chunk must carry
  uint64_t bytes = 0;          // chunk bytes so far
  uint32_t blob_size = 0;      // the size a BLOB's first chunk gives
  bool blob_size_read = false;
  bool gap_reported = false;
};

class TableChecker {
 public:
  TableChecker(tps::FileObject& file, const TableView& table, TableFindings& findings)
      : tree_(file), table_(table), layout_(table.layout), findings_(findings) {}

  void run() {
    if (!table_.readable()) {
      problem("the stored definition cannot be used: " + table_error_text(table_));
      return;
    }
    if (!table_.has_locale) note("no locale record: keys are read with the default collation and text as ANSI");
    const tps::DeclarationResult keys = tps::build_key_descriptors(layout_, keys_);
    if (!keys.ok()) {
      problem("the keys cannot be checked: " + declaration_error_text(keys));
      keys_.clear();
    }
    key_entries_.assign(layout_.keys.size(), 0);
    survey();
    findings_.records = uint32_t(records_.size());
    check_counters();
    for (const tps::KeyDescriptor& key : keys_) check_key(key);
  }

  void problem(std::string text) {
    if (findings_.problems.size() < kMaxListedProblems) {
      findings_.problems.push_back(std::move(text));
    } else {
      ++unlisted_;
    }
  }

  void finish() {
    if (unlisted_) findings_.problems.push_back(std::to_string(unlisted_) + " more problems not listed");
  }

 private:
  void note(std::string text) { findings_.notes.push_back(std::move(text)); }

  std::string key_name(size_t key) const {
    return "key " + std::to_string(key + 1) + " " + shown_name(layout_.keys[key].label);
  }
  std::string memo_name(uint8_t memo) const {
    return "memo " + std::to_string(memo + 1) + " " + memo_label(layout_.memos[memo]);
  }
  bool record_exists(uint32_t record) const { return std::binary_search(records_.begin(), records_.end(), record); }

  // --- One pass over every record of the table -------------------------------

  void survey() {
    for_each_record(tree_, tps::table_key_prefix(table_.number), [this](const tps::RecordRef& ref) {
      const tps::RecordNode& r = *ref.record;
      const tps::RecordKeyParts parts = tps::decode_record_key(r.bytes(), r.key_length);
      switch (parts.kind) {
        case tps::RecordKind::kKey: see_key_entry(parts.type); break;
        case tps::RecordKind::kData: see_data_record(parts.record, r.data_length()); break;
        case tps::RecordKind::kCounter: see_counter(parts.index, r.data(), r.data_length()); break;
        case tps::RecordKind::kLocale:
          if (r.data_length() != tps::kLocaleDataLength) problem("the locale record is damaged");
          break;
        case tps::RecordKind::kMemo: see_memo_chunk(parts, r.data(), r.data_length()); break;
        case tps::RecordKind::kDefinition: break;
        default: ++unknown_records_; break;
      }
      return true;
    });
    end_memo_run();
    for (const auto& [key, count] : undeclared_key_entries_)
      problem(std::to_string(count) + " entries of key number " + std::to_string(key + 1) +
              ", which the table does not declare");
    if (unknown_records_) problem(std::to_string(unknown_records_) + " records of a type a table cannot hold");
    if (!short_records_.empty())
      problem("data records whose length is not the record length " + std::to_string(layout_.record_length) + ": " +
              record_list(short_records_));
  }

  void see_key_entry(uint8_t key) {
    if (key < key_entries_.size()) {
      ++key_entries_[key];
    } else {
      ++undeclared_key_entries_[key];
    }
  }

  void see_data_record(uint32_t record, size_t length) {
    records_.push_back(record);  // key order is record number order
    if (length != layout_.record_length) short_records_.push_back(record);
  }

  void see_counter(uint8_t index, const uint8_t* data, size_t length) {
    const std::optional<tps::CounterValues> values = tps::decode_counter_data(data, length);
    if (!values) {
      problem("the counter record " + counter_name(index) + " is damaged");
      return;
    }
    counters_[index] = Counter{values->count, values->mark};
  }

  std::string counter_name(uint8_t index) const {
    if (index == tps::kTableCounterIndex) return "of the table";
    return index < layout_.keys.size() ? "of " + key_name(index) : "of key number " + std::to_string(index + 1);
  }

  // --- Memo chunks -------------------------------------------------------

  void see_memo_chunk(const tps::RecordKeyParts& parts, const uint8_t* data, size_t length) {
    if (!run_ || run_->record != parts.record || run_->memo != parts.memo) {
      end_memo_run();
      run_ = MemoRun{parts.record, parts.memo};
      start_memo_run();
    }
    MemoRun& run = *run_;
    if (parts.sequence != run.next_sequence && !run.gap_reported && run_known_) {
      problem(memo_name(run.memo) + " of record " + std::to_string(run.record) + ": chunk " +
              std::to_string(parts.sequence) + " where chunk " + std::to_string(run.next_sequence) +
              " should be (the chunks must run 0, 1, 2, ... without a gap)");
      run.gap_reported = true;
    }
    if (parts.sequence == 0 && length >= tps::kBlobSizePrefixLength) {
      run.blob_size = tps::load_u32le(data);
      run.blob_size_read = true;
    }
    run.next_sequence = uint32_t(parts.sequence) + 1;
    run.bytes += length;
  }

  // A new memo: chunks of a record or memo the table does not have are
  // reported once per record, not per chunk.
  void start_memo_run() {
    const MemoRun& run = *run_;
    run_known_ = false;
    if (!record_exists(run.record)) {
      if (run.record != last_orphan_record_) orphan_records_.push_back(run.record);
      last_orphan_record_ = run.record;
      return;
    }
    if (run.memo >= layout_.memos.size()) {
      problem("memo chunks of memo number " + std::to_string(run.memo + 1) + " in record " +
              std::to_string(run.record) + ", which the table does not declare");
      return;
    }
    run_known_ = true;
  }

  void end_memo_run() {
    if (!run_ || !run_known_) {
      run_.reset();
      return;
    }
    const MemoRun& run = *run_;
    const tps::MemoDeclaration& memo = layout_.memos[run.memo];
    const std::string where = memo_name(run.memo) + " of record " + std::to_string(run.record);
    if (!memo.is_blob() && run.bytes > memo.size) {
      problem(where + " holds " + std::to_string(run.bytes) + " bytes, more than its declared size " +
              std::to_string(memo.size));
    }
    if (memo.is_blob() && !run.gap_reported) {
      if (!run.blob_size_read) {
        problem(where + ": the first chunk is too short to hold the BLOB's size");
      } else if (run.bytes - tps::kBlobSizePrefixLength != run.blob_size) {
        problem(where + ": the chunks hold " + std::to_string(run.bytes - tps::kBlobSizePrefixLength) +
                " bytes where the BLOB's size says " + std::to_string(run.blob_size));
      }
    }
    run_.reset();
  }

  // --- Counters ------------------------------------------------------------

  void check_counters() {
    if (!orphan_records_.empty())
      problem("memo chunks of records that do not exist: " + record_list(orphan_records_));
    const auto table = counters_.find(tps::kTableCounterIndex);
    if (table == counters_.end()) {
      if (!damaged_counter(tps::kTableCounterIndex)) problem("the table has no counter record");
    } else if (table->second.count != records_.size()) {
      problem("the table's counter says " + std::to_string(table->second.count) + " records; the table holds " +
              std::to_string(records_.size()));
    }
    for (size_t k = 0; k < layout_.keys.size(); ++k) {
      if (layout_.keys[k].has(tps::key_attr::kDynamic)) continue;
      const auto counter = counters_.find(uint8_t(k));
      if (counter == counters_.end()) {
        if (!damaged_counter(uint8_t(k))) problem(key_name(k) + " has no counter record");
        continue;
      }
      if (counter->second.count != key_entries_[k])
        problem(key_name(k) + ": its counter says " + std::to_string(counter->second.count) +
                " entries; the key holds " + std::to_string(key_entries_[k]));
      if (counter->second.mark != 0)
        note(key_name(k) + " is out of date from record " + std::to_string(counter->second.mark) +
             " (a BUILD of the key completes it)");
    }
    for (const auto& [index, values] : counters_) {
      if (index != tps::kTableCounterIndex && index >= layout_.keys.size())
        problem("a counter record of key number " + std::to_string(index + 1) + ", which the table does not declare");
    }
  }

  // A counter record that exists but was reported damaged is not also missing.
  bool damaged_counter(uint8_t index) {
    const tps::Bytes key = tps::counter_record_key(table_.number, index);
    return static_cast<bool>(tree_.find_exact(key.data(), key.size()));
  }

  // --- Keys ----------------------------------------------------------------

  void check_key(const tps::KeyDescriptor& key) {
    const size_t k = key.number;
    if (key.is_dynamic()) {
      note(key_name(k) + " is a dynamic index: its entries are built on demand and not kept in the file");
      return;
    }
    Entries expected = expected_entries(key);
    Entries stored = stored_entries(key);
    std::sort(expected.begin(), expected.end());
    std::sort(stored.begin(), stored.end());
    if (!key.dup()) report_shared_values(key, expected);

    const auto counter = counters_.find(uint8_t(k));
    const uint32_t mark = counter == counters_.end() ? 0 : counter->second.mark;
    auto exempt = [mark](const tps::Bytes& entry) { return mark != 0 && entry_record(entry) >= mark; };

    Entries missing, extra;
    std::set_difference(expected.begin(), expected.end(), stored.begin(), stored.end(), std::back_inserter(missing));
    std::set_difference(stored.begin(), stored.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    std::vector<uint32_t> missing_records, extra_records;
    for (const tps::Bytes& entry : missing)
      if (!exempt(entry)) missing_records.push_back(entry_record(entry));
    for (const tps::Bytes& entry : extra)
      if (!(key.is_index() && exempt(entry))) extra_records.push_back(entry_record(entry));
    std::sort(missing_records.begin(), missing_records.end());
    std::sort(extra_records.begin(), extra_records.end());
    if (!missing_records.empty()) problem(key_name(k) + ": no entry for records " + record_list(missing_records));
    if (!extra_records.empty()) problem(key_name(k) + ": " + extra_text(extra_records));
  }

  std::string extra_text(const std::vector<uint32_t>& records) const {
    std::vector<uint32_t> gone;
    for (uint32_t record : records)
      if (!record_exists(record)) gone.push_back(record);
    std::string text = std::to_string(records.size()) + " entries that no data record gives, for records " +
                       record_list(records);
    if (!gone.empty()) text += "; records that do not exist: " + record_list(gone);
    return text;
  }

  // Two records with one value in a key without duplicates: only one can
  // have its entry, so say why the other is missing.
  void report_shared_values(const tps::KeyDescriptor& key, const Entries& sorted) {
    const size_t part = key.key_part_length();
    for (size_t i = 1; i < sorted.size(); ++i) {
      if (std::equal(sorted[i].begin(), sorted[i].begin() + part, sorted[i - 1].begin()))
        problem(key_name(key.number) + ": records " + std::to_string(entry_record(sorted[i - 1])) + " and " +
                std::to_string(entry_record(sorted[i])) + " have the same value in a key without duplicates");
    }
  }

  // The entries every data record gives, built as a write builds them.
  Entries expected_entries(const tps::KeyDescriptor& key) {
    Entries entries;
    const tps::KeyCollation collation{&table_.locale, table_.oem};
    for_each_record(tree_, tps::typed_key_prefix(table_.number, tps::record_type::kData), [&](const tps::RecordRef& ref) {
      const tps::RecordKeyParts parts = tps::decode_record_key(ref.record->bytes(), ref.record->key_length);
      if (parts.kind != tps::RecordKind::kData) return true;
      const tps::Bytes buffer = record_buffer(table_, ref.record->data(), ref.record->data_length());
      if (!tps::is_blank_for_opt(key, buffer.data()))
        entries.push_back(tps::make_key_record(table_.number, key, collation, buffer.data(), parts.record).bytes);
      return true;
    });
    return entries;
  }

  // The key's stored entries. Entries whose length or key part does not fit
  // the key cannot be compared and are reported as damaged.
  Entries stored_entries(const tps::KeyDescriptor& key) {
    Entries entries;
    size_t misfits = 0;
    for_each_record(tree_, tps::key_prefix(table_.number, key.number), [&](const tps::RecordRef& ref) {
      const tps::RecordNode& r = *ref.record;
      if (r.length != key.record_length() || r.key_length != key.key_part_length()) {
        ++misfits;
        return true;
      }
      entries.emplace_back(r.bytes(), r.bytes() + r.length);
      return true;
    });
    if (misfits)
      problem(key_name(key.number) + ": " + std::to_string(misfits) +
              " entries whose length does not fit the key (damaged, or written for another definition)");
    return entries;
  }

  tps::PageTree tree_;
  const TableView& table_;
  const tps::TableDeclaration& layout_;
  TableFindings& findings_;
  std::vector<tps::KeyDescriptor> keys_;

  std::vector<uint32_t> records_;           // data record numbers, ascending
  std::vector<uint32_t> short_records_;     // data records of another length
  std::vector<uint32_t> key_entries_;       // entries stored per declared key
  std::map<uint8_t, uint32_t> undeclared_key_entries_;
  std::map<uint8_t, Counter> counters_;     // readable counter records by index
  size_t unknown_records_ = 0;
  std::optional<MemoRun> run_;
  bool run_known_ = false;                  // the run's record and memo exist
  std::vector<uint32_t> orphan_records_;
  uint32_t last_orphan_record_ = 0;
  size_t unlisted_ = 0;
};

}  // namespace

TableFindings check_table(tps::FileObject& file, const TableView& table) {
  TableFindings findings;
  findings.name = shown_name(table.name);
  findings.number = table.number;
  TableChecker checker(file, table, findings);
  try {
    checker.run();
  } catch (const std::exception& failure) {
    checker.problem("reading stopped: " + describe_failure(failure));
  }
  checker.finish();
  return findings;
}

std::vector<std::string> check_table_numbers(tps::FileObject& file, const std::vector<TableView>& tables) {
  std::vector<std::string> problems;
  std::map<uint32_t, std::vector<std::string>> names_by_number;
  for (const TableView& table : tables)
    if (table.error != tps::error::kInvalidDataFile) names_by_number[table.number].push_back(shown_name(table.name));
  for (const auto& [number, names] : names_by_number) {
    if (names.size() > 1)
      problems.push_back("tables " + names[0] + " and " + names[1] + " share the table number " + std::to_string(number));
  }
  if (file.header().change_counter() == 0) return problems;
  try {
    // One descent per table number present: the first record after each
    // number's last possible key.
    tps::PageTree tree(file);
    tps::Bytes probe;
    bool short_key_reported = false;
    for (tps::RecordRef ref = tree.find_first_after(probe.data(), probe.size()); ref;) {
      const tps::RecordNode& r = *ref.record;
      if (tps::compare_keys(r.bytes(), r.key_length, probe.data(), probe.size()) <= 0) throw DisorderedRecords();
      if (r.key_length == 0 || r.bytes()[0] >= tps::record_type::kTableName) break;  // file-wide records follow
      if (r.key_length < tps::kTableNumberLength) {
        if (!short_key_reported) problems.push_back("records whose keys are too short for a table number");
        short_key_reported = true;
        probe.assign(r.bytes(), r.bytes() + r.key_length);
        ref = tree.find_first_after(probe.data(), probe.size());
        continue;
      }
      const uint32_t number = tps::load_u32be(r.bytes());
      if (!names_by_number.count(number))
        problems.push_back("records of table number " + std::to_string(number) + ", which no table name refers to");
      if (number == 0xFFFFFFFF) break;
      probe = tps::table_key_prefix(number + 1);
      ref = tree.find_first_after(probe.data(), probe.size());
    }
  } catch (const std::exception& failure) {
    problems.push_back("the table numbers cannot be surveyed: " + describe_failure(failure));
  }
  return problems;
}

}  // namespace tpsutil
