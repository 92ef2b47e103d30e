#include "bench/engine_key_table.h"

#include <chrono>
#include <optional>

#include "bench/counting_file_system.h"
#include "bench/engine_file.h"
#include "platform/os/file_system.h"
#include "tps/base/bytes.h"
#include "tps/commit/commit.h"
#include "tps/errors/fault.h"
#include "tps/key/key_build.h"
#include "tps/key/key_descriptor.h"
#include "tps/key/key_maintenance.h"
#include "tps/key/locale_block.h"
#include "tps/options/table_name.h"
#include "tps/page/file_object.h"
#include "tps/table/declaration_limits.h"
#include "tps/table/record_keys.h"
#include "tps/table/table_catalog.h"
#include "tps/table/table_records.h"
#include "tps/tree/page_tree.h"

namespace bench {

namespace {

// A report at every percent; the first at 50 or more ends the reading half.
constexpr int kProgressEvents = 100;
constexpr int kReadingDonePercent = 50;

class EngineKeyTable : public KeyTableStore {
 public:
  explicit EngineKeyTable(std::string sort_directory) : sort_directory_(std::move(sort_directory)) {}

  std::string open(const std::string& path, bool create) override {
    file_.emplace(table_files_, path);
    tps::OpenOptions options;
    options.write = true;
    options.create = create;
    options.share = os::Share::deny_none;
    try {
      if (std::string error = error_text("open", file_->open(options)); !error.empty()) return error;
      if (std::string error = begin(); !error.empty()) return error;
      std::string error = create ? create_table() : open_table();
      if (error.empty()) error = bind();
      std::string ended = error_text("end of open", file_->end_operation());
      return error.empty() ? ended : error;
    } catch (const tps::EngineFault& f) {
      abandon();
      return fault_text(f);
    }
  }

  std::string begin() override {
    try {
      file_->switch_to_update_mode();
      return error_text("header refresh", file_->refresh_header());
    } catch (const tps::EngineFault& f) {
      return fault_text(f);
    }
  }

  // As APPEND writes a record: a new record number from the file's counter,
  // every key only marked out of date from it, the data record, the count.
  std::string add(const KeyRow& row) override {
    try {
      fill_key_record(row, buffer_);
      const uint32_t record = tps::load_u32be(file_->next_number().data());
      tps::PageTree tree(*file_);
      if (int error = tps::maintain_keys(table_keys(tree), buffer_, nullptr, record, /*append=*/true))
        return error_text("key maintenance", error);
      records_->write_data_record(record, buffer_);
      if (!records_->add_table_count(1)) return "the table's counter record is missing";
      return {};
    } catch (const tps::EngineFault& f) {
      abandon();
      return fault_text(f);
    }
  }

  std::string commit() override { return commit_engine_file(*file_); }

  std::string build(BuiltKey which, BuildFigures* figures) override {
    if (std::string error = begin(); !error.empty()) return error;
    try {
      const tps::KeyDescriptor& key = keys_[size_t(which)];
      if (records_->mark(key.number) == 0) {
        file_->end_operation();
        return "the key is already built: load the rows again";
      }
      tps::PageTree tree(*file_);
      tps::KeyBuildJob job;
      job.data_tree = &tree;
      job.table_number = table_number_;
      job.fields = &layout_.fields;
      job.oem = oem_;
      job.record_buffer = buffer_;
      job.record_length = kKeyRecordLength;
      job.table_records = records_->count(tps::kTableCounterIndex);
      job.collation = collation();
      job.key = &key;
      job.key_tree = &tree;
      job.key_file = &*file_;
      job.counters = &*records_;
      job.sort_files = &sort_files_;
      job.sort_directory = sort_directory_;
      // The build's progress reports mark the end of its first half: every
      // record read and sorted (reports of the second half count inserts).
      const auto start = std::chrono::steady_clock::now();
      job.progress.events = kProgressEvents;
      job.progress.report = [&](int percent) {
        if (percent >= kReadingDonePercent && figures->reading_seconds == 0)
          figures->reading_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return true;
      };
      const CountingFileSystem::Totals before = table_files_.totals();
      std::string error = error_text("build", tps::build_key(job));
      std::string ended = error_text("end of build", file_->end_operation());
      figures->sort_files = sort_files_.files_created();
      figures->sort_bytes = sort_files_.bytes_written();
      figures->table_bytes = table_files_.bytes_written() - before.bytes_written;
      figures->table_writes = table_files_.writes() - before.writes;
      figures->table_flushes = table_files_.flushes() - before.flushes;
      return error.empty() ? ended : error;
    } catch (const tps::EngineFault& f) {
      abandon();
      return fault_text(f);
    }
  }

