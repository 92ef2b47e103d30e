// Building one key from the table's data records (BUILD).
//
// The build starts at the key's out-of-date mark (record 1 with FULLBUILD
// or for a dynamic index; a key without a mark is complete and left
// alone). An INDEX, or any key under FULLBUILD, first loses its entries of
// records from the start on and keeps those below; a KEY keeps its entries
// and its count. The data records from the start on are read in record
// number order into the table's record buffer (text converted back to ANSI
// for an OEM table), and every record not blank for OPT, and accepted by
// the filter, gives an entry to the external sort. The sorted entries are
// inserted unless their key part is already present; for a key without
// DUP an entry of another record with the same value rejects the new one,
// and the lowest rejected record number becomes the key's mark (error 40).
// Every 400 modified pages, and at the end, the count and the mark are
// stored and the key's store is committed, so a long build never holds an
// unbounded number of dirty pages.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/os/file_system.h"
#include "tps/key/key_counters.h"
#include "tps/key/key_record.h"
#include "tps/page/file_object.h"
#include "tps/table/declaration.h"
#include "tps/tree/page_tree.h"

namespace tps {

// Dirty pages of the key's store that trigger a checkpoint.
inline constexpr uint32_t kBuildCheckpointPages = 400;

// Progress reports of a build that asked for them.
struct BuildProgress {
  int events = 0;  // reports over the whole build (1..100); 0: none
  // Called with the percentage done; returning false cancels the build (93).
  std::function<bool(int percent)> report;
};

struct KeyBuildJob {
  // The table: where its data records are and how they are read.
  PageTree* data_tree = nullptr;
  uint32_t table_number = 0;
  const std::vector<FieldDeclaration>* fields = nullptr;  // for the OEM text conversion
  bool oem = false;
  uint8_t* record_buffer = nullptr;  // the table's buffer; holds the last record read afterwards
  uint32_t record_length = 0;
  uint32_t table_records = 0;        // the table's count, for progress percentages
  KeyCollation collation;

  // The key and its store.
  const KeyDescriptor* key = nullptr;
  PageTree* key_tree = nullptr;
  FileObject* key_file = nullptr;
  KeyCounters* counters = nullptr;
  bool private_store = false;  // a dynamic index's store: never committed

  // Options.
  bool full_build = false;  // FULLBUILD
  BuildProgress progress;
  // A dynamic BUILD's filter over the record buffer; empty accepts every record.
  std::function<bool(const uint8_t* record)> filter;
  os::FileSystem* sort_files = nullptr;  // default: the real file system
  std::string sort_directory;            // default: default_sort_directory()
};

// Builds `job.key`. Returns 0; 40 when duplicates were rejected (the key
// stays out of date from the lowest of them); 93 when cancelled (out of
// date from the start); the error of a failed sort run or commit.
// REQUIRES: the key's file object is in update mode; the table's data may
// be read; a dynamic index's store is fresh and its counter zero.
int build_key(const KeyBuildJob& job);

}  // namespace tps
