// The tables of a file: creating one, finding and checking one on open, the
// list of table names, and dropping every record of a table.
//
// A table is known by its table-name record (0xFE + name -> table number);
// its definition is stored as table-definition records of 512-byte blocks,
// its counters as counter records, and the locale it was created under with
// its OEM flag as the locale record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tps/key/locale_block.h"
#include "tps/page/file_object.h"
#include "tps/table/declaration.h"
#include "tps/table/structure_error.h"

namespace tps {

// Creates table `name` in `file`: drops a table of that name with every
// record of its old number, draws a new table number, and writes the name
// record, the definition, a zero counter record for the table and for each
// key, and the locale record (the declaration's OEM attribute and `locale`).
// Returns the new table number.
// REQUIRES: update mode; the declaration passed the limit checks.
uint32_t create_table(FileObject& file, std::string_view name, const TableDeclaration& declaration,
                      const LocaleBlock& locale);

// What opening a table found.
struct OpenedTable {
  int error = 0;                    // 0; 2 no such table; 36 damaged name record; 47/75 declaration
  DeclarationResult declaration;    // detail of 47 and 75
  uint32_t table_number = 0;
  std::optional<bool> stored_oem;   // the locale record's OEM flag, when the table has one
  std::optional<LocaleBlock> locale;  // the table's own locale block, when it has one
};

// Opens table `name`: finds its number, then checks `declaration` against
// the stored definition, or, when the declaration does not know its layout
// (no record length and no memos), fills it from the stored definition.
// Then reads the locale record. `decimal_check` is the DecimalCheck option.
OpenedTable open_table(FileObject& file, std::string_view name, TableDeclaration& declaration,
                       bool decimal_check);

// The table number stored under `name`; none when there is no such table.
std::optional<uint32_t> find_table(FileObject& file, std::string_view name);

// The names of the file's tables, in name order.
std::vector<std::string> table_names(FileObject& file);

// The stored definition of table `table_number`, block by block.
std::vector<std::vector<uint8_t>> definition_blocks(FileObject& file, uint32_t table_number);

// Deletes every record carrying `table_number`: data, keys, memos, counters,
// definition and locale. REQUIRES: update mode.
void delete_table_records(FileObject& file, uint32_t table_number);

// Deletes the table-name record of `name` when there is one. REQUIRES: update mode.
void delete_table_name(FileObject& file, std::string_view name);

}  // namespace tps
