#include "platform/report/report_manager.h"

#include <QElapsedTimer>
#include <QPrinter>

#include "platform/app/message_table.h"

namespace report {

ui::WindowDecl progress_window(ui::Variable thermometer) {
  ui::WindowDecl w;
  w.caption = "Progress...";
  w.width = 142, w.height = 59;
  w.timer = 1;  // the manager sets its own interval when the run starts
  w.add(ui::progress_bar(std::move(thermometer)).at(15, 15, 111, 12).range(0, 100));
  w.add(ui::fixed_text("").at(0, 3, 141, 10).centered());
  w.add(ui::fixed_text("").at(0, 30, 141, 10).centered());
  w.add(ui::button("Cancel").at(45, 42, 50, 15));
  return w;
}

void ReportManager::Init(RecordProcess& process, Report& report, PrintPreviewClass* preview) {
  process_ = &process;
  report_ = &report;
  preview_ = preview;
  records_ = 0;
  batch_ = 1;
  opened_ = false;
  report.Open();
}

int ReportManager::TakeWindowEvent() {
  int result = WindowManager::TakeWindowEvent();
  if (result != ui::kLevelBenign || process_ == nullptr) return result;
  if (event() == ui::kEventOpenWindow) {
    int error = process_->Open();
    if (error != 0) {
      if (Errors) Errors->Throw(platform::kMsgViewOpenError);
      Response = ui::kResponseCancelled;
      return ui::kLevelFatal;
    }
    opened_ = true;
    return ui::kLevelBenign;
  }
  if (event() == ui::kEventTimer && opened_) return take_batch();
  return result;
}

int ReportManager::take_batch() {
  QElapsedTimer clock;
  clock.start();
  for (int n = 0; n < batch_; ++n) {
    int r = process_->Next();
    if (r == kRecordEnd) return finish();
    if (r != kRecordRead) {
      if (Errors) Errors->Throw(platform::kMsgRetrieveError);
      Response = ui::kResponseCancelled;
      return ui::kLevelFatal;
    }
    ++records_;
    if (process_->TakeRecord() == ui::kLevelFatal) {
      Response = ui::kResponseCancelled;
      return ui::kLevelFatal;
    }
  }
  // Keep each batch inside its time slice: grow while quick, shrink when slow.
  if (clock.elapsed() * 2 < TimeSliceMs) {
    batch_ = std::min(batch_ * 2, 1 << 16);
  } else if (clock.elapsed() > TimeSliceMs) {
    batch_ = std::max(1, batch_ / 2);
  }
  show_progress();
  return ui::kLevelBenign;
}

void ReportManager::show_progress() {
  int percent = std::clamp(process_->Percent(), 0, 100);
  Thermometer.set(ui::Value::of_number(percent));
  if (window() && PercentControl != 0) {
    window()->set_text(PercentControl, std::to_string(percent) + "% Complete");
  }
  if (window()) window()->display();
}

int ReportManager::finish() {
  if (records_ == 0) {
    if (Errors) Errors->Throw(platform::kMsgNoRecords);
    Response = ui::kResponseCancelled;
    return ui::kLevelFatal;
  }
  Response = ui::kResponseCompleted;
  report_->Close();
  if (window()) window()->close();  // the progress window goes before the preview opens
  Preview();
  return ui::kLevelFatal;
}

void ReportManager::Preview() {
  if (!SkipPreview && preview_ != nullptr) {
    preview_->Display(report_->pages());
    return;
  }
  QPrinter printer(QPrinter::HighResolution);
  if (printer.isValid()) print_pages(report_->pages(), printer, 1, report_->page_count());
}

int ReportManager::Kill() {
  if (process_ != nullptr && opened_) process_->Close();
  opened_ = false;
  return WindowManager::Kill();
}

}  // namespace report
