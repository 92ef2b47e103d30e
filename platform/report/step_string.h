// Estimates how far a run through records in text order has got, from the
// text of the record just read between the first and last texts of the
// range: texts are read as fractions in base 36 over their letters and
// digits, so "M" lies about half way from "A" to "Z".
#pragma once

#include <string>

namespace report {

class StepStringClass {
 public:
  // Which characters count; anything else is skipped.
  static constexpr int kAlpha = 1;
  static constexpr int kNumeric = 2;
  static constexpr int kNoCase = 4;  // compare in upper case

  void Init(int flags) { flags_ = flags; }
  // The texts of the first and last record of the range.
  void SetLimit(const std::string& low, const std::string& high);
  // 0..100 for `value` between the limits (clamped outside them; 0 when the
  // limits do not span anything).
  int GetPercentile(const std::string& value) const;

 private:
  double position(const std::string& text) const;
  int flags_ = kAlpha | kNumeric | kNoCase;
  double low_ = 0, high_ = 0;
};

}  // namespace report
