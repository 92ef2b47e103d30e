// Opens arbitrary bytes as a TPS file and walks it the way a reading station
// and an administrator would: header refresh (with any pending log), every
// page reachable from the root through the page tree, a scan through the
// leaves, and the structure check. Malformed input must end in an error
// number or an engine fault, never a crash, a hang or an out-of-bounds access.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/os/memory_file_system.h"
#include "tps/errors/fault.h"
#include "tps/maint/structure_check.h"
#include "tps/page/file_object.h"
#include "tps/tree/page_tree.h"

namespace {

void scan(tps::FileObject& file) {
  tps::PageTree tree(file);
  std::vector<uint8_t> key;  // starts empty: first record after the empty one
  tps::RecordRef at;
  for (int steps = 0; steps < 100000; ++steps) {
    at = tree.find_first_after(key.data(), key.size(), at ? &at : nullptr);
    if (!at) return;
    key.assign(at.record->bytes(), at.record->bytes() + at.record->key_length);
    tree.find_exact(key.data(), key.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  os::MemoryFileSystem fs;
  fs.set_contents("/f.tps", std::vector<uint8_t>(data, data + size));
  tps::FileObject file(fs, "/f.tps");
  tps::OpenOptions options;
  options.write = false;
  try {
    if (file.open(options) != 0) return 0;
    tps::check_structure(file);
    scan(file);
  } catch (const tps::EngineFault&) {
  }
  return 0;
}
