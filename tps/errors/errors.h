// Error numbers of the storage engine, their message texts, and the detail
// texts posted with some of them.
//
// Every engine operation ends with an error number (0 for success). The
// platform's error manager shows the number's message; for a few errors the
// engine also posts a detail: a message of its own and a detail code (the
// fault code of an engine fault, or a framed structure error). ErrorDetail
// carries the three together from the operation to the file statements, which
// keep it as the current error.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tps {

namespace error {

inline constexpr int kNone = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kInsufficientMemory = 8;
inline constexpr int kFileAlreadyLocked = 32;
inline constexpr int kRecordNotAvailable = 33;
inline constexpr int kRecordNotFound = 35;
inline constexpr int kInvalidDataFile = 36;
inline constexpr int kFileNotOpen = 37;
inline constexpr int kCreatesDuplicateKey = 40;
inline constexpr int kRecordAlreadyHeld = 43;
inline constexpr int kInvalidFilename = 45;
inline constexpr int kInvalidRecordDeclaration = 47;
inline constexpr int kNoCreateAttribute = 54;
inline constexpr int kInvalidFieldTypeDescriptor = 75;
inline constexpr int kInvalidIndexString = 76;
inline constexpr int kInvalidNumberOfParameters = 78;
inline constexpr int kUnsupportedFunction = 80;
inline constexpr int kRecordChangedByAnotherStation = 89;
inline constexpr int kFileSystemError = 90;
inline constexpr int kBuildCancelled = 93;

}  // namespace error

// The message text shown for error `number`; empty for a number without one.
std::string_view error_message(int number);

// Message resources: localized texts that replace built-in detail messages
// when present. Process-wide; set at start-up by the platform.
namespace resource {
inline constexpr int kCorruption = 4101;      // replaces "Possible data corruption in file"
inline constexpr int kKeyTooLong = 230100;    // replaces the over-long key message
inline constexpr int kNewerVersion = 210101;  // replaces the VERSION message
}  // namespace resource

void set_message_resource(int resource, std::string text);
void clear_message_resources();
// The resource's text when present, otherwise `built_in`.
std::string resource_text(int resource, std::string_view built_in);

// Detail messages.
inline constexpr std::string_view kCorruptionMessage = "Possible data corruption in file";
inline constexpr std::string_view kDriverErrorMessage = "TPS File Driver Error";
inline constexpr std::string_view kKeyTooLongMessage =
    "Key components are more than a total of 7526 bytes long";
inline constexpr std::string_view kNewerVersionMessage =
    "You are attempting to open a newer TPS file format than the driver supports";
// A localized corruption message is cut to this many characters.
inline constexpr size_t kCorruptionMessageMax = 219;

// Kinds and attributes named by a structure error (a declaration that does not
// match the stored definition, or breaks a limit).
namespace structure {
inline constexpr std::string_view kFile = "FILE";
inline constexpr std::string_view kField = "FIELD";
inline constexpr std::string_view kMemo = "MEMO/BLOB";
inline constexpr std::string_view kKey = "KEY";
inline constexpr std::string_view kComponent = "COMPONENT";

inline constexpr std::string_view kVersion = "VERSION";
inline constexpr std::string_view kFields = "FIELDS";
inline constexpr std::string_view kMemos = "MEMOS";
inline constexpr std::string_view kKeys = "KEYS";
inline constexpr std::string_view kType = "TYPE";
inline constexpr std::string_view kDim = "DIM";
inline constexpr std::string_view kSize = "SIZE";
inline constexpr std::string_view kOver = "OVER";
inline constexpr std::string_view kPlaces = "PLACES";
inline constexpr std::string_view kBinary = "BINARY";
inline constexpr std::string_view kAttribute = "ATTRIBUTE";
inline constexpr std::string_view kComponentField = "FIELD";
inline constexpr std::string_view kAscending = "ASCENDING";

// Number of the file in a structure error naming the file itself.
inline constexpr int kFileItemNumber = 0;
// Detail code of a structure error that carries no code of its own.
inline constexpr int kNoCode = 0;
// Detail code of the over-long key.
inline constexpr int kKeyTooLongCode = 101;
}  // namespace structure

// The outcome of an engine operation as the file statements keep it.
struct ErrorDetail {
  int number = error::kNone;  // engine error number; 0 for success
  std::string message;        // detail message posted with it; empty when none
  std::string code;           // detail code text; empty when none

  bool ok() const { return number == error::kNone; }
  // The message the platform shows for `number`.
  std::string_view number_message() const { return error_message(number); }
  bool operator==(const ErrorDetail&) const = default;
};

// An error number without a detail (0 gives success).
ErrorDetail plain_error(int number);

// Error 90 after engine fault `fault_code`: the corruption message (or its
// resource, cut to 219 characters) with the fault code in decimal; the driver
// error message instead when no file name is current.
ErrorDetail fault_error(int fault_code, bool file_name_current = true);

// The text the program stops with when a fault occurs outside an operation:
// the message followed by " (" fault code ")".
std::string fault_stop_text(int fault_code, bool file_name_current = true);

// Frames a structure error's detail code: "kind : number : attribute : Dcode"
// with the code in five digits ("KEY : 2 : SIZE : D00101").
std::string frame_structure_code(std::string_view kind, int number, std::string_view attribute,
                                 int code);

// Error 47 for a declaration item that differs from the stored definition.
ErrorDetail declaration_error(std::string_view kind, int number, std::string_view attribute,
                              std::string message = {}, int code = structure::kNoCode);

// Error 47 for key `key_number` (1-based) whose components are too long.
ErrorDetail key_too_long_error(int key_number);

// Error 47 for a stored definition newer than this engine reads.
ErrorDetail newer_version_error();

}  // namespace tps
