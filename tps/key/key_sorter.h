// The external merge sort of a key build.
//
// Entries are fixed-length byte strings (an encoded key value followed by
// its big-endian record number) ordered by unsigned bytewise comparison,
// which is the order of the key records they become.
//
// Entries collect in a binary heap in memory. When the heap holds more than
// 999,999 bytes it is drained in order into a sorted run. A run is written
// through a 16,384-byte buffer and only gets a temporary file when it
// outgrows that buffer, so a small last run never touches the disk. Reading
// merges the runs through a binary heap of run readers, each reading its
// file through a 500-byte buffer. Without any run the heap itself is read.
// Temporary files are removed when the sorter is destroyed, whatever
// happened before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/file_system.h"

namespace tps {

inline constexpr size_t kSortHeapLimit = 999'999;   // bytes held before a run is written
inline constexpr size_t kRunWriterBuffer = 16'384;  // bytes a run keeps before it gets a file
inline constexpr size_t kRunReaderBuffer = 500;     // bytes a merge reader reads at a time

class SortRun;
class RunReader;

class KeySorter {
 public:
  // Sorts entries of `entry_length` bytes; runs go to files in `temp_directory`.
  // REQUIRES: entry_length > 0.
  KeySorter(size_t entry_length, os::FileSystem& file_system, std::string temp_directory);
  ~KeySorter();
  KeySorter(const KeySorter&) = delete;
  KeySorter& operator=(const KeySorter&) = delete;

  // Adds one entry. Returns 0, or the errno of a failed run file.
  // REQUIRES: finish() not called yet.
  int add(const uint8_t* entry);

  // Ends adding and prepares reading in order. Returns 0 or an errno.
  int finish();

  // The next entry in order, or nullptr after the last one. The pointer is
  // valid until the next call. Sets *error to an errno when a run cannot be
  // read (then returns nullptr).
  // REQUIRES: finish() returned 0.
  const uint8_t* next(int* error);

  // Number of runs written so far (for tests and reports).
  size_t run_count() const { return runs_.size(); }
  // Number of runs that needed a temporary file.
  size_t file_run_count() const;

 private:
  int spill();
  bool heap_less(uint32_t a, uint32_t b) const;
  void heap_push(uint32_t slot);
  uint32_t heap_pop();

  size_t entry_length_;
  os::FileSystem& file_system_;
  std::string temp_directory_;
  std::vector<uint8_t> arena_;   // heap entries, entry_length_ bytes per slot
  std::vector<uint32_t> heap_;   // slots ordered as a binary min-heap
  std::vector<std::unique_ptr<SortRun>> runs_;
  std::vector<std::unique_ptr<RunReader>> readers_;  // merge heap, smallest current entry first
  std::vector<uint8_t> current_;  // the entry handed out last while reading the heap
};

// The directory for sort runs: $TMPDIR when set, else /tmp.
std::string default_sort_directory();

}  // namespace tps
