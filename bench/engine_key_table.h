// This engine's table as a key-build store: one file object opened shared
// for reading and writing, the table's records written through the table
// layer and its keys kept the way APPEND keeps them, built with the key
// build the BUILD operation runs.
#pragma once

#include <memory>
#include <string>

#include "bench/key_table_store.h"

namespace bench {

// Sort runs go to files in `sort_directory`.
std::unique_ptr<KeyTableStore> make_engine_key_table(const std::string& sort_directory);

}  // namespace bench
