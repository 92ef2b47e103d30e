#include "platform/ui/picture.h"

#include <cctype>
#include <cstdio>

#include "platform/ui/date.h"

namespace ui {
namespace {

constexpr int kDayMonthYear = 6;   // the one date style: dd/mm/yyyy
constexpr int kDateWidth = 10;
constexpr int kMaxWidth = 4096;

bool read_number(std::string_view s, size_t* i, int* out) {
  size_t start = *i;
  int n = 0;
  while (*i < s.size() && std::isdigit(static_cast<unsigned char>(s[*i])) && n <= kMaxWidth) {
    n = n * 10 + (s[*i] - '0');
    ++*i;
  }
  *out = n;
  return *i > start && n <= kMaxWidth;
}

std::string trim_right(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

// Splits "d/m/yyyy" (separators '/', '-' or '.') or "ddmmyyyy" into a day
// number; 0 when it is no date.
int32_t parse_date(std::string_view t) {
  int parts[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int part = 0;
  bool compact = t.find_first_of("/-.") == std::string_view::npos;
  for (char c : t) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      if (compact) part = digits[0] < 2 ? 0 : digits[1] < 2 ? 1 : 2;
      if (digits[part] >= 4) return 0;
      parts[part] = parts[part] * 10 + (c - '0');
      ++digits[part];
    } else if (c == '/' || c == '-' || c == '.') {
      if (compact || ++part > 2) return 0;
    } else if (c != ' ') {
      return 0;
    }
  }
  if (digits[0] == 0 || digits[1] == 0 || digits[2] != 4 || digits[0] > 2 || digits[1] > 2) {
    return 0;
  }
  return date_to_days(parts[0], parts[1], parts[2]);
}

}  // namespace

size_t utf8_length(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

std::string utf8_prefix(std::string_view text, size_t count) {
  size_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == count) {
      return std::string(text.substr(0, i));
    }
  }
  return std::string(text);
}

std::optional<Picture> Picture::parse(std::string_view text) {
  if (text.size() < 2 || text[0] != '@') return std::nullopt;
  Picture p;
  size_t i = 2;
  switch (std::tolower(static_cast<unsigned char>(text[1]))) {
    case 'n':
      p.kind_ = Kind::number;
      if (i < text.size() && text[i] == '-') {
        p.signed_ = true;
        ++i;
      }
      if (!read_number(text, &i, &p.width_) || p.width_ == 0) return std::nullopt;
      break;
    case 's':
      p.kind_ = Kind::text;
      if (!read_number(text, &i, &p.width_) || p.width_ == 0) return std::nullopt;
      break;
    case 'd': {
      int style = 0;
      if (!read_number(text, &i, &style) || style != kDayMonthYear) return std::nullopt;
      p.kind_ = Kind::date;
      p.width_ = kDateWidth;
      break;
    }
    default:
      return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  return p;
}

std::string Picture::format(const Value& value) const {
  switch (kind_) {
    case Kind::none:
      return trim_right(value.as_text());
    case Kind::text:
      return trim_right(utf8_prefix(value.as_text(), width_));
    case Kind::number: {
      std::string s = std::to_string(value.as_number());
      if (static_cast<int>(s.size()) > width_) return std::string(width_, '#');
      return s;
    }
    case Kind::date: {
      CivilDate d = days_to_date(static_cast<int32_t>(value.as_number()));
      if (d.year == 0) return "";
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", d.day, d.month, d.year);
      return buffer;
    }
  }
  return "";
}

Value Picture::deformat(std::string_view typed) const {
  switch (kind_) {
    case Kind::none:
      return Value::of_text(std::string(typed));
    case Kind::text:
      return Value::of_text(utf8_prefix(typed, width_));
    case Kind::number:
      return Value::of_number(Value::of_text(std::string(typed)).as_number());
    case Kind::date:
      return Value::of_number(parse_date(typed));
  }
  return {};
}

bool Picture::allows(std::string_view typed) const {
  switch (kind_) {
    case Kind::none:
      return true;
    case Kind::text:
      return utf8_length(typed) <= static_cast<size_t>(width_);
    case Kind::number: {
      if (static_cast<int>(typed.size()) > width_) return false;
      for (size_t i = 0; i < typed.size(); ++i) {
        bool sign = typed[i] == '-' && i == 0 && signed_;
        if (!sign && !std::isdigit(static_cast<unsigned char>(typed[i]))) return false;
      }
      return true;
    }
    case Kind::date:
      if (typed.size() > kDateWidth) return false;
      for (char c : typed) {
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '/') return false;
      }
      return true;
  }
  return false;
}

}  // namespace ui
