#include "table_view.h"

#include <algorithm>
#include <cstring>

#include "tps/base/bytes.h"
#include "tps/errors/errors.h"
#include "tps/options/table_name.h"
#include "tps/table/definition_stream.h"
#include "tps/table/record_keys.h"
#include "tps/table/record_text.h"
#include "tps/table/table_catalog.h"

namespace tpsutil {

namespace {

bool has_prefix(const tps::RecordRef& ref, const tps::Bytes& prefix) {
  return ref.record->key_length >= prefix.size() &&
         std::memcmp(ref.record->bytes(), prefix.data(), prefix.size()) == 0;
}

// A file never committed has no pages, so no tables (and a reader may not
// start its tree).
bool has_pages(tps::FileObject& file) { return file.header().change_counter() != 0; }

TableView view_of(tps::FileObject& file, const std::string& name) {
  TableView view;
  view.name = name;
  // Opening with a declaration that does not know its layout loads the
  // stored definition, as a program that declares no layout would.
  tps::TableDeclaration layout;
  const tps::OpenedTable opened = tps::open_table(file, name, layout, /*decimal_check=*/true);
  view.number = opened.table_number;
  view.error = opened.error;
  view.detail = opened.declaration;
  view.version = tps::read_definition(tps::definition_blocks(file, view.number)).version;
  if (!view.readable()) return view;
  view.layout = std::move(layout);
  view.has_locale = opened.locale.has_value();
  view.oem = opened.stored_oem.value_or(false);
  view.locale = opened.locale.value_or(tps::process_locale());
  return view;
}

}  // namespace

std::vector<TableView> load_tables(tps::FileObject& file) {
  std::vector<TableView> tables;
  if (!has_pages(file)) return tables;
  for (const std::string& name : tps::table_names(file)) tables.push_back(view_of(file, name));
  return tables;
}

std::optional<TableView> load_table(tps::FileObject& file, const std::string& name) {
  if (!has_pages(file)) return std::nullopt;
  const std::string stored = tps::upper_case_table_name(name);
  tps::PageTree tree(file);
  const tps::Bytes key = tps::table_name_record_key(stored);
  if (!tree.find_exact(key.data(), key.size())) return std::nullopt;
  return view_of(file, stored);
}

std::string declaration_error_text(const tps::DeclarationResult& result) {
  const tps::StructureError& d = result.detail;
  std::string text = "error " + std::to_string(result.error);
  if (!d.kind.empty()) {
    text += ": " + d.kind;
    if (d.key) text.append(" of key ").append(std::to_string(d.key));
    if (d.number) text.append(" ").append(std::to_string(d.number));
    if (!d.attribute.empty()) text += " " + d.attribute;
  }
  if (!d.message.empty()) text += " (" + d.message + ")";
  return text;
}

std::string table_error_text(const TableView& table) {
  if (table.error == tps::error::kInvalidDataFile)
    return "error " + std::to_string(table.error) + ": its table-name record is damaged";
  return declaration_error_text(table.detail) + " in the stored definition";
}

void for_each_record(tps::PageTree& tree, const tps::Bytes& prefix,
                     const std::function<bool(const tps::RecordRef&)>& visit) {
  for (tps::RecordRef ref = tree.find_first_after(prefix.data(), prefix.size()); ref && has_prefix(ref, prefix);) {
    if (!visit(ref)) return;
    const tps::Bytes key(ref.record->bytes(), ref.record->bytes() + ref.record->key_length);
    ref = tree.find_first_after(key.data(), key.size(), &ref);
    if (ref && tps::compare_keys(ref.record->bytes(), ref.record->key_length, key.data(), key.size()) <= 0)
      throw DisorderedRecords();
  }
}

std::vector<uint32_t> data_record_numbers(tps::FileObject& file, uint32_t table_number) {
  std::vector<uint32_t> numbers;
  tps::PageTree tree(file);
  for_each_record(tree, tps::typed_key_prefix(table_number, tps::record_type::kData), [&](const tps::RecordRef& ref) {
    const tps::RecordKeyParts parts = tps::decode_record_key(ref.record->bytes(), ref.record->key_length);
    if (parts.kind == tps::RecordKind::kData) numbers.push_back(parts.record);
    return true;
  });
  return numbers;
}

std::optional<Counter> read_counter(tps::FileObject& file, uint32_t table_number, uint8_t index) {
  tps::PageTree tree(file);
  const tps::Bytes key = tps::counter_record_key(table_number, index);
  const tps::RecordRef ref = tree.find_exact(key.data(), key.size());
  if (!ref) return std::nullopt;
  const std::optional<tps::CounterValues> values = tps::decode_counter_data(ref.record->data(), ref.record->data_length());
  if (!values) return std::nullopt;
  return Counter{values->count, values->mark};
}

tps::Bytes record_buffer(const TableView& table, const uint8_t* stored, size_t stored_length) {
  tps::Bytes buffer(table.layout.record_length, 0);
  const size_t kept = std::min<size_t>(stored_length, buffer.size());
  if (kept) std::memcpy(buffer.data(), stored, kept);
  if (table.oem) tps::record_text_to_ansi(table.layout.fields, buffer.data(), buffer.size());
  return buffer;
}

TableArgument split_table_argument(const std::string& argument, os::FileSystem& fs) {
  if (argument.find(tps::kTableSeparator) == std::string::npos) return {argument, std::nullopt};
  tps::TableName name = tps::split_table_name(argument, fs);
  return {name.file, name.table};
}

}  // namespace tpsutil
