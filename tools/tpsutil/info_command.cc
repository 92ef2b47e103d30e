#include <ostream>

#include "commands.h"
#include "read_only_file.h"
#include "tps/maint/structure_check.h"

namespace tpsutil {

namespace {

constexpr const char* kUsage = "usage: tpsutil info FILE [--json]\n";

struct Region {
  int size_class;
  int64_t start, end;
};

std::vector<Region> non_empty_regions(const tps::FileHeader& h) {
  std::vector<Region> regions;
  for (int k = 1; k < tps::kSizeClasses; ++k) {
    if (!h.region_empty(k)) regions.push_back({k, uint32_t(h.region_start(k)), uint32_t(h.region_end(k))});
  }
  return regions;
}

void print_json(std::ostream& out, const tps::FileHeader& h, const tps::StructureReport& r) {
  out << "{\"header\":{\"change_counter\":" << h.change_counter()
      << ",\"number_counter\":" << h.number_counter() << ",\"root\":" << uint32_t(h.root())
      << ",\"log_start\":" << h.log_start() << ",\"log_end\":" << h.log_end() << "},\"regions\":[";
  bool first = true;
  for (const Region& region : non_empty_regions(h)) {
    out << (first ? "" : ",") << "{\"class\":" << region.size_class << ",\"start\":" << region.start
        << ",\"end\":" << region.end << "}";
    first = false;
  }
  out << "],\"pages\":" << r.pages << ",\"levels\":" << r.levels << ",\"records\":" << r.leaf_records
      << ",\"leaf_records\":" << r.leaf_records << ",\"consistent\":" << (r.consistent() ? "true" : "false")
      << "}\n";
}

void print_text(std::ostream& out, const std::string& path, const tps::FileHeader& h,
                const tps::StructureReport& r) {
  out << path << "\n"
      << "  change counter  " << h.change_counter() << "\n"
      << "  number counter  " << h.number_counter() << "\n"
      << "  root page       " << uint32_t(h.root()) << "\n"
      << "  log             " << h.log_start() << " .. " << h.log_end()
      << (h.log_pending() ? "  (pending)" : "") << "\n"
      << "  end of pages    " << h.end_of_page_space() << "\n"
      << "  regions\n";
  for (const Region& region : non_empty_regions(h)) {
    out << "    class " << region.size_class << " (" << region.size_class * 256 << " bytes): pages "
        << region.start << " .. " << region.end << ", " << (region.end - region.start) / region.size_class
        << " pages\n";
  }
  out << "  pages           " << r.pages << "\n"
      << "  levels          " << r.levels << "\n"
      << "  records         " << r.leaf_records << "\n";
  if (!r.consistent()) out << "  problems        " << r.problems.size() << " (run `tpsutil check`)\n";
}

}  // namespace

int info_command(const std::vector<std::string>& args, Output io) {
  std::string path;
  bool json = false;
  if (!parse_file_and_json(args, kUsage, io, &path, &json)) return kExitUsage;
  ReadOnlyFile file(path, io.fs);
  if (file.error() || file.begin_view()) {
    io.err << path << ": " << file.error_text() << "\n";
    return kExitUnreadable;
  }
  tps::FileHeader header = file.file().header();
  tps::StructureReport report = tps::check_structure(file.file());
  file.end_view();
  if (json) {
    print_json(io.out, header, report);
  } else {
    print_text(io.out, path, header, report);
  }
  return kExitOk;
}

}  // namespace tpsutil
