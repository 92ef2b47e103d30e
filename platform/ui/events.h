// Event numbers, key codes and handler results of the window system.
//
// Field events (below kFirstWindowEvent) belong to one control; window
// events to the window as a whole.
#pragma once

namespace ui {

// Field events.
inline constexpr int kEventAccepted = 1;       // a control's value or press was accepted
inline constexpr int kEventNewSelection = 2;   // a list's highlighted row or a sheet's tab changed
inline constexpr int kEventScrollUp = 3;       // immediate lists: the browse pages rows itself
inline constexpr int kEventScrollDown = 4;
inline constexpr int kEventPageUp = 5;
inline constexpr int kEventPageDown = 6;
inline constexpr int kEventScrollTop = 7;
inline constexpr int kEventScrollBottom = 8;
inline constexpr int kEventScrollDrag = 9;     // thumb moved; Window::thumb() tells where
inline constexpr int kEventAlertKey = 10;      // a key the control reports (keycode, keychar)
inline constexpr int kEventContextMenu = 11;   // right click on a list
inline constexpr int kEventSelected = 257;     // a control received the focus
// Window events.
inline constexpr int kFirstWindowEvent = 512;
inline constexpr int kEventCloseWindow = 513;  // the user asked to close the window
inline constexpr int kEventCloseDown = 514;
inline constexpr int kEventOpenWindow = 515;   // the window has opened
inline constexpr int kEventTimer = 518;
inline constexpr int kEventCompleted = 549;    // a form's completion

inline bool is_field_event(int event) { return event < kFirstWindowEvent; }

// Handler results.
inline constexpr int kLevelBenign = 0;  // carry on
inline constexpr int kLevelFatal = 3;   // end the window's event loop
inline constexpr int kLevelNotify = 5;  // Init: the procedure is done, open no window

// Response codes a window leaves.
inline constexpr int kResponseNone = 0;
inline constexpr int kResponseCompleted = 1;
inline constexpr int kResponseCancelled = 2;

// Key codes: a key plus modifier bits. Letters and digits are their upper-case
// character codes; Ctrl+H is 584.
inline constexpr int kShiftKey = 0x100;
inline constexpr int kCtrlKey = 0x200;
inline constexpr int kAltKey = 0x400;
inline constexpr int kBackspaceKey = 8;
inline constexpr int kTabKey = 9;
inline constexpr int kEnterKey = 13;
inline constexpr int kEscKey = 27;
inline constexpr int kSpaceKey = 32;
inline constexpr int kPgUpKey = 0x21;
inline constexpr int kPgDnKey = 0x22;
inline constexpr int kEndKey = 0x23;
inline constexpr int kHomeKey = 0x24;
inline constexpr int kLeftKey = 0x25;
inline constexpr int kUpKey = 0x26;
inline constexpr int kRightKey = 0x27;
inline constexpr int kDownKey = 0x28;
inline constexpr int kInsertKey = 0x2D;
inline constexpr int kDeleteKey = 0x2E;
inline constexpr int kF1Key = 0x70;
inline constexpr int kOtherKey = 0xFF;        // a printable key without a code of its own
inline constexpr int kMouseLeft2 = 0x1002;    // double click with the left button
inline constexpr int kMouseRight = 0x1003;
inline constexpr int kCtrlEnter = kCtrlKey | kEnterKey;
inline constexpr int kCtrlH = kCtrlKey | 'H';

struct Event {
  int number = 0;
  int control = 0;   // 0 for window events
  int keycode = 0;   // alert keys and mouse presses
  char32_t keychar = 0;  // the typed character of an alert key, 0 when none
};

}  // namespace ui
