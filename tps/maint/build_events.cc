#include "tps/maint/build_events.h"

#include <atomic>

namespace tps {
namespace {
std::atomic<BuildEvents*> installed{nullptr};
}  // namespace

BuildEvents* set_build_events(BuildEvents* events) { return installed.exchange(events); }
BuildEvents* build_events() { return installed.load(); }

}  // namespace tps
