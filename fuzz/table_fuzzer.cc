// Runs the administrators' table commands (`check`, `dump`, `tables`) over
// arbitrary bytes taken as a TPS file: damaged pages, definitions, counters,
// key entries, data records and memo chunks must end in a report or an
// error, never a crash, a hang or an out-of-bounds access. The files of
// ../shared/fixtures/two-tables are good seeds.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "platform/os/memory_file_system.h"
#include "tools/tpsutil/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  os::MemoryFileSystem fs;
  fs.set_contents("/f.tps", std::vector<uint8_t>(data, data + size));
  for (const char* command : {"check", "dump", "tables"}) {
    std::ostringstream out, err;
    tpsutil::run({command, "/f.tps"}, {out, err, &fs});
  }
  return 0;
}
