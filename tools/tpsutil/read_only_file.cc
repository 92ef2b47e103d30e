#include "read_only_file.h"

#include "platform/os/file_system.h"
#include "tps/errors/errors.h"
#include "tps/errors/fault.h"

namespace tpsutil {

namespace {
constexpr int kFileSystemError = 90;
}

std::string describe_error(int error, int fault) {
  std::string text = "error " + std::to_string(error) + ": ";
  std::string_view message = tps::error_message(error);
  text += message.empty() ? "unknown error" : std::string(message);
  if (fault) text += " (engine fault " + std::to_string(fault) + ")";
  return text;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path, os::FileSystem* fs)
    : file_(std::make_unique<tps::FileObject>(fs ? *fs : os::real_file_system(), path)) {
  tps::OpenOptions options;
  options.write = false;
  options.share = os::Share::deny_none;
  try {
    error_ = file_->open(options);
  } catch (const tps::EngineFault& f) {
    error_ = kFileSystemError;
    fault_ = f.code();
  }
}

std::string describe_failure(const std::exception& failure) {
  if (const auto* fault = dynamic_cast<const tps::EngineFault*>(&failure))
    return "engine fault " + std::to_string(fault->code());
  return failure.what();
}

ReadOnlyFile::~ReadOnlyFile() { end_view(); }

int ReadOnlyFile::begin_view() {
  try {
    if (file_->refresh_header() != 0) error_ = 5;
  } catch (const tps::EngineFault& f) {
    error_ = kFileSystemError;
    fault_ = f.code();
  }
  return error_;
}

void ReadOnlyFile::end_view() {
  // A reader has nothing to commit: ending the view only releases its slot.
  file_->unlock_view();
}

std::string ReadOnlyFile::error_text() const { return describe_error(error_, fault_); }

}  // namespace tpsutil
