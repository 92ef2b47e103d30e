#include "platform/app/error_manager.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace platform {
namespace {

// Placeholder names, longest first wherever one is a prefix of another
// (%FileErrorCode before %FileError before %File), so that a scan picks the
// longest name that matches.
constexpr std::array<std::string_view, 12> kPlaceholders = {
    "FileErrorCode", "FileError", "File",     "ErrorText", "ErrorCode", "Error",
    "Message",       "Key",       "Field",    "Procedure", "Category",  "Previous",
};

// Storage errors whose own text is too vague: the engine's detail is shown.
constexpr int kFileSystemError = 90;
constexpr int kEngineReportedError = 100;

// Cuts `text` (UTF-8) after `limit` characters without splitting one.
std::string cut_characters(const std::string& text, size_t limit) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    bool starts_character = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (starts_character && characters++ == limit) return text.substr(0, i);
  }
  return text;
}

}  // namespace

ErrorClass::ErrorClass() : table_(default_messages()) {}

void ErrorClass::Init(ErrorStatusClass& status) { status_ = &status; }

void ErrorClass::Kill() {
  status_ = &own_status_;
  procedures_.clear();
}

void ErrorClass::RemoveProcedureName() {
  if (!procedures_.empty()) procedures_.pop_back();
}

void ErrorClass::SetErrors(int error_code, const std::string& error_text, int file_error_code,
                           const std::string& file_error_text) {
  status_->error_code = error_code;
  status_->error_text = error_text;
  status_->file_error_code = file_error_code;
  status_->file_error_text = file_error_text;
}

void ErrorClass::SetFile(const std::string& display_name) { status_->file_name = display_name; }
void ErrorClass::SetKey(const std::string& key) { status_->key = key; }
void ErrorClass::SetField(const std::string& field) { status_->field = field; }
void ErrorClass::SetCategory(const std::string& category) { status_->category = category; }

void ErrorClass::AddErrors(const std::vector<MessageEntry>& entries) {
  for (const MessageEntry& e : entries) {
    auto same = [&](const MessageEntry& t) { return t.id == e.id; };
    auto it = std::find_if(table_.begin(), table_.end(), same);
    if (it != table_.end()) {
      *it = e;
    } else {
      table_.push_back(e);
    }
  }
}

MessageEntry ErrorClass::Entry(int id) const {
  for (const MessageEntry& e : table_) {
    if (e.id == id) return e;
  }
  return unknown_message_entry(id);
}

std::string ErrorClass::error_text_value() const {
  const ErrorStatusClass& s = *status_;
  if (s.error_code == kFileSystemError || s.error_code == kEngineReportedError) {
    return s.file_error_text + " (" + std::to_string(s.file_error_code) + ")";
  }
  return s.error_text + " (" + std::to_string(s.error_code) + ")";
}

std::string ErrorClass::placeholder_value(const std::string& name) const {
  const ErrorStatusClass& s = *status_;
  if (name == "File") return s.file_name;
  if (name == "ErrorText") return error_text_value();
  if (name == "ErrorCode") return std::to_string(s.error_code);
  if (name == "Error") return s.error_text;
  if (name == "FileError") return s.file_error_text;
  if (name == "FileErrorCode") return std::to_string(s.file_error_code);
  if (name == "Message") return s.message;
  if (name == "Key") return s.key;
  if (name == "Field") return s.field;
  if (name == "Procedure") return ProcedureName();
  if (name == "Category") return s.category;
  return s.previous;  // "Previous"
}

std::string ErrorClass::BuildText(const std::string& raw) const {
  // One left-to-right pass: a value put in (a file name holding "%Message",
  // say) is never scanned again.
  std::string out;
  for (size_t i = 0; i < raw.size();) {
    if (raw[i] == '|') {
      out += '\n';
      ++i;
      continue;
    }
    if (raw[i] == '%') {
      std::string_view rest(raw.data() + i + 1, raw.size() - i - 1);
      auto match = std::find_if(kPlaceholders.begin(), kPlaceholders.end(),
                                [&](std::string_view p) { return rest.substr(0, p.size()) == p; });
      if (match != kPlaceholders.end()) {
        out += placeholder_value(std::string(*match));
        i += 1 + match->size();
        continue;
      }
    }
    out += raw[i++];
  }
  return cut_characters(out, kMaxMessageLength);
}

std::string ErrorClass::BuildText(int id) const { return BuildText(Entry(id).text); }

int ErrorClass::show(const MessageBox& box) {
  if (presenter_ == nullptr) return box.default_button;
  return presenter_->show(box);
}

int ErrorClass::stop(const MessageEntry& entry, const std::string& text) {
  show({entry.title, text + kStopSuffix, kButtonOk, kButtonOk, MessageIcon::exclamation});
  show({kHaltCaption, entry.title, kButtonOk, kButtonOk, MessageIcon::stop});
  if (presenter_ != nullptr) presenter_->end_program(kStopExitCode);
  return as_int(Severity::Stop);
}

int ErrorClass::Throw(int id) {
  MessageEntry entry = Entry(id);
  std::string text = BuildText(entry.text);
  status_->last_message_id = id;
  int result = 0;
  switch (entry.severity) {
    case Severity::Silent:
    case Severity::Declined:
      result = as_int(Severity::Silent);
      break;
    case Severity::Ask: {
      int answer = show({entry.title, text, kButtonYes | kButtonNo, kButtonYes,
                         MessageIcon::question});
      result = answer == kButtonYes ? as_int(Severity::Silent) : as_int(Severity::Declined);
      break;
    }
    case Severity::Internal:
    case Severity::Stop:
      result = stop(entry, text);
      break;
    case Severity::Inform:
      show({entry.title, text, kButtonOk, kButtonOk, MessageIcon::exclamation});
      result = as_int(Severity::Inform);
      break;
  }
  status_->previous = text;
  return result;
}

int ErrorClass::ThrowFile(int id, const std::string& file_name) {
  SetFile(file_name);
  return Throw(id);
}

int ErrorClass::ThrowMessage(int id, const std::string& message) {
  status_->message = message;
  return Throw(id);
}

int ErrorClass::Message(int id, int buttons, int default_button) {
  MessageEntry entry = Entry(id);
  std::string text = BuildText(entry.text);
  status_->last_message_id = id;
  // A default that is not among the buttons would leave Enter without a
  // target: fall back to the first button offered.
  if ((buttons & default_button) == 0 || (default_button & (default_button - 1)) != 0) {
    default_button = buttons & -buttons;
  }
  MessageIcon icon = entry.severity == Severity::Ask ? MessageIcon::question
                                                     : MessageIcon::exclamation;
  int answer = show({entry.title, text, buttons, default_button, icon});
  status_->previous = text;
  return answer;
}

}  // namespace platform
