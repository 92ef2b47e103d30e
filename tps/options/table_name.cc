#include "tps/options/table_name.h"

#include <vector>

#include "tps/errors/errors.h"
#include "tps/key/locale_block.h"

namespace tps {

namespace {

constexpr char kSeparator = '/';

char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

// `path` followed by the "!" of a "\!" that belongs to the path.
std::string with_bang_entry(std::string path) {
  if (path.back() != kSeparator) path += kSeparator;
  path += '!';
  return path;
}

}  // namespace

std::string upper_case_table_name(std::string_view table) {
  return upper_case(table);
}

std::string with_default_extension(std::string_view file) {
  size_t last = file.rfind(kSeparator);
  std::string_view component = last == std::string_view::npos ? file : file.substr(last + 1);
  std::string result(file);
  if (component.find('.') == std::string_view::npos) result += kDefaultExtension;
  return result;
}

TableName split_table_name(std::string_view name, os::FileSystem& fs) {
  TableName split{{}, std::string(kUnnamedTable)};
  std::string path;  // the file part so far, skipped separators read as "/!"
  size_t from = 0;
  for (;;) {
    size_t at = name.find(kTableSeparator, from);
    if (at == std::string_view::npos) {
      path += name.substr(from);
      break;
    }
    std::string preceding = path + std::string(name.substr(from, at - from));
    if (preceding.empty() || !fs.is_directory(preceding)) {
      path = std::move(preceding);
      split.table = upper_case_table_name(name.substr(at + kTableSeparator.size()));
      break;
    }
    path = with_bang_entry(std::move(preceding));
    from = at + kTableSeparator.size();
  }
  if (!path.empty()) split.file = with_default_extension(path);
  return split;
}

std::string open_table_name(const TableName& name) {
  if (name.table == kUnnamedTable) return name.file;
  return name.file + std::string(kTableSeparator) + name.table;
}

ResolvedFile resolve_file_case(const std::string& path, os::FileSystem& fs) {
  if (path.empty() || fs.exists(path)) return ResolvedFile{error::kNone, path};
  size_t last = path.rfind(kSeparator);
  std::string prefix = last == std::string::npos ? std::string() : path.substr(0, last + 1);
  std::string_view base = std::string_view(path).substr(prefix.size());
  std::string directory = prefix.empty() ? std::string(".") : prefix;

  std::vector<std::string> matches;
  for (const std::string& entry : fs.list_directory(directory)) {
    if (!equal_ignoring_ascii_case(entry, base)) continue;
    if (fs.is_directory(prefix + entry)) continue;
    matches.push_back(entry);
  }
  if (matches.empty()) return ResolvedFile{error::kNone, path};
  if (matches.size() > 1) return ResolvedFile{error::kInvalidFilename, path};
  return ResolvedFile{error::kNone, prefix + matches.front()};
}

}  // namespace tps
