#include "tps/errors/errors.h"

#include <gtest/gtest.h>

#include <string>

namespace tps {
namespace {

TEST(ErrorMessages, EveryNumberHasItsText) {
  const struct {
    int number;
    const char* text;
  } cases[] = {
      {2, "File Not Found"},
      {3, "Path Not Found"},
      {4, "Too Many Open Files"},
      {5, "Access Denied"},
      {8, "Insufficient Memory"},
      {32, "File Is Already Locked"},
      {33, "Record Not Available"},
      {35, "Record Not Found"},
      {36, "Invalid Data File"},
      {37, "File Not Open"},
      {40, "Creates Duplicate Key"},
      {43, "Record Is Already Held"},
      {45, "Invalid Filename"},
      {47, "Invalid Record Declaration"},
      {54, "No Create Attribute"},
      {75, "Invalid Field Type Descriptor"},
      {76, "Invalid Index String"},
      {78, "Invalid Number Of Parameters"},
      {80, "Unsupported File Driver Function"},
      {89, "Record Changed By Another Station"},
      {90, "File System Error"},
      {93, "BUILD Cancelled"},
  };
  for (const auto& c : cases) EXPECT_EQ(error_message(c.number), c.text) << c.number;
  EXPECT_EQ(error_message(0), "");
  EXPECT_EQ(error_message(34), "");
}

class DetailTest : public ::testing::Test {
 protected:
  void TearDown() override { clear_message_resources(); }
};

TEST_F(DetailTest, EngineFaultCarriesMessageAndCode) {
  EXPECT_EQ(fault_error(2183), (ErrorDetail{90, "Possible data corruption in file", "2183"}));
  EXPECT_EQ(fault_error(1477, false), (ErrorDetail{90, "TPS File Driver Error", "1477"}));
  EXPECT_EQ(fault_stop_text(1173), "Possible data corruption in file (1173)");
  EXPECT_EQ(fault_error(90).number_message(), "File System Error");
}

TEST_F(DetailTest, ResourcesReplaceBuiltInTexts) {
  set_message_resource(resource::kCorruption, std::string(300, 'x'));
  EXPECT_EQ(fault_error(706).message, std::string(219, 'x'));
  set_message_resource(resource::kKeyTooLong, "Clave demasiado larga");
  EXPECT_EQ(key_too_long_error(1).message, "Clave demasiado larga");
  clear_message_resources();
  EXPECT_EQ(fault_error(706).message, "Possible data corruption in file");
}

TEST_F(DetailTest, StructureErrorsAreFramed) {
  EXPECT_EQ(key_too_long_error(2),
            (ErrorDetail{47, "Key components are more than a total of 7526 bytes long",
                         "KEY : 2 : SIZE : D00101"}));
  EXPECT_EQ(newer_version_error(),
            (ErrorDetail{47,
                         "You are attempting to open a newer TPS file format than the driver "
                         "supports",
                         "FILE : 0 : VERSION : D00000"}));
  EXPECT_EQ(declaration_error(structure::kMemo, 3, structure::kBinary).code,
            "MEMO/BLOB : 3 : BINARY : D00000");
  EXPECT_EQ(frame_structure_code("COMPONENT", 12, "ASCENDING", 123456),
            "COMPONENT : 12 : ASCENDING : D123456");
}

TEST(ErrorDetailTest, PlainErrorHasNoDetail) {
  EXPECT_TRUE(plain_error(0).ok());
  EXPECT_EQ(plain_error(35), (ErrorDetail{35, "", ""}));
  EXPECT_FALSE(plain_error(35).ok());
}

}  // namespace
}  // namespace tps
