// Opening a TPS file the way every inspecting command does: read-only,
// sharing it with other stations, taking only reader locks, never writing.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "commands.h"
#include "tps/page/file_object.h"

namespace tpsutil {

class ReadOnlyFile {
 public:
  // Opens `path` in `fs` (the real file system when none). On failure
  // error() holds the engine's error number.
  explicit ReadOnlyFile(const std::string& path, os::FileSystem* fs = nullptr);
  ~ReadOnlyFile();

  int error() const { return error_; }
  tps::FileObject& file() { return *file_; }
  // Refreshes the header view (reader lock). Returns the error number.
  int begin_view();
  void end_view();

  // "error N: message" for the current error.
  std::string error_text() const;

 private:
  std::unique_ptr<tps::FileObject> file_;
  int error_ = 0;
  int fault_ = 0;
};

// The engine's message for an error number, or "engine fault N" for a fault.
std::string describe_error(int error, int fault);

// Why reading stopped: "engine fault N" for an engine fault (a damaged
// page), else the exception's text.
std::string describe_failure(const std::exception& failure);

}  // namespace tpsutil
