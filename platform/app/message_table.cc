#include "platform/app/message_table.h"

namespace platform {

std::vector<MessageEntry> default_messages() {
  using S = Severity;
  return {
      {kMsgOpenError, S::Stop, "File Access Error",
       "File %File could not be opened.  Error: %ErrorText."},
      {kMsgCreateError, S::Stop, "File Creation Error", "Error: (%ErrorText) creating %File."},
      {kMsgAccessDenied, S::Inform, "Access Denied",
       "Could not get write access to %File so trying read-only."},
      {kMsgUseClosedFile, S::Internal, "File Usage Error",
       "Attempt to use file (%File) before it was opened"},
      {kMsgTransactionError, S::Inform, "Transaction cancelled",
       "Error: (%ErrorText) attempting to frame the transaction on %File."},
      {kMsgRecordChanged, S::Inform, "Record Was Not Updated",
       "This record was changed by another station."},
      {kMsgRecordChangedInForm, S::Inform, "Record Was Not Updated",
       "This record was changed by another station. Those changes will now be displayed. Use "
       "the Ditto Button or Ctrl+H to recall your changes."},
      {kMsgPutError, S::Inform, "Record was not updated",
       "An error (%ErrorText) was experienced when making changes to the %File file."},
      {kMsgConfirmDelete, S::Ask, "Confirm Delete",
       "Are you sure you want to delete the highlighted record?"},
      {kMsgDeleteError, S::Inform, "Record was not deleted",
       "An error (%ErrorText) was experienced when deleting a record from the %File file."},
      {kMsgRetryDelete, S::Ask, "Record Delete Error",
       "An error was experienced deleting this record. Do you want to try to delete it again?"},
      {kMsgRetrySave, S::Ask, "Record Update Error",
       "An error was experienced changing this record. Do you want to try to save again?"},
      {kMsgSaveRecord, S::Ask, "Save Record", "Do you want to save the changes to this record?"},
      {kMsgConfirmCancel, S::Ask, "Changes will be lost!", "Are you sure you want to cancel?"},
      {kMsgRetrieveError, S::Inform, "Record Retrieval Error",
       "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
       "previous window."},
      {kMsgRecordChangedOnRead, S::Inform, "Record Retrieval Error",
       "This record was changed or deleted by another station.|Error: (%ErrorText) attempting "
       "to access a record from the %File file."},
      {kMsgViewOpenError, S::Inform, "View Open Error",
       "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits "
       "ignored."},
      {kMsgNoRecords, S::Inform, "No Records", "There are no records available to process."},
  };
}

MessageEntry unknown_message_entry(int id) {
  // An unknown number is a programming slip; telling the user beats ending
  // the program over it.
  return {id, Severity::Inform, "Unknown Error",
          "Message " + std::to_string(id) + " is not in the message table."};
}

}  // namespace platform
