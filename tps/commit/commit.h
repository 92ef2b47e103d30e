// The two-phase commit of a file object's changed pages.
//
// Phase 1 places every changed page (tps/commit/placement.h), writes pages
// that land in new space directly, and writes every page that overwrites
// existing space, then the new header, into a redo log behind the page
// space; it flushes, points the old header at the complete log and flushes
// again. Phase 2 writes the logged pages home, writes the new header, and
// resets the log. A crash before the old header points at the log leaves the
// old state; after it, the next updating station replays the log.
#pragma once

namespace tps {

class FileObject;

// Both phases. Skipped (0) when nothing changed or the file object is in a
// transaction; when it was never opened successfully its changes are
// discarded. Returns 0 or the first write error.
int commit(FileObject& file);
// Phase 1. Returns 0, or the write error after discarding every change.
int commit_phase1(FileObject& file);
// Phase 2. A write failure leaves the complete log for replay; the file
// object then forgets its view so that its next refresh recovers.
int commit_phase2(FileObject& file);
// Drops every uncommitted change and forgets the header copy, the view and
// the writer lock.
void discard(FileObject& file);
// Makes the on-disk header say that no log is pending. Returns 0 or the
// write error.
int reset_log(FileObject& file);

}  // namespace tps
