// A window built from its declaration: the Qt widgets of its controls, their
// display from and update into their variables, and the window's own event
// loop. The window draws and reports; the procedure that runs it decides
// (see ui/window_manager.h).
#pragma once

#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <climits>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/dialog_units.h"
#include "platform/ui/events.h"
#include "platform/ui/list_control.h"
#include "platform/ui/window_decl.h"

namespace ui {

inline constexpr int kKeep = INT_MIN;  // set_position: leave this coordinate as it is

struct PopupItem {
  std::string text;  // "&Change"; "-" for a separator
  bool enabled = true;
};

class Window : public QObject {
  Q_OBJECT
 public:
  // Returns true to end the event loop.
  using Handler = std::function<bool(const Event&)>;

  explicit Window(WindowDecl decl);
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Builds the widgets, places them, shows the window (modal over the others)
  // and queues the open-window event.
  void open();
  // Hides and destroys the widgets; the declaration stays.
  void close();
  bool is_open() const { return top_ != nullptr; }

  // Runs the event loop: every event goes to `handler` in order, and after
  // each the window redisplays its controls when it has automatic display.
  // Returns when the handler asks to end.
  void run(const Handler& handler);
  // Queues an event (the OK control's completion, say) behind those waiting.
  void post(const Event& e);

  // Number of controls; valid numbers are 1..count().
  int count() const { return static_cast<int>(controls_.size()); }
  const ControlDecl& decl(int control) const;

  // Run-time changes. An unknown control number is ignored.
  void hide(int control);
  void unhide(int control);
  void enable(int control);
  void disable(int control);
  // Gives the focus to `control`, or to the first control after it that can
  // take it.
  void select(int control);
  // Moves or resizes in dialog units; kKeep leaves a coordinate unchanged.
  void set_position(int control, int x, int y, int width = kKeep, int height = kKeep);
  void set_text(int control, const std::string& text);
  std::string text(int control) const;
  // Copies variables to the screen (0: every control).
  void display(int control = 0);
  // Copies the screen into the variables (0: every control).
  void update(int control = 0);
  // Keys reported as alert-key events by any control of the window.
  void alert(int keycode);
  // Changes the timer interval in hundredths of a second (0 stops it).
  void set_timer(int hundredths);
  // Whether the control is shown now (not hidden, and on the current tab).
  bool visible(int control) const;
  bool enabled(int control) const;
  // The first control marked required whose screen value is empty, or 0.
  int first_empty_required() const;

  // Lists: their rows, highlighted row (1-based, 0 none), re-reading rows.
  void set_list_source(int control, const ListSource* source);
  void refresh_list(int control);
  int selected_row(int control) const;
  void select_row(int control, int row);
  int rows_visible(int control) const;
  void set_thumb(int control, int percent);
  int thumb(int control) const;
  // Shows a context menu at the last right click on `control`; returns the
  // 1-based item chosen, or 0.
  int popup(int control, const std::vector<PopupItem>& items);
  // Sheets: the current tab's control number; changing it shows its controls.
  int current_tab(int sheet) const;
  void select_tab(int tab_control);

  // For tests and screenshots.
  QWidget* top() const { return top_; }
  QWidget* client() const { return client_; }
  QWidget* widget(int control) const;
  const DialogUnits& units() const { return *units_; }
  const WindowDecl& window_decl() const { return decl_; }

 private:
  struct Control;
  void build();
  void build_control(int number);
  QWidget* make_widget(int number);
  void place(int number);
  void apply_visibility();
  void drain();
  void on_focus_in(int number, Qt::FocusReason reason);
  void on_focus_out(int number, Qt::FocusReason reason);
  bool on_key(int number, QKeyEvent* e);
  void press_default();
  int sheet_of(int tab) const;
  QFont control_font(const ControlDecl& d) const;
  QSize default_size(const ControlDecl& d) const;
  Control* at(int number);
  const Control* at(int number) const;
  bool eventFilter(QObject* watched, QEvent* event) override;

  WindowDecl decl_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::unique_ptr<DialogUnits> units_;
  QPointer<QWidget> top_;
  QWidget* client_ = nullptr;
  QTimer* timer_ = nullptr;
  std::vector<int> alerts_;
  std::deque<Event> queue_;
  Handler handler_;
  QEventLoop* loop_ = nullptr;
  bool running_ = false;
  bool in_handler_ = false;
  bool drain_scheduled_ = false;
};

}  // namespace ui
