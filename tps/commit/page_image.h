// Turning a cached page back into its on-disk image.
//
// Image layout: u32 own offset, u16 stored size, u16 uncompressed size,
// u16 size estimate, u16 record count, u8 level, then (index pages) one u32
// child page number per record, then the framed records, run-length
// compressed when that saves at least one 256-byte unit, then 0xB0 padding
// up to the size class.
#pragma once

#include <cstdint>
#include <vector>

namespace tps {

struct PageNode;

inline constexpr uint8_t kImagePadding = 0xB0;

// Builds page->image (faults 1659, 1678) and returns its size class.
int build_page_image(PageNode* page);
// Fills the child references and the own offset just before the image is
// written (relocation may have changed child numbers since it was built).
void finish_page_image(PageNode* page, uint32_t home_offset);

}  // namespace tps
