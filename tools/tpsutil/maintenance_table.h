// A table named on the command line and worked on through the engine's
// entry point, so that maintenance takes the same locks as every other
// station using the file.
//
// The declaration carries only the name (and driver options): with no
// record layout and no memos the engine takes the layout from the
// definition stored in the file, so any table can be opened, whoever
// declared it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "commands.h"
#include "tps/ops/engine_call.h"

namespace tpsutil {

class MaintenanceTable {
 public:
  // `name` is FILE or FILE\!TABLE; `driver_options` a driver string.
  explicit MaintenanceTable(const std::string& name, const std::string& driver_options = "");

  // Runs `operation` through the entry point. Returns the posted error
  // number (0 for success); error() keeps it with its detail.
  int call(int operation, tps::DriverArguments arguments = {});
  // The last call's error with the detail the engine posted with it.
  const tps::ErrorDetail& error() const { return error_; }
  // The last call's 32-bit result.
  uint32_t value() const { return value_; }
  tps::DeclaredTable& declared() { return table_; }

 private:
  tps::DeclaredTable table_;
  tps::ErrorDetail error_;
  uint32_t value_ = 0;
};

// Where a command-line table name leads.
struct TableLocation {
  std::string file;    // the OS file: ".TPS" added, letter case resolved as OPEN does
  std::string table;   // the table inside it, upper case ("UNNAMED" without "\!")
  bool file_exists = false;
};
TableLocation locate_table(const std::string& name);

// The table exists in its file. False as well when the file cannot be read.
bool table_exists(const TableLocation& where);

// "error N: Text", with the detail the engine posted in parentheses.
std::string engine_error_text(const tps::ErrorDetail& error);

// The exit code for an engine error: nothing found (2, 3) is
// kExitUnreadable, a cancelled build kExitCancelled, anything else
// kExitRefused.
int exit_code_for(int error);

}  // namespace tpsutil
