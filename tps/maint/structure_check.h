// Verification of a TPS file's page structure, for administrators and
// tests: every page reachable from the root is read and checked on its own,
// so that one damaged page is reported without hiding the others.
//
// Checked: stored size against the size class, 0xB0 padding, decompression
// and framing ending exactly at the uncompressed size, size estimate not
// below the encoded size, levels, key order inside and across pages, every
// index entry equal to the first key of its child, exactly one empty record,
// regions in order, dense and not overlapping, and every page of every
// region reached exactly once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tps {

class FileObject;

struct StructureProblem {
  int64_t page;  // page number, or -1 for the file as a whole
  std::string text;
};

struct StructureReport {
  std::vector<StructureProblem> problems;
  uint64_t pages = 0;         // pages reached from the root
  uint32_t levels = 0;        // root level + 1
  uint64_t leaf_records = 0;  // stored records in leaf pages, without the empty record
  bool consistent() const { return problems.empty(); }
};

// A function that sees every stored leaf record, in key order.
using RecordVisitor = void (*)(void* context, const uint8_t* bytes, uint16_t length,
                               uint16_t key_length);

// Walks the whole tree of `file` (which must hold a refreshed header view).
// Engine faults raised while reading are reported as problems, not thrown.
StructureReport check_structure(FileObject& file, RecordVisitor visitor = nullptr,
                                void* context = nullptr);

}  // namespace tps
