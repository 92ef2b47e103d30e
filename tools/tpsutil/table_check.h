// Verification of the tables of a file against their own records, for
// `tpsutil check`: what the table layer and the key layer keep in step on
// every write must agree with the data records, whoever wrote the file.
//
// Per table:
// - every data record has the table's record length;
// - every key holds exactly the entries its data records give (built by the
//   key layer from each record, as every write builds them: OPT, DUP,
//   NOCASE, OEM text and descending components included), and none else.
//   A key out of date from record M may lack the entries of records M and
//   up; an out-of-date INDEX may also hold stale ones there, since writes
//   do not maintain it. A dynamic index keeps no entries in the file;
// - the table's counter holds its number of data records, each key's
//   counter its number of entries, and no counter belongs to an undeclared
//   key;
// - every memo chunk belongs to an existing data record and a declared
//   memo, and each memo's chunks run 0, 1, 2, ... without a gap; a MEMO
//   holds no more than its declared size, and a BLOB's chunks add up to the
//   size its first chunk gives;
// - no record carries a type a table cannot hold.
// Out-of-date marks and a missing locale record are reported as notes: both
// are states the engine works in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table_view.h"
#include "tps/page/file_object.h"

namespace tpsutil {

struct TableFindings {
  std::string name;                   // as shown (UTF-8)
  uint32_t number = 0;                // table number
  uint32_t records = 0;               // data records found
  std::vector<std::string> problems;  // inconsistencies
  std::vector<std::string> notes;     // information
  bool consistent() const { return problems.empty(); }
};

// Checks one table. Engine faults met while reading (a damaged page) end
// the check of that table with a problem; they are not thrown.
TableFindings check_table(tps::FileObject& file, const TableView& table);

// Problems of the file's table records as a whole: records of a table
// number that no table-name record refers to, and table names sharing one
// number. Engine faults are reported, not thrown.
std::vector<std::string> check_table_numbers(tps::FileObject& file, const std::vector<TableView>& tables);

}  // namespace tpsutil
