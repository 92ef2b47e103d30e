#include "platform/ui/list_format.h"

#include <cctype>
#include <cstdlib>

namespace ui {
namespace {

constexpr long kMaxUnits = 100000;  // far beyond any screen, small enough for int

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  ListFormatResult run() {
    ListFormat f;
    next_field_ = 1;
    if (!columns(&f, 0) || !at_end()) {
      if (error_.empty()) fail("unexpected character");
      return {std::nullopt, error_};
    }
    if (f.columns.empty()) return {std::nullopt, "no columns"};
    f.fields_used = highest_field_;
    return {std::move(f), ""};
  }

 private:
  bool at_end() const { return i_ >= s_.size(); }
  char peek() const { return at_end() ? '\0' : s_[i_]; }
  bool take(char c) {
    if (peek() != c) return false;
    ++i_;
    return true;
  }
  bool fail(const std::string& why) {
    if (error_.empty()) error_ = why + " at position " + std::to_string(i_);
    return false;
  }

  bool number(int* out) {
    size_t start = i_;
    long n = 0;
    while (std::isdigit(static_cast<unsigned char>(peek())) && n <= kMaxUnits) {
      n = n * 10 + (s_[i_++] - '0');
    }
    if (i_ == start) return fail("number expected");
    if (n > kMaxUnits) return fail("number too large");
    *out = static_cast<int>(n);
    return true;
  }

  // "(n)" after an alignment letter or a modifier.
  bool parenthesised(int* out) {
    if (!take('(')) return fail("'(' expected");
    if (!number(out)) return false;
    if (!take(')')) return fail("')' expected");
    return true;
  }

  // Text up to (not including) `close`, which is consumed.
  bool until(char close, std::string* out) {
    size_t end = s_.find(close, i_);
    if (end == std::string_view::npos) return fail(std::string("missing '") + close + "'");
    *out = std::string(s_.substr(i_, end - i_));
    i_ = end + 1;
    return true;
  }

  static std::optional<Align> alignment(char c) {
    switch (c) {
      case 'L': return Align::left;
      case 'R': return Align::right;
      case 'C': return Align::center;
      case 'D': return Align::decimal;
      default: return std::nullopt;
    }
  }

  bool header(std::optional<std::string>* text, Align* align, int* indent, Align data_align,
              int data_indent) {
    std::string h;
    if (!until('~', &h)) return false;
    *text = h;
    *align = data_align;
    *indent = data_indent;
    if (auto a = alignment(peek())) {
      ++i_;
      *align = *a;
      *indent = 0;
      if (peek() == '(' && !parenthesised(indent)) return false;
    }
    return true;
  }

  bool colors(ColumnColors* c) {
    if (!take('(')) return fail("'(' expected after E");
    std::optional<Rgb>* slots[] = {&c->text, &c->background, &c->selected_text,
                                   &c->selected_background};
    for (int k = 0; k < 4; ++k) {
      size_t end = s_.find_first_of(k < 3 ? ",)" : ")", i_);
      if (end == std::string_view::npos) return fail("unterminated colours");
      bool ok = true;
      *slots[k] = parse_color(s_.substr(i_, end - i_), &ok);
      if (!ok) return fail("bad colour");
      i_ = end;
      bool last = s_[i_] == ')';
      ++i_;
      if (last) return true;  // fewer than four: the rest stay default
    }
    return fail("too many colours");
  }

