// The print preview: shows the pages of a report, zooms, moves between pages
// and prints them to a system printer or a PDF file. Its window placement,
// and that of the window asking which pages to print, are restored from and
// saved to the settings file.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/app/settings_file.h"
#include "platform/report/page.h"

class QLabel;
class QScrollArea;
class QComboBox;
class QPrinter;

namespace report {

inline constexpr const char* kPreviewSection = "_PreviewWindow_";
inline constexpr const char* kAskPagesSection = "_PreviewAskPagesWindow_";
// The zoom that fits the page's width into the window.
inline constexpr int kZoomPageWidth = 0;

struct PrintChoice {
  int first = 1, last = 1;
  std::string printer;   // a system printer's name; empty with a pdf_path
  std::string pdf_path;  // print into this PDF file instead
};

class PrintPreviewClass : public QObject {
  Q_OBJECT
 public:
  PrintPreviewClass() = default;
  ~PrintPreviewClass() override;

  // REQUIRES: `ini` outlives the preview. Without one nothing is kept.
  void SetINIManager(platform::INIClass* ini) { ini_ = ini; }
  void AllowUserZoom(bool allow) { user_zoom_ = allow; }

  // Shows `pages` and waits until the user closes the preview; returns true
  // when something was printed.
  bool Display(const std::vector<Page>& pages);

  // The steps Display is made of, for callers that drive the preview.
  void open(const std::vector<Page>& pages);
  void close();  // saves the placement
  bool is_open() const { return window_ != nullptr; }
  QWidget* window() const { return window_; }

  int page_count() const { return static_cast<int>(pages_.size()); }
  int current_page() const { return current_; }
  void show_page(int page);  // clamped to 1..page_count()
  void next_page() { show_page(current_ + 1); }
  void previous_page() { show_page(current_ - 1); }
  // Percent of the page's natural size, or kZoomPageWidth.
  void set_zoom(int percent);
  int zoom() const { return zoom_; }
  // The image of the current page as shown.
  QImage shown_image() const;

  // Prints pages choice.first..choice.last where the choice says. Returns
  // false when nothing could be printed.
  bool print(const PrintChoice& choice);
  // Asks which pages and where (the ask-pages window); false when cancelled.
  bool ask_pages(PrintChoice* choice);

 private:
  void build();
  void render();
  void restore_placement(QWidget* w, const char* section, QSize default_size);
  void save_placement(QWidget* w, const char* section);
  void user_print();

  std::vector<Page> pages_;
  QPointer<QWidget> window_;
  QScrollArea* scroll_ = nullptr;
  QLabel* canvas_ = nullptr;
  QLabel* page_label_ = nullptr;
  QComboBox* zoom_box_ = nullptr;
  platform::INIClass* ini_ = nullptr;
  bool user_zoom_ = true;
  int current_ = 1;
  int zoom_ = kZoomPageWidth;
  bool printed_ = false;
};

// Prints pages first..last (1-based) on `printer`.
bool print_pages(const std::vector<Page>& pages, QPrinter& printer, int first, int last);

}  // namespace report
