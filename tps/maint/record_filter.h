// The condition a filtered dynamic build (BUILDdynfilter) applies to each
// record: only records it accepts are entered in the key.
//
// The engine knows no expression language: the platform compiles the
// program's filter text and hands the engine an object of this interface.
#pragma once

#include <memory>

namespace tps {

struct DeclaredTable;

class RecordFilter {
 public:
  virtual ~RecordFilter() = default;
  // True when the record now in `table`'s record buffer is to be entered.
  // Must not call the engine.
  virtual bool accepts(const DeclaredTable& table) const = 0;
  // An independent copy. A deferred build keeps one, since it runs after the
  // call that asked for it has returned and the caller's filter may be gone.
  virtual std::unique_ptr<RecordFilter> clone() const = 0;
};

}  // namespace tps
