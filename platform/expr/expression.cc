#include "platform/expr/expression.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

#include "tps/base/bytes.h"

namespace expr {

namespace {

// Parentheses and NOTs nest at most this deep: compiling and evaluating
// recurse once per level, and a text from outside must not exhaust the stack.
constexpr int kMaxNesting = 64;
constexpr uint8_t kSpace = 0x20;

enum class Compare { kEqual, kNotEqual, kLess, kGreater, kLessEqual, kGreaterEqual, kStartsWith };

// A field as the evaluator reads it.
struct FieldRef {
  uint8_t type = 0;
  uint32_t offset = 0;
  uint32_t size = 0;
  uint8_t places = 0;  // DECIMAL only
};

struct Operand {
  bool is_field = false;
  FieldRef field;          // when is_field
  bool numeric = false;    // a number, or a field read as one
  double number = 0;       // constant number
  std::string text;        // constant text, trailing spaces removed
};

}  // namespace

enum class NodeKind { kAll, kAny, kNot, kCompare };

struct Node {
  NodeKind kind = NodeKind::kCompare;
  std::vector<std::shared_ptr<const Node>> children;  // kAll (AND), kAny (OR), kNot (one)
  Operand left, right;                                 // kCompare
  Compare compare = Compare::kEqual;
};

namespace {

bool numeric_type(uint8_t type) {
  switch (type) {
    case tps::field_type::kByte:
    case tps::field_type::kShort:
    case tps::field_type::kUShort:
    case tps::field_type::kDate:
    case tps::field_type::kTime:
    case tps::field_type::kLong:
    case tps::field_type::kULong:
    case tps::field_type::kSReal:
    case tps::field_type::kReal:
    case tps::field_type::kDecimal:
      return true;
    default:
      return false;
  }
}

bool text_type(uint8_t type) {
  return type == tps::field_type::kString || type == tps::field_type::kCString ||
         type == tps::field_type::kPString || type == tps::field_type::kGroup;
}

// The bytes a numeric type needs; a shorter field reads as 0.
uint32_t numeric_width(uint8_t type) {
  switch (type) {
    case tps::field_type::kByte: return 1;
    case tps::field_type::kShort:
    case tps::field_type::kUShort: return 2;
    case tps::field_type::kReal: return 8;
    case tps::field_type::kDecimal: return 1;
    default: return 4;
  }
}

// Packed decimal: sign in the high half of the first byte, then one digit
// per half-byte; the places are left to the comparison's constant.
double decimal_value(const uint8_t* p, uint32_t size, uint8_t places) {
  double units = 0;
  for (size_t nibble = 1; nibble < size_t(size) * 2; ++nibble) {
    const uint8_t byte = p[nibble / 2];
    const int digit = nibble % 2 ? byte & 0x0F : byte >> 4;
    units = units * 10 + std::min(digit, 9);
  }
  for (uint8_t i = 0; i < places; ++i) units /= 10;
  return (p[0] >> 4) != 0 ? -units : units;
}

double number_of(const FieldRef& field, const uint8_t* record) {
  const uint8_t* p = record + field.offset;
  if (field.size < numeric_width(field.type)) return 0;
  switch (field.type) {
    case tps::field_type::kByte: return p[0];
    case tps::field_type::kShort: return int16_t(tps::load_u16le(p));
    case tps::field_type::kUShort: return tps::load_u16le(p);
    case tps::field_type::kLong: return int32_t(tps::load_u32le(p));
    case tps::field_type::kULong: return tps::load_u32le(p);
    case tps::field_type::kDate: return double(tps::load_u16le(p + 2)) * 10000 + p[1] * 100 + p[0];
    case tps::field_type::kTime: return double(p[3]) * 1000000 + p[2] * 10000 + p[1] * 100 + p[0];
    case tps::field_type::kSReal: {
      float value;
      std::memcpy(&value, p, sizeof value);
      return value;
    }
    case tps::field_type::kReal: {
      double value;
      std::memcpy(&value, p, sizeof value);
      return value;
    }
    case tps::field_type::kDecimal: return decimal_value(p, field.size, field.places);
    default: return 0;
  }
}

std::string_view without_trailing_spaces(std::string_view text) {
  while (!text.empty() && uint8_t(text.back()) == kSpace) text.remove_suffix(1);
  return text;
}

std::string_view text_of(const FieldRef& field, const uint8_t* record) {
  const char* p = reinterpret_cast<const char*>(record + field.offset);
  size_t length = field.size;
  if (field.type == tps::field_type::kCString) {
    length = std::find(p, p + field.size, '\0') - p;
  } else if (field.type == tps::field_type::kPString) {
    // The length byte never reaches past the field.
    length = field.size == 0 ? 0 : std::min<size_t>(uint8_t(p[0]), field.size - 1);
    ++p;
  }
  return without_trailing_spaces(std::string_view(p, length));
}

template <typename T>
bool compared(const T& a, const T& b, Compare compare) {
  switch (compare) {
    case Compare::kEqual: return a == b;
    case Compare::kNotEqual: return !(a == b);
    case Compare::kLess: return a < b;
    case Compare::kGreater: return b < a;
    case Compare::kLessEqual: return !(b < a);
    case Compare::kGreaterEqual: return !(a < b);
    case Compare::kStartsWith: return false;  // text only
  }
  return false;
}

bool evaluate_node(const Node& node, const uint8_t* record);

bool evaluate_compare(const Node& node, const uint8_t* record) {
  if (node.left.numeric) {
    auto value = [&](const Operand& o) { return o.is_field ? number_of(o.field, record) : o.number; };
    return compared(value(node.left), value(node.right), node.compare);
  }
  auto value = [&](const Operand& o) { return o.is_field ? text_of(o.field, record) : std::string_view(o.text); };
  const std::string_view a = value(node.left), b = value(node.right);
  if (node.compare == Compare::kStartsWith) return a.substr(0, b.size()) == b;
  return compared(a, b, node.compare);
}

bool evaluate_node(const Node& node, const uint8_t* record) {
  switch (node.kind) {
    case NodeKind::kAll:
      return std::all_of(node.children.begin(), node.children.end(),
                         [&](const auto& child) { return evaluate_node(*child, record); });
    case NodeKind::kAny:
      return std::any_of(node.children.begin(), node.children.end(),
                         [&](const auto& child) { return evaluate_node(*child, record); });
    case NodeKind::kNot:
      return !evaluate_node(*node.children.front(), record);
    case NodeKind::kCompare:
      return evaluate_compare(node, record);
  }
  return false;
}

// --- Reading the text ----------------------------------------------------------

enum class TokenKind { kEnd, kName, kNumber, kText, kOperator, kOpen, kClose };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;   // a name, a number's digits, a string's contents, an operator
  size_t position = 0;
};

bool name_start(char c) { return std::isalpha(uint8_t(c)) || c == '_'; }
bool name_char(char c) { return std::isalnum(uint8_t(c)) || c == '_' || c == ':'; }

bool same_letters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(uint8_t(x)) == std::toupper(uint8_t(y));
         });
}

