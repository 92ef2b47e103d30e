// Names of the transaction control files (TCFs) that make a commit spanning
// several data files atomic.
//
// Unless the TCF option fixes one name for the process, each directory that
// holds a data file of the transaction has its own TCF, "transact.tcf" beside
// the data files. LOGOUT registers the TCF of each joining file's directory;
// COMMIT opens every registered one. A directory must be registered once
// only: COMMIT inserts its transaction number into each TCF in turn and
// restarts with a new number when it finds the number already present, so
// one file registered under two names would make it restart for ever.
// Registered names are therefore compared by their full path, with symbolic
// links resolved where the directory exists, split into four parts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tps {

// Name of the per-directory TCF.
inline constexpr std::string_view kDirectoryTcfName = "transact.tcf";
// TCF path stored in a transaction link record when per-directory TCFs are in
// use; recovery reads it as "the data file's own directory TCF".
inline constexpr std::string_view kPlaceholderTcfPath = "C:\\TransAct.TCF";

// The TCF of the directory of data file `file_name` (its OS file name as
// given): the text up to and including the last "/", then "transact.tcf".
std::string directory_tcf_name(std::string_view file_name);

// A full path split for comparison: "/srv/school/transact.tcf" is root "/",
// directory "srv/school/", base "transact", extension ".tcf".
struct PathParts {
  std::string root;
  std::string directory;
  std::string base;
  std::string extension;
  bool operator==(const PathParts&) const = default;
};

// `name` made absolute against `working_directory` (itself absolute), with
// empty and "." components dropped and ".." stepping up. Nothing when the
// name is empty, holds a NUL, is too long, or the working directory is not
// absolute.
std::optional<std::string> lexical_full_path(std::string_view name,
                                             std::string_view working_directory);

// The full path of `name` as this process reaches it: the directory part
// resolved by the operating system (links included) when it exists, else
// made absolute lexically against the current directory. Nothing when the
// name cannot be made a full path.
std::optional<std::string> full_path(std::string_view name);

// Splits an absolute path. Nothing when it is not absolute or has no base
// name.
std::optional<PathParts> split_full_path(std::string_view path);

// The TCF names of the process's transaction list.
class TcfNames {
 public:
  // More directories than this in one transaction is engine fault 2183.
  static constexpr size_t kMaxRegistered = 100;

  // The name fixed by the TCF option; empty when each directory has its own.
  const std::string& fixed_name() const { return fixed_name_; }
  bool has_fixed_name() const { return !fixed_name_.empty(); }
  void set_fixed_name(std::string name) { fixed_name_ = std::move(name); }

  // Registers the TCF of the directory of data file `file_name`. Does nothing
  // when a name is fixed, when that directory's TCF is registered already or
  // when its name cannot be made a full path. Raises engine fault 2183 when
  // 100 names are registered already.
  void register_directory_of(std::string_view file_name);

  // The registered TCF names, as derived from the data file names (the names
  // to open), in registration order.
  std::vector<std::string> registered() const;
  size_t registered_count() const { return registered_.size(); }
  // Forgets every registered name (end of a transaction); the fixed name stays.
  void forget_registered() { registered_.clear(); }

 private:
  struct Registered {
    std::string name;  // as derived from the data file's name
    PathParts parts;   // of its full path, for comparison
  };

  std::string fixed_name_;
  std::vector<Registered> registered_;
};

// The process-wide instance used by LOGOUT, COMMIT and the TCF option.
TcfNames& process_tcf_names();

}  // namespace tps
