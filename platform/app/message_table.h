// The numbered user messages the error manager knows from process start,
// with their severities and the answer each severity gives.
#pragma once

#include <string>
#include <vector>

namespace platform {

// How a message is shown, and what the error manager returns once shown:
// Silent shows nothing and returns 0; Ask asks Yes/No and returns 0 for Yes,
// Declined otherwise; Internal and Stop end the program; Inform shows the
// message and returns Inform. Declined is only ever returned.
enum class Severity : int { Silent = 0, Ask = 1, Internal = 2, Stop = 3, Declined = 4, Inform = 5 };

inline constexpr int as_int(Severity s) { return static_cast<int>(s); }

struct MessageEntry {
  int id;
  Severity severity;
  std::string title;
  std::string text;  // may hold placeholders (%File ...) and "|" line breaks
};

// Message numbers the file managers and windows raise.
inline constexpr int kMsgRetrieveError = 1;
inline constexpr int kMsgAccessDenied = 2;
inline constexpr int kMsgRecordChanged = 7;
inline constexpr int kMsgRecordChangedInForm = 8;
inline constexpr int kMsgRecordChangedOnRead = 9;
inline constexpr int kMsgConfirmCancel = 10;
inline constexpr int kMsgConfirmDelete = 11;
inline constexpr int kMsgCreateError = 12;
inline constexpr int kMsgDeleteError = 13;
inline constexpr int kMsgTransactionError = 24;
inline constexpr int kMsgNoRecords = 25;
inline constexpr int kMsgOpenError = 26;
inline constexpr int kMsgPutError = 28;
inline constexpr int kMsgRetryDelete = 36;
inline constexpr int kMsgRetrySave = 37;
inline constexpr int kMsgSaveRecord = 38;
inline constexpr int kMsgUseClosedFile = 42;
inline constexpr int kMsgViewOpenError = 43;

// The table loaded at process start.
std::vector<MessageEntry> default_messages();

// Shown for a number that no entry carries.
MessageEntry unknown_message_entry(int id);

}  // namespace platform
