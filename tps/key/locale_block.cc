#include "tps/key/locale_block.h"

namespace tps {
namespace {

constexpr size_t kDigraphEntrySize = 4;
constexpr uint8_t kCaseDistance = 'a' - 'A';

LocaleBlock& mutable_process_locale() {
  static LocaleBlock locale;
  return locale;
}

}  // namespace

LocaleBlock::LocaleBlock() : bytes_{} {
  for (size_t byte = 0; byte < 256; ++byte) {
    bytes_[kCollation + byte] = static_cast<uint8_t>(byte);
    bytes_[kOemCollation + byte] = static_cast<uint8_t>(byte);
  }
  for (uint8_t upper = 'A'; upper <= 'Z'; ++upper) {
    uint8_t lower = upper + kCaseDistance;
    bytes_[kCasePartner + upper] = lower;
    bytes_[kCasePartner + lower] = upper;
    bytes_[kClasses + upper] = char_class::kUpper;
    bytes_[kClasses + lower] = char_class::kLower;
  }
  for (uint8_t digit = '0'; digit <= '9'; ++digit) bytes_[kClasses + digit] = char_class::kDigit;
}

size_t LocaleBlock::digraph_count() const {
  size_t count = 0;
  while (count < kMaxDigraphs && bytes_[kDigraphs + count * kDigraphEntrySize] != 0) ++count;
  return count;
}

Digraph LocaleBlock::digraph(size_t index) const {
  const uint8_t* entry = &bytes_[kDigraphs + index * kDigraphEntrySize];
  return {entry[0], entry[1], entry[2]};
}

void LocaleBlock::set_digraph(size_t index, Digraph digraph) {
  uint8_t* entry = &bytes_[kDigraphs + index * kDigraphEntrySize];
  entry[0] = digraph.character;
  entry[1] = digraph.first;
  entry[2] = digraph.second;
  entry[3] = 0;
}

const LocaleBlock& process_locale() { return mutable_process_locale(); }

void set_process_locale(const LocaleBlock& locale) { mutable_process_locale() = locale; }

std::string upper_case(std::string_view name, const LocaleBlock& locale) {
  std::string result(name);
  for (char& c : result) {
    uint8_t byte = static_cast<uint8_t>(c);
    uint8_t partner = locale.case_partner(byte);
    if (locale.is_lower(byte) && partner != 0) c = static_cast<char>(partner);
  }
  return result;
}

std::string upper_case(std::string_view name) { return upper_case(name, process_locale()); }

}  // namespace tps
