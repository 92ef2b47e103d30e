#include <ostream>

#include "commands.h"
#include "read_only_file.h"
#include "tps/maint/structure_check.h"

namespace tpsutil {

namespace {

std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

int check_command(const std::vector<std::string>& args, Output io) {
  std::string path;
  bool json = false;
  for (const std::string& a : args) {
    if (a == "--json") {
      json = true;
    } else if (path.empty()) {
      path = a;
    } else {
      io.err << "usage: tpsutil check FILE [--json]\n";
      return kExitUsage;
    }
  }
  if (path.empty()) {
    io.err << "usage: tpsutil check FILE [--json]\n";
    return kExitUsage;
  }
  ReadOnlyFile file(path);
  if (file.error() || file.begin_view()) {
    if (json) {
      io.out << "{\"readable\":false,\"error\":" << json_string(file.error_text()) << "}\n";
    }
    io.err << path << ": " << file.error_text() << "\n";
    return kExitUnreadable;
  }
  tps::StructureReport report = tps::check_structure(file.file());
  file.end_view();
  if (json) {
    io.out << "{\"readable\":true,\"consistent\":" << (report.consistent() ? "true" : "false")
           << ",\"pages\":" << report.pages << ",\"problems\":[";
    for (size_t i = 0; i < report.problems.size(); ++i) {
      io.out << (i ? "," : "") << "{\"page\":" << report.problems[i].page
             << ",\"problem\":" << json_string(report.problems[i].text) << "}";
    }
    io.out << "]}\n";
  } else if (report.consistent()) {
    io.out << path << ": consistent (" << report.pages << " pages, " << report.leaf_records
           << " records)\n";
  } else {
    io.out << path << ": " << report.problems.size() << " problem(s)\n";
    for (const auto& p : report.problems) {
      io.out << "  " << (p.page < 0 ? std::string("file") : "page " + std::to_string(p.page)) << ": "
             << p.text << "\n";
    }
  }
  return report.consistent() ? kExitOk : kExitInconsistent;
}

}  // namespace tpsutil
