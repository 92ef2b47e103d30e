#include "tps/lock/transaction.h"

#include <algorithm>
#include <utility>

#include "platform/os/clock.h"
#include "tps/commit/commit.h"
#include "tps/errors/fault.h"
#include "tps/lock/transaction_records.h"
#include "tps/options/tcf_names.h"
#include "tps/page/file_object.h"
#include "tps/page/file_registry.h"

namespace tps {

namespace {

uint32_t local_time_number() { return uint32_t(os::local_time_seconds()); }

OpenOptions control_file_options() {
  OpenOptions options;
  options.write = true;
  options.share = os::Share::deny_none;
  options.create = true;
  return options;  // never enciphered: no password
}

// The TCFs of one COMMIT, opened through a registry of the data files' file
// system. The first one decides: its record t is the commit point.
class ControlFiles {
 public:
  ControlFiles(os::FileSystem& fs, std::vector<std::string> names)
      : registry_(fs), names_(std::move(names)) {}
  ~ControlFiles() { close(); }

  // Inserts t into every TCF and commits each. When one holds t already,
  // takes t out of those that got it, closes them all and starts again with
  // t + 1. Returns 0, or the first open or commit error.
  int enter(uint32_t& number) {
    for (;;) {
      bool taken = false;
      for (const std::string& name : names_) {
        FileObject* tcf = nullptr;
        if (int error = registry_.acquire(name, control_file_options(), &tcf)) return error;
        if (is_open(tcf)) {
          // Two names of one file: it holds t already, from us.
          registry_.release(tcf);
          continue;
        }
        open_.push_back(Entry{tcf, false});
        tcf->switch_to_update_mode();
        if (int error = tcf->refresh_header()) return error;
        if (tcf_holds(*tcf, number)) {
          tcf->end_operation();
          taken = true;
          break;
        }
        tcf_insert(*tcf, number);
        open_.back().holds_number = true;
        if (int error = tcf->end_operation()) return error;
      }
      if (!taken) return 0;
      leave(number);
      close();
      ++number;
    }
  }

  // Deletes t from every TCF that got it, the deciding one first. Returns the
  // deciding TCF's error: once its t is gone the transaction is committed,
  // and a t left behind in another TCF names no log.
  int leave(uint32_t number) {
    int decision = 0;
    for (size_t i = 0; i < open_.size(); ++i) {
      Entry& entry = open_[i];
      if (!entry.holds_number) continue;
      int error = 0;
      try {
        error = remove_number(*entry.file, number);
      } catch (const EngineFault&) {
        discard(*entry.file);
        if (i == 0) throw;
      }
      if (error == 0) entry.holds_number = false;
      if (i == 0) decision = error;
    }
    return decision;
  }

  // Closes every TCF. Nothing uncommitted may survive in one: a TCF change
  // is committed at once, or was abandoned by a fault.
  void close() {
    for (Entry& entry : open_) {
      discard(*entry.file);
      entry.file->end_operation();
      registry_.release(entry.file);
    }
    open_.clear();
  }

 private:
  struct Entry {
    FileObject* file;
    bool holds_number;  // t inserted by this COMMIT and not yet deleted
  };

  bool is_open(const FileObject* tcf) const {
    return std::any_of(open_.begin(), open_.end(), [&](const Entry& e) { return e.file == tcf; });
  }

  static int remove_number(FileObject& tcf, uint32_t number) {
    tcf.switch_to_update_mode();
    if (int error = tcf.refresh_header()) return error;
    if (tcf_holds(tcf, number)) tcf_remove(tcf, number);
    return tcf.end_operation();
  }

  FileRegistry registry_;
  std::vector<std::string> names_;
  std::vector<Entry> open_;
};

// Gives up the logs of files whose phase 1 succeeded. Best effort: their
// transaction number stays in the TCFs, so a log that is not reset is still
// discarded by the next station.
void abandon_logs(const std::vector<FileObject*>& files, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    try {
      reset_log(*files[i]);
    } catch (const EngineFault&) {
    }
  }
}

}  // namespace

TransactionList::TransactionList(TcfNames& names)
    : names_(names), number_source_(local_time_number) {}

TransactionList& TransactionList::process() {
  static TransactionList list(process_tcf_names());
  return list;
}

