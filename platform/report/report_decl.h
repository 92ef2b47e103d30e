// How a report is declared: page, default font, the body (detail area) and
// its bands in order, each with its controls. Bands and controls share one
// numbering in declaration order (header 1, its controls 2.., detail 7, ...);
// a band is printed by its number. Positions are report units: millimetres
// as written, turned into device pixels at kUnitsPerInch (see Report).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/list_format.h"
#include "platform/ui/value.h"
#include "platform/ui/window_decl.h"

namespace report {

using ui::Align;
using ui::FontDecl;
using ui::Rgb;
using ui::Variable;

// The report engine prints a unit as 1/25 inch (1.016 mm): a layout comes
// out 1.6 % larger than its numbers read in millimetres.
inline constexpr double kUnitsPerInch = 25.0;
inline constexpr double kMmPerInch = 25.4;
// A4 portrait in millimetres.
inline constexpr double kA4WidthMm = 210.0;
inline constexpr double kA4HeightMm = 297.0;

enum class ReportControlKind {
  fixed_text,     // a text of its own
  variable_text,  // a variable through a picture, on one line
  text,           // a variable's text word-wrapped inside its area and cut at its bottom
  box,
  line,
};

struct ReportControl {
  ReportControlKind kind = ReportControlKind::fixed_text;
  std::string label;
  std::string text;
  std::string picture;
  Variable variable;
  double x = 0, y = 0;  // within the band
  double width = ui::kDefaultSize, height = ui::kDefaultSize;  // kDefaultSize: sized to the text
  FontDecl font;        // inherits the band's
  std::optional<Rgb> color;  // lines and box borders
  std::optional<Rgb> fill;   // boxes
  Align align = Align::left;
  bool transparent = false;
};

enum class BandKind { header, detail, footer, form };

struct Band {
  BandKind kind = BandKind::detail;
  std::string label;
  double x = 0, y = 0, width = 0, height = 0;  // on the page; details take the body's x and width
  FontDecl font;                                // inherits the report's
  std::vector<ReportControl> controls;
};

struct ReportDecl {
  FontDecl font{"Arial", 10, false, std::nullopt};
  double body_x = 0, body_y = 0, body_width = 0, body_height = 0;
  std::vector<Band> bands;

  // Appends a band; returns its number.
  int add_band(Band b);
  // Appends a control to the last band added; returns its number.
  // REQUIRES: a band was added.
  int add(ReportControl c);
  // The band of number `n`, or nullptr when `n` is no band.
  const Band* band(int n) const;
  const Band* band_of_kind(BandKind k) const;

 private:
  std::vector<int> band_numbers_;  // number of each band
  int next_number_ = 1;
};

}  // namespace report
