#include "tps/maint/structure_check.h"

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tps/base/bytes.h"
#include "tps/commit/page_image.h"
#include "tps/errors/fault.h"
#include "tps/page/file_object.h"
#include "tps/tree/compression.h"
#include "tps/tree/framing.h"

namespace tps {

namespace {

struct DecodedPage {
  uint8_t level = 0;
  std::vector<RecordNode*> records;
  std::vector<int32_t> children;
  ~DecodedPage() {
    for (RecordNode* r : records) RecordNode::destroy(r);
  }
};

std::string key_text(const uint8_t* key, size_t length) {
  static const char* digits = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < length && i < 24; ++i) {
    text += digits[key[i] >> 4];
    text += digits[key[i] & 15];
  }
  if (length > 24) text += "...";
  return text.empty() ? "(empty)" : text;
}

class Checker {
 public:
  Checker(FileObject& file, RecordVisitor visitor, void* context)
      : file_(file), header_(file.header()), visitor_(visitor), context_(context) {}

  StructureReport run() {
    check_regions();
    int32_t root = header_.root();
    if (header_.change_counter() == 0) return report_;  // never committed: no pages yet
    DecodedPage page;
    if (read_page(root, page)) {
      report_.levels = uint32_t(page.level) + 1;
      walk(root, page, page.level, nullptr, 0);
    }
    check_every_region_page_reached();
    if (empty_records_ != 1) {
      problem(-1, "the tree holds " + std::to_string(empty_records_) +
                      " empty records instead of exactly one");
    }
    return report_;
  }

 private:
  void problem(int64_t page, std::string text) { report_.problems.push_back({page, std::move(text)}); }

  void check_regions() {
    int32_t previous_end = header_.region_end(0);
    if (header_.region_start(0) != header_.region_end(0)) problem(-1, "region 0 is not empty");
    for (int k = 1; k < kSizeClasses; ++k) {
      int64_t start = uint32_t(header_.region_start(k));
      int64_t end = uint32_t(header_.region_end(k));
      if (end < start) {
        problem(-1, "region " + std::to_string(k) + " ends before it starts");
        continue;
      }
      if ((end - start) % k != 0) {
        problem(-1, "region " + std::to_string(k) + " is not a whole number of its pages");
      }
      if (start < previous_end) {
        problem(-1, "region " + std::to_string(k) + " overlaps the region below it");
      }
      previous_end = int32_t(end);
    }
  }

  bool read_page(int32_t number, DecodedPage& out) {
    int k = header_.class_of(number);
    if (k == 0) {
      problem(number, "page lies in no region");
      return false;
    }
    if (!reached_.insert(number).second) {
      problem(number, "page is reached more than once");
      return false;
    }
    ++report_.pages;
    const size_t length = size_t(k) * kPageUnit;
    std::vector<uint8_t> image(length);
    try {
      if (file_.read_bytes(file_.mapped_offset(page_offset(number)), image.data(), length) !=
          int64_t(length)) {
        problem(number, "page image is cut short by the end of the file");
        return false;
      }
      return decode(number, image, out);
    } catch (const EngineFault& f) {
      problem(number, "page cannot be read (fault " + std::to_string(f.code()) + ")");
      return false;
    }
  }

  bool decode(int32_t number, const std::vector<uint8_t>& image, DecodedPage& out) {
    const uint8_t* p = image.data();
    uint32_t stored = load_u16le(p + 4);
    uint32_t uncompressed = load_u16le(p + 6);
    uint32_t estimate = load_u16le(p + 8);
    uint32_t count = load_u16le(p + 10);
    out.level = p[12];
    if (load_u32le(p) != page_offset(number)) problem(number, "own offset does not match the page");
    if (stored < kPageHeaderSize || round_up_to_unit(stored) != image.size()) {
      problem(number, "stored size " + std::to_string(stored) + " does not match the size class");
      return false;
    }
    for (size_t i = stored; i < image.size(); ++i) {
      if (p[i] != kImagePadding) {
        problem(number, "padding is not 0xB0 throughout");
        break;
      }
    }
    uint32_t body_start = kPageHeaderSize + (out.level > 0 ? 4 * count : 0);
    if (body_start > stored || body_start > uncompressed || (stored > uncompressed)) {
      problem(number, "page header sizes are inconsistent");
      return false;
    }
    if (estimate < uncompressed) problem(number, "size estimate is below the encoded size");
    std::vector<uint8_t> body(p + body_start, p + (stored < uncompressed ? stored : uncompressed));
    if (stored < uncompressed) {
      std::vector<uint8_t> expanded(uncompressed - body_start);
      decompress_body(body.data(), body.size(), expanded.data(), expanded.size());
      body.swap(expanded);
    }
    size_t used = decode_records(body.data(), body.size(), count, out.records);
    if (used != body.size()) {
      problem(number, "records do not end at the uncompressed size");
      return false;
    }
    for (uint32_t i = 0; out.level > 0 && i < count; ++i) {
      out.children.push_back(int32_t(load_u32le(p + kPageHeaderSize + 4 * i)));
    }
    return true;
  }

