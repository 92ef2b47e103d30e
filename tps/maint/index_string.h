// Dynamic index key strings: "+name,-other" read into key components.
#pragma once

#include <string_view>
#include <vector>

#include "tps/table/declaration.h"

namespace tps {

struct ParsedIndexString {
  int error = 0;  // 0, or 76 "Invalid Index String"
  std::vector<KeyComponent> components;
};

// Reads a key string: field names separated by ','; each may be preceded by
// spaces and by '+' (ascending, the default) or '-' (descending). A name
// matches a field's label without regard to case, either whole or without
// the label's prefix ("name" for "PUP:NAME"). An empty string, an empty
// name or a name that matches no field is 76.
ParsedIndexString parse_index_string(std::string_view text, const std::vector<FieldDeclaration>& fields);

}  // namespace tps
