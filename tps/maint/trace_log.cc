#include "tps/maint/trace_log.h"

#include "tps/ops/control_block.h"

namespace tps {

TraceLine trace_line(ControlBlock& cb) {
  const TraceSettings& trace = cb.maintenance.trace;
  if (!trace.on || trace.file.empty() || !cb.file) return {};
  os::FileSystem& files = cb.file->file_system();
  std::string path = trace.file;
  return [&files, path](const std::string& line) { append_trace_line(files, path, line); };
}

void append_trace_line(os::FileSystem& files, const std::string& path, const std::string& line) {
  os::OpenMode mode;
  mode.access = os::Access::read_write;
  mode.disposition = os::Disposition::open_always;
  std::unique_ptr<os::File> log;
  if (files.open(path, mode, &log) != 0) return;
  const int64_t end = log->size();
  if (end < 0) return;
  const std::string text = line + "\n";
  log->write_at(uint64_t(end), text.data(), text.size());
}

}  // namespace tps
