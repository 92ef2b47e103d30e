// Driver options: the per-table switches a declaration's driver string sets
// and SEND queries or changes at run time, and the queries about the tables
// of a file.
//
// A driver string is a sequence of items "/NAME" or "/NAME=value"; SEND takes
// one item without the slash. Option names are matched without regard to case
// on their full length only, so text after a matched name that is not "="
// (after optional spaces) turns the item into a query that changes nothing.
// Items naming no option are ignored without an error, because declarations
// carry options meant for other drivers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tps/errors/errors.h"

namespace tps {

class TcfNames;

// The options a table keeps in its control block.
struct TableOptions {
  bool decimal_check = true;  // compare DECIMAL sizes and places on OPEN
  bool full_build = false;    // BUILD rebuilds keys from record 1 and rewrites the locale
};

// A list the PNMQ query appends table names to.
class NameList {
 public:
  virtual ~NameList() = default;
  virtual void append(const std::string& name) = 0;
};

// Makes a NameList reachable from PNMQ for the registration's lifetime. A PNMQ
// value names the list by its address in decimal; only registered addresses
// are used, so a stray number in an option text is ignored instead of being
// dereferenced.
class NameListRegistration {
 public:
  explicit NameListRegistration(NameList& list);
  ~NameListRegistration();
  NameListRegistration(const NameListRegistration&) = delete;
  NameListRegistration& operator=(const NameListRegistration&) = delete;
  // The PNMQ value that names the list.
  std::string value_text() const;

 private:
  NameList* list_;
};

// What options need from the table they are sent to; the table control block
// implements it.
class OptionTable {
 public:
  virtual ~OptionTable() = default;
  virtual TableOptions& options() = 0;
  virtual bool is_open() const = 0;
  // The table's FLAGS mark word. REQUIRES: is_open().
  virtual uint32_t flags() = 0;
  // REQUIRES: is_open().
  virtual void set_flags(uint32_t value) = 0;
  // Name of the first table of the file whose name sorts after `after`;
  // empty when none. REQUIRES: is_open().
  virtual std::string next_table_name(const std::string& after) = 0;
  // Appends every table name of the file in name order; when the table is not
  // open, opens the file read-only, deny none, for the duration. Failures
  // leave the list as it is.
  virtual void list_table_names(NameList& list) = 0;
  // Marks the control block to be re-created before the next call.
  virtual void mark_for_recreation() = 0;
  // The engine's driver descriptor handed to the platform's driver manager.
  virtual const void* driver_descriptor() const = 0;
};

// Texts of the options and commands.
namespace option {
inline constexpr std::string_view kDecimalCheck = "DecimalCheck";
inline constexpr std::string_view kFullBuild = "FULLBUILD";
inline constexpr std::string_view kFlags = "FLAGS";
inline constexpr std::string_view kTableNames = "PNMQ";
inline constexpr std::string_view kNextTableName = "PNM";
inline constexpr std::string_view kTcf = "TCF";
inline constexpr std::string_view kRegister = "REGISTER";
inline constexpr std::string_view kImportFile = "IMPORTFILE";
inline constexpr std::string_view kOn = "ON";
inline constexpr std::string_view kOff = "OFF";
inline constexpr std::string_view kImportTitle = "File Import";
inline constexpr std::string_view kImportRefused = "File Driver does not support File Import";
}  // namespace option

struct SendResult {
  int error = error::kNone;  // 0, except 37 for IMPORTFILE
  std::string text;          // the option's value after the command; empty for other items
  uintptr_t value = 0;       // REGISTER: the driver descriptor's address; otherwise 0
};

// SEND: applies one option item (without the slash) to `table`. The fixed
// transaction control file name is process-wide and lives in `tcf`.
SendResult send_option(OptionTable& table, std::string_view text, TcfNames& tcf);
SendResult send_option(OptionTable& table, std::string_view text);  // process-wide TCF names

// Applies every item of a declaration's driver string in order, as SEND
// would; OPEN and SHARE call this before the table is opened.
void apply_driver_string(OptionTable& table, std::string_view driver_string, TcfNames& tcf);
void apply_driver_string(OptionTable& table, std::string_view driver_string);

// The items of a driver string, without their slashes and trailing spaces.
// Text before the first slash is not an item. An item naming TCF runs to the
// next slash that follows a space (or to the end), because on this system a
// file path is written with slashes; every other item ends at the next slash.
std::vector<std::string> driver_string_items(std::string_view driver_string);

// Shows the user a warning box; the platform installs it at start-up. Without
// one, warnings are not shown.
using WarningBox = std::function<void(std::string_view title, std::string_view text)>;
void set_warning_box(WarningBox box);

}  // namespace tps
