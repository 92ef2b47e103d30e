#include "platform/ui/fonts.h"

#include <QApplication>
#include <QStyleFactory>

namespace ui {
namespace {

struct Substitute {
  const char* named;
  const char* installed;
};

constexpr Substitute kSubstitutes[] = {
    {"Calibri", "Carlito"},
    {"Arial", "Liberation Sans"},
    {"Consolas", "Liberation Mono"},
    {"Courier New", "Liberation Mono"},
    {"Times New Roman", "Liberation Serif"},
};

QString installed_face(const std::string& name) {
  QString n = QString::fromStdString(name);
  for (const Substitute& s : kSubstitutes) {
    if (n.compare(QLatin1String(s.named), Qt::CaseInsensitive) == 0) {
      return QString::fromLatin1(s.installed);
    }
  }
  return n;
}

}  // namespace

void initialise_look() {
  for (const Substitute& s : kSubstitutes) {
    QFont::insertSubstitution(QString::fromLatin1(s.named), QString::fromLatin1(s.installed));
  }
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
    QApplication::setStyle(fusion);
  }
}

QFont make_font(const std::string& name, double points, bool bold) {
  QFont f(installed_face(name));
  f.setPointSizeF(points > 0 ? points : 8);
  f.setBold(bold);
  return f;
}

}  // namespace ui
