// Shows the error manager's messages as modal boxes with the exact buttons,
// default button and icon asked for.
#pragma once

#include <functional>

#include "platform/app/error_manager.h"

class QMessageBox;

namespace ui {

class QtMessagePresenter : public platform::MessagePresenter {
 public:
  int show(const platform::MessageBox& box) override;
  // Runs the hook given to before_exit, then ends the process with
  // `exit_code`: nothing else after a fatal error is trusted to run.
  void end_program(int exit_code) override;
  // What must still happen when a fatal message ends the program (putting a
  // desktop setting back, say).
  void before_exit(std::function<void()> hook) { before_exit_ = std::move(hook); }

 private:
  std::function<void()> before_exit_;
};

// The captions of the buttons by value ("&Yes" for kButtonYes ...).
const char* button_caption(int button);

}  // namespace ui
