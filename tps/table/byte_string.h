// The byte strings table records are built from.
#pragma once

#include <cstdint>
#include <vector>

namespace tps {

using Bytes = std::vector<uint8_t>;

}  // namespace tps
