// A printed page as a list of drawing items in report units, filled by the
// report engine and drawn on any device: the preview's image, a PDF file or a
// printer.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace report {

struct PageItem {
  enum class Kind { text, box, line };
  Kind kind = Kind::text;
  QRectF rect;          // units; a text's width or height below 0: sized to the text
  QString text;
  QString family;       // installed face
  double points = 10;
  bool bold = false;
  int align = Qt::AlignLeft;
  bool wrap = false;    // word-wrapped inside rect, only whole lines that fit
  QColor color = Qt::black;
  std::optional<QColor> fill;
};

struct Page {
  std::vector<PageItem> items;
};

// Draws `page` with `painter`, whose origin is the paper's top-left corner;
// the device's resolution (logical dots per inch) sets the scale.
void render_page(QPainter& painter, const Page& page);

// The lines of a wrapped text item that fit inside its area on `device`
// (what does not fit is not printed).
std::vector<QString> wrapped_lines(const PageItem& item, QPaintDevice* device);

// A white A4 page image at `dpi`, ready for render_page.
QImage page_image(double dpi);

// Writes pages `first`..`last` (1-based, inclusive) to an A4 PDF file.
// Returns false when the file could not be written.
bool write_pdf(const std::vector<Page>& pages, const std::string& path, int first = 1,
               int last = -1);

}  // namespace report
