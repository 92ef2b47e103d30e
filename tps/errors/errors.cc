#include "tps/errors/errors.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

namespace tps {

namespace {

struct NumberedMessage {
  int number;
  std::string_view text;
};

constexpr NumberedMessage kMessages[] = {
    {error::kFileNotFound, "File Not Found"},
    {error::kPathNotFound, "Path Not Found"},
    {error::kTooManyOpenFiles, "Too Many Open Files"},
    {error::kAccessDenied, "Access Denied"},
    {error::kInsufficientMemory, "Insufficient Memory"},
    {error::kFileAlreadyLocked, "File Is Already Locked"},
    {error::kRecordNotAvailable, "Record Not Available"},
    {error::kRecordNotFound, "Record Not Found"},
    {error::kInvalidDataFile, "Invalid Data File"},
    {error::kFileNotOpen, "File Not Open"},
    {error::kCreatesDuplicateKey, "Creates Duplicate Key"},
    {error::kRecordAlreadyHeld, "Record Is Already Held"},
    {error::kInvalidFilename, "Invalid Filename"},
    {error::kInvalidRecordDeclaration, "Invalid Record Declaration"},
    {error::kNoCreateAttribute, "No Create Attribute"},
    {error::kInvalidFieldTypeDescriptor, "Invalid Field Type Descriptor"},
    {error::kInvalidIndexString, "Invalid Index String"},
    {error::kInvalidNumberOfParameters, "Invalid Number Of Parameters"},
    {error::kUnsupportedFunction, "Unsupported File Driver Function"},
    {error::kRecordChangedByAnotherStation, "Record Changed By Another Station"},
    {error::kFileSystemError, "File System Error"},
    {error::kBuildCancelled, "BUILD Cancelled"},
};

// Message resources are set at start-up but read from engine calls, which may
// run on any thread; the mutex keeps the map consistent between the two.
std::mutex& resource_mutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<int, std::string>& resources() {
  static std::map<int, std::string> texts;
  return texts;
}

}  // namespace

std::string_view error_message(int number) {
  for (const NumberedMessage& entry : kMessages) {
    if (entry.number == number) return entry.text;
  }
  return {};
}

void set_message_resource(int resource, std::string text) {
  std::lock_guard lock(resource_mutex());
  resources()[resource] = std::move(text);
}

void clear_message_resources() {
  std::lock_guard lock(resource_mutex());
  resources().clear();
}

std::string resource_text(int resource, std::string_view built_in) {
  std::lock_guard lock(resource_mutex());
  auto found = resources().find(resource);
  if (found == resources().end()) return std::string(built_in);
  return found->second;
}

ErrorDetail plain_error(int number) {
  return ErrorDetail{number, {}, {}};
}

namespace {

std::string fault_message(bool file_name_current) {
  if (!file_name_current) return std::string(kDriverErrorMessage);
  std::string text = resource_text(resource::kCorruption, kCorruptionMessage);
  if (text.size() > kCorruptionMessageMax) text.resize(kCorruptionMessageMax);
  return text;
}

}  // namespace

ErrorDetail fault_error(int fault_code, bool file_name_current) {
  return ErrorDetail{error::kFileSystemError, fault_message(file_name_current),
                     std::to_string(fault_code)};
}

std::string fault_stop_text(int fault_code, bool file_name_current) {
  return fault_message(file_name_current) + " (" + std::to_string(fault_code) + ")";
}

std::string frame_structure_code(std::string_view kind, int number, std::string_view attribute,
                                 int code) {
  const std::string kind_text(kind);
  const std::string attribute_text(attribute);
  const char* format = "%s : %d : %s : %s%05d";
  int length = std::snprintf(nullptr, 0, format, kind_text.c_str(), number, attribute_text.c_str(),
                             "D", code);
  if (length <= 0) return {};
  std::string framed(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(framed.data(), framed.size(), format, kind_text.c_str(), number,
                attribute_text.c_str(), "D", code);
  framed.resize(static_cast<size_t>(length));
  return framed;
}

ErrorDetail declaration_error(std::string_view kind, int number, std::string_view attribute,
                              std::string message, int code) {
  return ErrorDetail{error::kInvalidRecordDeclaration, std::move(message),
                     frame_structure_code(kind, number, attribute, code)};
}

ErrorDetail key_too_long_error(int key_number) {
  return declaration_error(structure::kKey, key_number, structure::kSize,
                           resource_text(resource::kKeyTooLong, kKeyTooLongMessage),
                           structure::kKeyTooLongCode);
}

ErrorDetail newer_version_error() {
  return declaration_error(structure::kFile, structure::kFileItemNumber, structure::kVersion,
                           resource_text(resource::kNewerVersion, kNewerVersionMessage));
}

}  // namespace tps
