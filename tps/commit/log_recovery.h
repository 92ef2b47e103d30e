// Recovery of a pending redo log, run by the header refresh when the file
// header's log start differs from its log end.
//
// A complete log of a committed state is replayed by a station in update
// mode, or read through (pages read from the log instead of their home
// places) by a station in reader mode, which writes nothing. A log that ends
// early, or whose multi-file transaction never reached its commit point, is
// discarded and the old state is kept.
#pragma once

namespace tps {

class FileObject;

// REQUIRES: the header copy holds the disk header with a pending log and the
// cache is empty. Returns 0, or an error that makes the refresh fail.
int recover_log(FileObject& file);

}  // namespace tps
