// The small widgets behind the simple control kinds: entries with pictures,
// multi-line text boxes with a length limit, lines, boxes and tabbed sheets.
#pragma once

#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QValidator>

#include "platform/ui/list_format.h"
#include "platform/ui/picture.h"

namespace ui {

// Lets through only what the picture can hold while the user types.
class PictureValidator : public QValidator {
 public:
  PictureValidator(Picture picture, QObject* parent) : QValidator(parent), picture_(picture) {}
  State validate(QString& input, int& pos) const override;

 private:
  Picture picture_;
};

class EntryField : public QLineEdit {
 public:
  EntryField(const Picture& picture, bool overwrite, QWidget* parent);
  bool overwrite() const { return overwrite_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  bool overwrite_;
};

// Refuses text beyond its maximum length, whether typed or pasted.
class TextBox : public QPlainTextEdit {
 public:
  TextBox(int max_length, QWidget* parent);
  int max_length() const { return max_length_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  int room() const;
  int max_length_;  // 0: no limit
};

// A straight line from the widget's top-left corner towards its bottom-right;
// a zero width or height gives a horizontal or vertical line.
class LineWidget : public QWidget {
 public:
  LineWidget(QColor color, QWidget* parent);
  void set_direction(bool horizontal, bool vertical) { horizontal_ = horizontal, vertical_ = vertical; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor color_;
  bool horizontal_ = true;
  bool vertical_ = false;
};

class BoxWidget : public QWidget {
 public:
  BoxWidget(std::optional<QColor> border, std::optional<QColor> fill, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::optional<QColor> border_, fill_;
};

// Tabs of a fixed width (or sized to their text when the width is 0).
class SheetTabBar : public QTabBar {
 public:
  SheetTabBar(int tab_width_px, QWidget* parent) : QTabBar(parent), width_(tab_width_px) {}

 protected:
  QSize tabSizeHint(int index) const override;

 private:
  int width_;
};

// A sheet: the tab bar above a raised panel. Controls on its tabs are not its
// children: they sit on the window at window positions, shown with their tab.
class SheetWidget : public QFrame {
 public:
  SheetWidget(int tab_width_px, std::optional<QColor> background, QWidget* parent);
  SheetTabBar* tabs() const { return tabs_; }

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  SheetTabBar* tabs_;
  std::optional<QColor> background_;
};

}  // namespace ui
