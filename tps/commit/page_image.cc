#include "tps/commit/page_image.h"

#include <algorithm>
#include <cstring>

#include "tps/base/bytes.h"
#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"
#include "tps/page/file_header.h"
#include "tps/page/page_node.h"
#include "tps/tree/compression.h"
#include "tps/tree/framing.h"

namespace tps {

int build_page_image(PageNode* page) {
  const uint32_t count = page->records.size();
  const uint32_t children = page->is_leaf() ? 0 : 4 * count;
  const uint32_t body_start = kPageHeaderSize + children;

  // Both forms are built in buffers reused from page to page; the image
  // kept gets one allocation of its final size.
  thread_local std::vector<uint8_t> plain, packed;
  plain.assign(body_start, 0);
  encode_records(page->records, plain);
  const uint32_t uncompressed = uint32_t(plain.size());
  check_or_fault(uncompressed <= page->estimate, fault::kEncodedOverEstimate);

  packed.assign(plain.begin(), plain.begin() + body_start);
  bool compressible = compress_body(plain.data() + body_start, uncompressed - body_start, packed);
  const std::vector<uint8_t>& chosen =
      compressible && round_up_to_unit(uint32_t(packed.size())) < round_up_to_unit(uncompressed)
          ? packed
          : plain;
  const uint32_t stored = uint32_t(chosen.size());
  const uint32_t rounded = round_up_to_unit(stored);
  check_or_fault(rounded <= kLargestImage, fault::kImageTooLarge);

  std::vector<uint8_t> image(rounded, kImagePadding);
  std::memcpy(image.data(), chosen.data(), stored);
  store_u16le(image.data() + 4, uint16_t(stored));
  store_u16le(image.data() + 6, uint16_t(uncompressed));
  store_u16le(image.data() + 8, uint16_t(page->estimate));
  store_u16le(image.data() + 10, uint16_t(count));
  image[12] = page->level;
  page->image = std::move(image);
  page->image_built = true;
  return int(rounded / kPageUnit);
}

void finish_page_image(PageNode* page, uint32_t home_offset) {
  uint8_t* image = page->image.data();
  store_u32le(image, home_offset);
  if (page->is_leaf()) return;
  uint32_t i = 0;
  for (RecordNode* r = page->records.first(); r; r = RecordTree::next(r), ++i) {
    store_u32le(image + kPageHeaderSize + 4 * i, uint32_t(r->child));
  }
}

}  // namespace tps
