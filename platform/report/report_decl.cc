#include "platform/report/report_decl.h"

namespace report {

int ReportDecl::add_band(Band b) {
  bands.push_back(std::move(b));
  band_numbers_.push_back(next_number_);
  return next_number_++;
}

int ReportDecl::add(ReportControl c) {
  bands.back().controls.push_back(std::move(c));
  return next_number_++;
}

const Band* ReportDecl::band(int n) const {
  for (size_t i = 0; i < bands.size(); ++i) {
    if (band_numbers_[i] == n) return &bands[i];
  }
  return nullptr;
}

const Band* ReportDecl::band_of_kind(BandKind k) const {
  for (const Band& b : bands) {
    if (b.kind == k) return &b;
  }
  return nullptr;
}

}  // namespace report
