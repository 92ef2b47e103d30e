// A table's state saved by GETSTATE (FileTable::GetState), owned by the
// program and freed by FREESTATE when it goes.
#pragma once

#include "tps/ops/engine_call.h"  // tps::StateBlock

namespace platform {

class FileTable;

class SavedState {
 public:
  SavedState() = default;  // holds no state
  // Frees the state through FREESTATE; the thread's current error is left
  // as the program's last statement left it.
  ~SavedState();
  SavedState(SavedState&& other) noexcept;
  SavedState& operator=(SavedState&& other) noexcept;
  SavedState(const SavedState&) = delete;
  SavedState& operator=(const SavedState&) = delete;

  explicit operator bool() const { return block_ != nullptr; }

 private:
  friend class FileTable;
  // REQUIRES: `table` outlives the state.
  SavedState(FileTable* table, tps::StateBlock* block) : table_(table), block_(block) {}
  // FREESTATE; returns its error. Freed however FREESTATE ends: a table
  // that cannot run it (latched faulty) leaves the block to its owner.
  int free();

  FileTable* table_ = nullptr;
  tps::StateBlock* block_ = nullptr;
};

}  // namespace platform
