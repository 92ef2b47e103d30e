#include "bench/engine_file.h"

namespace bench {

std::string fault_text(const tps::EngineFault& f) { return "engine fault " + std::to_string(f.code()); }

std::string error_text(const char* what, int error) {
  return error ? std::string(what) + " returned error " + std::to_string(error) : std::string();
}

std::string commit_engine_file(tps::FileObject& file) {
  try {
    return error_text("commit", file.end_operation());
  } catch (const tps::EngineFault& f) {
    return fault_text(f);
  }
}

std::string close_engine_file(std::optional<tps::FileObject>& file) {
  if (!file) return {};
  std::string error;
  try {
    file->truncate();
    if (int e = file->end_operation()) error = error_text("close", e);
  } catch (const tps::EngineFault& f) {
    error = fault_text(f);
  }
  file.reset();
  return error;
}

}  // namespace bench
