#include "tps/options/tcf_names.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <utility>

#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"

namespace tps {

namespace {

constexpr char kSeparator = '/';
constexpr size_t kMaxPathLength = PATH_MAX;

std::optional<std::string> current_directory() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return std::nullopt;
  return std::string(buffer);
}

// The directory the operating system resolves `directory` to, links and ".."
// included; nothing when it does not exist.
std::optional<std::string> resolved_directory(const std::string& directory) {
  std::unique_ptr<char, decltype(&::free)> resolved(::realpath(directory.c_str(), nullptr),
                                                    &::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

}  // namespace

std::string directory_tcf_name(std::string_view file_name) {
  size_t last = file_name.rfind(kSeparator);
  std::string name(last == std::string_view::npos ? std::string_view{}
                                                  : file_name.substr(0, last + 1));
  name += kDirectoryTcfName;
  return name;
}

std::optional<std::string> lexical_full_path(std::string_view name,
                                             std::string_view working_directory) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  std::string combined;
  if (name.front() != kSeparator) {
    if (working_directory.empty() || working_directory.front() != kSeparator) return std::nullopt;
    combined.assign(working_directory);
    combined += kSeparator;
  }
  combined += name;

  std::vector<std::string_view> components;
  std::string_view rest(combined);
  while (!rest.empty()) {
    size_t end = rest.find(kSeparator);
    std::string_view component = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (!components.empty()) components.pop_back();
      continue;
    }
    components.push_back(component);
  }

  std::string full;
  for (std::string_view component : components) {
    full += kSeparator;
    full += component;
  }
  if (full.empty()) full = std::string(1, kSeparator);
  if (full.size() >= kMaxPathLength) return std::nullopt;
  return full;
}

std::optional<std::string> full_path(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  size_t last = name.rfind(kSeparator);
  std::string directory =
      last == std::string_view::npos ? std::string(".") : std::string(name.substr(0, last + 1));
  std::string_view base = last == std::string_view::npos ? name : name.substr(last + 1);
  if (std::optional<std::string> resolved = resolved_directory(directory)) {
    return lexical_full_path(base, *resolved);
  }
  std::optional<std::string> working_directory = current_directory();
  if (!working_directory) return std::nullopt;
  return lexical_full_path(name, *working_directory);
}

std::optional<PathParts> split_full_path(std::string_view path) {
  if (path.empty() || path.front() != kSeparator) return std::nullopt;
  std::string_view rest = path.substr(1);
  size_t last = rest.rfind(kSeparator);
  std::string_view directory =
      last == std::string_view::npos ? std::string_view{} : rest.substr(0, last + 1);
  std::string_view file = last == std::string_view::npos ? rest : rest.substr(last + 1);
  if (file.empty()) return std::nullopt;
  size_t dot = file.rfind('.');
  std::string_view base = dot == std::string_view::npos ? file : file.substr(0, dot);
  std::string_view extension =
      dot == std::string_view::npos ? std::string_view{} : file.substr(dot);
  return PathParts{std::string(1, kSeparator), std::string(directory), std::string(base),
                   std::string(extension)};
}

void TcfNames::register_directory_of(std::string_view file_name) {
  if (has_fixed_name()) return;
  std::string name = directory_tcf_name(file_name);
  std::optional<std::string> full = full_path(name);
  if (!full) return;
  std::optional<PathParts> parts = split_full_path(*full);
  if (!parts) return;
  for (const Registered& entry : registered_) {
    if (entry.parts == *parts) return;
  }
  check_or_fault(registered_.size() < kMaxRegistered, fault::kTooManyTransactionFiles);
  registered_.push_back(Registered{std::move(name), std::move(*parts)});
}

std::vector<std::string> TcfNames::registered() const {
  std::vector<std::string> names;
  names.reserve(registered_.size());
  for (const Registered& entry : registered_) names.push_back(entry.name);
  return names;
}

TcfNames& process_tcf_names() {
  static TcfNames names;
  return names;
}

}  // namespace tps
