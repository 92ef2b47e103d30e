// How `tpsutil build` and `tpsutil pack` show a running key build and let
// the user stop it.
//
// The engine runs a build with progress events deferred: the build call
// posts it to the installed BuildEvents sink and returns, and operation 84
// then runs it, reporting each percentage back to the sink. BuildProgress is
// that sink for one command: it draws the progress and answers "stop" once
// the user has pressed Ctrl-C (or the test probe asks for it).
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "tps/errors/errors.h"
#include "tps/maint/build_events.h"

namespace tpsutil {

// Width of the bar between its brackets, in characters.
inline constexpr int kProgressBarWidth = 20;

// The progress line of `percent` (0..100): "[#####     ] 47%".
std::string progress_bar(int percent);

class BuildProgress final : public tps::BuildEvents {
 public:
  // Installs itself as the process's sink until destroyed. On a terminal the
  // bar is one line rewritten in place; elsewhere each new percentage is a
  // line of its own ("47%"), so logs stay readable.
  BuildProgress(std::ostream& out, bool terminal);
  ~BuildProgress() override;
  BuildProgress(const BuildProgress&) = delete;
  BuildProgress& operator=(const BuildProgress&) = delete;

  void build_posted(tps::DeclaredTable& table) override;
  bool build_progress(tps::DeclaredTable& table, int percent) override;
  void build_failed(tps::DeclaredTable& table, const tps::ErrorDetail& error) override;

  // The build was deferred and waits for operation 84.
  bool posted() const { return posted_; }
  // The user asked to stop the build.
  bool cancel_requested() const { return cancel_requested_; }
  // The engine fault that ended the deferred build, when one did.
  const std::optional<tps::ErrorDetail>& failure() const { return failure_; }
  // Ends the bar's line on a terminal, so later messages start on their own.
  void finish();

 private:
  tps::BuildEvents* previous_;
  std::ostream& out_;
  bool terminal_;
  bool posted_ = false;
  bool cancel_requested_ = false;
  bool line_open_ = false;
  int last_percent_ = -1;
  std::optional<tps::ErrorDetail> failure_;
};

// While alive, Ctrl-C asks the running build to stop at its next progress
// report instead of ending the program; a second Ctrl-C ends it as usual
// (the engine's commit keeps the file sound either way).
class InterruptToCancel {
 public:
  InterruptToCancel();
  ~InterruptToCancel();
  InterruptToCancel(const InterruptToCancel&) = delete;
  InterruptToCancel& operator=(const InterruptToCancel&) = delete;

  // Ctrl-C was pressed since the guard was made.
  static bool interrupted();
};

// Test hook: called with every percentage a build reports; returning true
// cancels the build as Ctrl-C does. An empty function removes the hook.
void set_cancel_probe(std::function<bool(int percent)> probe);

}  // namespace tpsutil
