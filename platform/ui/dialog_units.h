// Dialog units: window geometry measured by the window's font, so a layout
// keeps its proportions whatever the font and screen resolution.
// One horizontal unit is a quarter of the font's average character width,
// one vertical unit an eighth of its height.
#pragma once

#include <QFont>
#include <QRect>

namespace ui {

class DialogUnits {
 public:
  // Measures `font` on the screen.
  explicit DialogUnits(const QFont& font);
  DialogUnits(int average_char_width, int char_height)
      : average_width_(average_char_width), height_(char_height) {}

  int average_char_width() const { return average_width_; }
  int char_height() const { return height_; }
  // Pixels of `units` horizontal / vertical units (rounded to nearest).
  int x(int units) const;
  int y(int units) const;
  QRect rect(int x_units, int y_units, int width_units, int height_units) const;

 private:
  int average_width_;
  int height_;
};

}  // namespace ui
