#include "tps/commit/placement.h"

#include <vector>

#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"
#include "tps/page/file_object.h"
#include "tps/tree/page_tree.h"

namespace tps {

int32_t Placement::start(int k) const { return file_.header().region_start(k); }
int32_t Placement::end(int k) const { return file_.header().region_end(k); }
void Placement::set(int k, int32_t s, int32_t e) { file_.header().set_region(k, s, e); }

int32_t Placement::allocate(int k) {
  if (slide_down(k - 1, k)) {
    int32_t page = start(k) - k;
    set(k, page, end(k));
    return page;
  }
  slide_up(k, k);
  int32_t page = end(k);
  set(k, start(k), page + k);
  return page;
}

// Opens a gap of at least `gap` units below region a+1 by moving region a
// (and, recursively, the regions below it) down.
bool Placement::slide_down(int a, int32_t gap) {
  if (start(a + 1) - end(a) >= gap) return true;
  if (a == 0) return false;  // class 0 never moves
  int32_t shortfall = gap - (start(a + 1) - end(a));
  if (!slide_down(a - 1, (shortfall + a - 1) / a * a)) return false;
  while (start(a + 1) - end(a) < gap) {
    if (end(a) > start(a)) move(end(a) - a, start(a) - a);
    set(a, start(a) - a, end(a) - a);
  }
  return true;
}

// Opens a gap of at least `gap` units above region d by moving the regions
// above it up.
void Placement::slide_up(int d, int32_t gap) {
  check_or_fault(gap <= d, fault::kRegionShiftTooLarge);
  if (d >= kLargestClass) return;
  int32_t have = start(d + 1) - end(d);
  if (have >= gap) return;
  int e = d + 1;
  if (end(e) - start(e) > e) {
    slide_up(e, e);
    move(start(e), end(e));
    set(e, start(e) + e, end(e) + e);
  } else {
    int32_t shift = gap - have;
    slide_up(e, shift);
    if (end(e) > start(e)) move(start(e), start(e) + shift);
    set(e, start(e) + shift, end(e) + shift);
  }
}

void Placement::vacate(int32_t page_number) {
  if (page_number < 0) return;
  int k = file_.header().class_of(page_number);
  if (k == 0) return;
  int32_t last = end(k) - k;
  move(last, page_number);
  set(k, start(k), last);
}

void Placement::relocate(PageNode* page, int k) {
  int32_t number = number_now(page->number);
  int current = number < 0 ? 0 : file_.header().class_of(number);
  if (current == k) return;
  if (current != 0) {
    int32_t temporary = file_.next_temporary_number();
    move(number, temporary);
    vacate(number);
    number = temporary;
  }
  move(number, allocate(k));
}

void Placement::compact() {
  for (int k = 2; k <= kLargestClass; ++k) {
    if (end(k) - start(k) > k) {
      while (start(k) - end(k - 1) >= k) {
        move(end(k) - k, start(k) - k);
        set(k, start(k) - k, end(k) - k);
      }
    } else {
      int32_t extent = end(k) - start(k);
      if (extent > 0) move(start(k), end(k - 1));
      int32_t s = end(k - 1);
      set(k, s, s + extent);
    }
  }
}

int32_t Placement::number_now(int32_t page) const {
  const int32_t* moved = number_now_.find(page);
  return moved ? *moved : page;
}

int32_t Placement::page_at(int32_t number) const {
  const int32_t* moved = page_at_.find(number);
  return moved ? *moved : number;
}

void Placement::move(int32_t from, int32_t to) {
  if (from == to) return;
  const int32_t page = page_at(from);
  check_or_fault(page != kVacant, fault::kMovedPageEmpty);
  page_at_.put(from, kVacant);
  page_at_.put(to, page);
  if (!number_now_.put(page, to)) return;
  // First move: loaded now, while the header still gives its number's size
  // class, and dirty, so that it stays cached until apply_moves().
  moved_in_order_.push_back(page);
  file_.mark_dirty(file_.load_page(page));
}

void Placement::apply_moves() {
  struct Renumbering {
    PageNode* page;
    int32_t to;
    RecordNode* parent_entry;  // nullptr for the root
  };
  // Parents are found while every page still has its old number, and only
  // then are the numbers changed, so one search never meets another's result.
  std::vector<Renumbering> moved;
  for (int32_t page_number : moved_in_order_) {
    const int32_t to = number_now(page_number);
    if (page_number == to) continue;
    PageNode* page = file_.load_page(page_number);  // cached and dirty since its first move
    moved.push_back({page, to, nullptr});
    if (file_.header().root() == page_number) continue;
    const RecordNode* first = page->records.first();
    check_or_fault(first != nullptr, fault::kMovedPageEmpty);
    RecordRef parent = PageTree(file_).find_parent_entry(first->bytes(), first->key_length, page_number);
    file_.mark_dirty(parent.page);
    moved.back().parent_entry = parent.record;
  }
  std::vector<std::pair<PageNode*, int32_t>> numbers;
  for (const Renumbering& m : moved) {
    if (m.parent_entry) {
      m.parent_entry->child = m.to;
    } else {
      file_.header().set_root(m.to);
    }
    numbers.emplace_back(m.page, m.to);
  }
  file_.cache().renumber(numbers);
  number_now_.clear();
  page_at_.clear();
  moved_in_order_.clear();
}

}  // namespace tps