  bool column(ListFormat* f, int group) {
    ListColumn c;
    c.group = group;
    if (!number(&c.width)) return false;
    auto a = alignment(peek());
    if (!a) return fail("alignment expected");
    ++i_;
    c.align = *a;
    if (peek() == '(' && !parenthesised(&c.indent)) return false;
    int explicit_field = 0;
    int extra_fields = 0;
    for (;;) {
      char ch = peek();
      if (ch == '|') {
        c.right_border = true;
      } else if (ch == '_') {
        c.underline = true;
      } else if (ch == 'M') {
        c.resizable = true;
      } else if (ch == 'F') {
        c.fixed = true;
      } else if (ch == '*') {
        c.colors_in_queue = true;
        extra_fields += 4;
      } else if (ch == 'Y') {
        c.style_in_queue = true;
        ++extra_fields;
      } else if (ch == 'I' || ch == 'J') {
        c.icon = true;
        ++extra_fields;
      } else if (ch == 'P') {
        c.tip_in_queue = true;
        ++extra_fields;
      } else if (ch == 'T') {
        c.tree = true;
        ++extra_fields;
        ++i_;
        std::string flags;
        if (peek() == '(' && (++i_, !until(')', &flags))) return false;
        continue;
      } else if (ch == 'S' || ch == 'Z') {
        ++i_;
        if (!parenthesised(ch == 'S' ? &c.scroll_width : &c.default_style)) return false;
        continue;
      } else if (ch == 'Q') {
        ++i_;
        if (!take('\'')) return fail("quote expected after Q");
        if (!until('\'', &c.tip)) return false;
        continue;
      } else if (ch == '#') {
        ++i_;
        if (!number(&explicit_field) || explicit_field == 0) return fail("field number expected");
        if (!take('#')) return fail("'#' expected");
        continue;
      } else if (ch == '~') {
        ++i_;
        if (!header(&c.header, &c.header_align, &c.header_indent, c.align, c.indent)) {
          return false;
        }
        continue;
      } else if (ch == '@') {
        ++i_;
        std::string picture;
        if (!until('@', &picture)) return false;
        c.picture = "@" + picture;
        continue;
      } else if (ch == 'E') {
        ++i_;
        if (!colors(&c.colors)) return false;
        continue;
      } else {
        break;  // the next column, a group's end, or the end of the text
      }
      ++i_;
    }
    c.field = explicit_field != 0 ? explicit_field : next_field_;
    next_field_ = c.field + 1 + extra_fields;
    highest_field_ = std::max(highest_field_, next_field_ - 1);
    f->columns.push_back(std::move(c));
    return true;
  }

  bool group(ListFormat* f, int depth) {
    if (depth > 0) return fail("groups cannot nest");
    ++i_;  // '['
    f->groups.push_back({});
    int index = static_cast<int>(f->groups.size());
    if (!columns(f, index)) return false;
    if (!take(']')) return fail("']' expected");
    ColumnGroup& g = f->groups[index - 1];
    if (peek() == '(' && !parenthesised(&g.width)) return false;
    for (;;) {
      if (take('|')) {
        g.right_border = true;
      } else if (take('_')) {
        g.underline = true;
      } else if (take('M') || take('F')) {
      } else if (take('~')) {
        if (!header(&g.header, &g.header_align, &g.header_indent, Align::left, 0)) return false;
      } else {
        return true;
      }
    }
  }

  bool columns(ListFormat* f, int group_index) {
    while (!at_end() && peek() != ']') {
      if (peek() == '[') {
        if (!group(f, group_index)) return false;
      } else if (!column(f, group_index)) {
        return false;
      }
    }
    return true;
  }

  std::string_view s_;
  size_t i_ = 0;
  int next_field_ = 1;
  int highest_field_ = 0;
  std::string error_;
};

}  // namespace

std::optional<Rgb> parse_color(std::string_view text, bool* ok) {
  *ok = true;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  bool negative = text.front() == '-';
  if (negative) text.remove_prefix(1);
  bool hex = !text.empty() && (text.back() == 'H' || text.back() == 'h');
  if (hex) text.remove_suffix(1);
  if (text.empty() || text.size() > 10) {
    *ok = false;
    return std::nullopt;
  }
  unsigned long value = 0;
  for (char c : text) {
    int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                : hex && std::isxdigit(static_cast<unsigned char>(c))
                    ? std::toupper(static_cast<unsigned char>(c)) - 'A' + 10
                    : -1;
    if (digit < 0) {
      *ok = false;
      return std::nullopt;
    }
    value = value * (hex ? 16 : 10) + digit;
  }
  if (negative || value > 0xFFFFFF) return std::nullopt;  // a system colour: list default
  return Rgb{static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
             static_cast<int>((value >> 16) & 0xFF)};
}

ListFormatResult parse_list_format(std::string_view text) { return Parser(text).run(); }

}  // namespace ui
