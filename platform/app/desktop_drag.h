// The desktop's full-window-drag setting (whether a window's contents are
// shown while it is dragged), which the program switches off while it runs.
#pragma once

#include <memory>
#include <optional>

namespace platform {

class DesktopDragSetting {
 public:
  virtual ~DesktopDragSetting() = default;
  // The current setting; nothing when it cannot be read.
  virtual std::optional<bool> read() = 0;
  // Changes the setting for the whole desktop and keeps it in the user's
  // profile. Returns false when it could not be changed.
  virtual bool write(bool full_drag) = 0;
};

// The setting of this desktop's window manager. Where the desktop offers no
// such setting, reads fail, so the program leaves it alone.
std::unique_ptr<DesktopDragSetting> make_desktop_drag_setting();

// Switches full-window dragging off for the run and back on afterwards, and
// touches nothing when it was off (or unreadable) at the start.
class DesktopDragSwitch {
 public:
  // REQUIRES: `setting` outlives this object.
  explicit DesktopDragSwitch(DesktopDragSetting& setting) : setting_(setting) {}
  DesktopDragSwitch(const DesktopDragSwitch&) = delete;
  DesktopDragSwitch& operator=(const DesktopDragSwitch&) = delete;

  // Reads the setting and, when it is on, switches it off.
  void switch_off();
  // Switches it back on when switch_off found it on; at most once.
  void restore();
  // The setting as read by switch_off (false when unreadable).
  bool was_on() const { return was_on_; }

 private:
  DesktopDragSetting& setting_;
  bool was_on_ = false;
  bool restored_ = false;
};

}  // namespace platform
