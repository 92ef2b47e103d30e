#include "platform/app/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace platform {
namespace {

constexpr const char* kAppDirectory = "qvrudp";

struct Entry {
  std::string key;
  std::string value;
};

struct Section {
  std::string name;
  std::vector<Entry> entries;
};

bool same_name(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string trim(const std::string& s) {
  size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  size_t end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

// Reads the file; lines that are neither a section head nor "key=value"
// (comments, junk) are dropped, as are entries before the first section.
std::vector<Section> load(const std::string& path) {
  std::vector<Section> sections;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::string t = trim(line);
    if (t.empty() || t[0] == ';') continue;
    if (t.front() == '[' && t.back() == ']') {
      sections.push_back({trim(t.substr(1, t.size() - 2)), {}});
      continue;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos || sections.empty()) continue;
    std::string key = trim(t.substr(0, eq));
    if (!key.empty()) sections.back().entries.push_back({key, trim(t.substr(eq + 1))});
  }
  return sections;
}

bool make_directories(const std::string& dir) {
  for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    std::string part = dir.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

bool save(const std::string& path, const std::vector<Section>& sections) {
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !make_directories(path.substr(0, slash))) {
    return false;
  }
  std::ostringstream text;
  for (const Section& s : sections) {
    text << '[' << s.name << "]\n";
    for (const Entry& e : s.entries) text << e.key << '=' << e.value << '\n';
  }
  std::string temp = path + ".tmp." + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::trunc);
    out << text.str();
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

Section* find_section(std::vector<Section>& sections, const std::string& name) {
  for (Section& s : sections) {
    if (same_name(s.name, name)) return &s;
  }
  return nullptr;
}

// A value may only hold what survives a round trip through a line.
std::string one_line(const std::string& value) {
  std::string out;
  for (char c : value) out += (c == '\n' || c == '\r') ? ' ' : c;
  return trim(out);
}

}  // namespace

std::string user_settings_directory() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/" + kAppDirectory;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config/" + kAppDirectory;
  return "";
}

void INIClass::Init(const std::string& file_name, int /*storage_kind*/, int /*extra*/,
                    const std::string& directory) {
  std::string dir = directory.empty() ? user_settings_directory() : directory;
  // The name is used bare: any directory part the caller wrote is dropped so
  // the file always lands in the settings directory.
  std::string bare = file_name.substr(file_name.find_last_of("/\\") + 1);
  path_ = dir.empty() ? bare : dir + "/" + bare;
  known_sections_.clear();
  std::stringstream list(Fetch(kSectorsSection, kSectorsEntry));
  std::string name;
  while (std::getline(list, name, ',')) {
    if (!trim(name).empty()) known_sections_.push_back(trim(name));
  }
}

void INIClass::Kill() {
  path_.clear();
  known_sections_.clear();
}

std::string INIClass::Fetch(const std::string& section, const std::string& key,
                            const std::string& fallback) const {
  if (path_.empty()) return fallback;
  std::vector<Section> sections = load(path_);
  Section* s = find_section(sections, section);
  if (s == nullptr) return fallback;
  for (const Entry& e : s->entries) {
    if (same_name(e.key, key)) return e.value;
  }
  return fallback;
}

std::optional<long> INIClass::FetchNumber(const std::string& section,
                                          const std::string& key) const {
  std::string text = Fetch(section, key);
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return value;
}

bool INIClass::Update(const std::string& section, const std::string& key,
                      const std::optional<std::string>& value) {
  if (path_.empty() || trim(section).empty() || trim(key).empty()) return false;
  std::vector<Section> sections = load(path_);
  Section* s = find_section(sections, section);
  if (s == nullptr) {
    if (!value) return true;  // nothing to remove
    sections.push_back({section, {}});
    s = &sections.back();
  }
  auto& entries = s->entries;
  auto it = entries.begin();
  while (it != entries.end() && !same_name(it->key, key)) ++it;
  if (!value) {
    if (it == entries.end()) return true;
    entries.erase(it);
    if (entries.empty()) sections.erase(sections.begin() + (s - sections.data()));
  } else if (it != entries.end()) {
    it->value = one_line(*value);
  } else {
    entries.push_back({trim(key), one_line(*value)});
  }
  return save(path_, sections);
}

bool INIClass::Update(const std::string& section, const std::string& key,
                      std::optional<long> value) {
  if (!value) return Update(section, key, std::optional<std::string>());
  return Update(section, key, std::optional<std::string>(std::to_string(*value)));
}

}  // namespace platform
