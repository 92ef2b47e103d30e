#include <ostream>

#include "commands.h"
#include "demo_command.h"

namespace tpsutil {

namespace {

void usage(std::ostream& out) {
  out << "usage: tpsutil COMMAND ...\n"
         "  info FILE [--json]    header, regions, pages, levels and records\n"
         "  check FILE [--json]   verify the page structure and every table: keys, counters,\n"
         "                        memo chunks (exit 1: problems, 2: unreadable)\n"
         "  tables FILE [--json]  each table's number, record count and stored declaration\n"
         "  dump FILE[\\!TABLE] [--format json|csv] [--out DIR]\n"
         "                        every data record decoded through the stored definition:\n"
         "                        JSON on the output, or one CSV file per table in DIR\n"
         "                        (default: the current directory), named after the file\n"
         "  build FILE[\\!TABLE] [--full]\n"
         "                        rebuild every key, showing progress (Ctrl-C stops it; the\n"
         "                        keys not rebuilt stay marked out of date); --full rebuilds\n"
         "                        each key from its first record\n"
         "  pack FILE[\\!TABLE]    rebuild every key and cut the file to its pages\n"
         "  copy SRC[\\!TABLE] DST[\\!TABLE] [--yes]\n"
         "                        copy a file, or a table into another file (--yes: replace\n"
         "                        an existing target)\n"
         "  rename SRC[\\!TABLE] DST[\\!TABLE]\n"
         "                        rename a file, or move a table to another name or file\n"
         "  remove FILE[\\!TABLE] --yes\n"
         "                        drop the table; the file goes with its last table\n"
         "  demo DIR [--subjects N] [--pupils M]\n"
         "                        writes the program's two tables with invented data into DIR\n"
         "                        and prints each teacher's DNI and birth date for signing in\n"
         "info, check, tables and dump open files read-only and shared. build, pack, copy,\n"
         "rename and remove take the engine's locks: other stations may keep working, and a\n"
         "command that cannot share the file with them is refused (exit 3; 2: no such file\n"
         "or table). build and pack need the file to themselves for writing.\n";
}

}  // namespace

bool parse_file_and_json(const std::vector<std::string>& args, const char* usage, Output io,
                         std::string* path, bool* json) {
  for (const std::string& a : args) {
    if (a == "--json") {
      *json = true;
    } else if (path->empty() && a.rfind("--", 0) != 0) {
      *path = a;
    } else {
      io.err << usage;
      return false;
    }
  }
  if (path->empty()) io.err << usage;
  return !path->empty();
}

int run(const std::vector<std::string>& args, Output io) {
  if (args.empty()) {
    usage(io.err);
    return kExitUsage;
  }
  const std::string& command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "info") return info_command(rest, io);
  if (command == "check") return check_command(rest, io);
  if (command == "tables") return tables_command(rest, io);
  if (command == "dump") return dump_command(rest, io);
  if (command == "build") return build_command(rest, io);
  if (command == "pack") return pack_command(rest, io);
  if (command == "copy") return copy_command(rest, io);
  if (command == "rename") return rename_command(rest, io);
  if (command == "remove") return remove_command(rest, io);
  if (command == "demo") return demo_command(rest, io);
  if (command == "--help" || command == "help") {
    usage(io.out);
    return kExitOk;
  }
  io.err << "tpsutil: unknown command '" << command << "'\n";
  usage(io.err);
  return kExitUsage;
}

}  // namespace tpsutil