struct CompileError {
  std::string message;
  size_t position;
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  // The next token; throws CompileError on malformed text.
  Token next() {
    while (at_ < text_.size() && std::isspace(uint8_t(text_[at_]))) ++at_;
    Token token;
    token.position = at_;
    if (at_ == text_.size()) return token;
    const char c = text_[at_];
    if (c == '(' || c == ')') {
      ++at_;
      token.kind = c == '(' ? TokenKind::kOpen : TokenKind::kClose;
      return token;
    }
    if (c == '\'') return quoted(token);
    if (std::isdigit(uint8_t(c)) || (c == '-' && at_ + 1 < text_.size() && std::isdigit(uint8_t(text_[at_ + 1]))) ||
        (c == '.' && at_ + 1 < text_.size() && std::isdigit(uint8_t(text_[at_ + 1]))))
      return number(token);
    if (name_start(c)) {
      const size_t start = at_;
      while (at_ < text_.size() && name_char(text_[at_])) ++at_;
      token.kind = TokenKind::kName;
      token.text = std::string(text_.substr(start, at_ - start));
      return token;
    }
    return comparison(token);
  }

 private:
  Token quoted(Token& token) {
    ++at_;
    for (;;) {
      if (at_ >= text_.size()) throw CompileError{"unterminated string", token.position};
      if (text_[at_] == '\'') {
        if (at_ + 1 < text_.size() && text_[at_ + 1] == '\'') {
          token.text += '\'';
          at_ += 2;
          continue;
        }
        ++at_;
        token.kind = TokenKind::kText;
        return token;
      }
      token.text += text_[at_++];
    }
  }

  Token number(Token& token) {
    const size_t start = at_;
    if (text_[at_] == '-') ++at_;
    while (at_ < text_.size() && std::isdigit(uint8_t(text_[at_]))) ++at_;
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      while (at_ < text_.size() && std::isdigit(uint8_t(text_[at_]))) ++at_;
    }
    if (at_ < text_.size() && name_char(text_[at_])) throw CompileError{"malformed number", start};
    token.kind = TokenKind::kNumber;
    token.text = std::string(text_.substr(start, at_ - start));
    return token;
  }

  Token comparison(Token& token) {
    static constexpr std::string_view kTwo[] = {"<>", "<=", ">=", "~="};
    for (std::string_view op : kTwo) {
      if (text_.substr(at_, 2) == op) {
        at_ += 2;
        token.kind = TokenKind::kOperator;
        token.text = std::string(op);
        return token;
      }
    }
    const char c = text_[at_];
    if (c == '=' || c == '<' || c == '>') {
      ++at_;
      token.kind = TokenKind::kOperator;
      token.text = std::string(1, c);
      return token;
    }
    throw CompileError{std::string("unexpected character '") + c + "'", at_};
  }

  std::string_view text_;
  size_t at_ = 0;
};

std::optional<Compare> compare_named(std::string_view op) {
  if (op == "=") return Compare::kEqual;
  if (op == "<>") return Compare::kNotEqual;
  if (op == "<") return Compare::kLess;
  if (op == ">") return Compare::kGreater;
  if (op == "<=") return Compare::kLessEqual;
  if (op == ">=") return Compare::kGreaterEqual;
  if (op == "~=") return Compare::kStartsWith;
  return std::nullopt;
}

}  // namespace

