// Table names: which OS file a declared name opens, and which table inside it.
//
// A declared name is the OS file name, optionally followed by "\!" and the
// name of a table inside the file ("data/school.tps\!pupils"). The directory
// separator of this system is "/"; "\!" stays the table separator, and a
// "\!" right after an existing directory belongs to the path (a directory
// entry whose name begins with "!"), since a directory cannot be a table file.
//
// Files copied from the school's other workstations may differ in letter case
// from the names the program opens; resolve_file_case finds them.
#pragma once

#include <string>
#include <string_view>

#include "platform/os/file_system.h"

namespace tps {

inline constexpr std::string_view kTableSeparator = "\\!";
inline constexpr std::string_view kUnnamedTable = "UNNAMED";
inline constexpr std::string_view kDefaultExtension = ".TPS";

struct TableName {
  std::string file;   // OS file name; ".TPS" added when it has no extension; empty when none given
  std::string table;  // table inside the file, upper case; "UNNAMED" without a table part
  bool operator==(const TableName&) const = default;
};

// Splits a declared name. The occurrences of "\!" are tried from the left;
// the split is made at the first whose preceding text is not an existing
// directory of `fs`. A "\!" that follows an existing directory is read as
// "/!", the path it stands for on this system. An empty table part stays
// empty (a table with an empty name), not "UNNAMED". An empty file part stays
// empty, so the open fails with 45 "Invalid Filename" instead of opening a
// file named ".TPS".
TableName split_table_name(std::string_view name, os::FileSystem& fs);

// The name of an open table as NAME reports it: the OS file name, then "\!"
// and the table name unless the table is "UNNAMED".
std::string open_table_name(const TableName& name);

// `table` in upper case through the process case tables, the form in which
// table names are stored and compared byte for byte.
std::string upper_case_table_name(std::string_view table);

// `file` with ".TPS" appended when its last path component has no ".".
std::string with_default_extension(std::string_view file);

struct ResolvedFile {
  int error = 0;     // 0, or 45 "Invalid Filename" when the name is ambiguous
  std::string path;  // the path to open or create
};

// The file `path` names, found as the original system found it: the exact
// name when it exists; otherwise the one entry of its directory whose name
// equals the last component without regard to ASCII letter case (directories
// excluded); otherwise `path` itself, to be created or reported missing. When
// several entries match and none exactly, the name is ambiguous and the
// result is 45: opening any one of them could leave two stations working on
// different files, and reporting it missing would make the caller create a
// third.
ResolvedFile resolve_file_case(const std::string& path, os::FileSystem& fs);

}  // namespace tps
