#include "platform/report/step_string.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace report {
namespace {

constexpr int kSignificantCharacters = 8;  // beyond that a double has no room
constexpr int kBase = 36 + 26;             // digits, capitals, small letters

}  // namespace

double StepStringClass::position(const std::string& text) const {
  double value = 0, scale = 1.0 / kBase;
  int used = 0;
  for (unsigned char c : text) {
    if (used == kSignificantCharacters) break;
    if ((flags_ & kNoCase) != 0) c = static_cast<unsigned char>(std::toupper(c));
    int digit = -1;
    if ((flags_ & kNumeric) != 0 && std::isdigit(c)) digit = c - '0';
    if ((flags_ & kAlpha) != 0 && std::isupper(c)) digit = 10 + (c - 'A');
    if ((flags_ & kAlpha) != 0 && std::islower(c)) digit = 36 + (c - 'a');
    if (digit < 0) continue;
    value += digit * scale;
    scale /= kBase;
    ++used;
  }
  return value;
}

void StepStringClass::SetLimit(const std::string& low, const std::string& high) {
  low_ = position(low);
  high_ = position(high);
}

int StepStringClass::GetPercentile(const std::string& value) const {
  if (high_ <= low_) return 0;
  double p = (position(value) - low_) / (high_ - low_) * 100.0;
  return static_cast<int>(std::lround(std::clamp(p, 0.0, 100.0)));
}

}  // namespace report
