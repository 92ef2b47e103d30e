#include "tps/lock/transaction_check.h"

#include <optional>
#include <string>

#include "platform/os/clock.h"
#include "tps/errors/errors.h"
#include "tps/errors/fault.h"
#include "tps/lock/lock_wait.h"
#include "tps/lock/transaction_records.h"
#include "tps/options/tcf_names.h"
#include "tps/page/file_object.h"

namespace tps {

namespace {

// An open refused with 5 is tried again; one still refused after this long
// is not a passing sharing conflict (permissions), and waiting on would hang
// the station for ever.
constexpr int32_t kRefusedOpenPatienceSeconds = 10;
constexpr uint32_t kRefusedOpenPauseMs = 1;

int open_for_check(FileObject& tcf) {
  OpenOptions options;
  options.write = false;
  options.share = os::Share::deny_none;
  LockDeadline patience(kRefusedOpenPatienceSeconds);
  for (;;) {
    int error = tcf.open(options);
    if (error != error::kAccessDenied || patience.over()) return error;
    os::sleep_ms(kRefusedOpenPauseMs);
  }
}

bool number_still_in(const std::string& tcf_name, FileObject& data_file, uint32_t number) {
  FileObject tcf(data_file.file_system(), tcf_name);
  try {
    if (open_for_check(tcf) != 0) return true;
    // A TCF never committed holds no number.
    bool present = tcf.header().change_counter() != 0 && tcf_holds(tcf, number);
    tcf.end_operation();
    return present;
  } catch (const EngineFault&) {
    return true;
  }
}

}  // namespace

bool transaction_pending(FileObject& file) {
  bool malformed = false;
  std::optional<TransactionLink> link;
  try {
    link = read_transaction_link(file, &malformed);
  } catch (const EngineFault&) {
    return true;
  }
  if (!link) return malformed;
  std::string tcf_name = link->tcf_path == kPlaceholderTcfPath ? directory_tcf_name(file.name())
                                                               : link->tcf_path;
  return number_still_in(tcf_name, file, link->number);
}

void install_transaction_check() { FileObject::set_transaction_check(transaction_pending); }

}  // namespace tps
