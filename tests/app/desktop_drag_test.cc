#include "platform/app/desktop_drag.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

// A desktop whose setting lives in memory; records every change.
class FakeDragSetting : public DesktopDragSetting {
 public:
  std::optional<bool> value;
  std::vector<bool> writes;
  std::optional<bool> read() override { return value; }
  bool write(bool full_drag) override {
    writes.push_back(full_drag);
    value = full_drag;
    return true;
  }
};

TEST(DesktopDragTest, OnAtStartIsOffDuringTheRunAndOnAfterIt) {
  FakeDragSetting desktop;
  desktop.value = true;
  DesktopDragSwitch drag(desktop);
  drag.switch_off();
  EXPECT_EQ(desktop.value, false);
  drag.restore();
  drag.restore();
  EXPECT_EQ(desktop.value, true);
  EXPECT_EQ(desktop.writes, (std::vector<bool>{false, true}));
}

TEST(DesktopDragTest, OffOrUnreadableAtStartIsNeverTouched) {
  for (std::optional<bool> start : {std::optional<bool>(false), std::optional<bool>()}) {
    FakeDragSetting desktop;
    desktop.value = start;
    DesktopDragSwitch drag(desktop);
    drag.switch_off();
    drag.restore();
    EXPECT_TRUE(desktop.writes.empty());
    EXPECT_FALSE(drag.was_on());
  }
}

TEST(DesktopDragTest, TheDesktopImplementationAnswersEvenWithoutItsTool) {
  // Whatever this machine offers, reading must not hang or throw; where the
  // window manager's tool is missing the setting reads as unknown.
  auto setting = make_desktop_drag_setting();
  std::optional<bool> value = setting->read();
  if (value) SUCCEED() << "desktop reports " << *value;
}

}  // namespace
}  // namespace platform
