// Where pages live in the file: the size-class regions of the header.
//
// Region k (1..59) holds the pages of size class k back to back and is kept
// dense: there is no free list and no unused slot inside a region. A page
// that leaves a region is replaced by the region's last page; a page that
// needs a place makes room by sliding neighbouring regions, moving single
// pages from one end of a region to the other. Moving a page renumbers it in
// the cache and in its parent's index entry.
#pragma once

#include <cstdint>

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
  // Renumbers a page from a to b, updating the root or its parent's entry.
  void move_page(int32_t from, int32_t to);

 private:
  bool slide_down(int a, int32_t gap);
  void slide_up(int d, int32_t gap);
  int32_t start(int k) const;
  int32_t end(int k) const;
  void set(int k, int32_t start, int32_t end);

  FileObject& file_;
};

}  // namespace tps
