#include "tests/dictionary/expected_records.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace testing_support {
namespace {

// Just enough JSON for expected.json: objects, arrays, strings, numbers, null.
struct Json {
  enum class Kind { kNull, kNumber, kString, kArray, kObject } kind = Kind::kNull;
  std::string text;  // string contents, or the number as written
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;
};

class Parser {
 public:
  explicit Parser(std::string input) : in_(std::move(input)) {}

  Json parse() {
    Json value = parse_value();
    skip_space();
    if (pos_ != in_.size()) fail("trailing text");
    return value;
  }

 private:
  [[noreturn]] void fail(const char* what) { throw std::runtime_error(std::string(what) + " at " + std::to_string(pos_)); }
  void skip_space() {
    while (pos_ < in_.size() && std::isspace(static_cast<unsigned char>(in_[pos_]))) ++pos_;
  }
  char peek() {
    skip_space();
    if (pos_ >= in_.size()) fail("unexpected end");
    return in_[pos_];
  }
  void expect(char c) {
    if (peek() != c) fail("unexpected character");
    ++pos_;
  }

  Json parse_value() {
    const char c = peek();
    if (c == '{') return parse_object();
    if (c == '[') return parse_array();
    if (c == '"') return Json{Json::Kind::kString, parse_string(), {}, {}};
    if (in_.compare(pos_, 4, "null") == 0) {
      pos_ += 4;
      return Json{};
    }
    const size_t start = pos_;
    while (pos_ < in_.size() && std::string_view("+-.eE0123456789").find(in_[pos_]) != std::string_view::npos) ++pos_;
    if (start == pos_) fail("bad value");
    return Json{Json::Kind::kNumber, in_.substr(start, pos_ - start), {}, {}};
  }

  Json parse_object() {
    Json object{Json::Kind::kObject, {}, {}, {}};
    expect('{');
    if (peek() == '}') return ++pos_, object;
    for (;;) {
      if (peek() != '"') fail("member name expected");
      std::string name = parse_string();
      expect(':');
      object.members.emplace_back(std::move(name), parse_value());
      if (peek() == '}') return ++pos_, object;
      expect(',');
    }
  }

  Json parse_array() {
    Json array{Json::Kind::kArray, {}, {}, {}};
    expect('[');
    if (peek() == ']') return ++pos_, array;
    for (;;) {
      array.items.push_back(parse_value());
      if (peek() == ']') return ++pos_, array;
      expect(',');
    }
  }

  static void append_utf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
      out += char(code);
    } else if (code < 0x800) {
      out += char(0xC0 | (code >> 6));
      out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += char(0xE0 | (code >> 12));
      out += char(0x80 | ((code >> 6) & 0x3F));
      out += char(0x80 | (code & 0x3F));
    } else {
      out += char(0xF0 | (code >> 18));
      out += char(0x80 | ((code >> 12) & 0x3F));
      out += char(0x80 | ((code >> 6) & 0x3F));
      out += char(0x80 | (code & 0x3F));
    }
  }

  uint32_t hex4() {
    if (pos_ + 4 > in_.size()) fail("short escape");
    const uint32_t value = std::stoul(in_.substr(pos_, 4), nullptr, 16);
    pos_ += 4;
    return value;
  }

  std::string parse_string() {
    expect('"');
    std::string out;
    while (pos_ < in_.size() && in_[pos_] != '"') {
      char c = in_[pos_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= in_.size()) fail("short escape");
      c = in_[pos_++];
      switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          uint32_t code = hex4();
          if (code >= 0xD800 && code < 0xDC00 && in_.compare(pos_, 2, "\\u") == 0) {
            pos_ += 2;
            code = 0x10000 + ((code - 0xD800) << 10) + (hex4() - 0xDC00);
          }
          append_utf8(out, code);
          break;
        }
        default: out += c;
      }
    }
    expect('"');
    return out;
  }

  std::string in_;
  size_t pos_ = 0;
};

const Json& member(const Json& object, const std::string& name) {
  for (const auto& [key, value] : object.members)
    if (key == name) return value;
  throw std::runtime_error("missing member " + name);
}

ExpectedRecord record_of(const Json& json) {
  ExpectedRecord record;
  record.record = static_cast<uint32_t>(std::stoul(member(json, "record").text));
  for (const auto& [label, value] : member(json, "fields").members)
    record.fields[label] = value.kind == Json::Kind::kNull ? std::nullopt : std::optional<std::string>(value.text);
  for (const auto& [label, value] : member(json, "memos").members) record.memos[label] = value.text;
  return record;
}

}  // namespace

std::map<std::string, std::vector<ExpectedRecord>> read_expected_records(const std::string& path) {
  std::map<std::string, std::vector<ExpectedRecord>> files;
  std::ifstream in(path);
  try {
    const Json root = Parser(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())).parse();
    for (const auto& [file, records] : root.members)
      for (const Json& record : records.items) files[file].push_back(record_of(record));
  } catch (const std::exception& e) {
    ADD_FAILURE() << path << ": " << e.what();
  }
  return files;
}

}  // namespace testing_support
