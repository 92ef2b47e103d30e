#include "tps/maint/blob_slices.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "tps/table/declaration_limits.h"

namespace tps {

namespace {

// The buffer of the blob `number` (1-based) names, or nullptr when it names
// no BLOB of the table.
Bytes* blob_buffer(ControlBlock& cb, int number) {
  if (number < 1 || size_t(number) > cb.layout.memos.size()) return nullptr;
  const size_t index = size_t(number) - 1;
  if (!cb.layout.memos[index].is_blob() || index >= cb.table.memos.size()) return nullptr;
  return &cb.table.memos[index];
}

void mark_touched(ControlBlock& cb, int number) {
  const size_t index = size_t(number) - 1;
  if (cb.touched_blobs.size() <= index) cb.touched_blobs.resize(index + 1, false);
  cb.touched_blobs[index] = true;
}

bool is_touched(const ControlBlock& cb, int number) {
  const size_t index = size_t(number) - 1;
  return index < cb.touched_blobs.size() && cb.touched_blobs[index];
}

// Makes `blob` `size` bytes long, new bytes zero. False, with the blob
// unchanged, when it may not or cannot grow that far.
bool resize_blob(Bytes& blob, uint64_t size) {
  if (size > kMaxBlobSize) return false;
  try {
    blob.resize(size_t(size), 0);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

}  // namespace

int blob_yield(ControlBlock& cb, DriverArguments& args) {
  Bytes* blob = blob_buffer(cb, args.blob);
  if (!blob || args.first < 0 || !args.text_out) return error::kInvalidNumberOfParameters;
  args.text_out->clear();
  const uint64_t first = uint64_t(args.first);
  if (args.last >= args.first && first < blob->size()) {
    const uint64_t end = std::min<uint64_t>(uint64_t(args.last) + 1, blob->size());
    args.text_out->assign(reinterpret_cast<const char*>(blob->data() + first), size_t(end - first));
  }
  mark_touched(cb, args.blob);
  return 0;
}

int blob_take(ControlBlock& cb, DriverArguments& args) {
  Bytes* blob = blob_buffer(cb, args.blob);
  if (!blob || args.first < 0) return error::kInvalidNumberOfParameters;
  if (args.last < args.first) return 0;
  const uint64_t first = uint64_t(args.first);
  const uint64_t count = uint64_t(args.last) - first + 1;
  // The range's bytes are the caller's: never read past what was given.
  if (args.bytes.size() < count) return error::kInvalidNumberOfParameters;
  const uint64_t end = first + count;
  if (end > blob->size() && !resize_blob(*blob, end)) return error::kUnsupportedFunction;
  std::memcpy(blob->data() + first, args.bytes.data(), size_t(count));
  mark_touched(cb, args.blob);
  return 0;
}

int blob_size(ControlBlock& cb, DriverArguments& args, uint32_t& value) {
  const Bytes* blob = blob_buffer(cb, args.blob);
  if (!blob) return error::kInvalidNumberOfParameters;
  value = uint32_t(blob->size());
  return 0;
}

int blob_set_property(ControlBlock& cb, DriverArguments& args) {
  Bytes* blob = blob_buffer(cb, args.blob);
  if (!blob) return error::kInvalidNumberOfParameters;
  switch (args.record) {
    case blob_property::kSize:
      if (args.blob_size < 0) return error::kInvalidNumberOfParameters;
      if (!resize_blob(*blob, uint64_t(args.blob_size))) return error::kUnsupportedFunction;
      break;
    case blob_property::kContents: {
      // Loaded into a new buffer first, so that a load that fails leaves
      // the blob whole.
      Bytes loaded;
      if (!resize_blob(loaded, args.bytes.size())) return error::kUnsupportedFunction;
      if (!loaded.empty()) std::memcpy(loaded.data(), args.bytes.data(), loaded.size());
      blob->swap(loaded);
      break;
    }
    default:
      return error::kInvalidNumberOfParameters;
  }
  mark_touched(cb, args.blob);
  return 0;
}

int blob_get_property(ControlBlock& cb, DriverArguments& args, uint32_t& value) {
  Bytes* blob = blob_buffer(cb, args.blob);
  if (!blob) return error::kInvalidNumberOfParameters;
  switch (args.record) {
    case blob_property::kTouched:
      value = is_touched(cb, args.blob) ? 1 : 0;
      return 0;
    case blob_property::kSize:
      value = uint32_t(blob->size());
      return 0;
    case blob_property::kContents:
      if (!args.pointer_out) return error::kInvalidNumberOfParameters;
      *args.pointer_out = blob->data();
      value = uint32_t(blob->size());
      return 0;
    default:
      return error::kInvalidNumberOfParameters;
  }
}

}  // namespace tps
