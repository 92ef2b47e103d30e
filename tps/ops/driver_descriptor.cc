#include "tps/ops/driver_descriptor.h"

#include <algorithm>
#include <iterator>

#include "tps/ops/engine_call.h"
#include "tps/table/declaration.h"

namespace tps {

namespace {

constexpr int kOperations[] = {
    op::kAdd, op::kBof, op::kBuildFile, op::kAppend, op::kBuildDyn, op::kBuildKey, op::kClose, op::kCommit,
    op::kCopy, op::kCreate, op::kDelete, op::kDuplicate, op::kEmpty, op::kEof, op::kGetFileKey,
    op::kGetFilePtr, op::kGetKeyPtr, op::kHoldFile, op::kHoldFileSec, op::kLockFile, op::kLockFileSec,
    op::kLogout, op::kName, op::kNext, op::kOpen, op::kPack, op::kPointerFile, op::kPointerKey, op::kFlush,
    op::kPut, op::kPrevious, op::kRecordsFile, op::kRecordsKey, op::kBuildDynFilter, op::kRelease,
    op::kRemove, op::kRename, op::kRollback, op::kSetFile, op::kSetFileKey, op::kSetFilePtr, op::kSetKey,
    op::kSetKeyKey, op::kSetKeyPtr, op::kSetKeyKeyPtr, op::kShare, op::kSkip, op::kUnlock, op::kBytes,
    op::kPutFilePtr, op::kStream, op::kDuplicateKey, op::kWatch, op::kSend, op::kPositionFile,
    op::kPositionKey, op::kResetFile, op::kResetKey, op::kNoMemo, op::kRegetFile, op::kRegetKey,
    op::kSetProperty, op::kGetProperty, op::kBlobYield, op::kBlobTake, op::kBlobSize, op::kBlobSetProp,
    op::kBlobGetProp, op::kSetPropertyKey, op::kGetPropertyKey, op::kGetState, op::kRestoreState,
    op::kFreeState,
};

constexpr uint8_t kArrayType = 24;
constexpr uint8_t kBlobType = 27;

constexpr uint8_t kFieldTypes[] = {
    field_type::kByte,   field_type::kShort,  field_type::kUShort,  field_type::kDate,
    field_type::kTime,   field_type::kLong,   field_type::kULong,   field_type::kSReal,
    field_type::kReal,   field_type::kDecimal, field_type::kString, field_type::kCString,
    field_type::kPString, field_type::kGroup, kArrayType,           kBlobType,
};

uint32_t entry(int operation, DeclaredTable& table, DriverArguments& args) {
  return engine_call(operation, table, args);
}

}  // namespace

const DriverDescriptor& driver_descriptor() {
  static const DriverDescriptor descriptor{
      "TPS", entry, kOperations, std::size(kOperations), kFieldTypes, std::size(kFieldTypes)};
  return descriptor;
}

bool is_listed_operation(int code) {
  return std::find(std::begin(kOperations), std::end(kOperations), code) != std::end(kOperations);
}

}  // namespace tps
