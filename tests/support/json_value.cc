#include "tests/support/json_value.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace testing_support {

namespace {

class Parser {
 public:
  explicit Parser(const std::string& input) : in_(input) {}

  Json parse() {
    Json value = parse_value();
    skip_space();
    if (pos_ != in_.size()) fail("trailing text");
    return value;
  }

 private:
  [[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string(what) + " at offset " + std::to_string(pos_));
  }
  void skip_space() {
    while (pos_ < in_.size() && (in_[pos_] == ' ' || in_[pos_] == '\n' || in_[pos_] == '\r' || in_[pos_] == '\t'))
      ++pos_;
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
  bool take_word(std::string_view word) {
    if (in_.compare(pos_, word.size(), word) != 0) return false;
    pos_ += word.size();
    return true;
  }

  Json parse_value() {
    const char c = peek();
    if (c == '{') return parse_object();
    if (c == '[') return parse_array();
    Json value;
    if (c == '"') {
      value.kind = Json::Kind::kString;
      value.text = parse_string();
    } else if (take_word("null")) {
    } else if (take_word("true")) {
      value.kind = Json::Kind::kBool;
      value.text = "true";
    } else if (take_word("false")) {
      value.kind = Json::Kind::kBool;
      value.text = "false";
    } else {
      const size_t start = pos_;
      while (pos_ < in_.size() && std::string_view("+-.eE0123456789").find(in_[pos_]) != std::string_view::npos) ++pos_;
      if (start == pos_) fail("bad value");
      value.kind = Json::Kind::kNumber;
      value.text = in_.substr(start, pos_ - start);
    }
    return value;
  }

  Json parse_object() {
    Json object;
    object.kind = Json::Kind::kObject;
    expect('{');
    if (peek() != '}') {
      for (;;) {
        if (peek() != '"') fail("member name expected");
        std::string name = parse_string();
        expect(':');
        object.members.emplace_back(std::move(name), parse_value());
        if (peek() == '}') break;
        expect(',');
      }
    }
    ++pos_;
    std::sort(object.members.begin(), object.members.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < object.members.size(); ++i)
      if (object.members[i].first == object.members[i - 1].first) fail("duplicate member");
    return object;
  }

  Json parse_array() {
    Json array;
    array.kind = Json::Kind::kArray;
    expect('[');
    if (peek() != ']') {
      for (;;) {
        array.items.push_back(parse_value());
        if (peek() == ']') break;
        expect(',');
      }
    }
    ++pos_;
    return array;
  }

  uint32_t hex4() {
    if (pos_ + 4 > in_.size()) fail("short escape");
    const uint32_t code = std::stoul(in_.substr(pos_, 4), nullptr, 16);
    pos_ += 4;
    return code;
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

  std::string parse_string() {
    expect('"');
    std::string out;
    for (;;) {
      if (pos_ >= in_.size()) fail("unterminated string");
      const char c = in_[pos_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) fail("control character in string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= in_.size()) fail("unterminated escape");
      const char e = in_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t code = hex4();
          if (code >= 0xD800 && code < 0xDC00 && take_word("\\u")) code = 0x10000 + ((code - 0xD800) << 10) + (hex4() - 0xDC00);
          append_utf8(out, code);
          break;
        }
        default: fail("bad escape");
      }
    }
  }

  const std::string& in_;
  size_t pos_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& name) const {
  static const Json none;
  for (const auto& [member, value] : members)
    if (member == name) return value;
  return none;
}

bool Json::operator==(const Json& other) const {
  return kind == other.kind && text == other.text && items == other.items && members == other.members;
}

Json parse_json(const std::string& text) { return Parser(text).parse(); }

std::string to_text(const Json& value) {
  switch (value.kind) {
    case Json::Kind::kNull: return "null";
    case Json::Kind::kString: return "\"" + value.text + "\"";
    case Json::Kind::kArray: {
      std::string out = "[";
      for (size_t i = 0; i < value.items.size(); ++i) out += (i ? "," : "") + to_text(value.items[i]);
      return out + "]";
    }
    case Json::Kind::kObject: {
      std::string out = "{";
      for (size_t i = 0; i < value.members.size(); ++i)
        out += (i ? ",\"" : "\"") + value.members[i].first + "\":" + to_text(value.members[i].second);
      return out + "}";
    }
    default: return value.text;
  }
}

}  // namespace testing_support