void TransactionList::set_number_source(NumberSource source) {
  number_source_ = source ? std::move(source) : NumberSource(local_time_number);
}

void TransactionList::logout(FileObject& file) {
  if (std::find(files_.begin(), files_.end(), &file) == files_.end()) {
    file.set_in_transaction(true);
    files_.insert(files_.begin(), &file);
  }
  if (!names_.has_fixed_name()) names_.register_directory_of(file.name());
  file.switch_to_update_mode();
}

int TransactionList::commit(FileObject& committing) {
  std::vector<FileObject*> changed;
  for (FileObject* file : files_) {
    file->set_in_transaction(false);
    if (file->changed()) changed.push_back(file);
  }
  int result = 0;
  try {
    if (changed.size() == 1) {
      result = tps::commit(*changed.front());
    } else if (changed.size() > 1) {
      result = commit_several(changed);
    }
  } catch (const EngineFault&) {
    empty();
    throw;
  }
  empty();
  int back_to_reader_mode = committing.end_operation();
  return result ? result : back_to_reader_mode;
}

std::vector<std::string> TransactionList::control_file_names(
    const std::vector<FileObject*>& changed) const {
  if (names_.has_fixed_name()) return {names_.fixed_name()};
  std::vector<std::string> names = names_.registered();
  // No directory could be registered: the first file's own still decides,
  // so that a crash never leaves the files without a commit point.
  if (names.empty()) names.push_back(directory_tcf_name(changed.front()->name()));
  return names;
}

// Each file's link record names the one TCF that decides for all of them.
// With a single per-directory TCF that is the placeholder, read back as the
// data file's own directory TCF. When the files lie in several directories,
// their own TCFs would each decide for their files, and a crash between the
// deletions of t would leave some files old and some new: every link record
// names the first TCF instead, by its full path.
std::string TransactionList::link_path(const std::vector<std::string>& control_files) const {
  if (names_.has_fixed_name()) return names_.fixed_name();
  if (control_files.size() == 1) return std::string(kPlaceholderTcfPath);
  return full_path(control_files.front()).value_or(control_files.front());
}

int TransactionList::commit_several(const std::vector<FileObject*>& changed) {
  uint32_t number = number_source_();
  std::vector<std::string> names = control_file_names(changed);
  ControlFiles control_files(changed.front()->file_system(), names);

  if (int error = control_files.enter(number)) {
    control_files.leave(number);  // no log names t yet
    return error;
  }

  const TransactionLink link{number, link_path(names)};
  size_t logged = 0;
  int error = 0;
  try {
    for (FileObject* file : changed) {
      write_transaction_link(*file, link);
      if ((error = commit_phase1(*file)) != 0) break;
      ++logged;
    }
  } catch (const EngineFault&) {
    abandon_logs(changed, logged);
    throw;
  }
  if (error) {
    // t stays in the TCFs: a log whose reset did not reach the disk, or the
    // failed file's own log when its phase 1 failed at the last flush, is
    // still discarded by the next station.
    abandon_logs(changed, logged);
    return error;
  }

  error = control_files.leave(number);  // the commit point
  control_files.close();
  if (error) return error;
  for (FileObject* file : changed) commit_phase2(*file);
  return 0;
}

void TransactionList::rollback() { empty(); }

void TransactionList::forget(FileObject& file) {
  auto listed = std::find(files_.begin(), files_.end(), &file);
  if (listed == files_.end()) return;
  files_.erase(listed);
  file.set_in_transaction(false);
  discard(file);
}

// Every listed file object leaves the transaction with nothing uncommitted
// (what did not commit re-reads its file at the old state), without its
// view, and in reader mode.
void TransactionList::empty() {
  std::vector<FileObject*> files;
  files.swap(files_);
  for (FileObject* file : files) {
    file->set_in_transaction(false);
    discard(*file);
    file->set_reader_mode(true);
  }
  names_.forget_registered();
}

void logout(FileObject& file) { TransactionList::process().logout(file); }

int commit_transaction(FileObject& committing) {
  return TransactionList::process().commit(committing);
}

void rollback_transaction() { TransactionList::process().rollback(); }

}  // namespace tps
