// The values a control shows and the variables it is bound to.
//
// A control never owns data: it reads its variable to display and writes it
// back when the user's typing is accepted. Record fields, globals and
// procedure locals are all reached through a Variable, so the window system
// knows nothing about record layouts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ui {

// A number or a text; pictures convert between the two where they must.
struct Value {
  bool is_number = false;
  int64_t number = 0;
  std::string text;  // UTF-8

  static Value of_number(int64_t n) { return {true, n, {}}; }
  static Value of_text(std::string t) { return {false, 0, std::move(t)}; }
  // The number, or the leading whole number of the text (0 when none).
  int64_t as_number() const;
  // The text, or the number in decimal.
  std::string as_text() const;
};

class Variable {
 public:
  Variable() = default;  // bound to nothing
  Variable(std::function<Value()> get, std::function<void(const Value&)> set)
      : get_(std::move(get)), set_(std::move(set)) {}

  // Integers of the record types (LONG, SHORT, BYTE); stores clamp to range.
  static Variable of(int32_t& v);
  static Variable of(int16_t& v);
  static Variable of(uint8_t& v);
  static Variable of(int64_t& v);
  // A text of any length.
  static Variable of(std::string& v);
  // A fixed-length field of `size` bytes, space-padded (STRING(n)).
  // REQUIRES: `bytes` holds `size` bytes and outlives the variable.
  static Variable of_chars(char* bytes, size_t size);
  // The same in the Windows ANSI code page (1252), as the record buffers
  // hold text: shown as UTF-8, stored back as 1252 ('?' for a character
  // the code page lacks).
  static Variable of_ansi_chars(char* bytes, size_t size);
  static Variable of_ansi(std::string& v);
  // A 4-byte date field (day, month, 16-bit little-endian year; all zero
  // means no date) seen as a day number (see ui/date.h).
  static Variable of_date_field(uint8_t* four_bytes);

  bool bound() const { return static_cast<bool>(get_); }
  Value get() const { return get_ ? get_() : Value{}; }
  void set(const Value& v) const {
    if (set_) set_(v);
  }

 private:
  std::function<Value()> get_;
  std::function<void(const Value&)> set_;
};

// Conversions between UTF-8 and the Windows ANSI code page (1252).
std::string ansi_to_utf8(std::string_view ansi);
std::string utf8_to_ansi(std::string_view utf8);

}  // namespace ui
