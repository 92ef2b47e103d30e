// A plain-text table with aligned columns, in the pipe layout of a Markdown
// table so that it can be pasted into notes as it is.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

class ResultTable {
 public:
  explicit ResultTable(std::vector<std::string> header) : header_(std::move(header)) {}

  // Adds a row; missing cells are empty, extra cells are dropped.
  void add_row(std::vector<std::string> cells);
  void print(std::FILE* out) const;

 private:
  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> rows_;
};

// Figures as the table shows them.
std::string format_duration(double seconds);  // "412 ns", "3.1 µs", "4.20 ms", "2.41 s"
std::string format_bytes(double bytes);       // "131.2 MiB"
std::string format_rate(double per_second);   // "415 k/s"
std::string format_ratio(double ratio);       // "1.83x"
std::string significant_text(double value);   // three significant digits: "4.02", "13.2"

}  // namespace bench
