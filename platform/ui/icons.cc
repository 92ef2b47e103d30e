#include "platform/ui/icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace ui {
namespace {

// Every drawing works on a 32 x 32 canvas; the engine scales it.
using Drawing = std::function<void(QPainter&)>;

const QColor kGreen(46, 160, 67);
const QColor kDarkGreen(25, 110, 40);
const QColor kRed(205, 45, 45);
const QColor kDarkRed(140, 25, 25);

void draw_check(QPainter& p, const QColor& color, qreal width) {
  QPainterPath tick;
  tick.moveTo(8, 17);
  tick.lineTo(14, 23);
  tick.lineTo(25, 9);
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(tick);
}

void draw_ok_round(QPainter& p) {
  QRadialGradient g(13, 11, 18);
  g.setColorAt(0, kGreen.lighter(130));
  g.setColorAt(1, kGreen);
  p.setPen(QPen(kDarkGreen, 1.5));
  p.setBrush(g);
  p.drawEllipse(QRectF(2, 2, 28, 28));
  draw_check(p, Qt::white, 4);
}

void draw_ok_tick(QPainter& p) {
  draw_check(p, kDarkGreen, 7);
  draw_check(p, kGreen, 4.5);
}

void draw_no(QPainter& p) {
  QRadialGradient g(13, 11, 18);
  g.setColorAt(0, kRed.lighter(130));
  g.setColorAt(1, kRed);
  p.setPen(QPen(kDarkRed, 1.5));
  p.setBrush(g);
  p.drawEllipse(QRectF(2, 2, 28, 28));
  p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(10.5, 10.5), QPointF(21.5, 21.5));
  p.drawLine(QPointF(21.5, 10.5), QPointF(10.5, 21.5));
}

void draw_exit(QPainter& p) {
  // An open door with an arrow leaving through it.
  p.setPen(QPen(QColor(90, 60, 30), 1.5));
  p.setBrush(QColor(160, 110, 60));
  p.drawRect(QRectF(4, 3, 15, 26));
  p.setBrush(QColor(120, 80, 40));
  QPolygonF leaf({QPointF(4, 3), QPointF(13, 6), QPointF(13, 31), QPointF(4, 29)});
  p.drawPolygon(leaf);
  p.setBrush(QColor(240, 200, 80));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QRectF(10, 16, 2.5, 2.5));
  QPainterPath arrow;
  arrow.moveTo(15, 14);
  arrow.lineTo(23, 14);
  arrow.lineTo(23, 9);
  arrow.lineTo(31, 17);
  arrow.lineTo(23, 25);
  arrow.lineTo(23, 20);
  arrow.lineTo(15, 20);
  arrow.closeSubpath();
  p.setPen(QPen(kDarkRed, 1.2));
  p.setBrush(kRed);
  p.drawPath(arrow);
}

void draw_print_preview(QPainter& p) {
  // A printer with a sheet coming out and a magnifying glass over it.
  p.setPen(QPen(QColor(70, 70, 70), 1.2));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8, 2, 14, 10));
  p.setBrush(QColor(150, 155, 165));
  p.drawRoundedRect(QRectF(2, 10, 26, 11), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7, 17, 16, 12));
  p.setPen(QPen(QColor(70, 110, 190), 1));
  for (int y : {20, 23, 26}) p.drawLine(QPointF(9, y), QPointF(20, y));
  p.setPen(QPen(QColor(60, 60, 60), 3.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(25, 25), QPointF(30.5, 30.5));
  p.setPen(QPen(QColor(40, 40, 40), 1.8));
  p.setBrush(QColor(200, 230, 255, 200));
  p.drawEllipse(QRectF(15.5, 15.5, 11, 11));
}

void draw_edit_file(QPainter& p) {
  // A page with a folded corner and a pencil across it.
  QPolygonF page({QPointF(5, 2), QPointF(19, 2), QPointF(26, 9), QPointF(26, 30), QPointF(5, 30)});
  p.setPen(QPen(QColor(80, 80, 80), 1.2));
  p.setBrush(Qt::white);
  p.drawPolygon(page);
  p.setBrush(QColor(215, 215, 215));
  p.drawPolygon(QPolygonF({QPointF(19, 2), QPointF(19, 9), QPointF(26, 9)}));
  p.setPen(QPen(QColor(70, 110, 190), 1));
  for (int y : {12, 16, 20, 24}) p.drawLine(QPointF(8, y), QPointF(22, y));
  p.save();
  p.translate(20, 20);
  p.rotate(-45);
  p.setPen(QPen(QColor(120, 70, 20), 1));
  p.setBrush(QColor(245, 170, 40));
  p.drawRect(QRectF(-3, -13, 6, 18));
  p.setBrush(QColor(230, 120, 130));
  p.drawRect(QRectF(-3, -16, 6, 3));
  p.setBrush(QColor(240, 210, 160));
  p.drawPolygon(QPolygonF({QPointF(-3, 5), QPointF(3, 5), QPointF(0, 11)}));
  p.restore();
}

class DrawnIconEngine : public QIconEngine {
 public:
  explicit DrawnIconEngine(Drawing draw) : draw_(std::move(draw)) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / 32.0, rect.height() / 32.0);
    if (mode == QIcon::Disabled) painter->setOpacity(0.4);
    draw_(*painter);
    painter->restore();
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }
  QIconEngine* clone() const override { return new DrawnIconEngine(draw_); }

 private:
  Drawing draw_;
};

struct NamedDrawing {
  const char* name;
  void (*draw)(QPainter&);
};

constexpr NamedDrawing kIcons[] = {
    {"OK04_ICO", draw_ok_round},           {"OK01_ICO", draw_ok_tick},
    {"SALIR_ICO", draw_exit},              {"NO01_ICO", draw_no},
    {"IMPPREV_ICO", draw_print_preview},   {"EDIT FILE_ICO", draw_edit_file},
};

}  // namespace

std::string icon_resource_name(const std::string& icon_file) {
  std::string upper;
  for (char c : icon_file) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  size_t slash = upper.find_last_of("\\/");
  size_t dot = upper.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return upper + "_ICO";
  }
  return upper.substr(0, dot) + "_ICO";
}

QIcon program_icon(const std::string& resource_name) {
  std::string base = resource_name.substr(resource_name.find_last_of("\\/") + 1);
  for (const NamedDrawing& d : kIcons) {
    if (base == d.name) return QIcon(new DrawnIconEngine(d.draw));
  }
  return QIcon();
}

}  // namespace ui
