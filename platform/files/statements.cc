// The file statements: one entry-point call each, its error kept as the
// thread's current error.
#include <vector>

#include "platform/files/current_error.h"
#include "platform/files/file_table.h"

namespace platform {

namespace {

void keep_error(const tps::DeclaredTable& table) {
  const tps::ErrorDetail& posted = tps::posted_error();
  if (posted.ok()) {
    clear_current_file_error();
    return;
  }
  FileErrorState state;
  state.code = posted.number;
  state.text = std::string(posted.number_message());
  state.file_error = posted.message;
  state.file_error_code = posted.code;
  state.file = table.declaration.file_name;
  set_current_file_error(std::move(state));
}

}  // namespace

uint32_t FileTable::call(int operation, tps::DriverArguments& args) {
  tps::DeclaredTable& table = instance();
  const uint32_t value = tps::engine_call(operation, table, args);
  keep_error(table);
  return value;
}

uint32_t FileTable::call(int operation) {
  tps::DriverArguments args;
  return call(operation, args);
}

uint32_t FileTable::key_call(int operation, size_t key) {
  tps::DriverArguments args;
  args.key = int(key);
  return call(operation, args);
}

uint32_t FileTable::number_call(int operation, int64_t record, int key) {
  tps::DriverArguments args;
  args.record = record;
  args.key = key;
  return call(operation, args);
}

int FileTable::Clear() {
  call(tps::op::kClearBuffers);
  return ErrorCode();
}

int FileTable::Open(uint32_t access_mode) {
  tps::DriverArguments args;
  args.access_mode = access_mode;
  call(tps::op::kOpen, args);
  return ErrorCode();
}

int FileTable::Share(uint32_t access_mode) {
  tps::DriverArguments args;
  args.access_mode = access_mode;
  call(tps::op::kShare, args);
  return ErrorCode();
}

int FileTable::Create() { return call(tps::op::kCreate), ErrorCode(); }
int FileTable::Close() { return call(tps::op::kClose), ErrorCode(); }

int FileTable::SetFile() { return call(tps::op::kSetFile), ErrorCode(); }
int FileTable::SetFilePtr(int64_t record) { return number_call(tps::op::kSetFilePtr, record), ErrorCode(); }
int FileTable::SetFileKey(size_t key) { return key_call(tps::op::kSetFileKey, key), ErrorCode(); }
int FileTable::SetKey(size_t key) { return key_call(tps::op::kSetKey, key), ErrorCode(); }
int FileTable::SetKeyKey(size_t key) { return key_call(tps::op::kSetKeyKey, key), ErrorCode(); }
int FileTable::SetKeyPtr(size_t key, int64_t record) {
  return number_call(tps::op::kSetKeyPtr, record, int(key)), ErrorCode();
}
int FileTable::SetKeyKeyPtr(size_t key, int64_t record) {
  return number_call(tps::op::kSetKeyKeyPtr, record, int(key)), ErrorCode();
}

int FileTable::Reset(std::string_view position) {
  tps::DriverArguments args;
  args.position = position;
  return call(tps::op::kResetFile, args), ErrorCode();
}

int FileTable::ResetKey(size_t key, std::string_view position) {
  tps::DriverArguments args;
  args.key = int(key);
  args.position = position;
  return call(tps::op::kResetKey, args), ErrorCode();
}

int FileTable::Next() { return call(tps::op::kNext), ErrorCode(); }
int FileTable::Previous() { return call(tps::op::kPrevious), ErrorCode(); }

int FileTable::Skip(int32_t count) {
  tps::DriverArguments args;
  args.count = count;
  return call(tps::op::kSkip, args), ErrorCode();
}

bool FileTable::Eof() { return call(tps::op::kEof) != 0; }
bool FileTable::Bof() { return call(tps::op::kBof) != 0; }

int FileTable::Get(size_t key) { return key_call(tps::op::kGetFileKey, key), ErrorCode(); }
int FileTable::GetPtr(int64_t record) { return number_call(tps::op::kGetFilePtr, record), ErrorCode(); }
int FileTable::GetKeyPtr(size_t key, int64_t record) {
  return number_call(tps::op::kGetKeyPtr, record, int(key)), ErrorCode();
}

int FileTable::Reget(std::string_view position) {
  tps::DriverArguments args;
  args.position = position;
  return call(tps::op::kRegetFile, args), ErrorCode();
}

int FileTable::RegetKey(size_t key, std::string_view position) {
  tps::DriverArguments args;
  args.key = int(key);
  args.position = position;
  return call(tps::op::kRegetKey, args), ErrorCode();
}

int FileTable::Add() { return call(tps::op::kAdd), ErrorCode(); }
int FileTable::Append() { return call(tps::op::kAppend), ErrorCode(); }
int FileTable::Put() { return call(tps::op::kPut), ErrorCode(); }
int FileTable::PutPtr(int64_t record) { return number_call(tps::op::kPutFilePtr, record), ErrorCode(); }
int FileTable::Delete() { return call(tps::op::kDelete), ErrorCode(); }

int FileTable::Hold() { return call(tps::op::kHoldFile), ErrorCode(); }

int FileTable::Hold(int32_t seconds) {
  tps::DriverArguments args;
  args.seconds = seconds;
  return call(tps::op::kHoldFileSec, args), ErrorCode();
}

int FileTable::Release() { return call(tps::op::kRelease), ErrorCode(); }
int FileTable::Watch() { return call(tps::op::kWatch), ErrorCode(); }
int FileTable::NoMemo() { return call(tps::op::kNoMemo), ErrorCode(); }
int FileTable::Lock() { return call(tps::op::kLockFile), ErrorCode(); }

int FileTable::Lock(int32_t seconds) {
  tps::DriverArguments args;
  args.seconds = seconds;
  return call(tps::op::kLockFileSec, args), ErrorCode();
}

int FileTable::Unlock() { return call(tps::op::kUnlock), ErrorCode(); }

uint32_t FileTable::Records() { return call(tps::op::kRecordsFile); }
uint32_t FileTable::Records(size_t key) { return key_call(tps::op::kRecordsKey, key); }
uint32_t FileTable::Bytes() { return call(tps::op::kBytes); }
uint32_t FileTable::Pointer() { return call(tps::op::kPointerFile); }
bool FileTable::Duplicate() { return call(tps::op::kDuplicate) != 0; }
bool FileTable::Duplicate(size_t key) { return key_call(tps::op::kDuplicateKey, key) != 0; }

std::string FileTable::Name() {
  std::string name;
  tps::DriverArguments args;
  args.text_out = &name;
  call(tps::op::kName, args);
  return name;
}

std::string FileTable::Position() {
  std::string position;
  tps::DriverArguments args;
  args.text_out = &position;
  call(tps::op::kPositionFile, args);
  return position;
}

std::string FileTable::Position(size_t key) {
  std::string position;
  tps::DriverArguments args;
  args.key = int(key);
  args.text_out = &position;
  call(tps::op::kPositionKey, args);
  return position;
}

int FileTable::Stream() {
  instance().status.deferred_commit = true;
  return call(tps::op::kStream), ErrorCode();
}

int FileTable::Flush() {
  instance().status.deferred_commit = false;
  return call(tps::op::kFlush), ErrorCode();
}

std::string FileTable::Send(std::string_view item) {
  std::string value;
  tps::DriverArguments args;
  args.text = item;
  args.text_out = &value;
  call(tps::op::kSend, args);
  return value;
}

// --- Transactions ----------------------------------------------------------------

namespace {

// The tables of the calling thread's transaction; the first one carries
// COMMIT, ROLLBACK and the release of the transaction lock.
thread_local std::vector<FileTable*> transaction_tables;

// Ends the transaction lock and forgets the tables, keeping the error of
// the statement that ended the transaction as the current one.
int end_transaction(FileTable& first) {
  const FileErrorState ending = current_file_error();
  first.call(tps::op::kEndTransaction);
  set_current_file_error(ending);
  transaction_tables.clear();
  return ending.code;
}

}  // namespace

int Logout(int32_t seconds, std::initializer_list<FileTable*> tables) {
  if (tables.size() == 0) return 0;
  FileTable& first = **tables.begin();
  first.call(tps::op::kStartTransaction);
  if (ErrorCode() != 0) return ErrorCode();
  transaction_tables.assign(tables.begin(), tables.end());
  for (FileTable* table : tables) {
    tps::DriverArguments args;
    args.seconds = seconds;
    table->call(tps::op::kLogout, args);
    if (ErrorCode() != 0) {
      const FileErrorState failed = current_file_error();
      first.call(tps::op::kRollback);
      set_current_file_error(failed);
      return end_transaction(first);
    }
  }
  return 0;
}

int Commit() {
  if (transaction_tables.empty()) return 0;
  FileTable& first = *transaction_tables.front();
  first.call(tps::op::kCommit);
  return end_transaction(first);
}

int Rollback() {
  if (transaction_tables.empty()) return 0;
  FileTable& first = *transaction_tables.front();
  first.call(tps::op::kRollback);
  return end_transaction(first);
}

}  // namespace platform
