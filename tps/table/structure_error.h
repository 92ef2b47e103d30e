// Results of checking a table declaration: the error number and the detail
// the engine posts with it ("kind : number : attribute : Dcode").
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "tps/errors/errors.h"

namespace tps {

// Error numbers returned by declaration checks.
inline constexpr int kErrInvalidRecordDeclaration = error::kInvalidRecordDeclaration;
inline constexpr int kErrInvalidFieldTypeDescriptor = error::kInvalidFieldTypeDescriptor;

// Kinds of declaration element named by a structure error.
namespace structure_kind {
inline constexpr std::string_view kFile = structure::kFile;
inline constexpr std::string_view kField = structure::kField;
inline constexpr std::string_view kMemo = structure::kMemo;
inline constexpr std::string_view kKey = structure::kKey;
inline constexpr std::string_view kComponent = structure::kComponent;
}  // namespace structure_kind

// Which element of a declaration is at fault, and why.
struct StructureError {
  std::string kind;       // a structure_kind name
  int number = 0;         // 1-based field, memo, key or component number; 0 for the file
  int key = 0;            // COMPONENT only: the 1-based number of its key
  std::string attribute;  // the attribute that differs or breaks a limit ("TYPE", "SIZE", ...)
  int code = 0;           // detail code, shown as "D%05d"; 0 when none
  std::string message;    // text posted with the error; empty when none

  bool operator==(const StructureError&) const = default;
};

// Outcome of a declaration check: 0, or an error number with its detail.
struct DeclarationResult {
  int error = 0;
  StructureError detail;

  bool ok() const { return error == 0; }
};

// A failed check naming `kind` item `number` and `attribute`.
inline DeclarationResult structure_error(int error, std::string_view kind, int number, std::string_view attribute,
                                         std::string message = {}) {
  DeclarationResult result;
  result.error = error;
  result.detail.kind = kind;
  result.detail.number = number;
  result.detail.attribute = attribute;
  result.detail.message = std::move(message);
  return result;
}

// The error as an operation posts it: number, message and framed detail code.
inline ErrorDetail to_error_detail(const DeclarationResult& result) {
  if (result.ok()) return plain_error(error::kNone);
  const StructureError& d = result.detail;
  return ErrorDetail{result.error, d.message, frame_structure_code(d.kind, d.number, d.attribute, d.code)};
}

}  // namespace tps
