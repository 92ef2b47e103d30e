// Shows the error manager's messages as modal boxes with the exact buttons,
// default button and icon asked for.
#pragma once

#include "platform/app/error_manager.h"

class QMessageBox;

namespace ui {

class QtMessagePresenter : public platform::MessagePresenter {
 public:
  int show(const platform::MessageBox& box) override;
  // Ends the process at once with `exit_code`: nothing after a fatal error
  // is trusted to run.
  void end_program(int exit_code) override;
};

// The captions of the buttons by value ("&Yes" for kButtonYes ...).
const char* button_caption(int button);

}  // namespace ui