  void walk(int32_t number, DecodedPage& page, uint8_t expected_level, const RecordNode* entry,
            int depth) {
    if (page.level != expected_level) {
      problem(number, "page is at level " + std::to_string(page.level) + ", expected " +
                          std::to_string(expected_level));
      return;
    }
    if (page.records.empty()) problem(number, "page holds no records");
    if (entry && !page.records.empty()) {
      const RecordNode* first = page.records.front();
      if (compare_keys(first->bytes(), first->key_length, entry->bytes(), entry->key_length) != 0) {
        problem(number, "index entry " + key_text(entry->bytes(), entry->key_length) +
                            " differs from the page's first key " +
                            key_text(first->bytes(), first->key_length));
      }
    }
    for (size_t i = 1; i < page.records.size(); ++i) {
      const RecordNode* a = page.records[i - 1];
      const RecordNode* b = page.records[i];
      if (compare_keys(a->bytes(), a->key_length, b->bytes(), b->key_length) >= 0) {
        problem(number, "keys out of order at record " + std::to_string(i));
      }
    }
    if (page.level == 0) {
      visit_leaf(number, page);
      return;
    }
    for (size_t i = 0; i < page.records.size(); ++i) {
      const RecordNode* e = page.records[i];
      if (e->length != e->key_length) problem(number, "index entry carries data bytes");
      DecodedPage child;
      if (read_page(page.children[i], child)) walk(page.children[i], child, page.level - 1, e, depth + 1);
    }
  }

  void visit_leaf(int32_t number, DecodedPage& page) {
    for (const RecordNode* r : page.records) {
      if (r->length == 0 && r->key_length == 0) {
        ++empty_records_;
        if (!previous_key_.empty() || seen_any_) problem(number, "empty record is not the first record");
      } else {
        ++report_.leaf_records;
      }
      if (seen_any_ && compare_keys(previous_key_.data(), previous_key_.size(), r->bytes(),
                                    r->key_length) >= 0 && r->key_length > 0) {
        problem(number, "key " + key_text(r->bytes(), r->key_length) +
                            " is not above the previous page's last key");
      }
      previous_key_.assign(r->bytes(), r->bytes() + r->key_length);
      seen_any_ = true;
      if (visitor_ && r->key_length > 0) visitor_(context_, r->bytes(), r->length, r->key_length);
    }
  }

  void check_every_region_page_reached() {
    constexpr int kListedPerRegion = 10;
    const int64_t file_size = file_.file_size();
    for (int k = 1; k < kSizeClasses; ++k) {
      int64_t start = uint32_t(header_.region_start(k));
      int64_t end = uint32_t(header_.region_end(k));
      if (end <= start) continue;
      if (file_size >= 0 && int64_t(page_offset(int32_t(end))) > file_size) {
        problem(-1, "region " + std::to_string(k) + " extends past the end of the file");
        continue;
      }
      int64_t unreached = 0;
      for (int64_t n = start; n + k <= end; n += k) {
        if (reached_.count(int32_t(n))) continue;
        if (++unreached <= kListedPerRegion) {
          problem(n, "page of region " + std::to_string(k) + " is not reached from the root");
        }
      }
      if (unreached > kListedPerRegion) {
        problem(-1, std::to_string(unreached) + " pages of region " + std::to_string(k) +
                        " are not reached from the root");
      }
    }
  }

  FileObject& file_;
  FileHeader header_;
  RecordVisitor visitor_;
  void* context_;
  StructureReport report_;
  std::set<int32_t> reached_;
  std::vector<uint8_t> previous_key_;
  bool seen_any_ = false;
  int empty_records_ = 0;
};

}  // namespace

StructureReport check_structure(FileObject& file, RecordVisitor visitor, void* context) {
  return Checker(file, visitor, context).run();
}

}  // namespace tps
