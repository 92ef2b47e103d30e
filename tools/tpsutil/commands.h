// The commands of `tpsutil`, the administrators' tool for TPS files that
// other stations may be using at the same moment.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tpsutil {

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitInconsistent = 1;  // the file was read and has problems
inline constexpr int kExitUnreadable = 2;    // the file cannot be read as a TPS file
inline constexpr int kExitUsage = 64;

struct Output {
  std::ostream& out;
  std::ostream& err;
};

// `tpsutil info FILE [--json]`: header, regions, pages, levels, records.
int info_command(const std::vector<std::string>& args, Output io);
// `tpsutil check FILE [--json]`: verifies the page structure.
int check_command(const std::vector<std::string>& args, Output io);

// Runs `tpsutil` with its arguments (without the program name).
int run(const std::vector<std::string>& args, Output io);

}  // namespace tpsutil
