#include "tps/maint/blob_slices.h"
#include "tps/maint/dynamic_build.h"
#include "tps/maint/properties.h"
#include "tps/maint/state_block.h"
#include "tps/maint/table_build.h"
#include "tps/maint/table_maintenance.h"
#include "tps/ops/driver_descriptor.h"
#include "tps/ops/operations.h"

namespace tps {

namespace {

// Operations that need the table open; they answer 37 "File Not Open"
// otherwise instead of reaching for a file that is not there.
bool needs_open_table(int operation) {
  switch (operation) {
    case op::kOpen:
    case op::kShare:
    case op::kCreate:
    case op::kClose:
    case op::kName:
    case op::kSend:
    case op::kBytes:
    case op::kLogout:
    case op::kCommit:
    case op::kRollback:
    case op::kStream:
    case op::kStartTransaction:
    case op::kEndTransaction:
    case op::kEntryPoint:
    case op::kNoOperation:
    case op::kLastSetKey:
    case op::kClearBuffers:
    case op::kRunDeferredBuild:
    case op::kInView:
    case op::kEndView:
    case op::kHoldFile:
    case op::kHoldFileSec:
    case op::kWatch:
    case op::kNoMemo:
    case op::kRelease:
    case op::kPointerFile:
    case op::kPointerKey:
    case op::kFlush:
    case op::kRemove:
    case op::kCopy:
    case op::kRename:
    case op::kBuildFile:
    case op::kBuildKey:
    case op::kPack:
    case op::kGetProperty:
    case op::kGetPropertyKey:
    case op::kSetPropertyKey:
    case op::kBuildDyn:
    case op::kBuildDynFilter:
    case op::kSetProperty:
    case op::kGetState:
    case op::kRestoreState:
    case op::kFreeState:
    case op::kBlobYield:
    case op::kBlobTake:
    case op::kBlobSize:
    case op::kBlobSetProp:
    case op::kBlobGetProp:
      return false;
    default:
      return true;
  }
}

int send(ControlBlock& cb, DriverArguments& args, uint32_t& value) {
  SendResult result = send_option(cb, args.text);
  if (args.text_out) *args.text_out = result.text;
  if (result.value != 0) {
    if (args.pointer_out) *args.pointer_out = reinterpret_cast<const void*>(result.value);
    value = uint32_t(result.value);
  }
  return result.error;
}

int entry_point(DriverArguments& args) {
  if (args.pointer_out) *args.pointer_out = reinterpret_cast<const void*>(driver_descriptor().entry);
  return 0;
}

}  // namespace

int dispatch(int operation, ControlBlock& cb, DriverArguments& args, uint32_t& value) {
  if (needs_open_table(operation) && !cb.is_open()) return error::kFileNotOpen;
  switch (operation) {
    case op::kOpen:
      return open_table_file(cb, args.access_mode);
    case op::kShare:
      return open_table_file(cb, args.access_mode);
    case op::kCreate:
      return create_table_file(cb);
    case op::kClose:
      return close_table_file(cb);

    case op::kSetFile:
    case op::kSetFileKey:
    case op::kSetFilePtr:
    case op::kSetKey:
    case op::kSetKeyKey:
    case op::kSetKeyPtr:
    case op::kSetKeyKeyPtr:
    case op::kResetFile:
    case op::kResetKey:
      return set_cursor(cb, operation, args);
    case op::kNext:
      return read_next(cb, true);
    case op::kPrevious:
      return read_next(cb, false);
    case op::kSkip:
      return skip_entries(cb, args.count);
    case op::kEof:
      return test_end(cb, true, value);
    case op::kBof:
      return test_end(cb, false, value);

    case op::kGetFileKey:
      return get_by_key(cb, args.key);
    case op::kGetFilePtr:
    case op::kGetKeyPtr:
      return get_by_number(cb, args.record);
    case op::kRegetFile:
      return reget_file(cb, args.position);
    case op::kRegetKey:
      return reget_key(cb, args.key, args.position);

    case op::kAdd:
      return add_record(cb, false);
    case op::kAppend:
      return add_record(cb, true);
    case op::kPut:
      return put_record(cb);
    case op::kPutFilePtr:
      return put_record_at(cb, args.record);
    case op::kDelete:
      return delete_record(cb);

    case op::kHoldFile:
      return request_hold(cb, -1);
    case op::kHoldFileSec:
      return request_hold(cb, args.seconds < 0 ? 0 : args.seconds);
    case op::kRelease:
      return release_hold(cb);
    case op::kWatch:
      return request_watch(cb);
    case op::kNoMemo:
      return request_nomemo(cb);
    case op::kLockFile:
      return lock_table_file(cb, -1);
    case op::kLockFileSec:
      return lock_table_file(cb, args.seconds < 0 ? 0 : args.seconds);
    case op::kUnlock:
      return unlock_table_file(cb);

    case op::kRecordsFile:
      return count_records(cb, -1, value);
    case op::kRecordsKey:
      return cb.valid_key(args.key) ? count_records(cb, args.key, value) : error::kInvalidNumberOfParameters;
    case op::kBytes:
      return file_bytes(cb, value);
    case op::kPointerFile:
    case op::kPointerKey:
      return current_pointer(cb, value);
    case op::kDuplicateKey:
      return duplicate_key(cb, args.key, value);
    case op::kDuplicate:
      return duplicate_any(cb, value);
    case op::kName:
      return table_name(cb, args.text_out);
    case op::kPositionFile:
      return position_file(cb, args.text_out);
    case op::kPositionKey:
      return position_key(cb, args.key, args.text_out);
    case op::kHoldsMoreThan:
      return holds_more_than(cb, args.record, value);
    case op::kLastSetKey:
      value = cb.last_set_key < 0 ? 0 : uint32_t(cb.last_set_key + 1);
      return 0;
    case op::kClearBuffers:
      return clear_buffers(cb);

    case op::kLogout:
      return logout_table(cb, args.seconds);
    case op::kCommit:
      return commit_tables(cb);
    case op::kRollback:
      return rollback_tables(cb);
    case op::kFlush:
      return flush_table(cb);
    case op::kInView:
      return enter_view(cb);
    case op::kEndView:
      return end_view(cb);
    case op::kSend:
      return send(cb, args, value);

    case op::kStream:
    case op::kStartTransaction:
    case op::kEndTransaction:
    case op::kNoOperation:
      return 0;
    case op::kRunDeferredBuild:
      return run_deferred_build(cb);
    case op::kEntryPoint:
      return entry_point(args);

    case op::kRemove:
      return remove_table(cb);
    case op::kEmpty:
      return empty_table(cb);
    case op::kCopy:
      return copy_table(cb, args.text, false);
    case op::kRename:
      return copy_table(cb, args.text, true);
    case op::kBuildFile:
      return build_table_keys(cb);
    case op::kBuildKey:
      return build_one_key(cb, args.key);
    case op::kPack:
      return pack_table(cb);
    case op::kGetPropertyKey:
      return get_key_property(cb, args.key, args.record, args.count, args.text_out);
    case op::kSetPropertyKey:
      return 0;  // key properties are read-only
    case op::kGetProperty:
      return get_table_property(cb, args.record, args.text_out);
    case op::kSetProperty:
      return set_table_property(cb, args.record, args.text);
    case op::kBuildDyn:
      return build_dynamic_key(cb, args, false);
    case op::kBuildDynFilter:
      return build_dynamic_key(cb, args, true);

    case op::kGetState:
      return get_state(cb, args);
    case op::kRestoreState:
      return restore_state(cb, args);
    case op::kFreeState:
      return free_state(cb, args);

    case op::kBlobYield:
      return blob_yield(cb, args);
    case op::kBlobTake:
      return blob_take(cb, args);
    case op::kBlobSize:
      return blob_size(cb, args, value);
    case op::kBlobSetProp:
      return blob_set_property(cb, args);
    case op::kBlobGetProp:
      return blob_get_property(cb, args, value);

    default:
      return error::kUnsupportedFunction;
  }
}

}  // namespace tps
