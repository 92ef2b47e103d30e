// How a window is declared: its look and its controls in order. A control's
// number is its position in the declaration (1, 2, ...), tabs and controls on
// tabs included; the window's logic addresses controls by these numbers.
// All positions are dialog units relative to the window's client area, also
// for controls on a tab.
//
//   WindowDecl w;
//   w.caption = "APP Nivel Inicial - 2022";
//   w.add(fixed_text("Ingresa tu D.N.I.").at(4, 12, 388, 12).centered().bold());
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/list_format.h"
#include "platform/ui/value.h"

namespace ui {

inline constexpr int kDefaultSize = -1;  // sized to the text (or the picture)

enum class ControlKind {
  fixed_text,    // a text of its own
  display_text,  // a variable shown through a picture
  entry,         // a variable typed through a picture
  button,
  line,
  box,
  sheet,         // holds tabs
  tab,           // one tab of the sheet declared before it
  list,
  drop_list,     // a list that drops down below a one-row field
  text_box,      // multi-line text
  progress,
};

enum class Frame { double_frame, single, none };

struct FontDecl {
  std::string name;  // empty: the window's (or the enclosing band's) face
  double points = 0; // 0: inherited size
  std::optional<bool> bold;
  std::optional<Rgb> color;
};

struct ControlDecl {
  ControlKind kind = ControlKind::fixed_text;
  std::string label;  // "?BUTTON2": for messages and debugging
  std::string text;   // fixed text, button caption, tab title
  std::string picture;
  Variable variable;
  int x = 0, y = 0, width = kDefaultSize, height = kDefaultSize;
  FontDecl font;
  std::optional<Rgb> background;
  std::optional<Rgb> selected_text;
  std::optional<Rgb> selected_background;
  std::optional<Rgb> grid;
  std::optional<Rgb> color;  // lines and box borders
  std::optional<Rgb> fill;   // boxes
  Align align = Align::left;
  bool hidden = false;
  bool disabled = false;
  bool transparent = false;
  bool flat = false;
  bool is_default = false;
  bool skip = false;       // not reached by the Tab key
  bool required = false;
  bool overwrite = false;  // typing replaces the character at the cursor
  bool vscroll = false;
  bool boxed = false;
  bool read_only = false;
  bool immediate = false;  // lists: the program pages rows in and out itself
  std::string icon;        // icon file, carried as a resource (ui/icons.h)
  int max_length = 0;      // text boxes: characters accepted, 0 for no limit
  std::string format;      // lists: column format (ui/list_format.h)
  int drop_rows = 0;       // drop lists: rows shown when dropped
  int range_low = 0, range_high = 100;  // progress bars
  std::string message;     // status text while the control has the focus
  int tab_width = 0;       // sheets: width of each tab, 0 to size tabs to their text
  int on_tab = 0;          // number of the tab the control lies on, 0 for none

  ControlDecl& at(int x_units, int y_units, int w = kDefaultSize, int h = kDefaultSize) {
    x = x_units, y = y_units, width = w, height = h;
    return *this;
  }
  ControlDecl& use(Variable v, std::string pic = "") {
    variable = std::move(v);
    if (!pic.empty()) picture = std::move(pic);
    return *this;
  }
  ControlDecl& named(std::string l) { label = std::move(l); return *this; }
  ControlDecl& face(std::string name, double points = 0) {
    font.name = std::move(name), font.points = points;
    return *this;
  }
  ControlDecl& size(double points) { font.points = points; return *this; }
  ControlDecl& bold(bool b = true) { font.bold = b; return *this; }
  ControlDecl& text_color(Rgb c) { font.color = c; return *this; }
  ControlDecl& colors(Rgb text_rgb, Rgb back, Rgb sel_text, Rgb sel_back) {
    font.color = text_rgb, background = back, selected_text = sel_text, selected_background = sel_back;
    return *this;
  }
  ControlDecl& back(Rgb c) { background = c; return *this; }
  ControlDecl& grid_color(Rgb c) { grid = c; return *this; }
  ControlDecl& line_color(Rgb c) { color = c; return *this; }
  ControlDecl& fill_color(Rgb c) { fill = c; return *this; }
  ControlDecl& centered() { align = Align::center; return *this; }
  ControlDecl& right() { align = Align::right; return *this; }
  ControlDecl& hide() { hidden = true; return *this; }
  ControlDecl& disable() { disabled = true; return *this; }
  ControlDecl& trn() { transparent = true; return *this; }
  ControlDecl& make_flat() { flat = true; return *this; }
  ControlDecl& make_default() { is_default = true; return *this; }
  ControlDecl& skipped() { skip = true; return *this; }
  ControlDecl& req() { required = true; return *this; }
  ControlDecl& ovr() { overwrite = true; return *this; }
  ControlDecl& with_vscroll() { vscroll = true; return *this; }
  ControlDecl& with_box() { boxed = true; return *this; }
  ControlDecl& imm() { immediate = true; return *this; }
  ControlDecl& with_icon(std::string file) { icon = std::move(file); return *this; }
  ControlDecl& max_chars(int n) { max_length = n; return *this; }
  ControlDecl& drop(int rows) { drop_rows = rows; return *this; }
  ControlDecl& range(int low, int high) { range_low = low, range_high = high; return *this; }
  ControlDecl& msg(std::string m) { message = std::move(m); return *this; }
  ControlDecl& tabs_width(int units) { tab_width = units; return *this; }
  ControlDecl& on(int tab_number) { on_tab = tab_number; return *this; }
};

ControlDecl fixed_text(std::string text);
ControlDecl display_text(Variable v, std::string picture);
ControlDecl entry(Variable v, std::string picture);
ControlDecl button(std::string caption);
ControlDecl line();
ControlDecl box();
ControlDecl sheet();
ControlDecl tab(std::string title);
ControlDecl list(std::string format);
ControlDecl drop_list(std::string format, int rows);
ControlDecl text_box(Variable v);
ControlDecl progress_bar(Variable v);

struct WindowDecl {
  std::string caption;
  bool has_caption = true;  // false: no title bar at all
  int width = 0, height = 0;  // dialog units of the client area
  bool centered = true;
  int x = 0, y = 0;           // when not centred
  FontDecl font;              // empty name: the desktop's dialog face
  std::optional<Rgb> background;
  Frame frame = Frame::double_frame;
  bool system_menu = false;   // with it, a close box
  bool auto_display = false;  // redisplay every control after each event
  int timer = 0;              // hundredths of a second between timer events, 0 for none
  std::vector<ControlDecl> controls;

  // Appends `c` and returns its control number.
  int add(ControlDecl c) {
    controls.push_back(std::move(c));
    return static_cast<int>(controls.size());
  }
};

}  // namespace ui
