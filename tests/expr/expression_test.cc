#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/expr/expression.h"
#include "tps/base/bytes.h"

namespace {

using tps::FieldDeclaration;
namespace field_type = tps::field_type;

// A pupil record: NUMBER LONG @0, NAME STRING(10) @4, CLASS SHORT @14,
// FEE DECIMAL(5,2) @16, BORN DATE @19, NICK CSTRING(6) @23.
constexpr uint32_t kRecordLength = 29;

tps::TableDeclaration pupils() {
  auto field = [](uint8_t type, const char* label, uint32_t offset, uint32_t size, uint8_t places = 0) {
    FieldDeclaration f;
    f.type = type;
    f.label = label;
    f.offset = offset;
    f.size = f.element_size = size;
    f.decimal_places = places;
    return f;
  };
  tps::TableDeclaration t;
  t.prefix = "PUP";
  t.record_length = kRecordLength;
  t.fields = {field(field_type::kLong, "PUP:NUMBER", 0, 4), field(field_type::kString, "PUP:NAME", 4, 10),
              field(field_type::kShort, "PUP:CLASS", 14, 2), field(field_type::kDecimal, "PUP:FEE", 16, 3, 2),
              field(field_type::kDate, "PUP:BORN", 19, 4), field(field_type::kCString, "PUP:NICK", 23, 6)};
  return t;
}

// Number -7, name "Ana Maria", class 2, fee 12.50, born 2018-03-09, nick "it's".
std::vector<uint8_t> record() {
  std::vector<uint8_t> r(kRecordLength, 0);
  tps::store_u32le(r.data(), uint32_t(-7));
  std::memcpy(r.data() + 4, "Ana Maria ", 10);
  tps::store_u16le(r.data() + 14, 2);
  const uint8_t fee[] = {0x00, 0x12, 0x50};
  std::memcpy(r.data() + 16, fee, sizeof fee);
  r[19] = 9;
  r[20] = 3;
  tps::store_u16le(r.data() + 21, 2018);
  std::memcpy(r.data() + 23, "it's", 4);
  return r;
}

TEST(Expression, EvaluatesComparisonsOverTheFields) {
  const tps::TableDeclaration table = pupils();
  const std::vector<uint8_t> r = record();
  struct Case {
    const char* text;
    bool expected;
  };
  for (const Case& c : std::vector<Case>{
           {"PUP:NUMBER = -7", true},
           {"number < 0", true},
           {"Number >= -6", false},
           {"pup:class <> 2", false},
           {"class = 2.0", true},
           {"fee = 12.5", true},
           {"fee > 12.49 and fee < 12.51", true},
           {"born = 20180309", true},
           {"born < 20180101", false},
           {"name = 'Ana Maria'", true},
           {"name = 'Ana Maria     '", true},   // trailing spaces do not count
           {"name = 'ana maria'", false},       // text compares with case
           {"name > 'Ana'", true},
           {"name ~= 'Ana M'", true},
           {"name ~= 'Maria'", false},
           {"nick = 'it''s'", true},
           {"-7 = number", true},
           {"name = nick", false},
           {"class = 1 OR class = 2", true},
           {"class = 2 AND name = 'Bruno'", false},
           {"NOT class = 1", true},
           {"not (class = 2 and number < 0)", false},
           {"class = 1 or class = 3 or (name ~= 'A' and not fee > 20)", true},
       }) {
    expr::CompileResult compiled = expr::compile(c.text, table);
    ASSERT_TRUE(compiled.ok()) << c.text << ": " << compiled.error;
    EXPECT_EQ(compiled.expression->evaluate(r.data()), c.expected) << c.text;
  }
}

TEST(Expression, MalformedTextIsAnErrorWithItsPosition) {
  const tps::TableDeclaration table = pupils();
  struct Case {
    const char* text;
    size_t position;
  };
  for (const Case& c : std::vector<Case>{
           {"", 0},
           {"   ", 0},
           {"nmae = 1", 0},            // unknown field
           {"class = ", 8},            // missing operand
           {"class 2", 6},             // missing comparison
           {"(class = 2", 10},         // unclosed parenthesis
           {"class = 2)", 9},          // stray parenthesis
           {"name = 'Ana", 7},         // unterminated string
           {"class = 'two'", 0},       // text against a number
           {"name ~= 3", 0},
           {"class ~= 2", 0},          // starts-with is for text
           {"1 = 1", 0},               // nothing of the record
           {"class = 2 AND", 13},
           {"class = 2 # 3", 10},
           {"class = 12abc", 8},
       }) {
    expr::CompileResult compiled = expr::compile(c.text, table);
    EXPECT_FALSE(compiled.ok()) << c.text;
    EXPECT_FALSE(compiled.error.empty()) << c.text;
    EXPECT_EQ(compiled.position, c.position) << c.text << ": " << compiled.error;
  }
}

TEST(Expression, DeepNestingIsRefusedAndLongChainsEvaluate) {
  const tps::TableDeclaration table = pupils();
  const std::vector<uint8_t> r = record();
  std::string deep(10000, '(');
  deep += "class = 2" + std::string(10000, ')');
  EXPECT_FALSE(expr::compile(deep, table).ok());
  EXPECT_FALSE(expr::compile(std::string(10000, 'N'), table).ok());
  std::string nots;
  for (int i = 0; i < 10000; ++i) nots += "NOT ";
  EXPECT_FALSE(expr::compile(nots + "class = 2", table).ok());

  std::string chain = "class = 2";
  for (int i = 0; i < 20000; ++i) chain += " AND class = 2";
  expr::CompileResult compiled = expr::compile(chain, table);
  ASSERT_TRUE(compiled.ok()) << compiled.error;
  EXPECT_TRUE(compiled.expression->evaluate(r.data()));
}

}  // namespace
