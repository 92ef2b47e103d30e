// Code-page conversion of the text fields of a record buffer.
#include "tps/table/record_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/tps/table/sample_declarations.h"

namespace {

using namespace table_testing;

// Spanish text in code page 1252, as the program's buffers hold it.
const std::string kAccented = "\xE1\xE9\xED\xF3\xFA\xFC\xF1\xD1\xB0\xBF\xA1";  // á é í ó ú ü ñ Ñ ° ¿ ¡
const std::string kAccentedOem = "\xA0\x82\xA1\xA2\xA3\x81\xA4\xA5\xF8\xA8\xAD";

struct TextRecord {
  std::vector<FieldDeclaration> fields;
  Bytes buffer;
};

// STRING(12) at 0, LONG at 12, CSTRING(14) at 16, PSTRING(13) at 30, a
// STRING(4) laid over the LONG, and a CSTRING[2] array of 4-byte elements at 43.
TextRecord accented_record() {
  TextRecord r;
  FieldDeclaration over = single_field(field_type::kString, "T:OVER", 12, 4);
  over.over = true;
  FieldDeclaration pair = single_field(field_type::kCString, "T:PAIR", 43, 8);
  pair.element_count = 2;
  pair.element_size = 4;
  r.fields = {single_field(field_type::kString, "T:S", 0, 12), single_field(field_type::kLong, "T:N", 12, 4),
              single_field(field_type::kCString, "T:C", 16, 14), single_field(field_type::kPString, "T:P", 30, 13), over, pair};
  r.buffer.assign(51, 0);
  std::memcpy(&r.buffer[0], (kAccented + " ").data(), 12);
  const uint8_t number[4] = {0xE1, 0xE9, 0xED, 0xF3};  // bytes that would convert if taken as text
  std::memcpy(&r.buffer[12], number, 4);
  std::memcpy(&r.buffer[16], kAccented.data(), 11);   // NUL, then bytes past it
  r.buffer[28] = 0xE1;
  r.buffer[30] = 11;
  std::memcpy(&r.buffer[31], kAccented.data(), 11);
  r.buffer[42] = 0xE1;                                // past the length byte's count
  const uint8_t pair_bytes[8] = {0xF1, 0, 0xF1, 0xF1, 0xF1, 0xF1, 0xF1, 0};
  std::memcpy(&r.buffer[43], pair_bytes, 8);
  return r;
}

TEST(RecordText, StoresAccentedTextInTheOemCodePageAndReadsItBackUnchanged) {
  const TextRecord r = accented_record();
  const Bytes caller = r.buffer;
  Bytes stored = stored_record_image(r.fields, r.buffer.data(), r.buffer.size(), /*oem=*/true);

  EXPECT_EQ(r.buffer, caller);  // the caller's buffer is left as it is
  EXPECT_EQ(std::string(stored.begin(), stored.begin() + 11), kAccentedOem);
  EXPECT_EQ(std::string(stored.begin() + 16, stored.begin() + 27), kAccentedOem);
  EXPECT_EQ(std::string(stored.begin() + 31, stored.begin() + 42), kAccentedOem);
  EXPECT_EQ(stored[12], 0xE1);  // LONG and the STRING laid over it: untouched
  EXPECT_EQ(stored[28], 0xE1);  // CSTRING past its NUL: untouched
  EXPECT_EQ(stored[30], 11);    // PSTRING length byte: untouched
  EXPECT_EQ(stored[42], 0xE1);  // PSTRING past its length: untouched
  // Each array element converts up to its own NUL.
  EXPECT_EQ(stored[43], 0xA4);
  EXPECT_EQ(stored[45], 0xF1);
  EXPECT_EQ(stored[47], 0xA4);
  EXPECT_EQ(stored[49], 0xA4);

  record_text_to_ansi(r.fields, stored.data(), stored.size());
  EXPECT_EQ(stored, caller);
}

TEST(RecordText, LeavesTheRecordAloneWithoutOemAndStaysInsideTheBuffer) {
  const TextRecord r = accented_record();
  EXPECT_EQ(stored_record_image(r.fields, r.buffer.data(), r.buffer.size(), /*oem=*/false), r.buffer);

  // A PSTRING whose length byte claims more than the field holds, and a field
  // reaching past a short buffer, convert only what lies inside.
  std::vector<FieldDeclaration> fields = {single_field(field_type::kPString, "T:P", 0, 4),
                                          single_field(field_type::kString, "T:S", 4, 100)};
  Bytes buffer = {200, 0xE1, 0xE1, 0xE1, 0xE1, 0xE1};
  record_text_to_oem(fields, buffer.data(), buffer.size());
  EXPECT_EQ(buffer, (Bytes{200, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0}));
}

TEST(RecordText, StoresACharacterTheOemCodePageLacksAsItsStandIn) {
  // The euro sign has no OEM form: the write still succeeds, with '?' stored
  // and read back in its place.
  const std::vector<FieldDeclaration> fields = {single_field(field_type::kString, "T:S", 0, 3)};
  const Bytes buffer = {'1', 0x80, ' '};
  Bytes stored = stored_record_image(fields, buffer.data(), buffer.size(), true);
  EXPECT_EQ(stored, (Bytes{'1', '?', ' '}));
  record_text_to_ansi(fields, stored.data(), stored.size());
  EXPECT_EQ(stored, (Bytes{'1', '?', ' '}));
}

}  // namespace
