// A station for engine tests: one file object on a file system, with small
// helpers to change and read its records.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/os/file_system.h"
#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"
#include "tps/commit/commit.h"
#include "tps/maint/structure_check.h"
#include "tps/page/file_object.h"
#include "tps/tree/page_tree.h"

namespace tps::testing {

using Records = std::map<std::string, std::string>;  // record key -> data

inline const uint8_t* bytes_of(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

class Station {
 public:
  Station(os::FileSystem& fs, const std::string& name, bool write = true,
          os::Share share = os::Share::deny_none)
      : file_(std::make_unique<FileObject>(fs, name)) {
    OpenOptions options;
    options.write = write;
    options.create = write;
    options.share = share;
    try {
      open_error_ = file_->open(options);
      if (open_error_ == 0) file_->end_operation();  // the open is one operation
    } catch (const EngineFault& f) {
      open_error_ = -f.code();
    }
  }

  int open_error() const { return open_error_; }
  FileObject& file() { return *file_; }

  // Runs `change` in update mode and ends the operation (commit). Returns
  // the commit's error; a fault is returned as its negated code.
  int update(const std::function<void(PageTree&)>& change) {
    try {
      file_->switch_to_update_mode();
      if (int error = file_->refresh_header()) return error;
      PageTree tree(*file_);
      change(tree);
      return file_->end_operation();
    } catch (const EngineFault& f) {
      // A fault abandons the operation: nothing of it may be committed.
      discard(*file_);
      file_->end_operation();
      return -f.code();
    }
  }

  static void put(PageTree& tree, const std::string& key, const std::string& data) {
    std::string record = key + data;
    tree.insert(bytes_of(record), uint16_t(record.size()), uint16_t(key.size()));
  }

  // Every stored record but the empty one, read in a reader-mode operation.
  Records read_all() {
    Records records;
    try {
      file_->refresh_header();
      StructureReport report = check_structure(*file_, &collect, &records);
      last_report_ = report;
    } catch (const EngineFault& f) {
      ADD_FAILURE() << "fault " << f.code() << " while reading";
    }
    file_->end_operation();
    return records;
  }

  // The structure check of the last read_all().
  const StructureReport& last_report() const { return last_report_; }

 private:
  static void collect(void* context, const uint8_t* bytes, uint16_t length, uint16_t key_length) {
    auto* records = static_cast<Records*>(context);
    (*records)[std::string(reinterpret_cast<const char*>(bytes), key_length)] =
        std::string(reinterpret_cast<const char*>(bytes) + key_length, length - key_length);
  }

  std::unique_ptr<FileObject> file_;
  int open_error_ = 0;
  StructureReport last_report_;
};

inline std::string numbered_key(uint32_t n) {
  std::string key(5, '\0');
  key[0] = 'K';
  for (int i = 0; i < 4; ++i) key[1 + i] = char(uint8_t(n >> (24 - 8 * i)));
  return key;
}

inline std::string problems_of(const StructureReport& report) {
  std::string text;
  for (const auto& p : report.problems) text += "page " + std::to_string(p.page) + ": " + p.text + "\n";
  return text;
}

}  // namespace tps::testing
