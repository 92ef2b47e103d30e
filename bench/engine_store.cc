#include "bench/engine_store.h"

#include <cstring>
#include <optional>

#include "bench/engine_file.h"
#include "bench/records.h"
#include "platform/os/file_system.h"
#include "tps/commit/commit.h"
#include "tps/errors/fault.h"
#include "tps/page/file_object.h"
#include "tps/tree/page_tree.h"

namespace bench {

namespace {

class EngineStore : public Store {
 public:
  std::string open(const std::string& path) override {
    file_.emplace(os::real_file_system(), path);
    tps::OpenOptions options;
    options.write = true;
    options.create = true;
    options.share = os::Share::deny_none;
    try {
      return error_text("open", file_->open(options));
    } catch (const tps::EngineFault& f) {
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

  std::string put(const uint8_t* record, size_t length, size_t key_length) override {
    try {
      tps::PageTree(*file_).insert(record, uint16_t(length), uint16_t(key_length));
      return {};
    } catch (const tps::EngineFault& f) {
      abandon();
      return fault_text(f);
    }
  }

  std::string commit() override { return commit_engine_file(*file_); }

  bool find(const uint8_t* key, size_t key_length, uint64_t* checksum,
            std::string* error) override {
    bool found = false;
    try {
      tps::RecordRef ref = tps::PageTree(*file_).find_exact(key, key_length);
      if (ref) {
        *checksum = data_checksum(ref.record->data(), ref.record->data_length());
        found = true;
      }
      if (int e = file_->end_operation()) *error = error_text("end of read", e);
    } catch (const tps::EngineFault& f) {
      abandon();
      *error = fault_text(f);
    }
    return found;
  }

  std::string scan(const Visitor& visit) override {
    try {
      tps::PageTree tree(*file_);
      uint8_t key[tps::kRecordLengthLimit] = {};
      size_t key_length = 0;  // the empty key: the scan starts before every record
      tps::RecordRef ref = tree.find_first_after(key, key_length);
      while (ref) {
        const tps::RecordNode& r = *ref.record;
        visit(r.bytes(), r.key_length, r.data(), r.data_length());
        // The record may move when the next step loads a page: step from a
        // copy of its key.
        key_length = r.key_length;
        std::memcpy(key, r.bytes(), key_length);
        ref = tree.find_first_after(key, key_length, &ref);
      }
      return error_text("end of scan", file_->end_operation());
    } catch (const tps::EngineFault& f) {
      abandon();
      return fault_text(f);
    }
  }

  std::string close() override {
    return close_engine_file(file_);
  }

  std::vector<std::string> files_of(const std::string& path) const override { return {path}; }

 private:
  // A fault leaves nothing uncommitted and the view released.
  void abandon() {
    tps::discard(*file_);
    file_->end_operation();
  }

  std::optional<tps::FileObject> file_;
};

}  // namespace

std::unique_ptr<Store> make_engine_store() { return std::make_unique<EngineStore>(); }

}  // namespace bench
