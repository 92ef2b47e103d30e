// Checks a table declaration against the definition stored in the file, and
// takes a stored definition over when the program opens a table without
// knowing its layout.
#pragma once

#include "tps/table/declaration.h"
#include "tps/table/definition_stream.h"
#include "tps/table/structure_error.h"

namespace tps {

// Compares the stored definition with the program's declaration item by item
// in stream order. The first difference gives 47 with the element and the
// attribute named. Not compared: record length, names, offsets, field numbers,
// string lengths and pictures, the size of BLOB memos, key attribute bit 0x10.
// With `decimal_check` false, the places and element size of DECIMAL and
// PDECIMAL fields are not compared either.
DeclarationResult compare_definition(const StoredDefinition& stored, const TableDeclaration& declared,
                                     bool decimal_check);

// Fills `declared` (its names, attributes and options kept) with the stored
// layout after checking that the layout is usable: the version is known, the
// stream is whole, every field lies within the record buffer, every key
// component names an existing field, and the declaration limits hold.
// `declared` is left as it was on failure.
DeclarationResult load_definition(const StoredDefinition& stored, TableDeclaration& declared);

}  // namespace tps