  std::string check_built(BuiltKey which, uint32_t rows) override {
    std::string error = error_text("header refresh", file_->refresh_header());
    if (!error.empty()) return error;
    try {
      const uint8_t number = keys_[size_t(which)].number;
      const uint32_t mark = records_->mark(number);
      const uint32_t count = records_->count(number);
      if (mark != 0) {
        error = "the key is still out of date from record " + std::to_string(mark);
      } else if (count != rows) {
        error = "the key counts " + std::to_string(count) + " entries for " + std::to_string(rows) + " rows";
      }
      std::string ended = error_text("end of check", file_->end_operation());
      return error.empty() ? ended : error;
    } catch (const tps::EngineFault& f) {
      abandon();
      return fault_text(f);
    }
  }

  std::string close() override {
    records_.reset();
    return close_engine_file(file_);
  }

  std::vector<std::string> files_of(const std::string& path) const override { return {path}; }

 private:
  std::string create_table() {
    layout_ = key_table_declaration();
    tps::DeclarationResult checked = tps::check_declaration_limits(layout_);
    if (!checked.ok()) return error_text("declaration", checked.error);
    table_number_ = tps::create_table(*file_, tps::kUnnamedTable, layout_, tps::process_locale());
    oem_ = layout_.has(tps::table_attr::kOem);
    locale_ = tps::process_locale();
    return {};
  }

  std::string open_table() {
    layout_ = key_table_declaration();
    tps::OpenedTable opened = tps::open_table(*file_, tps::kUnnamedTable, layout_, /*decimal_check=*/false);
    if (opened.error) return error_text("table open", opened.error);
    table_number_ = opened.table_number;
    // The file's own code page and locale govern, as when the program opens it.
    oem_ = opened.stored_oem.value_or(layout_.has(tps::table_attr::kOem));
    locale_ = opened.locale.value_or(tps::process_locale());
    return {};
  }

  std::string bind() {
    tps::DeclarationResult bound = tps::build_key_descriptors(layout_, keys_);
    if (!bound.ok()) return error_text("key descriptors", bound.error);
    records_.emplace(*file_, table_number_, layout_, oem_);
    return {};
  }

  tps::KeyCollation collation() const { return tps::KeyCollation{&locale_, oem_}; }

  tps::TableKeys table_keys(tps::PageTree& tree) {
    return tps::TableKeys{tree, *records_, table_number_, keys_, collation()};
  }

  // A fault leaves nothing uncommitted and the view released.
  void abandon() {
    tps::discard(*file_);
    file_->end_operation();
  }

  std::string sort_directory_;
  CountingFileSystem sort_files_;
  CountingFileSystem table_files_;  // declared before file_, which uses it
  std::optional<tps::FileObject> file_;
  tps::TableDeclaration layout_;
  std::vector<tps::KeyDescriptor> keys_;
  std::optional<tps::TableRecords> records_;
  uint32_t table_number_ = 0;
  bool oem_ = false;
  tps::LocaleBlock locale_;
  uint8_t buffer_[kKeyRecordLength] = {};
};

}  // namespace

std::unique_ptr<KeyTableStore> make_engine_key_table(const std::string& sort_directory) {
  return std::make_unique<EngineKeyTable>(sort_directory);
}

}  // namespace bench
