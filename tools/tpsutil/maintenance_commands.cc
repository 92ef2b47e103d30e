// `tpsutil build`, `pack`, `copy`, `rename` and `remove`: whole-table
// maintenance through the engine's entry point. The engine takes the same
// lock bytes and sharing modes as every station, so these commands either
// work alongside the stations using the file or are refused with its error.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "build_progress.h"
#include "commands.h"
#include "maintenance_table.h"
#include "tps/maint/properties.h"

namespace tpsutil {

namespace {

// A build needs the file to itself for writing: other stations may read it
// meanwhile, but none may change it.
constexpr uint32_t kBuildMode = tps::access_mode::kReadWrite | tps::access_mode::kDenyWrite;
// Progress events per build: one per percent.
constexpr const char* kProgressEvents = "100";
constexpr const char* kFullBuildOption = "/FULLBUILD=on";
constexpr const char* kKeyKind = "KEY";

// The arguments of one command: its names in order and the flags given.
struct Arguments {
  std::vector<std::string> names;
  std::set<std::string> flags;
};

// Splits `args` into `name_count` names and flags among `known_flags`.
// False (after printing `usage`) when they do not fit.
bool parse(const std::vector<std::string>& args, size_t name_count, const std::set<std::string>& known_flags,
           const char* usage, Output io, Arguments& parsed) {
  for (const std::string& a : args) {
    if (a.rfind("--", 0) == 0 && known_flags.count(a)) {
      parsed.flags.insert(a);
    } else if (a.rfind("--", 0) != 0 && parsed.names.size() < name_count) {
      parsed.names.push_back(a);
    } else {
      io.err << usage;
      return false;
    }
  }
  if (parsed.names.size() == name_count) return true;
  io.err << usage;
  return false;
}

bool on_terminal(const Output& io) { return &io.err == &std::cerr && isatty(STDERR_FILENO) == 1; }

bool writable_by_us(const std::string& path) { return access(path.c_str(), W_OK) == 0; }

// A command on its way to the engine, as a refusal describes it.
struct Attempt {
  const char* command;
  std::string source;  // the table named first
  std::string target;  // copy and rename: where to; empty otherwise
  const char* busy;    // why 5 when both files are writable: what other stations are doing
};

constexpr const char* kBusyForBuild = "another station has the file open for writing; a build needs it to itself";
constexpr const char* kBusyForRemove = "another station has the file open denying writes";
constexpr const char* kBusyForCopy = "another station has a file open denying writes, or the target is the source table";
constexpr const char* kBusyForRename = "another station has a file open denying writes, or the target table exists";

// The file `name` leads to exists and this process may not write it.
bool read_only(const TableLocation& where) { return where.file_exists && !writable_by_us(where.file); }

// Why the engine refused the attempt, in the administrator's terms; empty
// when the error says it all.
std::string reason(const Attempt& attempt, int error) {
  const TableLocation source = locate_table(attempt.source);
  switch (error) {
    case tps::error::kFileNotFound:
      if (!source.file_exists) return "no such file " + (source.file.empty() ? attempt.source : source.file);
      return table_exists(source) ? "" : "the file has no table " + source.table;
    case tps::error::kAccessDenied:
      if (read_only(source)) return "the file " + source.file + " is read-only";
      if (!attempt.target.empty()) {
        const TableLocation target = locate_table(attempt.target);
        if (read_only(target)) return "the target file " + target.file + " is read-only";
      }
      return attempt.busy;
    case tps::error::kBuildCancelled:
      return "the keys not rebuilt yet stay marked out of date; run the build again";
    default:
      return "";
  }
}

// Prints the one-line refusal and returns the command's exit code.
int refused(Output io, const Attempt& attempt, const tps::ErrorDetail& error) {
  io.err << "tpsutil " << attempt.command << ": " << attempt.source;
  if (!attempt.target.empty()) io.err << " -> " << attempt.target;
  io.err << ": " << engine_error_text(error);
  const std::string why = reason(attempt, error.number);
  if (!why.empty()) io.err << ": " << why;
  io.err << "\n";
  return exit_code_for(error.number);
}

// How many of the open table's keys are KEYs (a build leaves INDEXes alone).
int count_built_keys(MaintenanceTable& table) {
  std::string text;
  tps::DriverArguments count;
  count.record = tps::property::kKeys;
  count.text_out = &text;
  if (table.call(tps::op::kGetProperty, count)) return 0;
  int built = 0;
  const int keys = std::atoi(text.c_str());
  for (int key = 0; key < keys; ++key) {
    std::string kind;
    tps::DriverArguments ask;
    ask.key = key;
    ask.record = tps::property::kKeyKind;
    ask.text_out = &kind;
    if (table.call(tps::op::kGetPropertyKey, ask) == 0 && kind == kKeyKind) ++built;
  }
  return built;
}

// Runs `operation` (BUILDfile or PACK) with progress events on. The engine
// then defers the build; running it with operation 84 reports progress and
// honours Ctrl-C. Should the setting not take, the build runs at once,
// without progress.
tps::ErrorDetail build_with_progress(MaintenanceTable& table, int operation, Output io) {
  BuildProgress progress(io.err, on_terminal(io));
  tps::DriverArguments events;
  events.record = tps::property::kProgress;
  events.text = kProgressEvents;
  table.call(tps::op::kSetProperty, events);
  if (table.call(operation) == 0 && progress.posted()) {
    InterruptToCancel ctrl_c;
    table.call(tps::op::kRunDeferredBuild);
  }
  progress.finish();
  if (progress.failure() && table.error().number == tps::error::kFileSystemError) return *progress.failure();
  return table.error();
}

// build and pack: open for the build, build, close.
int rebuild(const char* command, const char* usage, int operation, const std::vector<std::string>& args,
            Output io) {
  Arguments parsed;
  const std::set<std::string> flags =
      operation == tps::op::kBuildFile ? std::set<std::string>{"--full"} : std::set<std::string>{};
  if (!parse(args, 1, flags, usage, io, parsed)) return kExitUsage;
  const std::string& name = parsed.names[0];
  const Attempt attempt{command, name, "", kBusyForBuild};
  MaintenanceTable table(name, parsed.flags.count("--full") ? kFullBuildOption : "");
  tps::DriverArguments open;
  open.access_mode = kBuildMode;
  if (table.call(tps::op::kOpen, open)) return refused(io, attempt, table.error());
  const int keys = count_built_keys(table);
  const std::string file = locate_table(name).file;
  std::error_code before_unknown;
  const uintmax_t size_before = std::filesystem::file_size(file, before_unknown);

  const tps::ErrorDetail built = build_with_progress(table, operation, io);
  table.call(tps::op::kClose);
  if (!built.ok()) return refused(io, attempt, built);
  if (!table.error().ok()) return refused(io, attempt, table.error());

  io.out << name << ": " << keys << (keys == 1 ? " key" : " keys") << " rebuilt";
  if (operation == tps::op::kPack) {
    std::error_code after_unknown;
    const uintmax_t size_after = std::filesystem::file_size(file, after_unknown);
    if (!before_unknown && !after_unknown) io.out << "; file " << size_before << " -> " << size_after << " bytes";
  }
  io.out << "\n";
  return kExitOk;
}

// copy and rename: the engine's COPY or RENAME of `source` to `target`.
int copy_or_rename(const char* command, int operation, const std::string& source, const std::string& target,
                   Output io) {
  const Attempt attempt{command, source, target, operation == tps::op::kCopy ? kBusyForCopy : kBusyForRename};
  MaintenanceTable table(source);
  tps::DriverArguments to;
  to.text = target;
  if (table.call(operation, to)) return refused(io, attempt, table.error());
  io.out << (operation == tps::op::kCopy ? "copied " : "renamed ") << source << " to " << target << "\n";
  return kExitOk;
}

// What a copy onto `target` would overwrite: the whole file, or the table
// it names. Empty when nothing.
std::string overwritten_by_copy(const std::string& target) {
  const TableLocation where = locate_table(target);
  if (!where.file_exists) return "";
  if (target.find(tps::kTableSeparator) == std::string::npos) return "the file " + where.file;
  if (table_exists(where)) return "the table " + where.table + " of " + where.file;
  return "";
}

constexpr const char* kBuildUsage =
    "usage: tpsutil build FILE[\\!TABLE] [--full]\n"
    "  rebuilds every key of the table; --full rebuilds each from its first record\n";
constexpr const char* kPackUsage = "usage: tpsutil pack FILE[\\!TABLE]\n";
constexpr const char* kCopyUsage = "usage: tpsutil copy SRC[\\!TABLE] DST[\\!TABLE] [--yes]\n";
constexpr const char* kRenameUsage = "usage: tpsutil rename SRC[\\!TABLE] DST[\\!TABLE]\n";
constexpr const char* kRemoveUsage = "usage: tpsutil remove FILE[\\!TABLE] --yes\n";

}  // namespace

int build_command(const std::vector<std::string>& args, Output io) {
  return rebuild("build", kBuildUsage, tps::op::kBuildFile, args, io);
}

int pack_command(const std::vector<std::string>& args, Output io) {
  return rebuild("pack", kPackUsage, tps::op::kPack, args, io);
}

int copy_command(const std::vector<std::string>& args, Output io) {
  Arguments parsed;
  if (!parse(args, 2, {"--yes"}, kCopyUsage, io, parsed)) return kExitUsage;
  const std::string overwritten = overwritten_by_copy(parsed.names[1]);
  if (!overwritten.empty() && !parsed.flags.count("--yes")) {
    io.err << "tpsutil copy: " << parsed.names[1] << ": the copy would replace " << overwritten
           << "; add --yes to replace it\n";
    return kExitUsage;
  }
  return copy_or_rename("copy", tps::op::kCopy, parsed.names[0], parsed.names[1], io);
}

int rename_command(const std::vector<std::string>& args, Output io) {
  Arguments parsed;
  if (!parse(args, 2, {}, kRenameUsage, io, parsed)) return kExitUsage;
  return copy_or_rename("rename", tps::op::kRename, parsed.names[0], parsed.names[1], io);
}

int remove_command(const std::vector<std::string>& args, Output io) {
  Arguments parsed;
  if (!parse(args, 1, {"--yes"}, kRemoveUsage, io, parsed)) return kExitUsage;
  const std::string& name = parsed.names[0];
  if (!parsed.flags.count("--yes")) {
    io.err << "tpsutil remove: " << name
           << ": deletes the table with all its records, and the file with its last table; add --yes to do it\n";
    return kExitUsage;
  }
  MaintenanceTable table(name);
  if (table.call(tps::op::kRemove)) return refused(io, {"remove", name, "", kBusyForRemove}, table.error());
  const TableLocation where = locate_table(name);
  io.out << "removed " << name;
  if (!where.file_exists) io.out << "; " << where.file << " went with its last table";
  io.out << "\n";
  return kExitOk;
}

}  // namespace tpsutil
