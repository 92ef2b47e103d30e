#include "tps/table/table_catalog.h"

#include <cstring>

#include "tps/base/bytes.h"
#include "tps/errors/errors.h"
#include "tps/table/definition_check.h"
#include "tps/table/definition_stream.h"
#include "tps/table/record_keys.h"
#include "tps/tree/page_tree.h"

namespace tps {
namespace {

// Definition records are numbered by a u16, so a stream has at most this many blocks.
constexpr size_t kMaxDefinitionBlocks = 0x10000;

void insert(PageTree& tree, const Bytes& key, const Bytes& data) {
  Bytes record = key;
  record.insert(record.end(), data.begin(), data.end());
  tree.insert(record.data(), static_cast<uint16_t>(record.size()), static_cast<uint16_t>(key.size()));
}

Bytes key_of(const RecordRef& ref) { return Bytes(ref.record->bytes(), ref.record->bytes() + ref.record->key_length); }

bool has_prefix(const RecordRef& ref, const Bytes& prefix) {
  return ref.record->key_length >= prefix.size() &&
         std::memcmp(ref.record->bytes(), prefix.data(), prefix.size()) == 0;
}

// The keys of every record whose key starts with `prefix`, in key order
// (a key equal to the prefix, like the table-name record of the empty name,
// included).
std::vector<Bytes> keys_with_prefix(PageTree& tree, const Bytes& prefix) {
  std::vector<Bytes> keys;
  if (tree.find_exact(prefix.data(), prefix.size())) keys.push_back(prefix);
  for (RecordRef ref = tree.find_first_after(prefix.data(), prefix.size()); ref && has_prefix(ref, prefix);) {
    keys.push_back(key_of(ref));
    ref = tree.find_first_after(keys.back().data(), keys.back().size(), &ref);
  }
  return keys;
}

// The table number of a table-name record: 0 when absent, none when damaged.
std::optional<uint32_t> stored_table_number(PageTree& tree, std::string_view name, bool& present) {
  const Bytes key = table_name_record_key(name);
  const RecordRef ref = tree.find_exact(key.data(), key.size());
  present = static_cast<bool>(ref);
  if (!ref) return std::nullopt;
  return decode_table_name_data(ref.record->data(), ref.record->data_length());
}

void write_definition(PageTree& tree, uint32_t table, const TableDeclaration& declaration) {
  const std::vector<Bytes> blocks = cut_into_blocks(serialize_definition(declaration));
  for (size_t block = 0; block < blocks.size(); ++block)
    insert(tree, definition_record_key(table, static_cast<uint16_t>(block)), blocks[block]);
}

void read_locale(PageTree& tree, uint32_t table, OpenedTable& opened) {
  const Bytes key = locale_record_key(table);
  const RecordRef ref = tree.find_exact(key.data(), key.size());
  if (!ref) return;
  const std::optional<bool> oem = decode_locale_oem_flag(ref.record->data(), ref.record->data_length());
  if (!oem) return;  // a damaged locale record counts as none
  LocaleBlock::Bytes block;
  std::memcpy(block.data(), ref.record->data() + 1, block.size());
  opened.stored_oem = *oem;
  opened.locale = LocaleBlock(block);
}

}  // namespace

uint32_t create_table(FileObject& file, std::string_view name, const TableDeclaration& declaration,
                      const LocaleBlock& locale) {
  PageTree tree(file);
  if (std::optional<uint32_t> old = find_table(file, name)) delete_table_records(file, *old);
  delete_table_name(file, name);

  const std::array<uint8_t, 4> number = file.next_number();
  const uint32_t table = load_u32be(number.data());
  insert(tree, table_name_record_key(name), table_name_record_data(table));
  write_definition(tree, table, declaration);
  const Bytes zero_counter = counter_record_data(0, 0);
  insert(tree, counter_record_key(table, kTableCounterIndex), zero_counter);
  for (size_t key = 0; key < declaration.keys.size(); ++key)
    insert(tree, counter_record_key(table, static_cast<uint8_t>(key)), zero_counter);
  insert(tree, locale_record_key(table), locale_record_data(declaration.has(table_attr::kOem), locale.bytes().data()));
  return table;
}

OpenedTable open_table(FileObject& file, std::string_view name, TableDeclaration& declaration, bool decimal_check) {
  OpenedTable opened;
  PageTree tree(file);
  bool present = false;
  const std::optional<uint32_t> table = stored_table_number(tree, name, present);
  if (!present) {
    opened.error = error::kFileNotFound;
    return opened;
  }
  if (!table) {
    opened.error = error::kInvalidDataFile;
    return opened;
  }
  opened.table_number = *table;

  const StoredDefinition stored = read_definition(definition_blocks(file, *table));
  opened.declaration = declaration.layout_known() ? compare_definition(stored, declaration, decimal_check)
                                                  : load_definition(stored, declaration);
  if (!opened.declaration.ok()) {
    opened.error = opened.declaration.error;
    return opened;
  }
  read_locale(tree, *table, opened);
  return opened;
}

std::optional<uint32_t> find_table(FileObject& file, std::string_view name) {
  PageTree tree(file);
  bool present = false;
  return stored_table_number(tree, name, present);
}

std::vector<std::string> table_names(FileObject& file) {
  PageTree tree(file);
  std::vector<std::string> names;
  for (const Bytes& key : keys_with_prefix(tree, Bytes{record_type::kTableName}))
    names.emplace_back(key.begin() + 1, key.end());
  return names;
}

// Blocks are read by number until one is missing; a stream's reader treats
// the bytes of missing blocks as absent.
std::vector<std::vector<uint8_t>> definition_blocks(FileObject& file, uint32_t table_number) {
  PageTree tree(file);
  std::vector<Bytes> blocks;
  for (size_t block = 0; block < kMaxDefinitionBlocks; ++block) {
    const Bytes key = definition_record_key(table_number, static_cast<uint16_t>(block));
    const RecordRef ref = tree.find_exact(key.data(), key.size());
    if (!ref) break;
    blocks.emplace_back(ref.record->data(), ref.record->data() + ref.record->data_length());
  }
  return blocks;
}

void delete_table_records(FileObject& file, uint32_t table_number) {
  PageTree tree(file);
  for (const Bytes& key : keys_with_prefix(tree, table_key_prefix(table_number))) tree.remove(key.data(), key.size());
}

void delete_table_name(FileObject& file, std::string_view name) {
  PageTree tree(file);
  const Bytes key = table_name_record_key(name);
  if (tree.find_exact(key.data(), key.size())) tree.remove(key.data(), key.size());
}

}  // namespace tps
