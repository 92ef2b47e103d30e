// Small declarations the table tests share.
#pragma once

#include "tps/table/declaration.h"

namespace table_testing {

using namespace tps;

// A table with one field of every shape the stream distinguishes: a number,
// a DECIMAL, strings with and without a picture, an array, a group with a
// member and a field laid over another; a text memo, a binary BLOB, and keys
// with an ascending and a descending component.
inline TableDeclaration mixed_table() {
  TableDeclaration t;
  t.label = "MIXED";
  t.prefix = "MIX";
  t.file_name = "mixed.tps";
  t.attributes = table_attr::kCreate | table_attr::kOem;
  t.record_length = 64;
  FieldDeclaration id = single_field(field_type::kLong, "MIX:ID", 0, 4);
  FieldDeclaration amount = single_field(field_type::kDecimal, "MIX:AMOUNT", 4, 4);
  amount.decimal_places = 2;
  FieldDeclaration name = single_field(field_type::kString, "MIX:NAME", 8, 20);
  name.picture = "@s20";
  name.external_name = "Name";
  FieldDeclaration code = single_field(field_type::kCString, "MIX:CODE", 28, 6);
  FieldDeclaration marks = single_field(field_type::kShort, "MIX:MARKS", 34, 6);
  marks.element_count = 3;
  marks.element_size = 2;
  FieldDeclaration group = single_field(field_type::kGroup, "MIX:WHEN", 40, 8);
  FieldDeclaration day = single_field(field_type::kDate, "MIX:DAY", 40, 4);
  FieldDeclaration raw = single_field(field_type::kByte, "MIX:RAW", 40, 4);
  raw.over = true;
  FieldDeclaration tag = single_field(field_type::kPString, "MIX:TAG", 48, 16);
  t.fields = {id, amount, name, code, marks, group, day, raw, tag};

  const MemoDeclaration notes = text_memo("MIX:NOTES", 2000);
  MemoDeclaration photo;
  photo.label = "MIX:PHOTO";
  photo.external_name = "Photo";
  photo.attributes = memo_attr::kBlob | memo_attr::kBinary;
  t.memos = {notes, photo};

  KeyDeclaration by_id;
  by_id.label = "MIX:BY_ID";
  by_id.attributes = key_attr::kPrimary;
  by_id.components = {{0, false}};
  KeyDeclaration by_name;
  by_name.label = "MIX:BY_NAME";
  by_name.attributes = key_attr::kDup | key_attr::kNoCase | key_attr::kOpt;
  by_name.components = {{2, false}, {0, true}};
  t.keys = {by_id, by_name};
  return t;
}

}  // namespace table_testing
