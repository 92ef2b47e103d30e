#include <ostream>

#include "commands.h"
#include "read_only_file.h"
#include "record_decoder.h"
#include "table_check.h"
#include "table_view.h"
#include "tps/maint/structure_check.h"

namespace tpsutil {

namespace {

constexpr const char* kUsage = "usage: tpsutil check FILE [--json]\n";

struct CheckReport {
  tps::StructureReport structure;  // pages, plus the file-wide table problems (page -1)
  std::vector<TableFindings> tables;

  size_t problem_count() const {
    size_t count = structure.problems.size();
    for (const TableFindings& table : tables) count += table.problems.size();
    return count;
  }
  bool consistent() const { return problem_count() == 0; }
};

// The tables are checked even when pages are damaged: each table's check
// stops at the first page it cannot read, and the others still get theirs.
void check_tables(tps::FileObject& file, CheckReport& report) {
  std::vector<TableView> tables;
  try {
    tables = load_tables(file);
  } catch (const std::exception& failure) {
    report.structure.problems.push_back({-1, "the table names cannot be read (" + describe_failure(failure) + ")"});
    return;
  }
  for (std::string& problem : check_table_numbers(file, tables)) report.structure.problems.push_back({-1, problem});
  for (const TableView& table : tables) report.tables.push_back(check_table(file, table));
}

void write_strings(std::ostream& out, const std::vector<std::string>& texts) {
  out << "[";
  for (size_t i = 0; i < texts.size(); ++i) out << (i ? "," : "") << json_quote(texts[i]);
  out << "]";
}

void print_json(std::ostream& out, const CheckReport& report) {
  const tps::StructureReport& s = report.structure;
  out << "{\"readable\":true,\"consistent\":" << (report.consistent() ? "true" : "false") << ",\"pages\":" << s.pages
      << ",\"problems\":[";
  for (size_t i = 0; i < s.problems.size(); ++i) {
    out << (i ? "," : "") << "{\"page\":" << s.problems[i].page << ",\"problem\":" << json_quote(s.problems[i].text)
        << "}";
  }
  out << "],\"tables\":[";
  for (size_t i = 0; i < report.tables.size(); ++i) {
    const TableFindings& t = report.tables[i];
    out << (i ? "," : "") << "{\"name\":" << json_quote(t.name) << ",\"table_number\":" << t.number
        << ",\"records\":" << t.records << ",\"consistent\":" << (t.consistent() ? "true" : "false")
        << ",\"problems\":";
    write_strings(out, t.problems);
    out << ",\"notes\":";
    write_strings(out, t.notes);
    out << "}";
  }
  out << "]}\n";
}

void print_text(std::ostream& out, const std::string& path, const CheckReport& report) {
  const tps::StructureReport& s = report.structure;
  if (report.consistent()) {
    out << path << ": consistent (" << s.pages << " pages, " << s.leaf_records << " records)\n";
  } else {
    out << path << ": " << report.problem_count() << " problem(s)\n";
  }
  for (const auto& p : s.problems) {
    out << "  " << (p.page < 0 ? std::string("file") : "page " + std::to_string(p.page)) << ": " << p.text << "\n";
  }
  for (const TableFindings& t : report.tables) {
    out << "  table " << t.name << " (number " << t.number << "): " << t.records << " records, ";
    if (t.consistent()) {
      out << "consistent\n";
    } else {
      out << t.problems.size() << " problem(s)\n";
    }
    for (const std::string& p : t.problems) out << "    " << p << "\n";
    for (const std::string& n : t.notes) out << "    note: " << n << "\n";
  }
}

}  // namespace

int check_command(const std::vector<std::string>& args, Output io) {
  std::string path;
  bool json = false;
  if (!parse_file_and_json(args, kUsage, io, &path, &json)) return kExitUsage;
  ReadOnlyFile file(path, io.fs);
  if (file.error() || file.begin_view()) {
    if (json) {
      io.out << "{\"readable\":false,\"error\":" << json_quote(file.error_text()) << "}\n";
    }
    io.err << path << ": " << file.error_text() << "\n";
    return kExitUnreadable;
  }
  CheckReport report;
  report.structure = tps::check_structure(file.file());
  check_tables(file.file(), report);
  file.end_view();
  if (json) {
    print_json(io.out, report);
  } else {
    print_text(io.out, path, report);
  }
  return report.consistent() ? kExitOk : kExitInconsistent;
}

}  // namespace tpsutil
