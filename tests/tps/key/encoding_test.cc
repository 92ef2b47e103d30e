#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tps/key/component_encoding.h"
#include "tps/key/key_record.h"
#include "tps/key/locale_block.h"
#include "tps/table/declaration.h"

namespace tps {
namespace {

using Bytes = std::vector<uint8_t>;

// Encodes one component held at offset 0 of `record`.
Bytes encode(uint8_t type, const Bytes& record, bool descending = false, bool nocase = false, bool oem = false,
             const LocaleBlock& locale = process_locale()) {
  ComponentField field{type, 0, static_cast<uint32_t>(record.size()), descending};
  StringRules rules{&locale, nocase, oem};
  Bytes out(record.size());
  encode_component(field, record.data(), rules, out.data());
  return out;
}

template <typename T>
Bytes raw(T value) {
  Bytes bytes(sizeof(T));
  std::memcpy(bytes.data(), &value, sizeof(T));
  return bytes;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// DATE as the record holds it: day, month, 16-bit year little-endian.
Bytes date(int day, int month, int year) {
  return {uint8_t(day), uint8_t(month), uint8_t(year & 0xFF), uint8_t(year >> 8)};
}

// DECIMAL(5,2) packed: sign nibble, then five digits of the value in hundredths.
Bytes decimal(int hundredths, uint8_t negative_nibble = 0xD) {
  unsigned magnitude = static_cast<unsigned>(hundredths < 0 ? -hundredths : hundredths);
  uint8_t digits[5];
  for (int i = 4; i >= 0; --i, magnitude /= 10) digits[i] = uint8_t(magnitude % 10);
  uint8_t sign = hundredths < 0 ? negative_nibble : 0;
  return {uint8_t(sign << 4 | digits[0]), uint8_t(digits[1] << 4 | digits[2]), uint8_t(digits[3] << 4 | digits[4])};
}

TEST(KeyEncoding, LongMinusOneSortsBeforeOneInBothDirections) {
  EXPECT_EQ(encode(field_type::kLong, raw<int32_t>(-1)), (Bytes{0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encode(field_type::kLong, raw<int32_t>(1)), (Bytes{0x80, 0x00, 0x00, 0x01}));
  EXPECT_EQ(encode(field_type::kLong, raw<int32_t>(-1), true), (Bytes{0x80, 0x00, 0x00, 0x00}));
  EXPECT_EQ(encode(field_type::kLong, raw<int32_t>(1), true), (Bytes{0x7F, 0xFF, 0xFF, 0xFE}));
}

// Each list is in ascending order of value; the encodings must be in
// strictly ascending unsigned byte order, and strictly descending when the
// component is descending.
TEST(KeyEncoding, EveryTypeKeepsValueOrder) {
  struct Case {
    const char* name;
    uint8_t type;
    std::vector<Bytes> ascending_values;
  };
  const float kFloatMax = std::numeric_limits<float>::max();
  const double kInf = std::numeric_limits<double>::infinity();
  const std::vector<Case> cases = {
      {"SHORT", field_type::kShort, {raw<int16_t>(-32768), raw<int16_t>(-256), raw<int16_t>(-1), raw<int16_t>(0),
                                     raw<int16_t>(1), raw<int16_t>(255), raw<int16_t>(256), raw<int16_t>(32767)}},
      {"LONG", field_type::kLong, {raw<int32_t>(INT32_MIN), raw<int32_t>(-65536), raw<int32_t>(-1), raw<int32_t>(0),
                                   raw<int32_t>(1), raw<int32_t>(256), raw<int32_t>(16777216), raw<int32_t>(INT32_MAX)}},
      {"USHORT", field_type::kUShort, {raw<uint16_t>(0), raw<uint16_t>(1), raw<uint16_t>(255), raw<uint16_t>(256),
                                       raw<uint16_t>(65535)}},
      {"ULONG", field_type::kULong, {raw<uint32_t>(0), raw<uint32_t>(255), raw<uint32_t>(256),
                                     raw<uint32_t>(0x7FFFFFFF), raw<uint32_t>(0x80000000), raw<uint32_t>(UINT32_MAX)}},
      {"DATE", field_type::kDate, {date(0, 0, 0), date(31, 12, 1999), date(1, 1, 2000), date(2, 1, 2000),
                                   date(1, 2, 2000), date(15, 3, 2022), date(1, 1, 2023)}},
      {"TIME", field_type::kTime, {raw<uint32_t>(0), raw<uint32_t>(1), raw<uint32_t>(360001),
                                   raw<uint32_t>(8640000)}},
      {"SREAL", field_type::kSReal, {raw<float>(-kFloatMax), raw<float>(-2.5f), raw<float>(-1.0f), raw<float>(-0.5f),
                                     raw<float>(0.0f), raw<float>(0.5f), raw<float>(1.0f), raw<float>(2.5f),
                                     raw<float>(kFloatMax)}},
      {"REAL", field_type::kReal, {raw<double>(-kInf), raw<double>(-1e300), raw<double>(-1.0), raw<double>(-1e-300),
                                   raw<double>(0.0), raw<double>(1e-300), raw<double>(1.0), raw<double>(1e300),
                                   raw<double>(kInf)}},
      {"DECIMAL", field_type::kDecimal, {decimal(-99999), decimal(-325), decimal(-100), decimal(-1), decimal(0),
                                         decimal(1), decimal(100), decimal(1250), decimal(99999)}},
      {"STRING", field_type::kString, {text("    "), text("A   "), text("AB  "), text("ABC "), text("B   "),
                                       text("a   ")}},
      {"CSTRING", field_type::kCString, {text(std::string("\0zzz", 4)), text(std::string("A\0zz", 4)),
                                         text(std::string("AB\0\0", 4)), text(std::string("ABC\0", 4)), text("ABCD")}},
      {"BYTE", field_type::kByte, {Bytes{0x00}, Bytes{0x7F}, Bytes{0x80}, Bytes{0xFF}}},
  };
  for (const Case& c : cases) {
    for (bool descending : {false, true}) {
      for (size_t i = 1; i < c.ascending_values.size(); ++i) {
        Bytes lower = encode(c.type, c.ascending_values[i - 1], descending);
        Bytes higher = encode(c.type, c.ascending_values[i], descending);
        int order = std::memcmp(lower.data(), higher.data(), lower.size());
        if (descending)
          EXPECT_GT(order, 0) << c.name << " descending, values " << i - 1 << " and " << i;
        else
          EXPECT_LT(order, 0) << c.name << " values " << i - 1 << " and " << i;
      }
    }
  }
}

TEST(KeyEncoding, AnyNonZeroDecimalSignNibbleIsNegative) {
  Bytes expected = encode(field_type::kDecimal, decimal(-325, 0xD));
  for (uint8_t nibble : {0x1, 0xB, 0xF})
    EXPECT_EQ(encode(field_type::kDecimal, decimal(-325, nibble)), expected) << int(nibble);
  // A negative value is complemented ascending and left as it is descending.
  EXPECT_EQ(encode(field_type::kDecimal, decimal(-325)), (Bytes{0x7F, 0xFC, 0xDA}));
  EXPECT_EQ(encode(field_type::kDecimal, decimal(-325), true), (Bytes{0x80, 0x03, 0x25}));
  EXPECT_EQ(encode(field_type::kDecimal, decimal(325)), (Bytes{0x80, 0x03, 0x25}));
}

TEST(KeyEncoding, StringsKeepTrailingSpacesAndFoldCaseOnlyForNoCase) {
  EXPECT_EQ(encode(field_type::kString, text("AB  ")), text("AB  "));
  EXPECT_EQ(encode(field_type::kString, text("AB  "), false, true), text("ab  "));
  EXPECT_EQ(encode(field_type::kString, text("ab  "), false, true), text("ab  "));
  EXPECT_NE(encode(field_type::kString, text("AB  ")), encode(field_type::kString, text("ab  ")));
  // Only letters have partners: digits and accented letters stay.
  EXPECT_EQ(encode(field_type::kString, text("Z9\xD1\xF1"), false, true), text("z9\xD1\xF1"));
  // GROUP is text too.
  EXPECT_EQ(encode(field_type::kGroup, text("Ab"), false, true), text("ab"));
}

TEST(KeyEncoding, CStringAndPStringStopAtTheirEnd) {
  EXPECT_EQ(encode(field_type::kCString, text(std::string("AB\0\0\0", 5))), (Bytes{'A', 'B', 0, 0, 0}));
  // Bytes after the terminator do not take part.
  EXPECT_EQ(encode(field_type::kCString, text(std::string("AB\0XY", 5))), (Bytes{'A', 'B', 0, 0, 0}));
  // Without a terminator the whole field is the text.
  EXPECT_EQ(encode(field_type::kCString, text("ABCDE")), text("ABCDE"));
  EXPECT_EQ(encode(field_type::kPString, Bytes{2, 'A', 'B', 'X', 'Y'}), (Bytes{'A', 'B', 0, 0, 0}));
  // A length byte beyond the field is cut to the field's capacity.
  EXPECT_EQ(encode(field_type::kPString, Bytes{200, 'A', 'B', 'C', 'D'}), (Bytes{'A', 'B', 'C', 'D', 0}));
  EXPECT_EQ(encode(field_type::kPString, Bytes{0x80, 'a', 'b'}, false, true), (Bytes{'a', 'b', 0}));
}

TEST(KeyEncoding, DescendingStringIsComplemented) {
  EXPECT_EQ(encode(field_type::kString, text("AB"), true), (Bytes{0xBE, 0xBD}));
}

TEST(KeyEncoding, CollationMapsWeightsAndOemTablesConvertFirst) {
  // A locale where n-tilde sorts between 'n' and 'o' in both code pages.
  LocaleBlock spanish;
  LocaleBlock::Bytes& block = spanish.mutable_bytes();
  for (int b = 0; b < 256; ++b) {
    uint8_t weight = uint8_t(b <= 'n' ? b : b + 1);
    if (b >= 0xFF) weight = 0xFF;
    block[LocaleBlock::kCollation + b] = weight;
    block[LocaleBlock::kOemCollation + b] = weight;
  }
  block[LocaleBlock::kCollation + 0xF1] = 'n' + 1;  // ñ in 1252
  block[LocaleBlock::kOemCollation + 0xA4] = 'n' + 1;  // ñ in 850

  Bytes nino = encode(field_type::kString, text("ni\xF1o"), false, false, false, spanish);
  Bytes nino_oem = encode(field_type::kString, text("ni\xF1o"), false, false, true, spanish);
  Bytes nono = encode(field_type::kString, text("nino"), false, false, false, spanish);
  Bytes noa = encode(field_type::kString, text("nioa"), false, false, false, spanish);
  EXPECT_EQ(nino, nino_oem);
  EXPECT_LT(std::memcmp(nono.data(), nino.data(), 4), 0);
  EXPECT_LT(std::memcmp(nino.data(), noa.data(), 4), 0);

  // With identity tables an OEM table's key holds the OEM bytes.
  EXPECT_EQ(encode(field_type::kString, text("\xF1\xE9"), false, false, true), (Bytes{0xA4, 0x82}));
}

TEST(KeyEncoding, DigraphsExpandWithinTheComponentLength) {
  LocaleBlock german;
  german.set_digraph(0, {0xDF, 's', 's'});  // sharp s sorts as "ss"
  german.set_digraph(1, {0xC6, 'A', 'E'});
  EXPECT_EQ(german.digraph_count(), 2u);
  EXPECT_EQ(encode(field_type::kString, text("a\xDF" "b "), false, false, false, german), text("assb"));
  // Output that no longer fits is dropped, even half a digraph.
  EXPECT_EQ(encode(field_type::kString, text("ab\xDF" "c"), false, false, false, german), text("abss"));
  EXPECT_EQ(encode(field_type::kString, text("abc\xC6"), false, false, false, german), text("abcA"));
  // Folding comes first: the upper-case letters of a replacement are not folded.
  EXPECT_EQ(encode(field_type::kString, text("\xC6x"), false, true, false, german), text("AE"));
}

TEST(KeyEncoding, OptBlankRules) {
  struct Case {
    uint8_t type;
    Bytes value;
    bool blank;
  };
  const std::vector<Case> cases = {
      {field_type::kString, text("    "), true},  {field_type::kString, text("   x"), false},
      {field_type::kString, Bytes(4, 0), false},  {field_type::kGroup, text("  "), true},
      {field_type::kCString, Bytes{0, 'x'}, true}, {field_type::kCString, Bytes{' ', 0}, false},
      {field_type::kPString, Bytes{0, 'x'}, true}, {field_type::kLong, raw<int32_t>(0), true},
      {field_type::kLong, raw<int32_t>(1), false}, {field_type::kReal, raw<double>(-0.0), false},
      {field_type::kDecimal, Bytes{0, 0, 0}, true}, {field_type::kDate, date(0, 0, 0), true},
  };
  for (const Case& c : cases) {
    ComponentField field{c.type, 0, static_cast<uint32_t>(c.value.size()), false};
    EXPECT_EQ(component_is_blank(field, c.value.data()), c.blank) << int(c.type);
  }
}

// A key over a LONG at offset 0 and a STRING(4) at offset 4.
KeyDescriptor long_and_string_key(uint8_t attributes, bool string_descending = false) {
  KeyDescriptor key;
  key.number = 2;
  key.attributes = attributes;
  key.components = {{field_type::kLong, 0, 4, false}, {field_type::kString, 4, 4, string_descending}};
  key.value_length = 8;
  return key;
}

Bytes record_of(int32_t number, const std::string& name) {
  Bytes record = raw<int32_t>(number);
  Bytes padded = text(name);
  padded.resize(4, ' ');
  record.insert(record.end(), padded.begin(), padded.end());
  return record;
}

TEST(KeyRecords, LayoutAndKeyPartOfUniqueAndDupKeys) {
  KeyCollation collation;
  Bytes record = record_of(-1, "AB");
  KeyRecord unique = make_key_record(0x01020304, long_and_string_key(key_attr::kOpt), collation, record.data(), 77);
  EXPECT_EQ(unique.bytes, (Bytes{1, 2, 3, 4, 2, 0x7F, 0xFF, 0xFF, 0xFF, 'A', 'B', ' ', ' ', 0, 0, 0, 77}));
  EXPECT_EQ(unique.key_length, 13u);
  EXPECT_EQ(unique.record_number(), 77u);

  KeyRecord dup = make_key_record(0x01020304, long_and_string_key(key_attr::kDup), collation, record.data(), 77);
  EXPECT_EQ(dup.bytes, unique.bytes);
  EXPECT_EQ(dup.key_length, 17u);

  // Equal values of a DUP key order by ascending record number even in a
  // descending key; a unique key sees the same two as one key part.
  KeyDescriptor descending_dup = long_and_string_key(key_attr::kDup, true);
  KeyRecord first = make_key_record(1, descending_dup, collation, record.data(), 5);
  KeyRecord second = make_key_record(1, descending_dup, collation, record.data(), 300);
  EXPECT_LT(std::memcmp(first.data(), second.data(), first.length()), 0);
  EXPECT_FALSE(first.same_key_part(second));
  KeyDescriptor unique_key = long_and_string_key(0);
  EXPECT_TRUE(make_key_record(1, unique_key, collation, record.data(), 5)
                  .same_key_part(make_key_record(1, unique_key, collation, record.data(), 300)));
}

TEST(KeyRecords, NoCaseValuesCollide) {
  KeyCollation collation;
  KeyDescriptor key = long_and_string_key(key_attr::kNoCase);
  Bytes upper = record_of(7, "AB");
  Bytes lower = record_of(7, "ab");
  KeyRecord a = make_key_record(1, key, collation, upper.data(), 10);
  KeyRecord b = make_key_record(1, key, collation, lower.data(), 11);
  EXPECT_TRUE(a.same_key_part(b));
  EXPECT_EQ(Bytes(a.bytes.begin() + 9, a.bytes.begin() + 13), text("ab  "));
  key.attributes = 0;
  EXPECT_FALSE(make_key_record(1, key, collation, upper.data(), 10)
                   .same_key_part(make_key_record(1, key, collation, lower.data(), 11)));
}

TEST(KeyRecords, OptSkipsOnlyWhenEveryComponentIsBlank) {
  KeyDescriptor key = long_and_string_key(key_attr::kOpt);
  EXPECT_TRUE(is_blank_for_opt(key, record_of(0, "").data()));
  EXPECT_FALSE(is_blank_for_opt(key, record_of(0, "x").data()));
  EXPECT_FALSE(is_blank_for_opt(key, record_of(3, "").data()));
  key.attributes = 0;
  EXPECT_FALSE(is_blank_for_opt(key, record_of(0, "").data()));
}

TEST(TableNames, UpperCaseThroughTheCaseTables) {
  EXPECT_EQ(upper_case("alumnos_2022"), "ALUMNOS_2022");
  // Letters without a partner in the default tables stay as they are.
  EXPECT_EQ(upper_case("ni\xF1o"), "NI\xF1O");
  LocaleBlock latin;
  LocaleBlock::Bytes& block = latin.mutable_bytes();
  block[LocaleBlock::kCasePartner + 0xF1] = 0xD1;
  block[LocaleBlock::kClasses + 0xF1] = char_class::kLower;
  EXPECT_EQ(upper_case("ni\xF1o", latin), "NI\xD1O");
}

}  // namespace
}  // namespace tps
