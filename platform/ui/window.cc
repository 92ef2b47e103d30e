#include "platform/ui/window.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "platform/ui/fonts.h"
#include "platform/ui/icons.h"
#include "platform/ui/widgets.h"

namespace ui {
namespace {

constexpr double kDefaultPoints = 8;
constexpr const char* kDefaultFace = "Calibri";
// Pixels of the frame drawn around a window without caption (a captioned
// window gets its frame from the desktop).
constexpr int kDoubleFrameWidth = 4;
constexpr int kSingleFrameWidth = 1;
constexpr int kEntryPadding = 4;      // pixels an entry adds around its text line

bool takes_focus(ControlKind k) {
  return k == ControlKind::entry || k == ControlKind::button || k == ControlKind::list ||
         k == ControlKind::drop_list || k == ControlKind::text_box;
}

bool user_reason(Qt::FocusReason r) {
  return r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason;
}

Qt::Alignment label_align(Align a) {
  switch (a) {
    case Align::center: return Qt::AlignHCenter | Qt::AlignTop;
    case Align::right:
    case Align::decimal: return Qt::AlignRight | Qt::AlignTop;
    case Align::left: break;
  }
  return Qt::AlignLeft | Qt::AlignTop;
}

void set_colors(QWidget* w, const ControlDecl& d) {
  QPalette pal = w->palette();
  if (d.font.color) {
    QColor c = to_qcolor(*d.font.color);
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::Text, c);
    pal.setColor(QPalette::ButtonText, c);
  }
  if (d.background) {
    QColor c = to_qcolor(*d.background);
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Window, c);
    if (!d.transparent && (d.kind == ControlKind::fixed_text || d.kind == ControlKind::display_text)) {
      w->setAutoFillBackground(true);
    }
  }
  if (d.selected_text) pal.setColor(QPalette::HighlightedText, to_qcolor(*d.selected_text));
  if (d.selected_background) pal.setColor(QPalette::Highlight, to_qcolor(*d.selected_background));
  w->setPalette(pal);
}

// The top-level widget: paints the window's own double frame when the window
// has no caption (a captioned window gets its frame from the desktop), and
// passes a close request on as an event instead of closing.
class FrameWidget : public QWidget {
 public:
  FrameWidget(bool draw_frame, bool double_frame, std::function<void()> on_close)
      : draw_frame_(draw_frame), double_(double_frame), on_close_(std::move(on_close)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!draw_frame_) return;
    QPainter p(this);
    QRect r = rect().adjusted(0, 0, -1, -1);
    p.setPen(QColor(64, 64, 64));
    p.drawRect(r);
    if (!double_) return;
    p.setPen(QColor(160, 160, 160));
    p.drawRect(r.adjusted(1, 1, -1, -1));
    p.setPen(QColor(64, 64, 64));
    p.drawRect(r.adjusted(3, 3, -3, -3));
  }
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    if (on_close_) on_close_();
  }

 private:
  bool draw_frame_;
  bool double_;
  std::function<void()> on_close_;
};

}  // namespace

struct Window::Control {
  ControlDecl decl;
  QWidget* widget = nullptr;
  Picture picture;
  bool hidden = false;
  bool disabled = false;
  std::string shown;       // the text last displayed from the variable
  bool shown_valid = false;
  int current_tab = 0;     // sheets: control number of the current tab
  std::vector<int> tabs;   // sheets: their tabs in order
  int sheet = 0;           // tabs: their sheet
};

Window::Window(WindowDecl decl) : decl_(std::move(decl)) {
  int last_sheet = 0;
  for (size_t i = 0; i < decl_.controls.size(); ++i) {
    auto c = std::make_unique<Control>();
    c->decl = decl_.controls[i];
    c->picture = Picture::parse(c->decl.picture).value_or(Picture());
    c->hidden = c->decl.hidden;
    c->disabled = c->decl.disabled;
    int number = static_cast<int>(i) + 1;
    if (c->decl.kind == ControlKind::sheet) last_sheet = number;
    if (c->decl.kind == ControlKind::tab && last_sheet != 0) {
      c->sheet = last_sheet;
      controls_[last_sheet - 1]->tabs.push_back(number);
      if (controls_[last_sheet - 1]->current_tab == 0) controls_[last_sheet - 1]->current_tab = number;
    }
    controls_.push_back(std::move(c));
  }
}

