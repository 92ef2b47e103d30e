// A table as the program declares it, and the file statements on it.
//
// The program declares each table once (name, driver string, owner,
// attributes, record layout with its fields, memos and keys, as a
// tps::TableDeclaration) and works on its record buffer and memo buffers
// through typed accessors. Each statement is one call of the engine's entry
// point; its result is returned and kept as the thread's current error
// (current_error.h), with the detail the engine posted.
//
// A table with the THREAD attribute has one instance per thread: its own
// buffers, its own engine control block and its own file object, created
// on the thread's first use and closed when the thread ends. Any other
// table has one instance for the process.
//
// Field, memo and key arguments are 0-based positions in the declaration.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "tps/ops/engine_call.h"
#include "tps/table/declaration.h"

namespace platform {

// A DATE field: all zero means no date.
struct Date {
  uint8_t day = 0;
  uint8_t month = 0;
  uint16_t year = 0;
  bool operator==(const Date&) const = default;
};

class SavedState;  // saved_state.h

class FileTable {
 public:
  // REQUIRES: the declaration's record length covers its fields.
  explicit FileTable(tps::TableDeclaration declaration);
  // Closes this thread's instance (and the process instance) when open.
  ~FileTable();
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  const tps::TableDeclaration& declaration() const { return declaration_; }
  bool per_thread() const { return declaration_.has(tps::table_attr::kThread); }
  // The calling thread's instance (the process's for a table without THREAD).
  tps::DeclaredTable& instance();
  bool is_open() { return instance().status.open; }

  // --- The record buffer and memo buffers (this thread's instance) --------
  uint8_t* record() { return instance().record.data(); }
  int32_t get_long(size_t field);
  void set_long(size_t field, int32_t value);
  int16_t get_short(size_t field);
  void set_short(size_t field, int16_t value);
  // A STRING field's bytes (code page 1252) without trailing spaces.
  std::string get_string(size_t field);
  // Stores `text`, cut to the field's length and padded with spaces.
  void set_string(size_t field, std::string_view text);
  Date get_date(size_t field);
  void set_date(size_t field, Date date);
  // A DECIMAL field in units of its last place (12.50 in DECIMAL(5,2) is 1250).
  int64_t get_decimal(size_t field);
  void set_decimal(size_t field, int64_t units);
  // A MEMO's text without trailing spaces, and storing one (cut to the
  // memo's size, padded with spaces).
  std::string get_memo(size_t memo);
  void set_memo(size_t memo, std::string_view text);
  // CLEAR: numbers and dates to zero, strings and memos to spaces.
  int Clear();

  // --- Statements: each returns the engine's error number (0: success) -----
  int Open(uint32_t access_mode = kOpenDefaultMode);
  int Share(uint32_t access_mode = tps::access_mode::kSharedReadWrite);
  int Create();
  int Close();

  int SetFile();
  int SetFilePtr(int64_t record);
  int SetFileKey(size_t key);
  int SetKey(size_t key);
  int SetKeyKey(size_t key);
  int SetKeyPtr(size_t key, int64_t record);
  int SetKeyKeyPtr(size_t key, int64_t record);
  int Reset(std::string_view position);
  int ResetKey(size_t key, std::string_view position);
  int Next();
  int Previous();
  int Skip(int32_t count);
  // EOF and BOF: true when no record is left that way (or on an error).
  bool Eof();
  bool Bof();

  int Get(size_t key);
  int GetPtr(int64_t record);
  int GetKeyPtr(size_t key, int64_t record);
  int Reget(std::string_view position);
  int RegetKey(size_t key, std::string_view position);

  int Add();
  int Append();
  int Put();
  int PutPtr(int64_t record);
  int Delete();

  int Hold();
  int Hold(int32_t seconds);
  int Release();
  int Watch();
  int NoMemo();
  int Lock();
  int Lock(int32_t seconds);
  int Unlock();

