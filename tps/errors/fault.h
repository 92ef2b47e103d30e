// Engine faults: internal consistency failures detected inside the engine.
//
// A fault abandons the running operation at once. Inside the engine it is an
// exception (EngineFault) that unwinds to the operation's entry point, where
// it becomes error 90 "File System Error" with the fault code as detail and
// latches the table as faulty. It never crosses the engine's entry point.
#pragma once

#include <exception>

namespace tps {

class EngineFault : public std::exception {
 public:
  explicit EngineFault(int code) : code_(code) {}
  int code() const { return code_; }
  const char* what() const noexcept override { return "engine fault"; }

 private:
  int code_;
};

// Raises the engine fault `code`.
[[noreturn]] inline void raise_fault(int code) { throw EngineFault(code); }

// Raises the engine fault `code` unless `condition` holds.
inline void check_or_fault(bool condition, int code) {
  if (!condition) raise_fault(code);
}

}  // namespace tps
