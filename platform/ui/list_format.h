// The column-format notation of list controls.
//
// A format string is a run of column descriptions, each:
//
//   width align[(indent)] modifiers...
//
//   width        in dialog units
//   align        L left, R right, C centre, D decimal (shown right-aligned);
//                the indent is the distance in dialog units from that edge
//   |            a border on the column's right
//   _            the column's cells are underlined
//   M / F        resizable by the user / fixed
//   ~text~[a]    header text, then optionally its own alignment (and indent);
//                without one the header aligns like the data
//   @picture@    display picture of the column's queue field (ui/picture.h)
//   E(t,b,st,sb) colours: text, background, selected text, selected
//                background; each a decimal or hexadecimal (trailing H)
//                value 0x00BBGGRR, or empty for the list's own colour
//   *            colours per row, from four queue fields after the data
//   Y            style per row, from one queue field after the data
//   I / J        icon per row, from one queue field after the data
//   T[(flags)]   tree level per row, from one queue field after the data
//   P            tooltip per row, from one queue field after the data
//   S(width)     a scrolling column of this width
//   Z(style)     the column's default style number
//   Q'text'      tooltip of the column
//   #n#          the column shows queue field n; later columns continue after it
//
// A group "[columns](width)|_~header~" puts a shared header over columns.
// Each column takes the next unused queue field unless #n# says otherwise.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

enum class Align { left, right, center, decimal };

struct ColumnColors {
  std::optional<Rgb> text;
  std::optional<Rgb> background;
  std::optional<Rgb> selected_text;
  std::optional<Rgb> selected_background;
};

struct ListColumn {
  int width = 0;  // dialog units
  Align align = Align::left;
  int indent = 0;  // dialog units from the aligned edge
  bool right_border = false;
  bool underline = false;
  bool resizable = false;
  bool fixed = false;
  std::optional<std::string> header;  // nothing: no header text
  Align header_align = Align::left;
  int header_indent = 0;
  std::string picture;  // "@n-14", empty when none
  ColumnColors colors;
  bool colors_in_queue = false;
  bool style_in_queue = false;
  bool icon = false;
  bool tree = false;
  bool tip_in_queue = false;
  int scroll_width = 0;
  int default_style = 0;
  std::string tip;
  int field = 0;  // 1-based queue field the column shows
  int group = 0;  // 1-based index into ListFormat::groups, 0 for none
};

struct ColumnGroup {
  int width = 0;
  bool right_border = false;
  bool underline = false;
  std::optional<std::string> header;
  Align header_align = Align::left;
  int header_indent = 0;
};

struct ListFormat {
  std::vector<ListColumn> columns;
  std::vector<ColumnGroup> groups;
  int fields_used = 0;  // highest queue field any column reads
};

struct ListFormatResult {
  std::optional<ListFormat> format;
  std::string error;  // why it failed, with the position
};

// Parses a format string; malformed text gives an error, never a partial list.
ListFormatResult parse_list_format(std::string_view text);

// A colour written as in the notation ("0E6E6E6H", "255", ""); nothing for an
// empty or negative (system default) value. Sets *ok to false when malformed.
std::optional<Rgb> parse_color(std::string_view text, bool* ok);

}  // namespace ui
