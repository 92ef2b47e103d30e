// Runs a report: a progress window whose timer events read records in
// batches (so the window stays responsive and "Cancel" works), each record
// printed by the process, then the pages shown in the print preview.
#pragma once

#include "platform/report/print_preview.h"
#include "platform/report/report.h"
#include "platform/ui/window_manager.h"

namespace report {

// Results of RecordProcess::Next besides an error number.
inline constexpr int kRecordRead = 0;
inline constexpr int kRecordEnd = -1;

// What a report reads. The data-bound process implements it over a view.
class RecordProcess {
 public:
  virtual ~RecordProcess() = default;
  // Positions before the first record: 0, or an error number.
  virtual int Open() = 0;
  // Reads the next record: kRecordRead, kRecordEnd past the last one, or an
  // error number.
  virtual int Next() = 0;
  // Handles the record just read, usually by printing the detail band.
  // kLevelFatal stops the run.
  virtual int TakeRecord() = 0;
  // How far the run has got, 0 to 100.
  virtual int Percent() const = 0;
  virtual void Close() = 0;
};

// Controls of the standard progress window.
inline constexpr int kProgressBar = 1;
inline constexpr int kProgressUserString = 2;
inline constexpr int kProgressPercentText = 3;
inline constexpr int kProgressCancel = 4;
inline constexpr int kProgressTimerHundredths = 10;

// The progress window: caption "Progress...", 142 x 59 units, a bar bound to
// `thermometer` (0..100), a line of text, the percentage text and "Cancel".
ui::WindowDecl progress_window(ui::Variable thermometer);

class ReportManager : public ui::WindowManager {
 public:
  using WindowManager::Init;
  // Attaches what the run uses and starts a fresh report.
  // REQUIRES: all three outlive the run; `preview` may be null when
  // SkipPreview is set.
  void Init(RecordProcess& process, Report& report, PrintPreviewClass* preview);

  // The open event positions the process; timer events read batches.
  int TakeWindowEvent() override;
  int Kill() override;
  // Shows the finished pages; the base runs the preview (or prints at once
  // when SkipPreview is set).
  virtual void Preview();

  bool SkipPreview = false;
  int PercentControl = 0;        // shows "N% Complete"
  ui::Variable Thermometer;      // receives the percentage
  int TimeSliceMs = 80;          // a batch ends once it has used this much time
  int records() const { return records_; }

 private:
  int take_batch();
  int finish();
  void show_progress();

  RecordProcess* process_ = nullptr;
  Report* report_ = nullptr;
  PrintPreviewClass* preview_ = nullptr;
  int records_ = 0;
  int batch_ = 1;
  bool opened_ = false;
};

}  // namespace report
