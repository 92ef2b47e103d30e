// One QApplication for the whole test program (offscreen platform), with the
// program's fonts and look installed.
#pragma once

#include <QImage>
#include <QWidget>
#include <string>

namespace testing_ui {

// Where screenshots go: $QV_SCREENSHOT_DIR when set, else the temp directory.
std::string screenshot_path(const std::string& name);
// Renders `w` with its children and saves it as PNG; returns the image.
QImage save_screenshot(QWidget* w, const std::string& name);
// Runs the event loop until `done` holds or `ms` milliseconds pass.
bool wait_until(const std::function<bool()>& done, int ms = 2000);

}  // namespace testing_ui
