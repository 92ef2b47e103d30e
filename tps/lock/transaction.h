// The transaction frame: LOGOUT, COMMIT and ROLLBACK over the process's
// transaction list.
//
// LOGOUT puts a table's file object on the list; from then on its changes
// stay in its cache and it keeps its update byte (its commits are
// suppressed) until COMMIT or ROLLBACK, which act on every listed file
// object whatever table joined it. COMMIT writes one changed file with an
// ordinary commit; two or more go through the transaction control files
// (TCFs) so that after a crash at any point every one of them shows the old
// state or every one the new state:
//   1. the transaction number t is inserted into every TCF and committed;
//   2. each changed file gets a link record naming t and the TCF to ask,
//      and writes its complete log (phase 1);
//   3. t is deleted from the TCFs: the commit point;
//   4. each file writes its logged pages home (phase 2).
// Log recovery asks the TCF (see transaction_check.h): a log whose t is still
// there is discarded, one whose t is gone is replayed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tps {

class FileObject;
class TcfNames;

class TransactionList {
 public:
  // The first transaction number a COMMIT tries.
  using NumberSource = std::function<uint32_t()>;

  // A list whose TCF names live in `names` (the process's list uses
  // process_tcf_names(), where the TCF option sets the fixed name).
  explicit TransactionList(TcfNames& names);
  TransactionList(const TransactionList&) = delete;
  TransactionList& operator=(const TransactionList&) = delete;

  static TransactionList& process();

  // LOGOUT: joins `file` to the transaction (at the front of the list, once),
  // registers the TCF of its directory unless a fixed TCF is set (engine
  // fault 2183 past 100 directories) and switches it to update mode.
  void logout(FileObject& file);
  // COMMIT, sent by a table of `committing` (listed or not). Writes the
  // changes of every listed file object, empties the list and returns
  // `committing` to reader mode. Returns 0 or the first error; after an
  // error every file keeps its old state. An engine fault empties the list
  // (discarding every change) before it goes on.
  int commit(FileObject& committing);
  // ROLLBACK: discards the uncommitted changes of every listed file object
  // and empties the list.
  void rollback();
  // A listed file object that goes away before COMMIT or ROLLBACK (its last
  // table closed): its uncommitted changes are discarded and it leaves the
  // list. Nothing when it is not listed.
  void forget(FileObject& file);

  // The listed file objects, the latest to join first.
  const std::vector<FileObject*>& files() const { return files_; }
  // Tests choose the first transaction number; by default it is the local
  // date and time in seconds, kept to 32 bits.
  void set_number_source(NumberSource source);

 private:
  int commit_several(const std::vector<FileObject*>& changed);
  std::vector<std::string> control_file_names(const std::vector<FileObject*>& changed) const;
  std::string link_path(const std::vector<std::string>& control_files) const;
  void empty();

  TcfNames& names_;
  std::vector<FileObject*> files_;
  NumberSource number_source_;
};

// The engine's LOGOUT, COMMIT and ROLLBACK on the process's list.
void logout(FileObject& file);
int commit_transaction(FileObject& committing);
void rollback_transaction();

}  // namespace tps
