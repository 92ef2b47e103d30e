// The base of every window procedure's `ThisWindow`: it opens the window,
// runs its event loop and hands each event to the operation that a
// procedure replaces (`TakeAccepted`, `TakeFieldEvent`, `TakeWindowEvent`,
// ...). A replacement runs the base operation first and keeps its result
// unless it has reason not to. A handler result of kLevelFatal (3) ends the
// loop; `Run` then calls `Kill` and returns `Response`.
#pragma once

#include "platform/app/error_manager.h"
#include "platform/ui/events.h"
#include "platform/ui/window.h"

namespace ui {

// The toolbar object procedures register with their window manager; this
// program gives it no further role.
class ToolbarClass {
 public:
  virtual ~ToolbarClass() = default;
};

class WindowManager {
 public:
  WindowManager() = default;
  virtual ~WindowManager() = default;
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  // Sets the procedure up; kLevelNotify means it is done without a window.
  virtual int Init();
  // Closes the window when it is open.
  virtual int Kill();
  // Init, the event loop unless Init said done, Kill; returns Response.
  virtual int Run();
  // Hook through which a list asks for its update procedure `number` with
  // `request`; returns that procedure's response. The base runs nothing.
  virtual int Run(int number, int request);

  // Dispatches the current event: field events to TakeAccepted,
  // TakeSelected or TakeNewSelection and then TakeFieldEvent; window events
  // to TakeWindowEvent.
  virtual int TakeEvent();
  // The OK control copies the screen into the variables and (once required
  // fields are filled) queues the completion event; the cancel control ends
  // the loop with CancelResponse.
  virtual int TakeAccepted();
  virtual int TakeSelected() { return kLevelBenign; }
  virtual int TakeNewSelection() { return kLevelBenign; }
  virtual int TakeFieldEvent() { return kLevelBenign; }
  // Open: the focus goes to FirstField (or the first control after it that
  // can take it). Close request: ends with CancelResponse. Completion:
  // TakeCompleted.
  virtual int TakeWindowEvent();
  // Response Completed; ends the loop.
  virtual int TakeCompleted();
  // Copies every control's screen value into its variable.
  virtual void Update();
  // Redisplays every control (the lists re-read by their owners).
  virtual void Reset(bool force = false);

  // Opens `window` and makes it the one this manager runs.
  // REQUIRES: `window` outlives the manager's use of it.
  void Open(Window& window);
  // Runs the event loop of the window.
  void Ask();
  void AddItem(ToolbarClass& toolbar) { toolbar_ = &toolbar; }

  // The event being handled.
  int event() const { return current_.number; }
  int field() const { return current_.control; }
  int keycode() const { return current_.keycode; }
  char32_t keychar() const { return current_.keychar; }
  Window* window() const { return window_; }

  int Request = 0;
  int Response = kResponseNone;
  int FirstField = 0;
  int OkControl = 0;
  bool OkChecksRequired = false;  // the OK control first looks for empty required entries
  int CancelControl = 0;
  int CancelResponse = kResponseCancelled;
  platform::ErrorClass* Errors = nullptr;

 private:
  Window* window_ = nullptr;
  ToolbarClass* toolbar_ = nullptr;
  Event current_;
};

}  // namespace ui
