// The settings-file manager: a file of sections holding "key=value" lines,
// kept in the user's configuration directory so that it survives between runs.
//
// Every read and write goes to the file itself (as profile functions do), so
// two windows, or two runs, never work from stale copies. A write replaces the
// file through a temporary file and a rename: a crash mid-write leaves the old
// file, never half of one.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// The directory for the user's settings: $XDG_CONFIG_HOME/qvrudp, else
// $HOME/.config/qvrudp. Empty when neither variable is set.
std::string user_settings_directory();

// Storage kinds of Init: a file (the only one kept on this system; a request
// for the registry is served by a file as well).
inline constexpr int kSettingsInFile = 0;
inline constexpr int kSettingsInRegistry = 1;

// Section and entry that list the sections known to the file; read at Init.
inline constexpr const char* kSectorsSection = "Sectors";
inline constexpr const char* kSectorsEntry = "__Dont_Touch_Me__";

class INIClass {
 public:
  INIClass() = default;
  INIClass(const INIClass&) = delete;
  INIClass& operator=(const INIClass&) = delete;

  // Binds the manager to `file_name` (a bare name) inside `directory`, or
  // inside user_settings_directory() when `directory` is empty. Reads the
  // bookkeeping section once. The file need not exist.
  void Init(const std::string& file_name, int storage_kind = kSettingsInFile, int extra = 0,
            const std::string& directory = "");
  void Kill();

  // The value of `key` in `section`, or `fallback` when either is missing.
  // Section and key names compare without regard to letter case.
  std::string Fetch(const std::string& section, const std::string& key,
                    const std::string& fallback = "") const;
  // The value as an integer; nothing when missing or not a whole number.
  std::optional<long> FetchNumber(const std::string& section, const std::string& key) const;

  // Stores `value` under `key`; nothing in `value` removes the key instead,
  // and a section left empty is removed with it. Returns false when the file
  // could not be written.
  bool Update(const std::string& section, const std::string& key,
              const std::optional<std::string>& value);
  bool Update(const std::string& section, const std::string& key, std::optional<long> value);
  // Flushes pending changes: every change is already on disk, so it stores
  // nothing.
  void Update() {}

  // Full path of the file; empty before Init.
  const std::string& path() const { return path_; }
  // The sections listed by the bookkeeping entry when Init ran.
  const std::vector<std::string>& known_sections() const { return known_sections_; }

 private:
  std::string path_;
  std::vector<std::string> known_sections_;
};

}  // namespace platform
