#include "platform/ui/picture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/ui/date.h"

namespace ui {
namespace {

Picture pic(const char* text) {
  auto p = Picture::parse(text);
  EXPECT_TRUE(p.has_value()) << text;
  return p.value_or(Picture());
}

TEST(PictureTest, NumbersAndTextsShowThroughTheirPictures) {
  struct Case {
    const char* picture;
    Value value;
    const char* shown;
  };
  const Case cases[] = {
      {"@n-14", Value::of_number(-20123456), "-20123456"},
      {"@n-14", Value::of_number(0), "0"},
      {"@n-14", Value::of_number(123456789012345), "##############"},
      {"@n3", Value::of_number(7), "7"},
      {"@n3", Value::of_number(1000), "###"},
      {"@n2", Value::of_number(12), "12"},
      {"@s4", Value::of_text("B   "), "B"},
      {"@s4", Value::of_text("ABCDEFG"), "ABCD"},
      {"@s80", Value::of_text("No encontrado ....." + std::string(61, ' ')), "No encontrado ....."},
      {"@s4", Value::of_text("\xC3\xB1\xC3\xB1\xC3\xB1\xC3\xB1\xC3\xB1"),
       "\xC3\xB1\xC3\xB1\xC3\xB1\xC3\xB1"},  // characters, not bytes
  };
  for (const Case& c : cases) EXPECT_EQ(pic(c.picture).format(c.value), c.shown) << c.picture;
  std::string paragraph(300, 'x');
  EXPECT_EQ(pic("@s255").format(Value::of_text(paragraph)).size(), 255u);
}

TEST(PictureTest, DatesRoundTripAsDayMonthYearAndInvalidOnesGiveZero) {
  Picture d = pic("@d06");
  int32_t day = date_to_days(9, 3, 1975);
  ASSERT_NE(day, 0);
  EXPECT_EQ(d.format(Value::of_number(day)), "09/03/1975");
  EXPECT_EQ(d.deformat("09/03/1975").as_number(), day);
  EXPECT_EQ(d.deformat("9/3/1975").as_number(), day);
  EXPECT_EQ(d.deformat("09031975").as_number(), day);
  EXPECT_EQ(d.format(Value::of_number(0)), "");
  EXPECT_EQ(d.deformat("29/02/2000").as_number(), date_to_days(29, 2, 2000));
  for (const char* bad : {"", "31/02/2020", "29/02/1900", "00/01/2000", "1/13/2000", "1/1/99",
                          "1/1/19750", "abc", "1//2000", "01/01/1800", "123/1/2000"}) {
    EXPECT_EQ(d.deformat(bad).as_number(), 0) << bad;
  }
  // Every day of a long span survives the round trip through the text.
  for (int32_t n = date_to_days(1, 1, 1899); n < date_to_days(1, 1, 2101); n += 97) {
    EXPECT_EQ(d.deformat(d.format(Value::of_number(n))).as_number(), n);
  }
}

TEST(PictureTest, DateFieldsReadAndWriteTheirFourBytes) {
  uint8_t field[4] = {9, 3, 0xB7, 0x07};  // 9 March 1975, year little-endian
  Variable v = Variable::of_date_field(field);
  EXPECT_EQ(v.get().as_number(), date_to_days(9, 3, 1975));
  v.set(Value::of_number(date_to_days(31, 12, 2022)));
  EXPECT_EQ(field[0], 31);
  EXPECT_EQ(field[1], 12);
  EXPECT_EQ(field[2] | (field[3] << 8), 2022);
  v.set(Value::of_number(0));  // no date: all zero
  EXPECT_EQ(field[0] | field[1] | field[2] | field[3], 0);
  uint8_t impossible[4] = {31, 2, 0xE4, 0x07};
  EXPECT_EQ(Variable::of_date_field(impossible).get().as_number(), 0);
}

TEST(PictureTest, EntriesAcceptOnlyWhatThePictureHolds) {
  Picture n = pic("@n-14"), n3 = pic("@n3"), s = pic("@s4"), d = pic("@d06");
  EXPECT_TRUE(n.allows("-12345678901234") == false);  // 15 positions
  EXPECT_TRUE(n.allows("-1234567890123"));
  EXPECT_FALSE(n.allows("12a"));
  EXPECT_FALSE(n.allows("1-2"));
  EXPECT_FALSE(n3.allows("-1"));  // no sign position
  EXPECT_TRUE(s.allows("ABCD"));
  EXPECT_FALSE(s.allows("ABCDE"));
  EXPECT_TRUE(d.allows("09/03/1975"));
  EXPECT_FALSE(d.allows("09-03-1975x"));
  EXPECT_EQ(n.deformat("").as_number(), 0);
  EXPECT_EQ(n.deformat("-42").as_number(), -42);
  int32_t clamped = 0;
  Variable::of(clamped).set(n.deformat("99999999999999"));
  EXPECT_EQ(clamped, INT32_MAX);
  for (const char* bad : {"", "@", "@n", "@n-", "@x5", "@s0", "@d07", "@n3x", "n3"}) {
    EXPECT_FALSE(Picture::parse(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace ui

namespace ui {
namespace {

TEST(AnsiTextTest, RecordTextIsShownAsUnicodeAndStoredBackInItsCodePage) {
  char name[12];
  std::memcpy(name, "Nu\xF1""ez 1\xB0 \x80  ", 12);  // "Nuñez 1° €" in code page 1252
  Variable v = Variable::of_ansi_chars(name, sizeof name);
  EXPECT_EQ(Picture::parse("@s12")->format(v.get()), "Nu\xC3\xB1" "ez 1\xC2\xB0 \xE2\x82\xAC");
  v.set(Value::of_text("Pe\xC3\xB1" "a \xE2\x98\x83"));  // a snowman has no place in 1252
  EXPECT_EQ(std::string(name, sizeof name), "Pe\xF1" "a ?      ");
  // Broken UTF-8 never reaches the record as anything but '?'.
  EXPECT_EQ(utf8_to_ansi("a\xC3"), "a?");
  EXPECT_EQ(utf8_to_ansi("\x80z"), "?z");
  EXPECT_EQ(ansi_to_utf8("\x81"), "?");
}

}  // namespace
}  // namespace ui
