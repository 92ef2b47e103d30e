// The sharing rule between handles of one file, common to every FileSystem.
//
// Each open handle claims what it does with the file (it always reads, it
// may write) and what it denies to others. Two handles conflict when either
// does something the other denies; the rule is symmetric, so it does not
// matter which of two handles opened first.
#pragma once

#include "platform/os/file_system.h"

namespace os {

struct ShareClaim {
  bool reads = true;        // every handle can read
  bool writes = false;      // opened read/write
  bool denies_read = false;
  bool denies_write = false;
};

inline ShareClaim share_claim(const OpenMode& mode) {
  ShareClaim claim;
  claim.writes = mode.access == Access::read_write;
  claim.denies_read = mode.share == Share::deny_read || mode.share == Share::deny_all;
  claim.denies_write = mode.share == Share::deny_write || mode.share == Share::deny_all;
  return claim;
}

inline bool one_way_conflict(const ShareClaim& a, const ShareClaim& b) {
  return (a.reads && b.denies_read) || (a.writes && b.denies_write);
}

inline bool share_conflict(const ShareClaim& a, const ShareClaim& b) {
  return one_way_conflict(a, b) || one_way_conflict(b, a);
}

}  // namespace os
