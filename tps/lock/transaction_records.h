// The records through which the files of a multi-file commit find out, after
// a crash, whether the commit reached its commit point.
//
// Each data file of the commit gets a transaction link record (key the one
// byte 0xFF) naming the transaction number t and the transaction control
// file (TCF) to ask. The TCF holds a bare 4-byte record (t, little-endian)
// from before the first data file's log is written until the commit point,
// when it is deleted: a logged state whose t is still in its TCF never
// became committed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tps {

class FileObject;

inline constexpr uint8_t kTransactionLinkKey = 0xFF;

struct TransactionLink {
  uint32_t number = 0;
  std::string tcf_path;  // a TCF name, or kPlaceholderTcfPath
  bool operator==(const TransactionLink&) const = default;
};

// The file's link record, replaced by one for `link`. REQUIRES update mode.
void write_transaction_link(FileObject& file, const TransactionLink& link);
// The file's link record. Nothing when it has none; a record too short to
// hold a number is reported through `malformed`.
std::optional<TransactionLink> read_transaction_link(FileObject& file, bool* malformed);

// The TCF's record of transaction number t.
bool tcf_holds(FileObject& tcf, uint32_t number);
// REQUIRES update mode; the number must be absent (insert) or present (remove).
void tcf_insert(FileObject& tcf, uint32_t number);
void tcf_remove(FileObject& tcf, uint32_t number);

}  // namespace tps
