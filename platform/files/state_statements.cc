// The state block and blob slice statements.
#include <utility>

#include "platform/files/current_error.h"
#include "platform/files/file_table.h"
#include "platform/files/saved_state.h"
#include "tps/maint/blob_slices.h"
#include "tps/maint/state_block.h"

namespace platform {

// --- SavedState ------------------------------------------------------------------

SavedState::~SavedState() {
  if (!block_) return;
  const FileErrorState kept = current_file_error();
  free();
  set_current_file_error(kept);
}

SavedState::SavedState(SavedState&& other) noexcept
    : table_(std::exchange(other.table_, nullptr)), block_(std::exchange(other.block_, nullptr)) {}

SavedState& SavedState::operator=(SavedState&& other) noexcept {
  if (this != &other) {
    SavedState gone(std::move(*this));
    table_ = std::exchange(other.table_, nullptr);
    block_ = std::exchange(other.block_, nullptr);
  }
  return *this;
}

int SavedState::free() {
  if (!block_) return 0;
  tps::DriverArguments args;
  args.state = block_;
  table_->call(tps::op::kFreeState, args);
  const int error = ErrorCode();
  if (error != 0) delete block_;
  block_ = nullptr;
  table_ = nullptr;
  return error;
}

// --- State blocks --------------------------------------------------------------

SavedState FileTable::GetState(bool with_blobs) {
  tps::StateBlock* block = nullptr;
  tps::DriverArguments args;
  args.state_out = &block;
  args.save_blobs = with_blobs;
  call(tps::op::kGetState, args);
  return SavedState(block ? this : nullptr, block);
}

int FileTable::RestoreState(const SavedState& state, bool restore_buffers) {
  tps::DriverArguments args;
  args.state = state.block_;
  args.restore_buffers = restore_buffers;
  return call(tps::op::kRestoreState, args), ErrorCode();
}

int FileTable::FreeState(SavedState& state) {
  if (!state) return 0;
  if (state.table_ != this) {
    // Another table's state: the engine refuses it and it stays its owner's.
    tps::DriverArguments args;
    args.state = state.block_;
    return call(tps::op::kFreeState, args), ErrorCode();
  }
  return state.free();
}

// --- Blob slices ---------------------------------------------------------------

namespace {

// The engine names a blob by its 1-based number among the memos.
int blob_number(size_t memo) { return int(memo) + 1; }

}  // namespace

uint32_t FileTable::BlobSize(size_t memo) {
  tps::DriverArguments args;
  args.blob = blob_number(memo);
  return call(tps::op::kBlobSize, args);
}

std::string FileTable::GetBlobSlice(size_t memo, int64_t first, int64_t last) {
  std::string bytes;
  tps::DriverArguments args;
  args.blob = blob_number(memo);
  args.first = first;
  args.last = last;
  args.text_out = &bytes;
  call(tps::op::kBlobYield, args);
  return bytes;
}

int FileTable::PutBlobSlice(size_t memo, int64_t first, int64_t last, std::string_view bytes) {
  tps::DriverArguments args;
  args.blob = blob_number(memo);
  args.first = first;
  args.last = last;
  args.bytes = bytes;
  return call(tps::op::kBlobTake, args), ErrorCode();
}

std::string FileTable::GetBlob(size_t memo) {
  const void* buffer = nullptr;
  tps::DriverArguments args;
  args.blob = blob_number(memo);
  args.record = tps::blob_property::kContents;
  args.pointer_out = &buffer;
  const uint32_t size = call(tps::op::kBlobGetProp, args);
  if (ErrorCode() != 0 || !buffer) return {};
  return std::string(static_cast<const char*>(buffer), size);
}

int FileTable::SetBlob(size_t memo, std::string_view bytes) {
  tps::DriverArguments args;
  args.blob = blob_number(memo);
  args.record = tps::blob_property::kContents;
  args.bytes = bytes;
  return call(tps::op::kBlobSetProp, args), ErrorCode();
}

int FileTable::SetBlobSize(size_t memo, int64_t size) {
  tps::DriverArguments args;
  args.blob = blob_number(memo);
  args.record = tps::blob_property::kSize;
  args.blob_size = size;
  return call(tps::op::kBlobSetProp, args), ErrorCode();
}

bool FileTable::BlobTouched(size_t memo) {
  tps::DriverArguments args;
  args.blob = blob_number(memo);
  args.record = tps::blob_property::kTouched;
  return call(tps::op::kBlobGetProp, args) != 0;
}

}  // namespace platform
