#include "maintenance_table.h"

#include <utility>

#include "read_only_file.h"
#include "table_view.h"
#include "tps/options/table_name.h"

namespace tpsutil {

namespace {

tps::TableDeclaration layout_from_file(const std::string& name, const std::string& driver_options) {
  tps::TableDeclaration declaration;
  declaration.file_name = name;
  declaration.driver_options = driver_options;
  return declaration;
}

}  // namespace

MaintenanceTable::MaintenanceTable(const std::string& name, const std::string& driver_options)
    : table_(layout_from_file(name, driver_options)) {}

int MaintenanceTable::call(int operation, tps::DriverArguments arguments) {
  value_ = tps::engine_call(operation, table_, arguments);
  error_ = tps::posted_error();
  return error_.number;
}

TableLocation locate_table(const std::string& name) {
  os::FileSystem& fs = os::real_file_system();
  const tps::TableName split = tps::split_table_name(name, fs);
  TableLocation where;
  where.table = split.table;
  if (split.file.empty()) return where;
  const tps::ResolvedFile resolved = tps::resolve_file_case(split.file, fs);
  where.file = resolved.path.empty() ? split.file : resolved.path;
  where.file_exists = resolved.error == 0 && fs.exists(where.file) && !fs.is_directory(where.file);
  return where;
}

bool table_exists(const TableLocation& where) {
  if (!where.file_exists) return false;
  ReadOnlyFile file(where.file);
  if (file.error() || file.begin_view()) return false;
  try {
    return load_table(file.file(), where.table).has_value();
  } catch (const std::exception&) {
    return false;
  }
}

std::string engine_error_text(const tps::ErrorDetail& error) {
  std::string text = describe_error(error.number, 0);
  if (!error.message.empty() || !error.code.empty()) {
    text += " (" + error.message;
    if (!error.message.empty() && !error.code.empty()) text += ": ";
    text += error.code + ")";
  }
  return text;
}

int exit_code_for(int error) {
  switch (error) {
    case tps::error::kNone:
      return kExitOk;
    case tps::error::kFileNotFound:
    case tps::error::kPathNotFound:
      return kExitUnreadable;
    case tps::error::kBuildCancelled:
      return kExitCancelled;
    default:
      return kExitRefused;
  }
}

}  // namespace tpsutil
