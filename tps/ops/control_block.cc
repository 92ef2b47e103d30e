#include "tps/ops/control_block.h"

#include <algorithm>

#include "tps/key/key_descriptor.h"
#include "tps/lock/numbered_locks.h"
#include "tps/ops/driver_descriptor.h"
#include "tps/table/declaration_limits.h"
#include "tps/table/record_keys.h"
#include "tps/table/table_catalog.h"

namespace tps {

ControlBlock::ControlBlock(DeclaredTable& declared) : table(declared) {}

ControlBlock::~ControlBlock() {
  // The counter handles of the records point into the file's pages.
  records.reset();
}

int ControlBlock::bind() {
  layout = table.declaration;
  attributes = layout.attributes;
  refresh_names();
  keys.clear();
  if (!layout.layout_known()) return 0;
  bind_error = check_declaration_limits(layout);
  if (bind_error.ok()) bind_error = build_key_descriptors(layout, keys);
  // The buffers are the program's: an operation must never reach past them.
  if (bind_error.ok() && (table.record.size() < layout.record_length || table.memos.size() < layout.memos.size()))
    bind_error = structure_error(error::kInvalidRecordDeclaration, structure::kFile, structure::kFileItemNumber,
                                 structure::kSize);
  return bind_error.error;
}

void ControlBlock::refresh_names() {
  if (is_open()) return;
  // A name set by property stays until the control block goes.
  if (!maintenance.name_by_property) file_name = table.declaration.file_name;
  if (!maintenance.owner_by_property) owner = table.declaration.owner;
  if (!maintenance.driver_by_property) driver = table.declaration.driver_options;
}

void ControlBlock::release_held_record() {
  if (!held) return;
  release_record(*file, held_record);
  held = false;
  held_record = 0;
}

void ControlBlock::forget_current_record() {
  if (file) release_held_record();
  current = 0;
  watched = false;
  memos_not_loaded = false;
}

uint32_t ControlBlock::flags() { return records ? records->mark(kTableCounterIndex) : 0; }

void ControlBlock::set_flags(uint32_t value) {
  if (!records) return;
  file->switch_to_update_mode();
  records->set_mark(kTableCounterIndex, value, false);
}

std::string ControlBlock::next_table_name(const std::string& after) {
  if (!file) return {};
  for (const std::string& name : table_names(*file))
    if (name > after) return name;
  return {};
}

void ControlBlock::list_table_names(NameList& list) {
  if (is_open()) {
    for (const std::string& name : table_names(*file)) list.append(name);
    return;
  }
  FileRegistry& files = (attributes & table_attr::kThread) ? FileRegistry::this_thread() : FileRegistry::process();
  const TableName name = split_table_name(file_name, files.file_system());
  const ResolvedFile resolved = resolve_file_case(name.file, files.file_system());
  if (name.file.empty() || resolved.error) return;
  OpenOptions read_only;
  read_only.password = owner;
  FileObject* opened = nullptr;
  if (files.acquire(resolved.path, read_only, &opened) != 0) return;
  std::vector<std::string> names;
  try {
    names = table_names(*opened);
  } catch (...) {
    opened->end_operation();
    files.release(opened);
    throw;
  }
  opened->end_operation();
  files.release(opened);
  for (const std::string& table_name : names) list.append(table_name);
}

const void* ControlBlock::driver_descriptor() const { return &tps::driver_descriptor(); }

}  // namespace tps
