// This engine's page tree as a benchmark store: one file object opened
// shared for reading and writing (as the program opens its tables), every
// change an update-mode operation that commits at its end, every read a
// reader-mode operation.
#pragma once

#include <memory>

#include "bench/store.h"

namespace bench {

std::unique_ptr<Store> make_engine_store();

}  // namespace bench
