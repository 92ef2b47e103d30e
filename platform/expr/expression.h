// The platform's expression evaluator: a condition over the fields of one
// table's record buffer, such as
//
//   PUP:CLASS = 2 AND (name ~= 'An' OR NOT number >= 100)
//
// Grammar (keywords and field names without regard to case):
//   condition  := term { OR term }
//   term       := factor { AND factor }
//   factor     := NOT factor | '(' condition ')' | operand compare operand
//   compare    := '=' | '<>' | '<' | '>' | '<=' | '>=' | '~='   (~=: starts with)
//   operand    := field | number | string
//   field      := a field's label, whole ("PUP:NAME") or without its prefix ("name")
//   number     := ['-'] digits ['.' digits]
//   string     := quoted with ', a doubled '' standing for one quote
//
// Both sides of a comparison must be numbers or both text; a mismatch, an
// unknown field and any malformed text are compile errors, so a compiled
// expression always evaluates. Numeric fields (BYTE, SHORT, USHORT, LONG,
// ULONG, SREAL, REAL, DECIMAL) compare by value; DATE as the number
// YYYYMMDD and TIME as HHMMSScc. Text fields (STRING, CSTRING, PSTRING,
// GROUP) compare bytewise with trailing spaces ignored, as the program
// compares strings. Array fields are refused.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tps/table/declaration.h"

namespace expr {

struct Node;

class Expression {
 public:
  // True when the condition holds for `record`.
  // REQUIRES: `record` holds the declaration's record length in bytes.
  bool evaluate(const uint8_t* record) const;

 private:
  friend struct Compiler;
  explicit Expression(std::shared_ptr<const Node> root) : root_(std::move(root)) {}
  std::shared_ptr<const Node> root_;  // immutable: copies share it
};

struct CompileResult {
  std::unique_ptr<Expression> expression;  // null on an error
  std::string error;                        // what is wrong, e.g. "unknown field 'nmae'"
  size_t position = 0;                      // 0-based offset in the text where it was found
  bool ok() const { return expression != nullptr; }
};

// Compiles `text` against `table`'s fields. An empty text is an error: a
// caller without a condition passes none instead.
CompileResult compile(std::string_view text, const tps::TableDeclaration& table);

}  // namespace expr