// Recursive descent over the grammar in the header, one token of lookahead.
struct Compiler {
  Compiler(std::string_view text, const tps::TableDeclaration& table) : lexer(text), table(table) { advance(); }

  std::shared_ptr<const Node> whole() {
    auto root = condition(0);
    if (token.kind != TokenKind::kEnd) fail("expected AND, OR or the end");
    return root;
  }

  std::shared_ptr<const Node> condition(int depth) {
    return chain(depth, "OR", NodeKind::kAny, [&] { return term(depth); });
  }

  std::shared_ptr<const Node> term(int depth) {
    return chain(depth, "AND", NodeKind::kAll, [&] { return factor(depth); });
  }

  // One or more operands joined by `keyword` into one n-ary node, so that a
  // long chain does not deepen the tree.
  template <typename Next>
  std::shared_ptr<const Node> chain(int, std::string_view keyword, NodeKind kind, Next next) {
    auto first = next();
    if (!is_keyword(keyword)) return first;
    auto node = std::make_shared<Node>();
    node->kind = kind;
    node->children.push_back(first);
    while (is_keyword(keyword)) {
      advance();
      node->children.push_back(next());
    }
    return node;
  }

  std::shared_ptr<const Node> factor(int depth) {
    if (depth >= kMaxNesting) fail("nested too deeply");
    if (is_keyword("NOT")) {
      advance();
      auto node = std::make_shared<Node>();
      node->kind = NodeKind::kNot;
      node->children.push_back(factor(depth + 1));
      return node;
    }
    if (token.kind == TokenKind::kOpen) {
      advance();
      auto inner = condition(depth + 1);
      if (token.kind != TokenKind::kClose) fail("expected ')'");
      advance();
      return inner;
    }
    return comparison();
  }

  std::shared_ptr<const Node> comparison() {
    auto node = std::make_shared<Node>();
    const size_t start = token.position;
    node->left = operand();
    if (token.kind != TokenKind::kOperator) fail("expected a comparison (=, <>, <, >, <=, >=, ~=)");
    node->compare = *compare_named(token.text);
    advance();
    node->right = operand();
    if (node->left.numeric != node->right.numeric) throw CompileError{"compares text with a number", start};
    if (!node->left.is_field && !node->right.is_field) throw CompileError{"compares two constants", start};
    if (node->compare == Compare::kStartsWith && node->left.numeric)
      throw CompileError{"~= compares text only", start};
    return node;
  }

  Operand operand() {
    Operand o;
    switch (token.kind) {
      case TokenKind::kNumber: {
        o.numeric = true;
        const char* first = token.text.data();
        const auto [end, ec] = std::from_chars(first, first + token.text.size(), o.number);
        if (ec != std::errc() || end != first + token.text.size()) fail("malformed number");
        break;
      }
      case TokenKind::kText:
        o.text = std::string(without_trailing_spaces(token.text));
        break;
      case TokenKind::kName:
        if (is_keyword("AND") || is_keyword("OR") || is_keyword("NOT")) fail("expected a field or a constant");
        o = field_operand();
        break;
      default:
        fail("expected a field or a constant");
    }
    advance();
    return o;
  }

  Operand field_operand() {
    for (const tps::FieldDeclaration& field : table.fields) {
      std::string_view label = field.label;
      const size_t colon = label.rfind(':');
      if (!same_letters(label, token.text) &&
          !(colon != std::string_view::npos && same_letters(label.substr(colon + 1), token.text)))
        continue;
      if (field.is_array()) fail("array field '" + token.text + "'");
      if (!numeric_type(field.type) && !text_type(field.type)) fail("field '" + token.text + "' has no value");
      if (uint64_t(field.offset) + field.size > table.record_length) fail("field '" + token.text + "' lies outside the record");
      Operand o;
      o.is_field = true;
      o.field = FieldRef{field.type, field.offset, field.size, field.decimal_places};
      o.numeric = numeric_type(field.type);
      return o;
    }
    fail("unknown field '" + token.text + "'");
  }

  bool is_keyword(std::string_view keyword) const {
    return token.kind == TokenKind::kName && same_letters(token.text, keyword);
  }
  void advance() { token = lexer.next(); }
  [[noreturn]] void fail(const std::string& message) const { throw CompileError{message, token.position}; }

  Lexer lexer;
  const tps::TableDeclaration& table;
  Token token;

  static Expression made(std::shared_ptr<const Node> root) { return Expression(std::move(root)); }
};

bool Expression::evaluate(const uint8_t* record) const { return evaluate_node(*root_, record); }

CompileResult compile(std::string_view text, const tps::TableDeclaration& table) {
  CompileResult result;
  try {
    Compiler compiler(text, table);
    if (compiler.token.kind == TokenKind::kEnd) throw CompileError{"empty condition", 0};
    result.expression = std::make_unique<Expression>(Compiler::made(compiler.whole()));
  } catch (const CompileError& error) {
    result.error = error.message;
    result.position = error.position;
  }
  return result;
}

}  // namespace expr
