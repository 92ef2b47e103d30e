// Just enough JSON for the tests: values parsed into a
// tree whose objects compare without regard to member order.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  std::string text;                                  // string contents (UTF-8), a number as written, "true"/"false"
  std::vector<Json> items;                           // array
  std::vector<std::pair<std::string, Json>> members;  // object, sorted by name

  bool is_null() const { return kind == Kind::kNull; }
  // The member `name`; a null value when there is none.
  const Json& operator[](const std::string& name) const;
  const Json& operator[](size_t index) const { return items.at(index); }
  bool operator==(const Json& other) const;
};

// Parses `text`; throws std::runtime_error naming the position of a fault.
Json parse_json(const std::string& text);

// A value written back as compact JSON (for failure messages).
std::string to_text(const Json& value);
// How test failures show a value.
inline void PrintTo(const Json& value, std::ostream* out) { *out << to_text(value); }

}  // namespace testing_support
