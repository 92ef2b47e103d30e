// `tpsutil tables`: the tables of a file with their numbers, record counts
// and the declarations stored in the file.
#include <iomanip>
#include <ostream>
#include <sstream>

#include "commands.h"
#include "read_only_file.h"
#include "record_decoder.h"
#include "table_view.h"
#include "tps/table/record_keys.h"

namespace tpsutil {

namespace {

constexpr const char* kUsage = "usage: tpsutil tables FILE [--json]\n";

namespace ft = tps::field_type;

const char* type_name(uint8_t type) {
  switch (type) {
    case ft::kByte: return "BYTE";
    case ft::kShort: return "SHORT";
    case ft::kUShort: return "USHORT";
    case ft::kDate: return "DATE";
    case ft::kTime: return "TIME";
    case ft::kLong: return "LONG";
    case ft::kULong: return "ULONG";
    case ft::kSReal: return "SREAL";
    case ft::kReal: return "REAL";
    case ft::kDecimal: return "DECIMAL";
    case ft::kPDecimal: return "PDECIMAL";
    case ft::kString: return "STRING";
    case ft::kCString: return "CSTRING";
    case ft::kPString: return "PSTRING";
    case ft::kGroup: return "GROUP";
    default: return "UNKNOWN";
  }
}

// The declared type as written in a declaration. A DECIMAL shows the digits
// its bytes hold: the stored definition keeps the places and the element
// size, not the declared digit count.
std::string declared_type(const tps::FieldDeclaration& field) {
  std::string text = type_name(field.type);
  if (field.is_text()) return text + "(" + std::to_string(field.element_size) + ")";
  if (field.type == ft::kDecimal || field.type == ft::kPDecimal) {
    const uint32_t element = field.element_count > 1 ? field.size / field.element_count : field.size;
    const uint32_t digits = element ? 2 * element - 1 : 0;
    return text + "(" + std::to_string(digits) + "," + std::to_string(field.decimal_places) + ")";
  }
  if (text == "UNKNOWN") text += "(" + std::to_string(field.type) + ")";
  return text;
}

const char* key_kind(const tps::KeyDeclaration& key) {
  if (key.has(tps::key_attr::kDynamic)) return "DYNAMIC INDEX";
  return key.has(tps::key_attr::kIndex) ? "INDEX" : "KEY";
}

std::vector<std::string> key_attributes(const tps::KeyDeclaration& key) {
  std::vector<std::string> names;
  if (key.has(tps::key_attr::kPrimary)) names.push_back("PRIMARY");
  if (key.has(tps::key_attr::kDup)) names.push_back("DUP");
  if (key.has(tps::key_attr::kOpt)) names.push_back("OPT");
  if (key.has(tps::key_attr::kNoCase)) names.push_back("NOCASE");
  return names;
}

std::string field_label(const tps::TableDeclaration& layout, uint32_t field) {
  return field < layout.fields.size() ? shown_name(layout.fields[field].label) : "field " + std::to_string(field + 1);
}

std::string hex_byte(uint8_t value) {
  std::ostringstream text;
  text << "0x" << std::hex << std::setw(2) << std::setfill('0') << unsigned(value);
  return text.str();
}

// The table's RECORDS: its counter, or the data records counted when the
// counter record is missing.
uint32_t record_count(tps::FileObject& file, const TableView& table) {
  if (std::optional<Counter> counter = read_counter(file, table.number, tps::kTableCounterIndex)) return counter->count;
  return uint32_t(data_record_numbers(file, table.number).size());
}

void print_text(std::ostream& out, const TableView& table, uint32_t records) {
  out << "table " << shown_name(table.name) << ": number " << table.number;
  if (!table.readable()) {
    out << ", cannot be read: " << table_error_text(table) << "\n";
    return;
  }
  const tps::TableDeclaration& layout = table.layout;
  out << ", " << records << " records, definition version " << table.version << ", record length "
      << layout.record_length << (table.oem ? ", OEM text" : "")
      << (table.has_locale ? "" : ", no locale record") << "\n";
  out << "  fields (" << layout.fields.size() << ")\n";
  for (size_t i = 0; i < layout.fields.size(); ++i) {
    const tps::FieldDeclaration& f = layout.fields[i];
    out << "    " << std::setw(3) << i + 1 << "  " << std::left << std::setw(36) << shown_name(f.label) << " "
        << std::setw(14) << declared_type(f) << std::right << " offset " << std::setw(5) << f.offset << "  size "
        << std::setw(5) << f.size;
    if (f.is_array()) out << "  DIM(" << f.element_count << ")";
    if (f.over) out << "  OVER";
    if (!f.picture.empty()) out << "  picture " << shown_name(f.picture);
    out << "\n";
  }
  out << "  memos (" << layout.memos.size() << ")\n";
  for (size_t i = 0; i < layout.memos.size(); ++i) {
    const tps::MemoDeclaration& m = layout.memos[i];
    out << "    " << std::setw(3) << i + 1 << "  " << std::left << std::setw(36) << memo_label(m) << std::right << " "
        << (m.is_blob() ? "BLOB" : "MEMO(" + std::to_string(m.size) + ")") << (m.is_binary() ? " BINARY" : "");
    if (!m.external_name.empty() && !m.label.empty()) out << "  name " << shown_name(m.external_name);
    out << "\n";
  }
  out << "  keys (" << layout.keys.size() << ")\n";
  for (size_t i = 0; i < layout.keys.size(); ++i) {
    const tps::KeyDeclaration& k = layout.keys[i];
    out << "    " << std::setw(3) << i + 1 << "  " << std::left << std::setw(36) << shown_name(k.label) << std::right
        << " " << key_kind(k);
    for (const std::string& name : key_attributes(k)) out << " " << name;
    out << " (" << hex_byte(k.attributes) << ")  ";
    for (size_t c = 0; c < k.components.size(); ++c)
      out << (c ? ", " : "") << (k.components[c].descending ? "-" : "+") << field_label(layout, k.components[c].field);
    out << "\n";
  }
}

void print_json(std::ostream& out, const TableView& table, uint32_t records) {
  out << "{\"name\":" << json_quote(shown_name(table.name)) << ",\"table_number\":" << table.number;
  if (!table.readable()) {
    out << ",\"error\":" << json_quote(table_error_text(table)) << "}";
    return;
  }
  const tps::TableDeclaration& layout = table.layout;
  out << ",\"records\":" << records << ",\"version\":" << table.version << ",\"record_length\":"
      << layout.record_length << ",\"oem\":" << (table.oem ? "true" : "false") << ",\"fields\":[";
  for (size_t i = 0; i < layout.fields.size(); ++i) {
    const tps::FieldDeclaration& f = layout.fields[i];
    out << (i ? "," : "") << "\n{\"number\":" << i + 1 << ",\"label\":" << json_quote(shown_name(f.label))
        << ",\"type\":" << json_quote(type_name(f.type)) << ",\"type_code\":" << unsigned(f.type)
        << ",\"declared\":" << json_quote(declared_type(f)) << ",\"offset\":" << f.offset << ",\"size\":" << f.size
        << ",\"dim\":" << f.element_count << ",\"over\":" << (f.over ? "true" : "false");
    if (f.type == ft::kDecimal || f.type == ft::kPDecimal) out << ",\"places\":" << unsigned(f.decimal_places);
    if (f.is_text()) out << ",\"length\":" << f.element_size << ",\"picture\":" << json_quote(shown_name(f.picture));
    out << "}";
  }
  out << "],\"memos\":[";
  for (size_t i = 0; i < layout.memos.size(); ++i) {
    const tps::MemoDeclaration& m = layout.memos[i];
    out << (i ? "," : "") << "\n{\"number\":" << i + 1 << ",\"label\":" << json_quote(memo_label(m))
        << ",\"external_name\":" << json_quote(shown_name(m.external_name)) << ",\"type\":\""
        << (m.is_blob() ? "BLOB" : "MEMO") << "\",\"size\":" << m.size
        << ",\"binary\":" << (m.is_binary() ? "true" : "false") << "}";
  }
  out << "],\"keys\":[";
  for (size_t i = 0; i < layout.keys.size(); ++i) {
    const tps::KeyDeclaration& k = layout.keys[i];
    out << (i ? "," : "") << "\n{\"number\":" << i + 1 << ",\"label\":" << json_quote(shown_name(k.label))
        << ",\"kind\":" << json_quote(key_kind(k)) << ",\"attributes\":[";
    const std::vector<std::string> names = key_attributes(k);
    for (size_t a = 0; a < names.size(); ++a) out << (a ? "," : "") << json_quote(names[a]);
    out << "],\"attribute_bits\":" << unsigned(k.attributes) << ",\"components\":[";
    for (size_t c = 0; c < k.components.size(); ++c) {
      out << (c ? "," : "") << "{\"field\":" << json_quote(field_label(layout, k.components[c].field))
          << ",\"field_number\":" << k.components[c].field + 1
          << ",\"descending\":" << (k.components[c].descending ? "true" : "false") << "}";
    }
    out << "]}";
  }
  out << "]}";
}

}  // namespace

int tables_command(const std::vector<std::string>& args, Output io) {
  std::string path;
  bool json = false;
  if (!parse_file_and_json(args, kUsage, io, &path, &json)) return kExitUsage;
  ReadOnlyFile file(path, io.fs);
  if (file.error() || file.begin_view()) {
    io.err << path << ": " << file.error_text() << "\n";
    return kExitUnreadable;
  }
  std::ostringstream listing;  // written whole, so a damaged file leaves no half listing
  bool all_readable = true;
  try {
    const std::vector<TableView> tables = load_tables(file.file());
    if (json) listing << "{\"tables\":[";
    else listing << path << ": " << tables.size() << " table" << (tables.size() == 1 ? "" : "s") << "\n";
    for (size_t i = 0; i < tables.size(); ++i) {
      const uint32_t records = tables[i].readable() ? record_count(file.file(), tables[i]) : 0;
      if (!tables[i].readable()) all_readable = false;
      if (json) {
        listing << (i ? ",\n" : "\n");
        print_json(listing, tables[i], records);
      } else {
        print_text(listing, tables[i], records);
      }
    }
    if (json) listing << "\n]}\n";
  } catch (const std::exception& failure) {
    io.err << path << ": the tables cannot be read (" << describe_failure(failure) << "); run `tpsutil check`\n";
    return kExitUnreadable;
  }
  file.end_view();
  io.out << listing.str();
  return all_readable ? kExitOk : kExitInconsistent;
}

}  // namespace tpsutil
