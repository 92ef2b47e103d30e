#include "platform/report/report.h"

#include <algorithm>

#include "platform/ui/fonts.h"
#include "platform/ui/picture.h"

namespace report {
namespace {

// The paper's height in report units.
constexpr double kPageHeightUnits = kA4HeightMm / kMmPerInch * kUnitsPerInch;

QColor colour(const std::optional<Rgb>& c, QColor fallback) {
  return c ? QColor(c->r, c->g, c->b) : fallback;
}

int qt_align(Align a) {
  switch (a) {
    case Align::center: return Qt::AlignHCenter;
    case Align::right:
    case Align::decimal: return Qt::AlignRight;
    case Align::left: break;
  }
  return Qt::AlignLeft;
}

FontDecl inherit(const FontDecl& outer, const FontDecl& inner) {
  FontDecl f = outer;
  if (!inner.name.empty()) f.name = inner.name;
  if (inner.points > 0) f.points = inner.points;
  if (inner.bold) f.bold = inner.bold;
  if (inner.color) f.color = inner.color;
  return f;
}

std::string control_text(const ReportControl& c) {
  if (c.kind == ReportControlKind::fixed_text) return c.text;
  ui::Picture p = ui::Picture::parse(c.picture).value_or(ui::Picture());
  return p.format(c.variable.get());
}

}  // namespace

void Report::Open() {
  pages_.clear();
  page_open_ = false;
  cursor_y_ = decl_.body_y;
}

double Report::body_bottom() const {
  // The body as declared may reach past the paper once units are scaled;
  // nothing is placed where the paper has ended.
  return std::min(decl_.body_y + decl_.body_height, kPageHeightUnits);
}

void Report::start_page() {
  pages_.push_back(Page{});
  page_open_ = true;
  cursor_y_ = decl_.body_y;
  if (const Band* form = decl_.band_of_kind(BandKind::form)) {
    place(*form, form->x, form->y);
  }
  if (const Band* header = decl_.band_of_kind(BandKind::header)) {
    place(*header, header->x, header->y);
  }
}

void Report::end_page() {
  if (!page_open_) return;
  if (const Band* footer = decl_.band_of_kind(BandKind::footer)) {
    place(*footer, footer->x, footer->y);
  }
  page_open_ = false;
}

bool Report::Print(int number) {
  const Band* band = decl_.band(number);
  if (band == nullptr) return false;
  if (band->kind != BandKind::detail) {
    if (!page_open_) start_page();
    place(*band, band->x, band->y);
    return true;
  }
  if (!page_open_) start_page();
  bool fresh_page = cursor_y_ == decl_.body_y;
  if (cursor_y_ + band->height > body_bottom() + 1e-9 && !fresh_page) {
    end_page();
    start_page();
  }
  // A band taller than the whole body still prints, cut by the page.
  place(*band, decl_.body_x, cursor_y_);
  cursor_y_ += band->height;
  return true;
}

void Report::Close() { end_page(); }

void Report::place(const Band& band, double x, double y) {
  FontDecl band_font = inherit(decl_.font, band.font);
  Page& page = pages_.back();
  for (const ReportControl& c : band.controls) {
    PageItem item;
    item.rect = QRectF(x + c.x, y + c.y, c.width, c.height);
    switch (c.kind) {
      case ReportControlKind::box:
        item.kind = PageItem::Kind::box;
        item.color = colour(c.color, Qt::black);
        if (c.fill) item.fill = colour(c.fill, Qt::white);
        break;
      case ReportControlKind::line:
        item.kind = PageItem::Kind::line;
        item.color = colour(c.color, Qt::black);
        break;
      case ReportControlKind::fixed_text:
      case ReportControlKind::variable_text:
      case ReportControlKind::text: {
        FontDecl f = inherit(band_font, c.font);
        item.kind = PageItem::Kind::text;
        item.text = QString::fromStdString(control_text(c));
        QFont qf = ui::make_font(f.name, f.points, f.bold.value_or(false));
        item.family = qf.family();
        item.points = f.points > 0 ? f.points : 10;
        item.bold = f.bold.value_or(false);
        item.color = colour(f.color, Qt::black);
        item.align = qt_align(c.align);
        item.wrap = c.kind == ReportControlKind::text;
        break;
      }
    }
    page.items.push_back(std::move(item));
  }
}

}  // namespace report
