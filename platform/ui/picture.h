// Display and entry pictures: how a value is shown in a control and how the
// text a user typed becomes a value again.
//
//   @n[-]W   a whole number in W positions, a leading minus sign when negative
//   @sW      W characters of text
//   @d06     a date as dd/mm/yyyy (day and month with two digits)
//
// A number too wide for its positions shows as W '#' characters rather than a
// wrong number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/value.h"

namespace ui {

class Picture {
 public:
  enum class Kind { none, number, text, date };

  Picture() = default;  // no picture: values shown as they are
  // Parses a picture such as "@n-14"; nothing when it is not one.
  static std::optional<Picture> parse(std::string_view text);

  Kind kind() const { return kind_; }
  // Positions (characters) the picture shows; 0 for no picture.
  int width() const { return width_; }
  bool signed_number() const { return signed_; }

  // The text shown for `value`; texts lose their trailing blanks, a date of
  // day number 0 shows empty.
  std::string format(const Value& value) const;
  // The value of `typed`: a number (0 when empty), the text cut to the
  // picture's width, or a day number (0 when empty or not a valid date).
  Value deformat(std::string_view typed) const;
  // Whether `typed` may stand in an entry while the user is still typing.
  bool allows(std::string_view typed) const;

 private:
  Kind kind_ = Kind::none;
  int width_ = 0;
  bool signed_ = false;
};

// Counts the characters (not bytes) of UTF-8 text.
size_t utf8_length(std::string_view text);
// The first `count` characters of UTF-8 text.
std::string utf8_prefix(std::string_view text, size_t count);

}  // namespace ui
