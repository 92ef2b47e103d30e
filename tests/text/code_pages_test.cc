#include "platform/text/code_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> bytes_of(const std::string& ansi) { return {ansi.begin(), ansi.end()}; }

// Every character both code pages hold: ASCII, the Latin-1 half of 1252 and
// the florin sign.
std::vector<uint8_t> shared_ansi_characters() {
  std::vector<uint8_t> shared;
  for (unsigned byte = 0; byte < 0x100; ++byte)
    if (byte < 0x80 || byte >= 0xA0 || byte == 0x83) shared.push_back(static_cast<uint8_t>(byte));
  return shared;
}

TEST(CodePages, SpanishLettersHaveTheirOemBytes) {
  // á é í ó ú ü ñ Ñ ° ¿ ¡ in 1252 and where code page 850 keeps them.
  std::vector<uint8_t> text = bytes_of(std::string("\xE1\xE9\xED\xF3\xFA\xFC\xF1\xD1\xB0\xBF\xA1"));
  text::ansi_to_oem(text.data(), text.size());
  EXPECT_EQ(text, (std::vector<uint8_t>{0xA0, 0x82, 0xA1, 0xA2, 0xA3, 0x81, 0xA4, 0xA5, 0xF8, 0xA8, 0xAD}));
}

TEST(CodePages, EverySharedCharacterRoundTripsBothWays) {
  std::vector<uint8_t> ansi = shared_ansi_characters();
  std::vector<uint8_t> text = ansi;
  text::ansi_to_oem(text.data(), text.size());
  std::vector<uint8_t> oem = text;
  text::oem_to_ansi(text.data(), text.size());
  EXPECT_EQ(text, ansi);

  // The shared characters take distinct OEM bytes, and reading those back
  // then writing again gives the same bytes.
  text::ansi_to_oem(text.data(), text.size());
  EXPECT_EQ(text, oem);
  std::vector<bool> seen(256, false);
  for (uint8_t byte : oem) {
    EXPECT_FALSE(seen[byte]) << "two characters share OEM byte " << int(byte);
    seen[byte] = true;
  }
}

// Runs of plain text are passed over a word at a time: letters outside
// ASCII at any offset of a longer text must still be converted, one alone
// or every one from there on.
TEST(CodePages, AccentedLetterAnywhereInPlainTextIsConverted) {
  for (bool run_to_end : {false, true}) {
    for (size_t length = 1; length <= 20; ++length) {
      for (size_t at = 0; at < length; ++at) {
        const size_t end = run_to_end ? length : at + 1;
        std::vector<uint8_t> text(length, 'a');
        std::fill(text.begin() + at, text.begin() + end, 0xF1);  // ñ
        text::ansi_to_oem(text.data(), text.size());
        std::vector<uint8_t> expected(length, 'a');
        std::fill(expected.begin() + at, expected.begin() + end, 0xA4);
        ASSERT_EQ(text, expected) << at << " of " << length;
        text::oem_to_ansi(text.data(), text.size());
        std::fill(expected.begin() + at, expected.begin() + end, 0xF1);
        ASSERT_EQ(text, expected) << at << " of " << length;
      }
    }
  }
}

TEST(CodePages, CharactersWithoutPlaceBecomeCloseOrDefault) {
  struct Case {
    uint8_t from;
    uint8_t to;
  };
  // 1252 -> 850
  for (Case c : std::vector<Case>{{0x92, '\''}, {0x93, '"'}, {0x96, '-'}, {0x97, '-'}, {0x85, '.'},
                                  {0x8A, 'S'}, {0x9F, 'Y'}, {0x80, '?'}, {0x81, '?'}, {0x9D, '?'}}) {
    EXPECT_EQ(text::ansi_to_oem(c.from), c.to) << int(c.from);
  }
  // 850 -> 1252
  for (Case c : std::vector<Case>{{0xC4, '-'}, {0xB3, '|'}, {0xDA, '+'}, {0xCD, '='}, {0xDB, '#'},
                                  {0xD5, 'i'}, {0xF2, '_'}}) {
    EXPECT_EQ(text::oem_to_ansi(c.from), c.to) << int(c.from);
  }
}

TEST(CodePages, Utf8RoundTripAndReplacement) {
  std::string ansi = "Mu\xF1oz \xBF" "a\xF1o?\x80";  // "Muñoz ¿año?€"
  std::string utf8 = text::utf8_from_ansi(ansi);
  EXPECT_EQ(utf8, "Mu\xC3\xB1oz \xC2\xBF" "a\xC3\xB1o?\xE2\x82\xAC");
  EXPECT_EQ(text::ansi_from_utf8(utf8), ansi);

  // Unassigned 1252 bytes print as U+FFFD.
  EXPECT_EQ(text::utf8_from_ansi("\x81"), "\xEF\xBF\xBD");
  // A code point outside 1252, a C1 control, a truncated sequence, a stray
  // continuation byte and an overlong form each become the replacement.
  EXPECT_EQ(text::ansi_from_utf8("a\xE4\xB8\x80" "b"), "a?b");
  EXPECT_EQ(text::ansi_from_utf8("\xC2\x80"), "?");
  EXPECT_EQ(text::ansi_from_utf8("x\xC3"), "x?");
  EXPECT_EQ(text::ansi_from_utf8("\x80y"), "?y");
  EXPECT_EQ(text::ansi_from_utf8("\xC0\xAF", '_'), "__");
}

}  // namespace
