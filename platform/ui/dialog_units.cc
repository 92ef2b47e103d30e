#include "platform/ui/dialog_units.h"

#include <QFontMetrics>

namespace ui {
namespace {

// The average width is that of the 52 Latin letters, the measure that dialog
// templates have always been laid out against.
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kLetters = 52;

int scaled(int units, int base, int divisor) {
  long long product = static_cast<long long>(units) * base;
  long long half = divisor / 2;
  return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetrics m(font);
  int width = m.horizontalAdvance(QString::fromLatin1(kAlphabet));
  average_width_ = (width + kLetters / 2) / kLetters;
  height_ = m.height();
}

int DialogUnits::x(int units) const { return scaled(units, average_width_, 4); }
int DialogUnits::y(int units) const { return scaled(units, height_, 8); }

QRect DialogUnits::rect(int x_units, int y_units, int width_units, int height_units) const {
  return QRect(x(x_units), y(y_units), x(width_units), y(height_units));
}

}  // namespace ui
