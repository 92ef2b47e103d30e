// The process's error manager: a table of numbered messages, the names of the
// window procedures now running, and the way a message is shown and answered.
//
// Showing a box is not done here: a MessagePresenter shows it (the Qt one is
// ui::QtMessagePresenter; tests use a double), so this class and its rules
// (placeholders, severities, answers, program end) build without a GUI.
#pragma once

#include <string>
#include <vector>

#include "platform/app/message_table.h"

namespace platform {

// Button values of a message box; an answer is the value of the button pressed.
inline constexpr int kButtonOk = 1;
inline constexpr int kButtonYes = 2;
inline constexpr int kButtonNo = 4;
inline constexpr int kButtonAbort = 8;
inline constexpr int kButtonRetry = 16;
inline constexpr int kButtonIgnore = 32;
inline constexpr int kButtonCancel = 64;
inline constexpr int kButtonHelp = 128;

enum class MessageIcon { none, question, exclamation, information, stop };

// One box to show: caption, text ("\n" separates lines), the buttons as a sum
// of kButton* values and the one that Enter presses.
struct MessageBox {
  std::string title;
  std::string text;
  int buttons = kButtonOk;
  int default_button = kButtonOk;
  MessageIcon icon = MessageIcon::none;
};

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // Shows `box` modally and returns the value of the button pressed (one of
  // box.buttons; closing the box without a button answers the default).
  virtual int show(const MessageBox& box) = 0;
  // Ends the process with `exit_code`. A test double may return instead.
  virtual void end_program(int exit_code) = 0;
};

// The last error of this thread, as the placeholders of a message read it.
struct ErrorStatusClass {
  int error_code = 0;            // storage error number (%ErrorCode)
  std::string error_text;        // its text (%Error)
  int file_error_code = 0;       // the storage engine's own number (%FileErrorCode)
  std::string file_error_text;   // and its text (%FileError)
  std::string file_name;         // %File
  std::string message;           // %Message
  std::string key;               // %Key
  std::string field;             // %Field
  std::string category;          // %Category
  std::string previous;          // %Previous: the text of the message shown before
  int last_message_id = 0;       // number of the last message thrown
};

// Built texts are cut to this many characters.
inline constexpr size_t kMaxMessageLength = 2000;
// Appended to the text of a message that ends the program.
inline constexpr const char* kStopSuffix = "  Press OK to end this application";
inline constexpr const char* kHaltCaption = "Halt";
inline constexpr int kStopExitCode = 0;

class ErrorClass {
 public:
  // Loads the default message table.
  ErrorClass();
  ErrorClass(const ErrorClass&) = delete;
  ErrorClass& operator=(const ErrorClass&) = delete;

  // Attaches the thread's status object; every Throw reads and fills it.
  void Init(ErrorStatusClass& status);
  void Kill();
  // REQUIRES: `presenter` outlives its use. Without one nothing is shown and
  // every question is answered with its default button.
  void SetPresenter(MessagePresenter* presenter) { presenter_ = presenter; }

  // The stack of running window procedures; %Procedure is the innermost.
  void SetProcedureName(const std::string& name) { procedures_.push_back(name); }
  // Removes the innermost name; nothing when the stack is empty.
  void RemoveProcedureName();
  std::string ProcedureName() const { return procedures_.empty() ? "" : procedures_.back(); }

  // Records the storage error that the next message reports (%ErrorText).
  void SetErrors(int error_code, const std::string& error_text, int file_error_code = 0,
                 const std::string& file_error_text = "");
  void SetFile(const std::string& display_name);
  void SetKey(const std::string& key);
  void SetField(const std::string& field);
  void SetCategory(const std::string& category);

  // Shows message `id` as its severity says and returns the severity's
  // answer (see Severity). A Stop or Internal message ends the program.
  int Throw(int id);
  // Throw with %File set to `file_name`.
  int ThrowFile(int id, const std::string& file_name);
  // Throw with %Message set to `message`.
  int ThrowMessage(int id, const std::string& message);
  // Asks message `id` with the caller's buttons; returns the button pressed.
  int Message(int id, int buttons, int default_button);

  // The message text of `id` with its placeholders replaced, "|" turned into
  // line breaks and cut to kMaxMessageLength characters.
  std::string BuildText(int id) const;
  std::string BuildText(const std::string& raw) const;
  // The entry for `id`, or the entry used for numbers not in the table.
  MessageEntry Entry(int id) const;

  // Adds or replaces entries of the table.
  void AddErrors(const std::vector<MessageEntry>& entries);
  const ErrorStatusClass& Status() const { return *status_; }

 private:
  int show(const MessageBox& box);
  int stop(const MessageEntry& entry, const std::string& text);
  std::string placeholder_value(const std::string& name) const;
  std::string error_text_value() const;

  std::vector<MessageEntry> table_;
  std::vector<std::string> procedures_;
  ErrorStatusClass own_status_;            // used until Init attaches the thread's one
  ErrorStatusClass* status_ = &own_status_;
  MessagePresenter* presenter_ = nullptr;
};

}  // namespace platform