  uint32_t Records();
  uint32_t Records(size_t key);
  uint32_t Bytes();
  uint32_t Pointer();
  bool Duplicate();
  bool Duplicate(size_t key);
  std::string Name();
  std::string Position();
  std::string Position(size_t key);

  // STREAM defers commits until FLUSH (or 40 modified pages, or 5000
  // operations); FLUSH commits and ends the deferral.
  int Stream();
  int Flush();
  // SEND: an option item without its slash; returns the option's value.
  std::string Send(std::string_view item);

  // --- Builds and properties (build_statements.cc) ---------------------------
  // BUILD of every KEY, of one key, and PACK. While the progress setting is
  // on they return 0 at once and build when the posted event comes back
  // (RunDeferredBuild).
  int Build();
  int BuildKey(size_t key);
  int Pack();
  // BUILD of dynamic index `key` from `key_string` ("+name,-other"),
  // entering only the records for which `filter` holds when it is not
  // empty (platform/expr/expression.h gives its form). A filter that does
  // not compile is 76 "Invalid Index String", its fault in the detail.
  int BuildDynamic(size_t key, std::string_view key_string, std::string_view filter = {});
  // Operation 84: runs the build the progress setting deferred.
  int RunDeferredBuild();
  // PROPERTY and its assignment at table level (tps/maint/properties.h).
  std::string GetProperty(int64_t property);
  int SetProperty(int64_t property, std::string_view value);

  // --- State blocks and blob slices (state_statements.cc) ---------------------
  // GETSTATE: the table's open state, position and buffers, the BLOBs'
  // contents too when `with_blobs`; an empty state on an error.
  SavedState GetState(bool with_blobs = false);
  // RESTORESTATE: the table opened or closed and positioned as in `state`
  // (a scan goes on after the record it had reached). With
  // `restore_buffers` the saved buffers come back, else the buffers keep
  // what they hold. 35 when the record that had been read is gone.
  int RestoreState(const SavedState& state, bool restore_buffers);
  // FREESTATE now instead of when `state` goes.
  int FreeState(SavedState& state);
  // BLOB `memo`: its size; bytes first..last (0-based, both included) cut
  // at its end, marking it touched; `bytes` stored at first..last, growing
  // it (a reversed range stores nothing); its whole contents; its contents
  // or size set; its touched mark, cleared by every read and write.
  uint32_t BlobSize(size_t memo);
  std::string GetBlobSlice(size_t memo, int64_t first, int64_t last);
  int PutBlobSlice(size_t memo, int64_t first, int64_t last, std::string_view bytes);
  std::string GetBlob(size_t memo);
  int SetBlob(size_t memo, std::string_view bytes);
  int SetBlobSize(size_t memo, int64_t size);
  bool BlobTouched(size_t memo);

  // One entry-point call on this thread's instance, kept as the current error.
  uint32_t call(int operation, tps::DriverArguments& args);
  uint32_t call(int operation);

  // OPEN's mode when the program names none: read/write, others may read.
  static constexpr uint32_t kOpenDefaultMode = tps::access_mode::kReadWrite | tps::access_mode::kDenyWrite;

 private:
  const tps::FieldDeclaration& field(size_t index) const;
  uint32_t key_call(int operation, size_t key);
  uint32_t number_call(int operation, int64_t record, int key = -1);

  tps::TableDeclaration declaration_;
  uint64_t serial_;                                 // tells this table's thread instances apart
  std::unique_ptr<tps::DeclaredTable> process_instance_;
};

// The transaction statements over the tables of the calling thread.
// LOGOUT keeps the other threads out of the engine until COMMIT or ROLLBACK,
// then waits at most `seconds` for each table's file (-1: without limit)
// and joins it to the transaction. On a failure nothing is joined and the
// transaction is not started. Returns 0 or the error.
int Logout(int32_t seconds, std::initializer_list<FileTable*> tables);
// COMMIT and ROLLBACK end the thread's transaction. Returns 0 or the error.
int Commit();
int Rollback();

}  // namespace platform
