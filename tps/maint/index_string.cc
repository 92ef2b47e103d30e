#include "tps/maint/index_string.h"

#include <optional>

#include "tps/errors/errors.h"

namespace tps {

namespace {

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::optional<uint32_t> field_named(std::string_view name, const std::vector<FieldDeclaration>& fields) {
  for (size_t i = 0; i < fields.size(); ++i) {
    std::string_view label = fields[i].label;
    if (same_letters(label, name)) return uint32_t(i);
    const size_t colon = label.rfind(':');
    if (colon != std::string_view::npos && same_letters(label.substr(colon + 1), name)) return uint32_t(i);
  }
  return std::nullopt;
}

}  // namespace

ParsedIndexString parse_index_string(std::string_view text, const std::vector<FieldDeclaration>& fields) {
  ParsedIndexString parsed;
  if (trimmed(text).empty()) {
    parsed.error = error::kInvalidIndexString;
    return parsed;
  }
  for (;;) {
    const size_t comma = text.find(',');
    std::string_view item = trimmed(text.substr(0, comma));
    bool descending = false;
    if (!item.empty() && (item.front() == '+' || item.front() == '-')) {
      descending = item.front() == '-';
      item = trimmed(item.substr(1));
    }
    const std::optional<uint32_t> field = item.empty() ? std::nullopt : field_named(item, fields);
    if (!field) {
      parsed.error = error::kInvalidIndexString;
      parsed.components.clear();
      return parsed;
    }
    parsed.components.push_back({*field, descending});
    if (comma == std::string_view::npos) return parsed;
    text.remove_prefix(comma + 1);
  }
}

}  // namespace tps
