#include "platform/report/page.h"

#include <QFontMetricsF>
#include <QPdfWriter>
#include <QTextLayout>

#include "platform/report/report_decl.h"

namespace report {
namespace {

constexpr int kPdfResolution = 1200;

QFont item_font(const PageItem& item) {
  QFont f(item.family);
  f.setPointSizeF(item.points);
  f.setBold(item.bold);
  // Outlines unhinted: the same text breaks into the same lines at every
  // resolution, so the preview shows what the printer prints.
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

QRectF to_device(const QRectF& units, double dpi) {
  double s = dpi / kUnitsPerInch;
  return QRectF(units.x() * s, units.y() * s, units.width() * s, units.height() * s);
}

}  // namespace

std::vector<QString> wrapped_lines(const PageItem& item, QPaintDevice* device) {
  QRectF area = to_device(item.rect, device->logicalDpiY());
  QFont font = item_font(item);
  std::vector<QString> lines;
  qreal y = 0;
  for (const QString& paragraph : item.text.split('\n')) {
    QTextLayout layout(paragraph, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(area.width());
      if (y + line.height() > area.height() + 0.01) {
        layout.endLayout();
        return lines;  // the area is full: the rest is not printed
      }
      y += line.height();
      lines.push_back(paragraph.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
  }
  return lines;
}

void render_page(QPainter& painter, const Page& page) {
  double dpi = painter.device()->logicalDpiY();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  double px_per_unit = dpi / kUnitsPerInch;
  for (const PageItem& item : page.items) {
    QRectF r = to_device(item.rect, dpi);
    switch (item.kind) {
      case PageItem::Kind::box:
        if (item.fill) painter.fillRect(r, *item.fill);
        painter.setPen(QPen(item.color, std::max(1.0, px_per_unit * 0.2)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r);
        break;
      case PageItem::Kind::line:
        painter.setPen(QPen(item.color, std::max(1.0, px_per_unit * 0.2)));
        painter.drawLine(r.topLeft(), r.bottomRight());
        break;
      case PageItem::Kind::text: {
        QFont font = item_font(item);
        painter.setFont(font);
        painter.setPen(item.color);
        if (!item.wrap) {
          QFontMetricsF m(font, painter.device());
          if (r.width() < 0) r.setWidth(m.horizontalAdvance(item.text) + 1);
          if (r.height() < 0) r.setHeight(m.height());
          painter.save();
          painter.setClipRect(r);
          painter.drawText(r, item.align | Qt::AlignTop, item.text);
          painter.restore();
          break;
        }
        qreal y = r.top();
        for (const QString& line : wrapped_lines(item, painter.device())) {
          QTextLayout layout(line, font, painter.device());
          layout.beginLayout();
          QTextLine l = layout.createLine();
          l.setLineWidth(r.width());
          l.setPosition(QPointF(0, 0));
          layout.endLayout();
          layout.draw(&painter, QPointF(r.left(), y));
          y += l.height();
        }
        break;
      }
    }
  }
  painter.restore();
}

QImage page_image(double dpi) {
  double inches_w = kA4WidthMm / kMmPerInch, inches_h = kA4HeightMm / kMmPerInch;
  QImage image(static_cast<int>(inches_w * dpi + 0.5), static_cast<int>(inches_h * dpi + 0.5),
               QImage::Format_RGB32);
  int dots_per_meter = static_cast<int>(dpi / 0.0254 + 0.5);
  image.setDotsPerMeterX(dots_per_meter);
  image.setDotsPerMeterY(dots_per_meter);
  image.fill(Qt::white);
  return image;
}

bool write_pdf(const std::vector<Page>& pages, const std::string& path, int first, int last) {
  if (last < 0 || last > static_cast<int>(pages.size())) last = static_cast<int>(pages.size());
  first = std::max(first, 1);
  QPdfWriter pdf(QString::fromStdString(path));
  pdf.setPageSize(QPageSize(QPageSize::A4));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setResolution(kPdfResolution);
  pdf.setTitle(QStringLiteral("Report"));
  QPainter painter;
  if (!painter.begin(&pdf)) return false;
  for (int p = first; p <= last; ++p) {
    if (p > first) pdf.newPage();
    render_page(painter, pages[p - 1]);
  }
  return painter.end();
}

}  // namespace report
