#include "platform/report/print_preview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include "platform/report/report_decl.h"

namespace report {
namespace {

constexpr int kZoomSteps[] = {50, 75, 100, 150, 200};
constexpr double kScreenDpi = 96.0;
constexpr const char* kPdfTarget = "PDF file...";

// The preview's top-level window: closing it ends the preview's loop.
class PreviewWindow : public QWidget {
 public:
  std::function<void()> on_close;

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->accept();
    if (on_close) on_close();
  }
};

std::optional<long> known(int value, bool valid) {
  return valid ? std::optional<long>(value) : std::nullopt;
}

}  // namespace

PrintPreviewClass::~PrintPreviewClass() { close(); }

bool PrintPreviewClass::Display(const std::vector<Page>& pages) {
  open(pages);
  QEventLoop loop;
  auto* w = static_cast<PreviewWindow*>(window_.data());
  w->on_close = [&loop] { loop.quit(); };
  loop.exec();
  close();
  return printed_;
}

void PrintPreviewClass::open(const std::vector<Page>& pages) {
  pages_ = pages;
  current_ = 1;
  printed_ = false;
  build();
  render();
}

void PrintPreviewClass::build() {
  auto* w = new PreviewWindow;
  window_ = w;
  w->setWindowTitle(QStringLiteral("Print Preview"));
  w->setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(w);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QToolBar(w);
  layout->addWidget(bar);
  bar->addAction(QStringLiteral("|<"), [this] { show_page(1); })->setToolTip("First page");
  bar->addAction(QStringLiteral("<"), [this] { previous_page(); })->setToolTip("Previous page");
  page_label_ = new QLabel(w);
  bar->addWidget(page_label_);
  bar->addAction(QStringLiteral(">"), [this] { next_page(); })->setToolTip("Next page");
  bar->addAction(QStringLiteral(">|"), [this] { show_page(page_count()); })->setToolTip("Last page");
  bar->addSeparator();
  zoom_box_ = new QComboBox(w);
  zoom_box_->addItem(QStringLiteral("Page width"), kZoomPageWidth);
  for (int z : kZoomSteps) zoom_box_->addItem(QString::number(z) + "%", z);
  zoom_box_->setEnabled(user_zoom_);
  connect(zoom_box_, &QComboBox::activated, this,
          [this](int index) { set_zoom(zoom_box_->itemData(index).toInt()); });
  bar->addWidget(zoom_box_);
  bar->addSeparator();
  bar->addAction(QStringLiteral("Print..."), [this] { user_print(); });
  bar->addAction(QStringLiteral("Close"), [w] { w->close(); });
  scroll_ = new QScrollArea(w);
  scroll_->setAlignment(Qt::AlignHCenter);
  scroll_->setBackgroundRole(QPalette::Dark);
  canvas_ = new QLabel;
  scroll_->setWidget(canvas_);
  layout->addWidget(scroll_);
  restore_placement(w, kPreviewSection, QSize(900, 1000));
}

void PrintPreviewClass::close() {
  if (!window_) return;
  save_placement(window_, kPreviewSection);
  QWidget* w = window_;
  window_ = nullptr;
  static_cast<PreviewWindow*>(w)->on_close = nullptr;
  w->hide();
  delete w;
}

void PrintPreviewClass::show_page(int page) {
  current_ = std::clamp(page, 1, std::max(1, page_count()));
  render();
}

void PrintPreviewClass::set_zoom(int percent) {
  zoom_ = percent <= 0 ? kZoomPageWidth : std::clamp(percent, 10, 400);
  render();
}

QImage PrintPreviewClass::shown_image() const {
  if (pages_.empty()) return {};
  double dpi = kScreenDpi * zoom_ / 100.0;
  if (zoom_ == kZoomPageWidth) {
    int width = scroll_ ? scroll_->viewport()->width() - 20 : 800;
    dpi = std::max(20.0, width / (kA4WidthMm / kMmPerInch));
  }
  QImage image = page_image(dpi);
  QPainter p(&image);
  render_page(p, pages_[current_ - 1]);
  return image;
}

void PrintPreviewClass::render() {
  if (!window_) return;
  page_label_->setText(QStringLiteral(" Page %1 of %2 ").arg(current_).arg(page_count()));
  QImage image = shown_image();
  canvas_->setPixmap(QPixmap::fromImage(image));
  canvas_->resize(image.size());
}

