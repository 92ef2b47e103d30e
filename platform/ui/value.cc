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

// Code points of bytes 0x80..0x9F in code page 1252; 0 where it has none.
constexpr char16_t kAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char ansi_of(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kAnsiHigh[i] != 0 && kAnsiHigh[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::string ansi_to_utf8(std::string_view ansi) {
  std::string out;
  for (char ch : ansi) {
    auto b = static_cast<unsigned char>(ch);
    char32_t c = b < 0x80 || b >= 0xA0 ? b : kAnsiHigh[b - 0x80];
    append_utf8(out, c == 0 ? U'?' : c);
  }
  return out;
}

std::string utf8_to_ansi(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + extra >= utf8.size()) {
      out += '?';  // a stray or cut sequence
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      auto cont = static_cast<unsigned char>(utf8[i + k]);
      valid &= (cont & 0xC0) == 0x80;
      c = (c << 6) | (cont & 0x3F);
    }
    out += valid ? ansi_of(c) : '?';
    i += valid ? extra + 1 : 1;
  }
  return out;
}

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

Variable Variable::of_ansi_chars(char* bytes, size_t size) {
  Variable raw = of_chars(bytes, size);
  return Variable([raw] { return Value::of_text(ansi_to_utf8(raw.get().text)); },
                  [raw](const Value& x) { raw.set(Value::of_text(utf8_to_ansi(x.as_text()))); });
}

Variable Variable::of_ansi(std::string& v) {
  return Variable([&v] { return Value::of_text(ansi_to_utf8(v)); },
                  [&v](const Value& x) { v = utf8_to_ansi(x.as_text()); });
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