Window::~Window() { close(); }

Window::Control* Window::at(int number) {
  return number >= 1 && number <= count() ? controls_[number - 1].get() : nullptr;
}
const Window::Control* Window::at(int number) const {
  return number >= 1 && number <= count() ? controls_[number - 1].get() : nullptr;
}

const ControlDecl& Window::decl(int control) const { return at(control)->decl; }

QWidget* Window::widget(int control) const {
  const Control* c = at(control);
  return c ? c->widget : nullptr;
}

QFont Window::control_font(const ControlDecl& d) const {
  QFont base = client_ ? client_->font()
                       : make_font(decl_.font.name.empty() ? kDefaultFace : decl_.font.name,
                                   decl_.font.points > 0 ? decl_.font.points : kDefaultPoints,
                                   decl_.font.bold.value_or(false));
  QFont f = d.font.name.empty() ? base : make_font(d.font.name, base.pointSizeF(), base.bold());
  if (d.font.points > 0) f.setPointSizeF(d.font.points);
  if (d.font.bold) f.setBold(*d.font.bold);
  return f;
}

QSize Window::default_size(const ControlDecl& d) const {
  QFontMetrics m(control_font(d));
  DialogUnits own(control_font(d));
  int width = 0;
  if (d.kind == ControlKind::fixed_text || d.kind == ControlKind::button) {
    width = m.horizontalAdvance(QString::fromStdString(d.text)) + 2;
  } else {
    Picture p = Picture::parse(d.picture).value_or(Picture());
    width = std::max(1, p.width()) * own.average_char_width() + 2;
  }
  int height = m.height() + (d.kind == ControlKind::entry ? kEntryPadding : 0);
  return QSize(width, height);
}

void Window::open() {
  if (top_) return;
  build();
  queue_.push_back(Event{kEventOpenWindow, 0, 0, 0});
}

void Window::build() {
  bool draw_frame = !decl_.has_caption && decl_.frame != Frame::none;
  bool double_frame = decl_.frame == Frame::double_frame;
  auto* frame = new FrameWidget(draw_frame, double_frame, [this] {
    if (decl_.system_menu) post(Event{kEventCloseWindow, 0, 0, 0});
  });
  top_ = frame;
  Qt::WindowFlags flags = Qt::Window;
  if (!decl_.has_caption) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (decl_.system_menu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  }
  frame->setWindowFlags(flags);
  frame->setWindowModality(Qt::ApplicationModal);
  frame->setWindowTitle(QString::fromStdString(decl_.caption));
  frame->setAttribute(Qt::WA_DeleteOnClose, false);

  client_ = new QWidget(frame);
  client_->setFont(make_font(decl_.font.name.empty() ? kDefaultFace : decl_.font.name,
                             decl_.font.points > 0 ? decl_.font.points : kDefaultPoints,
                             decl_.font.bold.value_or(false)));
  units_ = std::make_unique<DialogUnits>(client_->font());
  if (decl_.background) {
    QPalette pal = client_->palette();
    pal.setColor(QPalette::Window, to_qcolor(*decl_.background));
    client_->setPalette(pal);
    client_->setAutoFillBackground(true);
    frame->setPalette(pal);
  }
  int margin = !draw_frame ? 0 : double_frame ? kDoubleFrameWidth : kSingleFrameWidth;
  QSize size(units_->x(decl_.width), units_->y(decl_.height));
  client_->setGeometry(margin, margin, size.width(), size.height());
  frame->setFixedSize(size.width() + 2 * margin, size.height() + 2 * margin);

  for (int n = 1; n <= count(); ++n) build_control(n);
  apply_visibility();
  display(0);

  if (decl_.timer > 0) set_timer(decl_.timer);
  QPoint origin(units_->x(decl_.x), units_->y(decl_.y));
  if (decl_.centered) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect avail = screen->availableGeometry();
      origin = avail.center() - QPoint(frame->width() / 2, frame->height() / 2);
    }
  }
  frame->move(origin);
  frame->show();
  frame->activateWindow();
  frame->raise();
}

