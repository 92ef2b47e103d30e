// The engine's driver descriptor, handed to the platform's driver manager by
// SEND "REGISTER": the entry point, the operation codes it accepts and the
// field types it supports.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tps {

struct DeclaredTable;
struct DriverArguments;

struct DriverDescriptor {
  const char* name;                              // the driver's name in driver strings
  uint32_t (*entry)(int, DeclaredTable&, DriverArguments&);
  const int* operations;                         // the operation codes of the engine's list
  size_t operation_count;
  const uint8_t* field_types;                    // field_type codes, plus 24 for arrays and 27 for BLOB
  size_t field_type_count;
};

// The one descriptor of the engine.
const DriverDescriptor& driver_descriptor();

// Whether `code` is one of the operation codes the descriptor lists.
bool is_listed_operation(int code);

}  // namespace tps
