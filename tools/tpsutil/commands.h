// The commands of `tpsutil`, the administrators' tool for TPS files that
// other stations may be using at the same moment.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace os {
class FileSystem;
}

namespace tpsutil {

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitInconsistent = 1;  // the file was read and has problems
inline constexpr int kExitUnreadable = 2;    // the file cannot be read as a TPS file
inline constexpr int kExitRefused = 3;       // the engine refused a maintenance command
inline constexpr int kExitUsage = 64;
inline constexpr int kExitCannotCreate = 73;  // an output file cannot be written
inline constexpr int kExitCancelled = 130;    // the user stopped a build (Ctrl-C)

struct Output {
  std::ostream& out;
  std::ostream& err;
  os::FileSystem* fs = nullptr;  // where TPS files are opened; the real file system when none
};

// Reads the arguments FILE [--json] of a command. Returns false (after
// printing `usage`) when they are not exactly that.
bool parse_file_and_json(const std::vector<std::string>& args, const char* usage, Output io,
                         std::string* path, bool* json);

// `tpsutil info FILE [--json]`: header, regions, pages, levels, records.
int info_command(const std::vector<std::string>& args, Output io);
// `tpsutil check FILE [--json]`: verifies the page structure and every table.
int check_command(const std::vector<std::string>& args, Output io);
// `tpsutil tables FILE [--json]`: each table's number, record count and stored declaration.
int tables_command(const std::vector<std::string>& args, Output io);
// `tpsutil dump FILE[\!TABLE] [--format json|csv] [--out DIR]`: every data
// record decoded through the stored definition.
int dump_command(const std::vector<std::string>& args, Output io);

// Maintenance through the engine, with its locks, so other stations may keep
// working; each refuses with the engine's error when it cannot go ahead.
// `tpsutil build FILE[\!TABLE] [--full]`: rebuilds every key, with progress.
int build_command(const std::vector<std::string>& args, Output io);
// `tpsutil pack FILE[\!TABLE]`: rebuilds every key and cuts the file to its pages.
int pack_command(const std::vector<std::string>& args, Output io);
// `tpsutil copy SRC[\!TABLE] DST[\!TABLE] [--yes]`: copies a file or a table.
int copy_command(const std::vector<std::string>& args, Output io);
// `tpsutil rename SRC[\!TABLE] DST[\!TABLE]`: renames or moves a file or a table.
int rename_command(const std::vector<std::string>& args, Output io);
// `tpsutil remove FILE[\!TABLE] --yes`: drops a table (the file with its last table).
int remove_command(const std::vector<std::string>& args, Output io);

// Runs `tpsutil` with its arguments (without the program name).
int run(const std::vector<std::string>& args, Output io);

}  // namespace tpsutil
