// The report engine: prints bands by number onto pages.
//
// A page starts with its form band and page header (each at its own
// position), details follow one another down the body, and the page footer
// closes the page. A detail that does not fit in what is left of the body,
// or would run past the paper's bottom edge, moves whole to the next page.
// Values are taken from the variables when a band is printed.
#pragma once

#include <string>
#include <vector>

#include "platform/report/page.h"
#include "platform/report/report_decl.h"

namespace report {

class Report {
 public:
  // REQUIRES: `decl` outlives the report.
  explicit Report(const ReportDecl& decl) : decl_(decl) {}
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  // Starts a new run: forgets earlier pages.
  void Open();
  // Prints band number `band`; a number that is no band prints nothing and
  // returns false.
  bool Print(int band);
  // Closes the last page.
  void Close();

  const std::vector<Page>& pages() const { return pages_; }
  int page_count() const { return static_cast<int>(pages_.size()); }
  const ReportDecl& decl() const { return decl_; }

 private:
  void start_page();
  void end_page();
  // Adds the band's controls with their values now, the band at (x, y).
  void place(const Band& band, double x, double y);
  double body_bottom() const;

  const ReportDecl& decl_;
  std::vector<Page> pages_;
  bool page_open_ = false;
  double cursor_y_ = 0;  // where the next detail goes
};

}  // namespace report
