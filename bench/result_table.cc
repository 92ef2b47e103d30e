#include "bench/result_table.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

// Display width of UTF-8 text: bytes that do not continue a character.
size_t display_width(const std::string& text) {
  return size_t(std::count_if(text.begin(), text.end(),
                              [](char c) { return (uint8_t(c) & 0xC0) != 0x80; }));
}

std::string printf_text(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// Three significant digits for values from 1 to 999.
std::string significant(double value) {
  if (value >= 100) return printf_text("%.0f", value);
  if (value >= 10) return printf_text("%.1f", value);
  return printf_text("%.2f", value);
}

}  // namespace

void ResultTable::add_row(std::vector<std::string> cells) {
  cells.resize(header_.size());
  rows_.push_back(std::move(cells));
}

void ResultTable::print(std::FILE* out) const {
  std::vector<size_t> widths(header_.size());
  auto widen = [&](const std::vector<std::string>& cells) {
    for (size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], display_width(cells[i]));
  };
  widen(header_);
  for (const auto& row : rows_) widen(row);

  auto print_row = [&](const std::vector<std::string>& cells) {
    std::fputs("|", out);
    for (size_t i = 0; i < cells.size(); ++i) {
      // Text left, figures right.
      size_t pad = widths[i] - display_width(cells[i]);
      if (i == 0) {
        std::fprintf(out, " %s%*s |", cells[i].c_str(), int(pad), "");
      } else {
        std::fprintf(out, " %*s%s |", int(pad), "", cells[i].c_str());
      }
    }
    std::fputs("\n", out);
  };
  print_row(header_);
  std::fputs("|", out);
  for (size_t i = 0; i < widths.size(); ++i) {
    std::string dashes(widths[i], '-');
    std::fprintf(out, i == 0 ? " %s |" : " %s: |", i == 0 ? dashes.c_str() : dashes.substr(1).c_str());
  }
  std::fputs("\n", out);
  for (const auto& row : rows_) print_row(row);
}

std::string significant_text(double value) { return significant(value); }

std::string format_duration(double seconds) {
  if (seconds <= 0) return "-";
  if (seconds < 1e-6) return significant(seconds * 1e9) + " ns";
  if (seconds < 1e-3) return significant(seconds * 1e6) + " µs";
  if (seconds < 1) return significant(seconds * 1e3) + " ms";
  return significant(seconds) + " s";
}

std::string format_bytes(double bytes) {
  if (bytes < 1024) return printf_text("%.0f B", bytes);
  if (bytes < 1024 * 1024) return significant(bytes / 1024) + " KiB";
  if (bytes < 1024.0 * 1024 * 1024) return significant(bytes / (1024 * 1024)) + " MiB";
  return significant(bytes / (1024.0 * 1024 * 1024)) + " GiB";
}

std::string format_rate(double per_second) {
  if (per_second >= 1e6) return significant(per_second / 1e6) + " M/s";
  if (per_second >= 1e3) return significant(per_second / 1e3) + " k/s";
  return significant(per_second) + " /s";
}

std::string format_ratio(double ratio) {
  if (!(ratio > 0) || !std::isfinite(ratio)) return "-";
  return significant(ratio) + "x";
}

}  // namespace bench