void Window::build_control(int number) {
  Control* c = at(number);
  c->widget = make_widget(number);
  if (c->widget == nullptr) return;
  c->widget->setFont(control_font(c->decl));
  set_colors(c->widget, c->decl);
  c->widget->setEnabled(!c->disabled);
  if (!c->decl.message.empty()) c->widget->setStatusTip(QString::fromStdString(c->decl.message));
  if (takes_focus(c->decl.kind)) {
    c->widget->setFocusPolicy(c->decl.skip ? Qt::ClickFocus : Qt::StrongFocus);
  } else {
    c->widget->setFocusPolicy(Qt::NoFocus);
  }
  c->widget->installEventFilter(this);
  place(number);
}

QWidget* Window::make_widget(int number) {
  Control* c = at(number);
  const ControlDecl& d = c->decl;
  auto sink = [this](const Event& e) { post(e); };
  switch (d.kind) {
    case ControlKind::fixed_text:
    case ControlKind::display_text: {
      auto* label = new QLabel(QString::fromStdString(d.text), client_);
      label->setAlignment(label_align(d.align));
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::entry: {
      auto* e = new EntryField(c->picture, d.overwrite, client_);
      e->setAlignment(label_align(d.align) & Qt::AlignHorizontal_Mask);
      e->setReadOnly(d.read_only);
      return e;
    }
    case ControlKind::button: {
      auto* b = new QPushButton(QString::fromStdString(d.text), client_);
      b->setFlat(d.flat);
      b->setAutoDefault(false);
      b->setDefault(d.is_default);
      if (!d.icon.empty()) {
        b->setIcon(program_icon(icon_resource_name(d.icon)));
        int side = std::min(32, std::max(16, units_->y(d.height > 0 ? d.height : 12) - 8));
        b->setIconSize(QSize(side, side));
      }
      connect(b, &QPushButton::clicked, this, [this, number] { post(Event{kEventAccepted, number, 0, 0}); });
      return b;
    }
    case ControlKind::line: {
      auto* l = new LineWidget(to_qcolor(d.color.value_or(Rgb{0, 0, 0})), client_);
      l->set_direction(d.height == 0, d.width == 0);
      return l;
    }
    case ControlKind::box: {
      std::optional<QColor> border, fill;
      if (d.color) border = to_qcolor(*d.color);
      if (d.fill) fill = to_qcolor(*d.fill);
      return new BoxWidget(border, fill, client_);
    }
    case ControlKind::sheet: {
      std::optional<QColor> back;
      if (d.background) back = to_qcolor(*d.background);
      auto* s = new SheetWidget(d.tab_width > 0 ? units_->x(d.tab_width) : 0, back, client_);
      bool bold_tabs = false;
      for (int t : c->tabs) {
        const ControlDecl& td = at(t)->decl;
        s->tabs()->addTab(QString::fromStdString(td.text));
        bold_tabs |= td.font.bold.value_or(false);
      }
      if (bold_tabs) {
        QFont f = control_font(d);
        f.setBold(true);
        s->tabs()->setFont(f);
      }
      connect(s->tabs(), &QTabBar::currentChanged, this, [this, number](int index) {
        Control* sheet = at(number);
        if (index < 0 || index >= static_cast<int>(sheet->tabs.size())) return;
        if (sheet->current_tab == sheet->tabs[index]) return;
        sheet->current_tab = sheet->tabs[index];
        apply_visibility();
        post(Event{kEventNewSelection, number, 0, 0});
      });
      return s;
    }
    case ControlKind::tab:
      return nullptr;  // drawn by its sheet
    case ControlKind::list: {
      ListLook look{d.font.color, d.background, d.selected_text, d.selected_background, d.grid};
      ListFormatResult f = parse_list_format(d.format);
      return new ListView(f.format.value_or(ListFormat{}), look, *units_, d.immediate, number,
                          sink, client_);
    }
    case ControlKind::drop_list: {
      ListLook look{d.font.color, d.background, d.selected_text, d.selected_background, d.grid};
      ListFormatResult f = parse_list_format(d.format);
      return new DropList(f.format.value_or(ListFormat{}), look, *units_, d.drop_rows, number,
                          sink, client_);
    }
    case ControlKind::text_box: {
      auto* t = new TextBox(d.max_length, client_);
      t->setVerticalScrollBarPolicy(d.vscroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
      t->setFrameShape(d.boxed ? QFrame::StyledPanel : QFrame::NoFrame);
      t->setReadOnly(d.read_only);
      t->setTabChangesFocus(true);
      return t;
    }
    case ControlKind::progress: {
      auto* p = new QProgressBar(client_);
      p->setRange(d.range_low, d.range_high);
      p->setTextVisible(false);
      return p;
    }
  }
  return nullptr;
}

void Window::place(int number) {
  Control* c = at(number);
  if (c->widget == nullptr) return;
  const ControlDecl& d = c->decl;
  QRect r = units_->rect(d.x, d.y, 0, 0);
  QSize fallback = default_size(d);
  int w = d.width == kDefaultSize ? fallback.width() : units_->x(d.width);
  int h = d.height == kDefaultSize ? fallback.height() : units_->y(d.height);
  if (d.kind == ControlKind::line) {
    w = std::max(w, 1);
    h = std::max(h, 1);
  }
  if (d.kind == ControlKind::drop_list) h = std::max(h, c->widget->sizeHint().height());
  c->widget->setGeometry(r.x(), r.y(), w, h);
}

void Window::close() {
  if (timer_) {
    timer_->stop();
    delete timer_;
    timer_ = nullptr;
  }
  if (top_) {
    top_->hide();
    delete top_.data();
  }
  top_ = nullptr;
  client_ = nullptr;
  for (auto& c : controls_) {
    c->widget = nullptr;
    c->shown_valid = false;
  }
}

// ---- event loop ----

void Window::run(const Handler& handler) {
  handler_ = handler;
  running_ = true;
  QEventLoop loop;
  loop_ = &loop;
  drain();
  if (running_) loop.exec();
  loop_ = nullptr;
  handler_ = nullptr;
  queue_.clear();
}

void Window::post(const Event& e) {
  if (e.number == kEventTimer) {
    for (const Event& q : queue_) {
      if (q.number == kEventTimer) return;  // one pending tick is enough
    }
  }
  queue_.push_back(e);
  if (!running_ || drain_scheduled_ || in_handler_) return;
  drain_scheduled_ = true;
  // Handlers run from the loop, never from inside a Qt event being delivered
  // (a focus change, say), so they may hide, move and refocus freely.
  QMetaObject::invokeMethod(this, [this] {
    drain_scheduled_ = false;
    drain();
  }, Qt::QueuedConnection);
}

void Window::drain() {
  if (in_handler_) return;  // a nested window's loop: our handler is still running
  while (running_ && !queue_.empty()) {
    Event e = queue_.front();
    queue_.pop_front();
    in_handler_ = true;
    bool end = handler_(e);
    in_handler_ = false;
    if (end) {
      running_ = false;
      queue_.clear();
      if (loop_) loop_->quit();
      return;
    }
    if (decl_.auto_display && top_) display(0);
  }
}

// ---- run-time changes ----

void Window::hide(int control) {
  if (Control* c = at(control)) {
    c->hidden = true;
    apply_visibility();
  }
}

void Window::unhide(int control) {
  if (Control* c = at(control)) {
    c->hidden = false;
    apply_visibility();
  }
}

void Window::enable(int control) {
  if (Control* c = at(control)) {
    c->disabled = false;
    if (c->widget) c->widget->setEnabled(true);
  }
}

void Window::disable(int control) {
  if (Control* c = at(control)) {
    c->disabled = true;
    if (c->widget) c->widget->setEnabled(false);
  }
}

bool Window::enabled(int control) const {
  const Control* c = at(control);
  return c != nullptr && !c->disabled;
}

int Window::sheet_of(int tab) const {
  const Control* c = at(tab);
  return c ? c->sheet : 0;
}

bool Window::visible(int control) const {
  const Control* c = at(control);
  if (c == nullptr || c->hidden) return false;
  if (c->decl.kind == ControlKind::tab) return visible(c->sheet);
  if (c->decl.on_tab != 0) {
    int sheet = sheet_of(c->decl.on_tab);
    return visible(c->decl.on_tab) && at(sheet)->current_tab == c->decl.on_tab;
  }
  return true;
}

void Window::apply_visibility() {
  if (!top_) return;
  for (int n = 1; n <= count(); ++n) {
    Control* c = at(n);
    if (c->decl.kind == ControlKind::tab) {
      Control* s = at(c->sheet);
      if (s && s->widget) {
        auto* bar = static_cast<SheetWidget*>(s->widget)->tabs();
        auto it = std::find(s->tabs.begin(), s->tabs.end(), n);
        bar->setTabVisible(static_cast<int>(it - s->tabs.begin()), !c->hidden);
      }
      continue;
    }
    if (c->widget) c->widget->setVisible(visible(n));
  }
}

void Window::select(int control) {
  for (int n = std::max(control, 1); n <= count(); ++n) {
    Control* c = at(n);
    if (takes_focus(c->decl.kind) && visible(n) && !c->disabled && c->widget) {
      bool active = top_ && top_->isActiveWindow();
      c->widget->setFocus(Qt::OtherFocusReason);
      // Before its window is active a control receives the focus only when
      // the window activates, and that arrival is not reported (it is also
      // how focus returns after another window closed): report it here.
      if (!active) post(Event{kEventSelected, n, 0, 0});
      return;
    }
  }
}

void Window::set_position(int control, int x, int y, int width, int height) {
  Control* c = at(control);
  if (c == nullptr) return;
  if (x != kKeep) c->decl.x = x;
  if (y != kKeep) c->decl.y = y;
  if (width != kKeep) c->decl.width = width;
  if (height != kKeep) c->decl.height = height;
  if (top_) place(control);
}

void Window::set_text(int control, const std::string& text) {
  Control* c = at(control);
  if (c == nullptr) return;
  c->decl.text = text;
  if (auto* label = qobject_cast<QLabel*>(c->widget)) label->setText(QString::fromStdString(text));
  if (auto* b = qobject_cast<QPushButton*>(c->widget)) b->setText(QString::fromStdString(text));
}

std::string Window::text(int control) const {
  const Control* c = at(control);
  if (c == nullptr || c->widget == nullptr) return "";
  if (auto* l = qobject_cast<QLabel*>(c->widget)) return l->text().toStdString();
  if (auto* e = qobject_cast<QLineEdit*>(c->widget)) return e->text().toStdString();
  if (auto* t = qobject_cast<QPlainTextEdit*>(c->widget)) return t->toPlainText().toStdString();
  if (auto* b = qobject_cast<QPushButton*>(c->widget)) return b->text().toStdString();
  return c->decl.text;
}

void Window::display(int control) {
  if (!top_) return;
  int first = control == 0 ? 1 : control;
  int last = control == 0 ? count() : control;
  for (int n = first; n <= last; ++n) {
    Control* c = at(n);
    if (c == nullptr || c->widget == nullptr || !c->decl.variable.bound()) continue;
    Value v = c->decl.variable.get();
    if (c->decl.kind == ControlKind::progress) {
      static_cast<QProgressBar*>(c->widget)->setValue(static_cast<int>(v.as_number()));
      continue;
    }
    std::string shown = c->decl.kind == ControlKind::text_box ? v.as_text() : c->picture.format(v);
    // Only a changed value is written: text the user is typing survives an
    // unrelated redisplay.
    if (c->shown_valid && shown == c->shown) continue;
    c->shown = shown;
    c->shown_valid = true;
    QString q = QString::fromStdString(shown);
    if (auto* l = qobject_cast<QLabel*>(c->widget)) l->setText(q);
    if (auto* e = qobject_cast<QLineEdit*>(c->widget)) {
      e->setText(q);
      e->setModified(false);
    }
    if (auto* t = qobject_cast<QPlainTextEdit*>(c->widget)) {
      if (t->toPlainText() != q) t->setPlainText(q);
    }
  }
}

void Window::update(int control) {
  if (!top_) return;
  int first = control == 0 ? 1 : control;
  int last = control == 0 ? count() : control;
  for (int n = first; n <= last; ++n) {
    Control* c = at(n);
    if (c == nullptr || c->widget == nullptr || !c->decl.variable.bound()) continue;
    if (auto* e = qobject_cast<QLineEdit*>(c->widget)) {
      c->decl.variable.set(c->picture.deformat(e->text().toStdString()));
      c->shown = e->text().toStdString();
    } else if (auto* t = qobject_cast<QPlainTextEdit*>(c->widget)) {
      std::string text = t->toPlainText().toStdString();
      c->decl.variable.set(Value::of_text(text));
      c->shown = text;
    }
  }
}

void Window::alert(int keycode) {
  if (std::find(alerts_.begin(), alerts_.end(), keycode) == alerts_.end()) {
    alerts_.push_back(keycode);
  }
}

void Window::set_timer(int hundredths) {
  if (!timer_) {
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { post(Event{kEventTimer, 0, 0, 0}); });
  }
  if (hundredths <= 0) {
    timer_->stop();
  } else {
    timer_->start(hundredths * 10);
  }
}

int Window::first_empty_required() const {
  for (int n = 1; n <= count(); ++n) {
    const Control* c = at(n);
    if (!c->decl.required || c->widget == nullptr) continue;
    if (auto* e = qobject_cast<QLineEdit*>(c->widget)) {
      if (c->picture.deformat(e->text().toStdString()).as_text().find_first_not_of(" 0") ==
          std::string::npos) {
        return n;
      }
    }
  }
  return 0;
}

// ---- lists and sheets ----

void Window::set_list_source(int control, const ListSource* source) {
  Control* c = at(control);
  if (c == nullptr) return;
  if (auto* l = qobject_cast<ListView*>(c->widget)) l->list_model()->set_source(source);
  if (auto* d = qobject_cast<DropList*>(c->widget)) d->list_model()->set_source(source);
}

void Window::refresh_list(int control) {
  Control* c = at(control);
  if (c == nullptr) return;
  if (auto* l = qobject_cast<ListView*>(c->widget)) {
    int row = l->selected_row();
    l->list_model()->refresh();
    l->select_row(std::min(row, l->list_model()->rowCount()));
  }
  if (auto* d = qobject_cast<DropList*>(c->widget)) d->refresh();
}

int Window::selected_row(int control) const {
  const Control* c = at(control);
  if (c == nullptr) return 0;
  if (auto* l = qobject_cast<ListView*>(c->widget)) return l->selected_row();
  if (auto* d = qobject_cast<DropList*>(c->widget)) return d->selected_row();
  return 0;
}

void Window::select_row(int control, int row) {
  Control* c = at(control);
  if (c == nullptr) return;
  if (auto* l = qobject_cast<ListView*>(c->widget)) l->select_row(row);
  if (auto* d = qobject_cast<DropList*>(c->widget)) d->select_row(row);
}

int Window::rows_visible(int control) const {
  const Control* c = at(control);
  if (c == nullptr) return 0;
  if (auto* l = qobject_cast<ListView*>(c->widget)) return l->rows_visible();
  if (c->decl.kind == ControlKind::drop_list) return std::max(1, c->decl.drop_rows);
  return 0;
}

void Window::set_thumb(int control, int percent) {
  if (auto* l = qobject_cast<ListView*>(widget(control))) l->set_thumb(percent);
}

int Window::thumb(int control) const {
  auto* l = qobject_cast<ListView*>(widget(control));
  return l ? l->thumb() : 0;
}

int Window::popup(int control, const std::vector<PopupItem>& items) {
  QWidget* w = widget(control);
  if (w == nullptr) return 0;
  QPoint where = w->mapToGlobal(QPoint(0, 0));
  if (auto* l = qobject_cast<ListView*>(w)) where = l->last_context_position();
  if (auto* d = qobject_cast<DropList*>(w)) where = d->last_context_position();
  QMenu menu(w);
  std::vector<QAction*> actions;
  for (const PopupItem& item : items) {
    if (item.text == "-") {
      actions.push_back(menu.addSeparator());
      continue;
    }
    QAction* a = menu.addAction(QString::fromStdString(item.text));
    a->setEnabled(item.enabled);
    actions.push_back(a);
  }
  QAction* chosen = menu.exec(where);
  auto it = std::find(actions.begin(), actions.end(), chosen);
  return chosen == nullptr || it == actions.end() ? 0 : static_cast<int>(it - actions.begin()) + 1;
}

int Window::current_tab(int sheet) const {
  const Control* c = at(sheet);
  return c ? c->current_tab : 0;
}

void Window::select_tab(int tab_control) {
  int sheet = sheet_of(tab_control);
  Control* s = at(sheet);
  if (s == nullptr) return;
  s->current_tab = tab_control;
  if (auto* w = static_cast<SheetWidget*>(s->widget)) {
    auto it = std::find(s->tabs.begin(), s->tabs.end(), tab_control);
    QSignalBlocker block(w->tabs());
    w->tabs()->setCurrentIndex(static_cast<int>(it - s->tabs.begin()));
  }
  apply_visibility();
}

// ---- keyboard and focus ----

void Window::press_default() {
  for (int n = 1; n <= count(); ++n) {
    Control* c = at(n);
    // Enter reaches the default button only while it can be seen and used.
    if (c->decl.is_default && visible(n) && !c->disabled) {
      post(Event{kEventAccepted, n, 0, 0});
      return;
    }
  }
}

void Window::on_focus_in(int number, Qt::FocusReason reason) {
  if (user_reason(reason)) post(Event{kEventSelected, number, 0, 0});
}

void Window::on_focus_out(int number, Qt::FocusReason reason) {
  Control* c = at(number);
  if (!user_reason(reason)) return;
  if (c->decl.kind == ControlKind::entry || c->decl.kind == ControlKind::text_box) {
    update(number);
    post(Event{kEventAccepted, number, 0, 0});
  }
}

bool Window::on_key(int number, QKeyEvent* e) {
  int code = key_code(e);
  if (code == 0) return false;
  Control* c = at(number);
  if (std::find(alerts_.begin(), alerts_.end(), code) != alerts_.end()) {
    QString t = e->text();
    post(Event{kEventAlertKey, number, code, t.isEmpty() ? 0 : t.toUcs4().value(0)});
    return true;
  }
  if (code != kEnterKey) return false;
  switch (c->decl.kind) {
    case ControlKind::entry:
      update(number);
      post(Event{kEventAccepted, number, 0, 0});
      press_default();
      return true;
    case ControlKind::button:
      post(Event{kEventAccepted, number, 0, 0});
      return true;
    case ControlKind::list:
    case ControlKind::drop_list:
      press_default();
      return true;
    default:
      return false;  // text boxes take Enter as a new line
  }
}

bool Window::eventFilter(QObject* watched, QEvent* event) {
  for (int n = 1; n <= count(); ++n) {
    Control* c = at(n);
    if (c->widget != watched) continue;
    switch (event->type()) {
      case QEvent::FocusIn:
        on_focus_in(n, static_cast<QFocusEvent*>(event)->reason());
        break;
      case QEvent::FocusOut:
        on_focus_out(n, static_cast<QFocusEvent*>(event)->reason());
        break;
      case QEvent::KeyPress:
        return on_key(n, static_cast<QKeyEvent*>(event));
      default:
        break;
    }
    return false;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ui
