#include "platform/ui/value.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/ui/date.h"

namespace ui {
namespace {

template <typename T>
T clamp_to(int64_t n) {
  return static_cast<T>(std::clamp<int64_t>(n, std::numeric_limits<T>::min(),
                                            std::numeric_limits<T>::max()));
}

template <typename T>
Variable integer_variable(T& v) {
  return Variable([&v] { return Value::of_number(v); },
                  [&v](const Value& x) { v = clamp_to<T>(x.as_number()); });
}

}  // namespace

int64_t Value::as_number() const {
  if (is_number) return number;
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  bool negative = text[i] == '-';
  if (negative) ++i;
  int64_t n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (n > std::numeric_limits<int64_t>::max() / 10 - 9) break;  // keep what fits
    n = n * 10 + (text[i] - '0');
  }
  return negative ? -n : n;
}

std::string Value::as_text() const { return is_number ? std::to_string(number) : text; }

Variable Variable::of(int32_t& v) { return integer_variable(v); }
Variable Variable::of(int16_t& v) { return integer_variable(v); }
Variable Variable::of(uint8_t& v) { return integer_variable(v); }
Variable Variable::of(int64_t& v) { return integer_variable(v); }

Variable Variable::of(std::string& v) {
  return Variable([&v] { return Value::of_text(v); }, [&v](const Value& x) { v = x.as_text(); });
}

Variable Variable::of_chars(char* bytes, size_t size) {
  return Variable(
      [bytes, size] { return Value::of_text(std::string(bytes, size)); },
      [bytes, size](const Value& x) {
        std::string t = x.as_text();
        size_t n = std::min(t.size(), size);
        std::memcpy(bytes, t.data(), n);
        std::memset(bytes + n, ' ', size - n);
      });
}

Variable Variable::of_date_field(uint8_t* b) {
  return Variable(
      [b] { return Value::of_number(date_to_days(b[0], b[1], b[2] | (b[3] << 8))); },
      [b](const Value& x) {
        CivilDate d = days_to_date(static_cast<int32_t>(x.as_number()));
        b[0] = static_cast<uint8_t>(d.day);
        b[1] = static_cast<uint8_t>(d.month);
        b[2] = static_cast<uint8_t>(d.year & 0xFF);
        b[3] = static_cast<uint8_t>(d.year >> 8);
      });
}

}  // namespace ui
