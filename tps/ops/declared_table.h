// A table as a program declares it and hands it to the engine: the
// declaration, the record buffer and memo buffers the operations read into
// and write from, the status word the platform's file layer keeps, and the
// engine's control block for it.
//
// A program declares one DeclaredTable per table (per thread for a THREAD
// table) and passes it to every call of the entry point (engine_call.h).
// The control block is the engine's alone: created by the first call,
// discarded by operation 104, by the re-create latch, or with the table.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "tps/table/byte_string.h"
#include "tps/table/declaration.h"

namespace tps {

class ControlBlock;

// Access modes of OPEN and SHARE: the low two bits give the access, the
// next bits the sharing. A mode without sharing bits shares like deny-none.
namespace access_mode {
inline constexpr uint32_t kReadOnly = 0x00;
inline constexpr uint32_t kWriteOnly = 0x01;   // refused by OPEN with 5
inline constexpr uint32_t kReadWrite = 0x02;
inline constexpr uint32_t kAccessBits = 0x03;
inline constexpr uint32_t kDenyAll = 0x10;
inline constexpr uint32_t kDenyWrite = 0x20;
inline constexpr uint32_t kDenyRead = 0x30;
inline constexpr uint32_t kDenyNone = 0x40;
inline constexpr uint32_t kSharingBits = 0xF0;
// The mode of SHARE when the program names none, and the program's own
// mode for both tables: read/write, shared with every other station.
inline constexpr uint32_t kSharedReadWrite = kReadWrite | kDenyNone;
}  // namespace access_mode

// The table status word, kept by the platform's file layer and read by the
// engine.
struct TableStatus {
  bool open = false;             // set by a successful OPEN/SHARE, cleared by CLOSE
  bool record_read = false;      // a record is in the buffer (BYTES, DUPLICATE)
  bool deferred_commit = false;  // commits wait for 40 dirty pages or 5000 operations
  bool progress = false;         // a build reports progress
  bool deferred_build = false;   // a deferred build is pending
};

struct DeclaredTable {
  // Allocates the record buffer (record_length bytes, zero) and one buffer
  // per memo: a MEMO gets its declared size of spaces, a BLOB starts empty.
  explicit DeclaredTable(TableDeclaration declared);
  // Closes the table when it is open and discards the control block.
  ~DeclaredTable();
  DeclaredTable(const DeclaredTable&) = delete;
  DeclaredTable& operator=(const DeclaredTable&) = delete;

  TableDeclaration declaration;
  Bytes record;               // the record buffer
  std::vector<Bytes> memos;   // memo and blob buffers, in declaration order
  TableStatus status;
  std::unique_ptr<ControlBlock> control;  // the engine's; never touched by the program
};

// Resets a memo buffer to its empty value (a MEMO all spaces, a BLOB empty).
void clear_memo_buffer(const MemoDeclaration& memo, Bytes& buffer);

}  // namespace tps
