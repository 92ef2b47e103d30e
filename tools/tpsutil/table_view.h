// The tables of a file as the inspecting commands see them: found by their
// table-name records and read through the definition stored in the file, so
// that tables no program here declares can be listed, dumped and checked.
//
// Everything is read through the page tree under the caller's header view;
// reading a damaged page raises an engine fault, which the commands catch
// per table.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/os/file_system.h"
#include "tps/key/locale_block.h"
#include "tps/page/file_object.h"
#include "tps/table/byte_string.h"
#include "tps/table/declaration.h"
#include "tps/table/structure_error.h"
#include "tps/tree/page_tree.h"

namespace tpsutil {

struct TableView {
  std::string name;                // as stored (upper case, ANSI)
  uint32_t number = 0;             // table number
  int error = 0;                   // 0, or why the table cannot be read (36, 47, 75)
  tps::DeclarationResult detail;   // detail of 47 and 75
  uint16_t version = 0;            // definition stream version
  tps::TableDeclaration layout;    // the stored definition, labels as stored (valid when error is 0)
  bool has_locale = false;         // the table has its locale record
  bool oem = false;                // text stored in the OEM code page (the locale record's flag)
  tps::LocaleBlock locale;         // the table's own locale block, else the process tables

  bool readable() const { return error == 0; }
};

// Every table of `file`, in name order. An empty file has none.
std::vector<TableView> load_tables(tps::FileObject& file);

// Table `name` of `file` (compared upper case); none when there is no such table.
std::optional<TableView> load_table(tps::FileObject& file, const std::string& name);

// What is wrong with an unreadable table, in words.
std::string table_error_text(const TableView& table);
// A failed declaration check in words ("error 47: FIELD 3 SIZE").
std::string declaration_error_text(const tps::DeclarationResult& result);

// Raised when the tree hands back a record that does not follow the
// previous one (a damaged file), so that no walk goes round in circles.
class DisorderedRecords : public std::runtime_error {
 public:
  DisorderedRecords() : std::runtime_error("records out of key order") {}
};

// Calls `visit` with every record whose key starts with `prefix`, in key
// order, until it returns false. `visit` must not use the tree itself.
// Throws DisorderedRecords, and engine faults of damaged pages.
void for_each_record(tps::PageTree& tree, const tps::Bytes& prefix,
                     const std::function<bool(const tps::RecordRef&)>& visit);

// The numbers of the table's data records, in order.
std::vector<uint32_t> data_record_numbers(tps::FileObject& file, uint32_t table_number);

// The table's counter `index` (0xF3: the table; else a key number); none
// when the record is missing or damaged.
struct Counter {
  uint32_t count = 0;
  uint32_t mark = 0;
};
std::optional<Counter> read_counter(tps::FileObject& file, uint32_t table_number, uint8_t index);

// The record buffer (record length bytes, text in ANSI) of stored data
// bytes: a shorter record is completed with zeros, a longer one cut.
tps::Bytes record_buffer(const TableView& table, const uint8_t* stored, size_t stored_length);

// A command's "FILE" or "FILE\!TABLE" argument. With "\!" it is split as
// the engine splits declared names (the table upper case); without, the
// whole argument is the file and every table of it is meant.
struct TableArgument {
  std::string file;
  std::optional<std::string> table;  // none: every table
};
TableArgument split_table_argument(const std::string& argument, os::FileSystem& fs);

}  // namespace tpsutil
