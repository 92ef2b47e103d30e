#include "tps/options/driver_options.h"

#include <mutex>
#include <set>
#include <utility>

#include "tps/options/tcf_names.h"

namespace tps {

namespace {

enum class Option { none, decimal_check, full_build, flags, table_names, next_table_name, tcf };

struct OptionName {
  std::string_view name;
  Option option;
};

// Matching looks at each name's length only, so PNMQ must be tried before
// PNM: "PNMQ=..." would otherwise read as a PNM query.
constexpr OptionName kOptionNames[] = {
    {option::kDecimalCheck, Option::decimal_check},
    {option::kFullBuild, Option::full_build},
    {option::kFlags, Option::flags},
    {option::kTableNames, Option::table_names},
    {option::kNextTableName, Option::next_table_name},
    {option::kTcf, Option::tcf},
};

// One parsed item: the option it names, and its value when it assigns one.
struct Item {
  Option option = Option::none;
  bool assigns = false;
  std::string_view value;
};

char ascii_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (ascii_upper(text[i]) != ascii_upper(prefix[i])) return false;
  }
  return true;
}

bool is_space(char c) {
  return c == ' ' || c == '\t';
}

std::string_view skip_spaces(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view trim_trailing_spaces(std::string_view text) {
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

Item parse_item(std::string_view text) {
  for (const OptionName& candidate : kOptionNames) {
    if (!starts_with_ignoring_case(text, candidate.name)) continue;
    Item item{candidate.option, false, {}};
    std::string_view rest = skip_spaces(text.substr(candidate.name.size()));
    if (!rest.empty() && rest.front() == '=') {
      item.assigns = true;
      item.value = trim_trailing_spaces(skip_spaces(rest.substr(1)));
    }
    return item;
  }
  return Item{};
}

const std::string& on_off(bool on) {
  static const std::string on_text(option::kOn);
  static const std::string off_text(option::kOff);
  return on ? on_text : off_text;
}

// A decimal number as the option values write it: optional sign, then digits
// up to the first other character; 32-bit wrap-around like the mark word.
uint32_t parse_decimal(std::string_view text) {
  text = skip_spaces(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10u + static_cast<uint32_t>(c - '0');
  }
  return negative ? 0u - value : value;
}

// The registered PNMQ lists. Lists are registered by the caller of SEND and
// looked up inside the engine, possibly on another thread.
std::mutex& registry_mutex() {
  static std::mutex mutex;
  return mutex;
}

std::set<NameList*>& registered_lists() {
  static std::set<NameList*> lists;
  return lists;
}

NameList* find_registered_list(std::string_view value) {
  const std::string_view digits = skip_spaces(value);
  uintptr_t address = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') break;
    address = address * 10u + static_cast<uintptr_t>(c - '0');
  }
  std::lock_guard lock(registry_mutex());
  auto found = registered_lists().find(reinterpret_cast<NameList*>(address));
  return found == registered_lists().end() ? nullptr : *found;
}

std::mutex& warning_mutex() {
  static std::mutex mutex;
  return mutex;
}

WarningBox& warning_box() {
  static WarningBox box;
  return box;
}

void show_warning(std::string_view title, std::string_view text) {
  WarningBox box;
  {
    std::lock_guard lock(warning_mutex());
    box = warning_box();
  }
  if (box) box(title, text);
}

SendResult send_command(OptionTable& table, std::string_view text) {
  SendResult result;
  if (text == option::kRegister) {
    if (!table.is_open()) table.mark_for_recreation();
    result.value = reinterpret_cast<uintptr_t>(table.driver_descriptor());
    result.text = std::to_string(result.value);
  } else {
    if (!table.is_open()) show_warning(option::kImportTitle, option::kImportRefused);
    result.error = error::kFileNotOpen;
  }
  return result;
}

std::string apply_item(OptionTable& table, const Item& item, TcfNames& tcf) {
  TableOptions& options = table.options();
  switch (item.option) {
    case Option::decimal_check:
      if (item.assigns) {
        options.decimal_check = !starts_with_ignoring_case(item.value, option::kOff);
      }
      return on_off(options.decimal_check);
    case Option::full_build:
      if (item.assigns) options.full_build = starts_with_ignoring_case(item.value, option::kOn);
      return on_off(options.full_build);
    case Option::flags:
      // The mark word lives in the file: without an open table there is
      // nothing to read or set.
      if (!table.is_open()) return "0";
      if (item.assigns) table.set_flags(parse_decimal(item.value));
      return std::to_string(table.flags());
    case Option::next_table_name:
      if (!table.is_open()) return {};
      return table.next_table_name(std::string(item.value));
    case Option::table_names:
      if (item.assigns) {
        if (NameList* list = find_registered_list(item.value)) table.list_table_names(*list);
      }
      return {};
    case Option::tcf:
      if (item.assigns) tcf.set_fixed_name(std::string(item.value));
      return tcf.fixed_name();
    case Option::none:
      break;
  }
  return {};
}

}  // namespace

NameListRegistration::NameListRegistration(NameList& list) : list_(&list) {
  std::lock_guard lock(registry_mutex());
  registered_lists().insert(list_);
}

NameListRegistration::~NameListRegistration() {
  std::lock_guard lock(registry_mutex());
  registered_lists().erase(list_);
}

std::string NameListRegistration::value_text() const {
  return std::to_string(reinterpret_cast<uintptr_t>(list_));
}

SendResult send_option(OptionTable& table, std::string_view text, TcfNames& tcf) {
  if (text == option::kRegister || text == option::kImportFile) return send_command(table, text);
  SendResult result;
  result.text = apply_item(table, parse_item(text), tcf);
  return result;
}

SendResult send_option(OptionTable& table, std::string_view text) {
  return send_option(table, text, process_tcf_names());
}

std::vector<std::string> driver_string_items(std::string_view driver_string) {
  std::vector<std::string> items;
  size_t slash = driver_string.find('/');
  while (slash != std::string_view::npos) {
    const size_t start = slash + 1;
    std::string_view rest = driver_string.substr(start);
    size_t end = std::string_view::npos;
    if (starts_with_ignoring_case(rest, option::kTcf)) {
      // A path's slashes belong to the value: only a slash after a space
      // starts the next item.
      for (size_t i = 1; i < rest.size(); ++i) {
        if (rest[i] == '/' && is_space(rest[i - 1])) {
          end = i;
          break;
        }
      }
    } else {
      end = rest.find('/');
    }
    std::string_view item = trim_trailing_spaces(rest.substr(0, end));
    if (!item.empty()) items.emplace_back(item);
    slash = end == std::string_view::npos ? std::string_view::npos : start + end;
  }
  return items;
}

void apply_driver_string(OptionTable& table, std::string_view driver_string, TcfNames& tcf) {
  for (const std::string& item : driver_string_items(driver_string)) {
    send_option(table, item, tcf);
  }
}

void apply_driver_string(OptionTable& table, std::string_view driver_string) {
  apply_driver_string(table, driver_string, process_tcf_names());
}

void set_warning_box(WarningBox box) {
  std::lock_guard lock(warning_mutex());
  warning_box() = std::move(box);
}

}  // namespace tps
