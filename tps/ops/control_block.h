// The engine's control block of one declared table: everything an operation
// needs beyond the program's buffers, kept from call to call.
//
// Engine-internal: only tps/ops reads and writes it. The program sees its
// effects through the DeclaredTable's buffers and status word and through
// the posted error.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tps/errors/errors.h"
#include "tps/key/key_descriptor.h"
#include "tps/key/key_record.h"
#include "tps/key/locale_block.h"
#include "tps/maint/maintenance_state.h"
#include "tps/options/driver_options.h"
#include "tps/options/table_name.h"
#include "tps/ops/declared_table.h"
#include "tps/page/file_registry.h"
#include "tps/table/declaration.h"
#include "tps/table/table_records.h"
#include "tps/tree/page_tree.h"

namespace tps {

// SET modes of the navigation cursor.
namespace set_mode {
inline constexpr int kNone = -1;               // no SET or RESET yet
inline constexpr int kRecordPositioned = 0;    // after a data record number
inline constexpr int kKeyPositioned = 1;       // after a key entry
inline constexpr int kFirstRecord = 2;         // SETfile
inline constexpr int kRecordNumber = 3;        // SETfileptr, RESETfile
inline constexpr int kKeyThenRecords = 4;      // SETfilekey
inline constexpr int kFirstEntry = 5;          // SETkey
inline constexpr int kExactEntry = 6;          // SETkeykeyptr, RESETkey
inline constexpr int kKeyValue = 7;            // SETkeykey
inline constexpr int kRecordThenKey = 8;       // SETkeyptr
}  // namespace set_mode

// Where a scan stands: a record number or a key entry, never a page
// address, so that it survives what other stations add and delete.
struct Cursor {
  int mode = set_mode::kNone;
  int key = -1;              // key number of the key modes
  uint32_t record = 0;       // record-order position, or the record of modes 3 and 8
  Bytes probe;               // key modes: a whole key record (prefix, value, record number)
  size_t probe_key_length = 0;  // the probe's key part (the whole record for a DUP key)
};

class ControlBlock final : public OptionTable {
 public:
  explicit ControlBlock(DeclaredTable& table);
  ~ControlBlock() override;
  ControlBlock(const ControlBlock&) = delete;
  ControlBlock& operator=(const ControlBlock&) = delete;

  // Binds the declaration: copies it and builds the key descriptors of a
  // declaration that knows its layout. Returns 0, 47 or 75 (detail in
  // `bind_error`).
  int bind();
  // Takes the names from the declaration unless the table is open.
  void refresh_names();

  // --- OptionTable ---------------------------------------------------------
  TableOptions& options() override { return options_; }
  bool is_open() const override { return table.status.open && file != nullptr; }
  uint32_t flags() override;
  void set_flags(uint32_t value) override;
  std::string next_table_name(const std::string& after) override;
  void list_table_names(NameList& list) override;
  void mark_for_recreation() override { recreate = true; }
  const void* driver_descriptor() const override;

  // --- Helpers the operations share -----------------------------------------
  uint32_t record_length() const { return layout.record_length; }
  uint8_t* buffer() { return table.record.data(); }
  bool valid_key(int key) const { return key >= 0 && size_t(key) < keys.size(); }
  const KeyDescriptor& key(int number) const { return keys[size_t(number)]; }
  KeyCollation collation() const { return KeyCollation{&locale, oem}; }
  // Clears the record-state flags as every read begins: releases a held
  // record, forgets the current record, the watch and NOMEMO states.
  void forget_current_record();
  // Releases the record this station holds, when it holds one.
  void release_held_record();
  void clear_requests() { hold_requested = watch_requested = nomemo_requested = false; }

  DeclaredTable& table;

  // Names, taken from the declaration before OPEN and the like while closed.
  std::string file_name;    // as declared; NAME while closed
  std::string owner;
  std::string driver;
  std::string open_name;    // OS file name, "\!" and table name: NAME while open
  TableName split;          // where the open table lives

  uint8_t attributes = 0;   // table_attr bits
  uint32_t access_mode = 0; // of the current open
  TableDeclaration layout;  // the bound declaration (filled from the file when it knew no layout)
  std::vector<KeyDescriptor> keys;
  DeclarationResult bind_error;
  uint32_t table_number = 0;

  // The open file.
  FileRegistry* registry = nullptr;
  FileObject* file = nullptr;
  std::unique_ptr<TableRecords> records;
  LocaleBlock locale;       // the table's own block, or the process tables'
  bool oem = false;         // text stored in the OEM code page (the file's mark governs)

  Bytes saved;              // the buffer as last read or written
  Bytes stored_image;       // scratch copy of the stored record (PUT, DELETE, SKIP)
  std::vector<Bytes> watched_memos;  // text memos as read under WATCH
  std::vector<Bytes> stored_memos;   // scratch: the stored text memos PUT compares
  std::vector<size_t> memo_fill;     // scratch: bytes read into each memo buffer
  Bytes found;              // scratch copy of the entry the navigator found
  size_t found_key_length = 0;
  Bytes search_bound;       // scratch bound of the searches that step over damaged records
  Bytes lookup_probe;       // scratch key record of GET, REGET and DUPLICATE
  // Leaves where the last key-entry step, data-record lookup and memo read
  // ended: the next one of each kind tries there first.
  LeafHint entry_hint, data_hint, memo_hint;
  Cursor cursor;
  uint32_t current = 0;     // current record number; 0: none
  int last_set_key = -1;    // key of the last SET or RESET (operation 73)

  // Per-read requests, cleared after every read.
  bool hold_requested = false;
  bool watch_requested = false;
  bool nomemo_requested = false;
  int32_t hold_seconds = -1;  // -1: wait without limit

  // Record state.
  bool held = false;        // this station holds `held_record`'s lock
  uint32_t held_record = 0;
  bool watched = false;
  bool memos_not_loaded = false;

  // Blob touched marks, one per memo (by 0-based memo number): set when a
  // blob slice operation touches a blob, cleared by the end of every read
  // and write. Past the end of the vector a mark is clear, so clearing
  // them all is emptying it.
  std::vector<bool> touched_blobs;

  ErrorDetail detail;       // the running operation's error detail, when it posts one
  int fault = 0;            // latched engine fault code; 0: none
  bool recreate = false;    // discard the control block before the next call
  uint32_t deferred = 0;    // operations whose commit was deferred
  bool in_view = false;     // INVIEW marked
  int last_error = 0;

  // Names set by property, the progress setting and deferred build, trace
  // settings and dynamic index stores (tps/maint).
  MaintenanceState maintenance;

  TableOptions options_;
};

}  // namespace tps
