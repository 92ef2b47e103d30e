// The records of one open table in its file: data records, memo chunks and
// counter records. The record operations build on these; key records are
// the key layer's.
//
// Data record: table number, 0xF3, record number -> the record buffer as
// stored (text fields in the OEM code page for an OEM table).
// Memo record: table number, 0xFC, record number, memo number, sequence
// number -> one chunk of a MEMO or BLOB value (see memo_chunks.h).
// Counter record: table number, 0xF6, index -> u32 entry count, u32 mark.
//
// All changing calls require the file object in update mode.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "tps/key/key_counters.h"
#include "tps/page/file_object.h"
#include "tps/table/byte_string.h"
#include "tps/table/declaration.h"
#include "tps/table/memo_chunks.h"
#include "tps/tree/page_tree.h"
#include "tps/tree/position_handle.h"

namespace tps {

class TableRecords final : public KeyCounters {
 public:
  // `layout` is the table's checked declaration and must outlive this
  // object; `oem` is the table's effective OEM setting (the stored flag when
  // the file has one).
  TableRecords(FileObject& file, uint32_t table_number, const TableDeclaration& layout, bool oem);
  TableRecords(const TableRecords&) = delete;
  TableRecords& operator=(const TableRecords&) = delete;

  uint32_t table_number() const { return table_number_; }
  bool oem() const { return oem_; }

  // --- Data records --------------------------------------------------------
  // Stores `buffer` (record-length bytes) as data record `record`, replacing
  // the stored one when there is one. The caller's buffer is not changed.
  void write_data_record(uint32_t record, const uint8_t* buffer);
  // Copies data record `record` into `buffer` (record-length bytes), text
  // back in ANSI. A stored record of another length fills what it has and
  // zeros the rest. False when there is no such record.
  bool read_data_record(uint32_t record, uint8_t* buffer);
  // Deletes data record `record`; false when there was none.
  bool delete_data_record(uint32_t record);

  // --- Memos ---------------------------------------------------------------
  // One value per declared memo, in declaration order: a MEMO buffer of its
  // declared size, or a BLOB's bytes.
  using MemoValues = std::vector<Bytes>;

  // Stores exactly `values` as the memos of `record`, rewriting only the
  // chunks that changed. With `new_record` (a record being added, so no
  // chunk of it exists) the chunks are appended one after the other.
  // Returns 0, or 80 when a BLOB is too large to store (nothing of that
  // BLOB is written).
  int write_memos(uint32_t record, const MemoValues& values, bool new_record);
  // Reads every memo of `record` into `values` (sized to the memo list).
  // Returns 0, or 80 when a stored BLOB cannot be had (too large or
  // damaged); that BLOB is then left empty.
  int read_memos(uint32_t record, MemoValues& values);
  // Deletes every memo chunk of `record`.
  void delete_memos(uint32_t record);
  // True when a stored memo of `record` differs from `values` (another
  // station changed it since `values` were read).
  bool memos_changed(uint32_t record, const MemoValues& values);

  // --- Counters ------------------------------------------------------------
  // Index kTableCounterIndex (0xF3) is the table; a key number is a key.
  uint32_t count(uint8_t index) override;
  // Adds `delta` to a count whose counter record exists; a missing record
  // is left missing.
  void add_count(uint8_t index, int32_t delta) override;
  void set_count(uint8_t index, uint32_t count) override;
  // The mark word. A missing counter record is created with zeros (in update
  // mode; in reader mode it reads as 0).
  uint32_t mark(uint8_t index) override;
  void set_mark(uint8_t index, uint32_t value, bool keep_lowest) override;
  // Adds `delta` to the table's count. False when its counter record is gone
  // (another station removed the table).
  bool add_table_count(int32_t delta);

 private:
  RecordRef find_counter(uint8_t index);
  RecordRef find_or_create_counter(uint8_t index);
  PositionHandle& counter_handle(uint8_t index);
  bool change_counter(uint8_t index, const std::function<void(uint8_t* data)>& change);

  std::optional<std::vector<Bytes>> chunks_of(const MemoDeclaration& memo, const Bytes& value) const;
  std::map<uint8_t, std::vector<StoredChunk>> stored_chunks(uint32_t record);
  void insert_record(const Bytes& key, const Bytes& data, PositionHandle* near);
  void remove_record(const Bytes& key);

  FileObject& file_;
  PageTree tree_;
  uint32_t table_number_;
  const TableDeclaration& layout_;
  bool oem_;
  std::map<uint8_t, std::unique_ptr<PositionHandle>> counter_handles_;
};

}  // namespace tps
