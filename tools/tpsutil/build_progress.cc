#include "build_progress.h"

#include <signal.h>

#include <csignal>
#include <ostream>
#include <string>

namespace tpsutil {

namespace {

constexpr int kFullPercent = 100;

volatile std::sig_atomic_t interrupt_seen = 0;
// What Ctrl-C did before the guard took it over.
struct sigaction interrupt_before {};

std::function<bool(int)>& cancel_probe() {
  static std::function<bool(int)> probe;
  return probe;
}

extern "C" void on_interrupt(int) { interrupt_seen = 1; }

}  // namespace

std::string progress_bar(int percent) {
  if (percent < 0) percent = 0;
  if (percent > kFullPercent) percent = kFullPercent;
  const int filled = percent * kProgressBarWidth / kFullPercent;
  std::string bar = "[" + std::string(size_t(filled), '#') + std::string(size_t(kProgressBarWidth - filled), ' ') + "] ";
  if (percent < 10) bar += ' ';
  if (percent < kFullPercent) bar += ' ';
  return bar + std::to_string(percent) + "%";
}

BuildProgress::BuildProgress(std::ostream& out, bool terminal)
    : previous_(tps::set_build_events(this)), out_(out), terminal_(terminal) {}

BuildProgress::~BuildProgress() {
  finish();
  tps::set_build_events(previous_);
}

void BuildProgress::build_posted(tps::DeclaredTable&) { posted_ = true; }

bool BuildProgress::build_progress(tps::DeclaredTable&, int percent) {
  const std::function<bool(int)>& probe = cancel_probe();
  if (InterruptToCancel::interrupted() || (probe && probe(percent))) cancel_requested_ = true;
  if (percent != last_percent_) {
    last_percent_ = percent;
    if (terminal_) {
      out_ << '\r' << progress_bar(percent) << std::flush;
      line_open_ = true;
    } else {
      out_ << percent << "%\n" << std::flush;
    }
  }
  return !cancel_requested_;
}

void BuildProgress::build_failed(tps::DeclaredTable&, const tps::ErrorDetail& error) { failure_ = error; }

void BuildProgress::finish() {
  if (!line_open_) return;
  out_ << '\n' << std::flush;
  line_open_ = false;
}

InterruptToCancel::InterruptToCancel() {
  interrupt_seen = 0;
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  // The handler is used once: a second Ctrl-C ends the program.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, &interrupt_before);
}

InterruptToCancel::~InterruptToCancel() {
  sigaction(SIGINT, &interrupt_before, nullptr);
  interrupt_seen = 0;
}

bool InterruptToCancel::interrupted() { return interrupt_seen != 0; }

void set_cancel_probe(std::function<bool(int percent)> probe) { cancel_probe() = std::move(probe); }

}  // namespace tpsutil
