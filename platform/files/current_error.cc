#include "platform/files/current_error.h"

#include <cctype>
#include <utility>

namespace platform {

namespace {
thread_local FileErrorState current;
}  // namespace

const FileErrorState& current_file_error() { return current; }

int ErrorCode() { return current.code; }
std::string Error() { return current.text; }
std::string FileError() { return current.file_error; }
std::string FileErrorCode() { return current.file_error_code; }
std::string ErrorFile() { return current.file; }

int FileErrorNumber() {
  const std::string& code = current.file_error_code;
  if (code.empty() || code.size() > 9) return 0;
  for (char c : code)
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
  return std::stoi(code);
}

void set_current_file_error(FileErrorState state) { current = std::move(state); }

void clear_current_file_error() { current = FileErrorState{}; }

}  // namespace platform
