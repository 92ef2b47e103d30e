// How a deferred build talks to the program around the engine.
//
// A table whose progress setting is on (SET_PROPERTY 29446) does not build
// when asked: the call posts a build event here and returns at once. The
// program later hands the event back as operation 84, which runs the build
// and reports its progress here; returning false from `build_progress`
// cancels the build (93). The program's window layer installs one sink for
// the process; command-line tools install their own.
#pragma once

#include "tps/errors/errors.h"
#include "tps/ops/declared_table.h"

namespace tps {

class BuildEvents {
 public:
  virtual ~BuildEvents() = default;
  // A build of `table` was deferred; run it later with operation 84.
  virtual void build_posted(DeclaredTable& table) = 0;
  // `percent` (0..100) of the running build is done. False cancels it.
  virtual bool build_progress(DeclaredTable& table, int percent) = 0;
  // An engine fault ended the deferred build of `table`.
  virtual void build_failed(DeclaredTable& table, const ErrorDetail& error) = 0;
};

// Installs the process-wide sink (nullptr for none) and returns the old one.
// Without a sink a deferred build is posted nowhere: the table keeps it
// pending until operation 84 asks for it.
BuildEvents* set_build_events(BuildEvents* events);
BuildEvents* build_events();

}  // namespace tps
