#include "platform/ui/window_decl.h"

namespace ui {
namespace {

ControlDecl of_kind(ControlKind k) {
  ControlDecl c;
  c.kind = k;
  return c;
}

}  // namespace

ControlDecl fixed_text(std::string text) {
  ControlDecl c = of_kind(ControlKind::fixed_text);
  c.text = std::move(text);
  return c;
}

ControlDecl display_text(Variable v, std::string picture) {
  return of_kind(ControlKind::display_text).use(std::move(v), std::move(picture));
}

ControlDecl entry(Variable v, std::string picture) {
  return of_kind(ControlKind::entry).use(std::move(v), std::move(picture));
}

ControlDecl button(std::string caption) {
  ControlDecl c = of_kind(ControlKind::button);
  c.text = std::move(caption);
  return c;
}

ControlDecl line() { return of_kind(ControlKind::line); }
ControlDecl box() { return of_kind(ControlKind::box); }
ControlDecl sheet() { return of_kind(ControlKind::sheet); }

ControlDecl tab(std::string title) {
  ControlDecl c = of_kind(ControlKind::tab);
  c.text = std::move(title);
  return c;
}

ControlDecl list(std::string format) {
  ControlDecl c = of_kind(ControlKind::list);
  c.format = std::move(format);
  return c;
}

ControlDecl drop_list(std::string format, int rows) {
  ControlDecl c = of_kind(ControlKind::drop_list);
  c.format = std::move(format);
  c.drop_rows = rows;
  return c;
}

ControlDecl text_box(Variable v) { return of_kind(ControlKind::text_box).use(std::move(v)); }
ControlDecl progress_bar(Variable v) { return of_kind(ControlKind::progress).use(std::move(v)); }

}  // namespace ui
