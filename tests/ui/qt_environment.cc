#include "tests/ui/qt_environment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <cstdlib>

#include "platform/ui/fonts.h"

namespace testing_ui {
namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
    ui::initialise_look();
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

std::string screenshot_path(const std::string& name) {
  const char* dir = std::getenv("QV_SCREENSHOT_DIR");
  QString base = dir != nullptr && dir[0] != '\0' ? QString::fromLocal8Bit(dir) : QDir::tempPath();
  return (base + "/" + QString::fromStdString(name)).toStdString();
}

QImage save_screenshot(QWidget* w, const std::string& name) {
  QImage image = w->grab().toImage();
  image.save(QString::fromStdString(screenshot_path(name)), "PNG");
  return image;
}

bool wait_until(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace testing_ui