void PrintPreviewClass::restore_placement(QWidget* w, const char* section, QSize default_size) {
  QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                  : QRect(0, 0, 1024, 768);
  QRect r(QPoint(0, 0), default_size.boundedTo(screen.size()));
  r.moveCenter(screen.center());
  bool maximize = false, minimize = false;
  if (ini_ != nullptr) {
    auto x = ini_->FetchNumber(section, "XPos"), y = ini_->FetchNumber(section, "YPos");
    auto width = ini_->FetchNumber(section, "Width"), height = ini_->FetchNumber(section, "Height");
    if (x && y) r.moveTopLeft(QPoint(static_cast<int>(*x), static_cast<int>(*y)));
    if (width && height && *width > 0 && *height > 0) {
      r.setSize(QSize(static_cast<int>(*width), static_cast<int>(*height)));
    }
    maximize = ini_->Fetch(section, "Maximize") == "Yes";
    minimize = ini_->Fetch(section, "Minimize") == "Yes";
  }
  w->setGeometry(r);
  if (maximize) {
    w->showMaximized();
  } else if (minimize) {
    w->showMinimized();
  } else {
    w->show();
  }
}

void PrintPreviewClass::save_placement(QWidget* w, const char* section) {
  if (ini_ == nullptr) return;
  QRect r = w->isMaximized() || w->isMinimized() ? w->normalGeometry() : w->geometry();
  bool valid = r.isValid();
  ini_->Update(section, "Maximize", std::optional<std::string>(w->isMaximized() ? "Yes" : "No"));
  ini_->Update(section, "Minimize", std::optional<std::string>(w->isMinimized() ? "Yes" : "No"));
  ini_->Update(section, "XPos", known(r.x(), valid));
  ini_->Update(section, "YPos", known(r.y(), valid));
  ini_->Update(section, "Width", known(r.width(), valid));
  ini_->Update(section, "Height", known(r.height(), valid));
}

bool PrintPreviewClass::ask_pages(PrintChoice* choice) {
  QDialog dialog(window_);
  dialog.setWindowTitle(QStringLiteral("Print"));
  auto* form = new QFormLayout(&dialog);
  auto* target = new QComboBox(&dialog);
  QString default_printer = QPrinterInfo::defaultPrinterName();
  for (const QString& name : QPrinterInfo::availablePrinterNames()) target->addItem(name, name);
  target->addItem(QString::fromLatin1(kPdfTarget), QString());
  int d = target->findData(default_printer);
  target->setCurrentIndex(d >= 0 ? d : 0);
  auto* from = new QSpinBox(&dialog);
  auto* to = new QSpinBox(&dialog);
  from->setRange(1, std::max(1, page_count()));
  to->setRange(1, std::max(1, page_count()));
  from->setValue(1);
  to->setValue(page_count());
  form->addRow(QStringLiteral("Printer:"), target);
  form->addRow(QStringLiteral("From page:"), from);
  form->addRow(QStringLiteral("To page:"), to);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  restore_placement(&dialog, kAskPagesSection, dialog.sizeHint());
  bool ok = dialog.exec() == QDialog::Accepted;
  save_placement(&dialog, kAskPagesSection);
  if (!ok) return false;
  choice->first = std::min(from->value(), to->value());
  choice->last = std::max(from->value(), to->value());
  choice->printer = target->currentData().toString().toStdString();
  choice->pdf_path.clear();
  if (choice->printer.empty()) {
    QString path = QFileDialog::getSaveFileName(window_, QStringLiteral("Print to PDF"),
                                                QStringLiteral("report.pdf"),
                                                QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return false;
    choice->pdf_path = path.toStdString();
  }
  return true;
}

void PrintPreviewClass::user_print() {
  PrintChoice choice;
  if (ask_pages(&choice)) print(choice);
}

bool PrintPreviewClass::print(const PrintChoice& choice) {
  bool ok = false;
  if (!choice.pdf_path.empty()) {
    ok = write_pdf(pages_, choice.pdf_path, choice.first, choice.last);
  } else {
    QPrinter printer(QPrinter::HighResolution);
    if (!choice.printer.empty()) printer.setPrinterName(QString::fromStdString(choice.printer));
    ok = printer.isValid() && print_pages(pages_, printer, choice.first, choice.last);
  }
  printed_ |= ok;
  return ok;
}

bool print_pages(const std::vector<Page>& pages, QPrinter& printer, int first, int last) {
  last = std::min(last, static_cast<int>(pages.size()));
  first = std::max(first, 1);
  if (first > last) return false;
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setFullPage(true);
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  for (int p = first; p <= last; ++p) {
    if (p > first) printer.newPage();
    render_page(painter, pages[p - 1]);
  }
  return painter.end();
}

}  // namespace report
