// Where pages live in the file: the size-class regions of the header.
//
// Region k (1..59) holds the pages of size class k back to back and is kept
// dense: there is no free list and no unused slot inside a region. A page
// that leaves a region is replaced by the region's last page; a page that
// needs a place makes room by sliding neighbouring regions, moving single
// pages from one end of a region to the other. Moving a page renumbers it in
// the cache and in its parent's index entry.
//
// A commit places many pages, and every page placed below a region slides
// one page of each region above it: the same page may be slid along many
// times. The moves are therefore only noted as they are made (each moved
// page is loaded and turns dirty at its first move), and apply_moves()
// renumbers every moved page once.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "tps/base/int_map.h"

namespace tps {

class FileObject;
struct PageNode;

class Placement {
 public:
  explicit Placement(FileObject& file) : file_(file) {}

  // Gives a page a place in class k's region and returns its number.
  int32_t allocate(int k);
  // Removes page n from its region (the region's last page takes its place).
  // Temporary numbers have no region and vacate nothing.
  void vacate(int32_t page_number);
  // Moves the page into the region of class k (nothing when it is there).
  void relocate(PageNode* page, int k);
  // Packs regions 2..59 down against the region below (once per commit).
  void compact();
  // Renumbers every page moved since the last call, updating the root or
  // its parent's entry (the parent turns dirty).
  void apply_moves();

 private:
  static constexpr int32_t kVacant = INT32_MIN;

  // Moves the page at number `from` to the free number `to`.
  void move(int32_t from, int32_t to);
  // Pages are known by their numbers as of the last apply_moves().
  // Where page `page` is now.
  int32_t number_now(int32_t page) const;
  // The page at `number` now.
  int32_t page_at(int32_t number) const;

  bool slide_down(int a, int32_t gap);
  void slide_up(int d, int32_t gap);
  int32_t start(int k) const;
  int32_t end(int k) const;
  void set(int k, int32_t start, int32_t end);

  FileObject& file_;
  IntMap number_now_;                    // moved pages -> number now
  IntMap page_at_;                       // numbers moved from or to -> page there, or kVacant
  std::vector<int32_t> moved_in_order_;  // moved pages, in the order of their first move
};

}  // namespace tps
