// The transaction check of log recovery: whether the logged state of a data
// file belongs to a multi-file commit that never reached its commit point.
#pragma once

namespace tps {

class FileObject;

// Reads the logged state's transaction link record and asks the TCF it
// names (the placeholder path stands for the data file's own directory
// TCF), opened read-only, deny-none: true (pending: discard the log) while
// the transaction number is there, false (replay) once it is gone or when
// there is no link record. A TCF that cannot be opened or read, or a link
// record too short to name a number, counts as pending.
// REQUIRES: called from log recovery, with the logged state readable.
bool transaction_pending(FileObject& file);

// Makes log recovery use transaction_pending(). Done for every program that
// opens files (see station_locks.cc); calling it again does no harm.
void install_transaction_check();

}  // namespace tps
