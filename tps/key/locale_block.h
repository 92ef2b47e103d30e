// The locale block: the tables that drive case folding and collation of
// string key components and the upper-casing of table names.
//
// Layout (1152 bytes), as stored in a table's locale record:
//   0     256  collation map: weight of each byte value
//   256   256  OEM collation map (used when the table stores OEM text)
//   512   256  case-partner map: 'A' <-> 'a' and so on; 0 when a byte has none
//   768   256  character classes: bit 0 upper-case letter, bit 1 lower-case
//              letter, bit 2 digit
//   1024  64   digraph table: up to 16 entries (character, first replacement,
//              second replacement, unused); an entry with character 0 ends it
//   1088  64   further locale data, kept but not used by keys
//
// A table keeps the copy stored when it was created, so its keys keep their
// order whatever the process tables are later; any 1152 bytes read from a
// file are a usable block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tps {

inline constexpr size_t kLocaleBlockSize = 1152;
inline constexpr size_t kMaxDigraphs = 16;

namespace char_class {
inline constexpr uint8_t kUpper = 0x01;
inline constexpr uint8_t kLower = 0x02;
inline constexpr uint8_t kDigit = 0x04;
}  // namespace char_class

// One digraph: `character` sorts as `first` followed by `second`.
struct Digraph {
  uint8_t character;
  uint8_t first;
  uint8_t second;
};

class LocaleBlock {
 public:
  using Bytes = std::array<uint8_t, kLocaleBlockSize>;

  // The default tables: identity collation, 'A'..'Z' paired with 'a'..'z',
  // ASCII letter and digit classes, no digraphs.
  LocaleBlock();
  // A block read from a locale record.
  explicit LocaleBlock(const Bytes& bytes) : bytes_(bytes) {}

  const Bytes& bytes() const { return bytes_; }
  Bytes& mutable_bytes() { return bytes_; }

  uint8_t collation(uint8_t byte) const { return bytes_[kCollation + byte]; }
  uint8_t oem_collation(uint8_t byte) const { return bytes_[kOemCollation + byte]; }
  uint8_t case_partner(uint8_t byte) const { return bytes_[kCasePartner + byte]; }
  uint8_t classes(uint8_t byte) const { return bytes_[kClasses + byte]; }
  bool is_upper(uint8_t byte) const { return (classes(byte) & char_class::kUpper) != 0; }
  bool is_lower(uint8_t byte) const { return (classes(byte) & char_class::kLower) != 0; }

  // Number of digraph entries before the terminating one (at most 16).
  size_t digraph_count() const;
  Digraph digraph(size_t index) const;
  // Sets entry `index` (< 16); a character of 0 ends the table there.
  void set_digraph(size_t index, Digraph digraph);

  // Offsets of the tables inside the block.
  static constexpr size_t kCollation = 0;
  static constexpr size_t kOemCollation = 256;
  static constexpr size_t kCasePartner = 512;
  static constexpr size_t kClasses = 768;
  static constexpr size_t kDigraphs = 1024;
  static constexpr size_t kFurther = 1088;

  bool operator==(const LocaleBlock&) const = default;

 private:
  Bytes bytes_;
};

// The process tables: used for tables without a locale record of their
// own, copied into the locale record of every table created.
const LocaleBlock& process_locale();
// Replaces the process tables. Called at start-up, before any table is
// opened; tables already open keep the tables they were opened with.
void set_process_locale(const LocaleBlock& locale);

// `name` with every lower-case letter replaced by its case partner, through
// `locale`'s tables (how table names inside a file are made upper case).
std::string upper_case(std::string_view name, const LocaleBlock& locale);
// The same through the process tables.
std::string upper_case(std::string_view name);

}  // namespace tps
