#include <gtest/gtest.h>

#include "tps/errors/errors.h"
#include "tps/key/key_descriptor.h"

namespace tps {
namespace {

FieldDeclaration field(uint8_t type, uint32_t offset, uint32_t size, uint32_t elements = 1) {
  FieldDeclaration f;
  f.type = type;
  f.offset = offset;
  f.size = size;
  f.element_count = elements;
  f.element_size = size / elements;
  return f;
}

KeyDeclaration key(uint8_t attributes, std::vector<KeyComponent> components) {
  KeyDeclaration k;
  k.attributes = attributes;
  k.components = std::move(components);
  return k;
}

// A LONG, a STRING(n) and a SHORT[3] array.
TableDeclaration table_with_string(uint32_t string_length) {
  TableDeclaration t;
  t.fields = {field(field_type::kLong, 0, 4), field(field_type::kString, 4, string_length),
              field(field_type::kShort, 4 + string_length, 6, 3)};
  t.record_length = 4 + string_length + 6;
  return t;
}

TEST(KeyDescriptors, ComponentsFollowTheDeclaration) {
  TableDeclaration t = table_with_string(30);
  t.keys = {key(key_attr::kPrimary | key_attr::kOpt, {{0, false}}),
            key(key_attr::kDup | key_attr::kNoCase, {{1, true}, {0, false}})};
  std::vector<KeyDescriptor> keys;
  ASSERT_TRUE(build_key_descriptors(t, keys).ok());
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[1].number, 1);
  EXPECT_TRUE(keys[1].dup() && keys[1].nocase() && !keys[1].opt());
  EXPECT_EQ(keys[1].value_length, 34u);
  EXPECT_EQ(keys[1].components[0].offset, 4u);
  EXPECT_TRUE(keys[1].components[0].descending);
  EXPECT_EQ(keys[0].key_part_length(), 9u);
  EXPECT_EQ(keys[1].key_part_length(), 43u);
}

TEST(KeyDescriptors, ValueLengthLimit) {
  TableDeclaration fits = table_with_string(7522);
  fits.keys = {key(0, {{1, false}, {0, false}})};  // 7526 bytes
  std::vector<KeyDescriptor> keys;
  EXPECT_TRUE(build_key_descriptors(fits, keys).ok());

  TableDeclaration too_long = table_with_string(7523);
  too_long.keys = {key(0, {{0, false}}), key(0, {{0, false}, {1, true}})};  // second key: 7527 bytes
  DeclarationResult result = build_key_descriptors(too_long, keys);
  EXPECT_EQ(result.error, error::kInvalidRecordDeclaration);
  EXPECT_EQ(result.detail.kind, "KEY");
  EXPECT_EQ(result.detail.number, 2);
  EXPECT_EQ(result.detail.attribute, "SIZE");
  EXPECT_EQ(result.detail.code, 101);
  EXPECT_EQ(result.detail.message, "Key components are more than a total of 7526 bytes long");
}

TEST(KeyDescriptors, UnusableComponentsAreRefused) {
  std::vector<KeyDescriptor> keys;
  TableDeclaration array_component = table_with_string(10);
  array_component.keys = {key(0, {{0, false}, {2, false}})};
  DeclarationResult result = build_key_descriptors(array_component, keys);
  EXPECT_EQ(result.error, error::kInvalidFieldTypeDescriptor);

  TableDeclaration missing_field = table_with_string(10);
  missing_field.keys = {key(0, {{3, false}})};
  EXPECT_EQ(build_key_descriptors(missing_field, keys).error, error::kInvalidRecordDeclaration);

  TableDeclaration past_record = table_with_string(10);
  past_record.record_length = 10;
  past_record.keys = {key(0, {{1, false}})};
  EXPECT_EQ(build_key_descriptors(past_record, keys).error, error::kInvalidRecordDeclaration);
}

}  // namespace
}  // namespace tps
