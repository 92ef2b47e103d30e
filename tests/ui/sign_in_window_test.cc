// The sign-in layout on real widgets: geometry from dialog units, the run
// loop, focus, hide/show/move at run time, Enter and the default button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <cstring>

#include "platform/ui/date.h"
#include "platform/ui/window_manager.h"
#include "tests/ui/qt_environment.h"

namespace ui {
namespace {

using testing_ui::save_screenshot;
using testing_ui::wait_until;

constexpr int32_t kKnownDni = 20123456;
const Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};

struct SignInData {
  int32_t dni = 0;
  uint8_t birth[4] = {0, 0, 0, 0};
  char teacher[80];
  SignInData() { std::memset(teacher, ' ', sizeof teacher); }
};

WindowDecl sign_in_layout(SignInData& data) {
  WindowDecl w;
  w.caption = "APP Nivel Inicial - 2022";
  w.width = 400, w.height = 106;
  w.font = {"Calibri", 8, false, std::nullopt};
  w.background = Rgb{230, 230, 230};
  w.auto_display = true;
  const std::string ok_icon = "C:\\ICONOS\\OK04.ico";
  w.add(fixed_text("Ingresa tu D.N.I.").at(4, 12, 388, 12).centered().trn().bold());
  w.add(entry(Variable::of(data.dni), "@n-14").at(168, 32, 60, 12).bold()
            .colors(kBlack, kWhite, kWhite, kBlack));
  w.add(display_text(Variable::of_chars(data.teacher, 80), "@s80").at(4, 56, 392).hide()
            .centered().trn().size(14).bold().text_color({0, 128, 255}));
  w.add(line().at(4, 72, 392, 0).line_color(kBlack));
  w.add(button("Aceptar").with_icon(ok_icon).at(116, 76, 80, 24).make_flat().bold());
  w.add(fixed_text("Clave (Fecha de Nacimiento):").at(0, 0, 388, 12).hide().centered().trn().bold());
  w.add(entry(Variable::of_date_field(data.birth), "@d06").at(168, 44, 60, 12).hide().bold()
            .colors(kBlack, kWhite, kWhite, kBlack).ovr().req());
  w.add(button("Aceptar").with_icon(ok_icon).at(28, 76, 80, 24).make_flat().bold().make_default());
  w.add(button("Salir").with_icon("C:\\ICONOS\\SALIR.ico").at(204, 76, 80, 24).make_flat().bold());
  return w;
}

// The sign-in procedure's decisions, against one known teacher.
class SignInProcedure : public WindowManager {
 public:
  SignInProcedure(Window& w, SignInData& d) : w_(w), d_(d) {}
  std::vector<Event> seen;
  int refused = 0;

  int Init() override {
    WindowManager::Init();
    FirstField = 1;
    Open(w_);
    return kLevelBenign;
  }
  int TakeEvent() override {
    seen.push_back(Event{event(), field(), keycode(), 0});
    return WindowManager::TakeEvent();
  }
  int TakeWindowEvent() override {
    int r = WindowManager::TakeWindowEvent();
    if (event() == kEventOpenWindow) w_.hide(8);
    return r;
  }
  int TakeFieldEvent() override {
    int r = WindowManager::TakeFieldEvent();
    if (field() != 2) return r;
    if (d_.dni == kKnownDni) {
      w_.hide(1), w_.hide(2);
      w_.set_position(3, kKeep, 8);
      std::memset(d_.teacher, ' ', 80);
      std::memcpy(d_.teacher, "PEREZ, ANA", 10);
      w_.unhide(3);
      w_.hide(5);
      w_.set_position(8, 116, kKeep);
      w_.unhide(8);
      w_.set_position(6, kKeep, 30);
      w_.unhide(6);
      w_.set_position(7, kKeep, 52);
      w_.unhide(7);
      w_.select(7);
    } else if (d_.dni != 0) {
      w_.unhide(3);
      std::string text = "No encontrado .....";
      std::memset(d_.teacher, ' ', 80);
      std::memcpy(d_.teacher, text.data(), text.size());
      w_.hide(8);
    }
    w_.display();
    return r;
  }
  int TakeAccepted() override {
    int r = WindowManager::TakeAccepted();
    if (r != kLevelBenign) return r;
    if (field() == 8) {
      Update();
      int32_t typed = Variable::of_date_field(d_.birth).get().as_number();
      if (typed == date_to_days(9, 3, 1975)) return kLevelFatal;
      ++refused;
      w_.display();
    } else if (field() == 9) {
      Update();
      return kLevelFatal;
    }
    return r;
  }

 private:
  Window& w_;
  SignInData& d_;
};

// Ends a run whose script failed part-way instead of hanging the test.
void watchdog(Window& w) {
  QTimer::singleShot(10000, &w, [&w] { w.post(Event{kEventCloseWindow, 0, 0, 0}); });
}

int px(int units, int base, int divisor) {
  return static_cast<int>(std::lround(static_cast<double>(units) * base / divisor));
}

TEST(SignInWindowTest, EveryControlSitsAtItsDialogUnitGeometry) {
  SignInData data;
  Window w(sign_in_layout(data));
  w.open();
  // The window font is the metric-compatible face, measured independently.
  QFont font = w.client()->font();
  EXPECT_EQ(QFontInfo(font).family(), "Carlito");
  QFontMetrics m(font);
  int avg = (m.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") + 26) / 52;
  int height = m.height();
  auto hx = [&](int u) { return px(u, avg, 4); };
  auto vy = [&](int u) { return px(u, height, 8); };
  EXPECT_EQ(w.client()->size(), QSize(hx(400), vy(106)));

  struct Expect {
    int control, x, y, w, h;
  };
  const Expect boxes[] = {
      {1, 4, 12, 388, 12}, {2, 168, 32, 60, 12}, {5, 116, 76, 80, 24}, {6, 0, 0, 388, 12},
      {7, 168, 44, 60, 12}, {8, 28, 76, 80, 24}, {9, 204, 76, 80, 24},
  };
  for (const Expect& e : boxes) {
    EXPECT_EQ(w.widget(e.control)->geometry(), QRect(hx(e.x), vy(e.y), hx(e.w), vy(e.h)))
        << "control " << e.control;
  }
  // The name line takes its height from its own 14-point bold font.
  QFont big = font;
  big.setPointSizeF(14);
  big.setBold(true);
  EXPECT_EQ(w.widget(3)->geometry(),
            QRect(hx(4), vy(56), hx(392), QFontMetrics(big).height()));
  // A line of height 0 is one pixel high.
  EXPECT_EQ(w.widget(4)->geometry(), QRect(hx(4), vy(72), hx(392), 1));
  // Centred on the screen.
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((w.top()->geometry().center() - screen.center()).manhattanLength(), 2);

  for (int c : {1, 2, 4, 5, 8, 9}) EXPECT_TRUE(w.visible(c)) << c;
  for (int c : {3, 6, 7}) EXPECT_FALSE(w.visible(c)) << c;
  w.hide(8);
  QImage shot = save_screenshot(w.top(), "sign_in_window.png");
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.pixelColor(2, 2), QColor(230, 230, 230));  // the window's background
  EXPECT_EQ(shot.pixelColor(hx(200), vy(72)), QColor(0, 0, 0));  // the black line
  EXPECT_EQ(shot.pixelColor(hx(170), vy(34)), QColor(255, 255, 255));  // the white entry
}

TEST(SignInWindowTest, SignInRunsOnTheWindowsOwnLoopUntilAHandlerEndsIt) {
  SignInData data;
  Window w(sign_in_layout(data));
  SignInProcedure procedure(w, data);
  watchdog(w);
  bool script_done = false;
  QTimer::singleShot(0, [&] {
    auto* dni = static_cast<QLineEdit*>(w.widget(2));
    ASSERT_TRUE(wait_until([&] { return dni->hasFocus(); })) << "focus goes to control 2";
    // An unknown DNI, then Enter: control 8 is hidden, so Enter only accepts.
    QTest::keyClicks(dni, "999");
    QTest::keyClick(dni, Qt::Key_Return);
    ASSERT_TRUE(wait_until([&] { return w.visible(3); }));
    EXPECT_EQ(static_cast<QLabel*>(w.widget(3))->text(), "No encontrado .....");
    for (const Event& e : procedure.seen) EXPECT_NE(e.control, 8);
    // The known DNI, then leaving the entry: the window reshapes itself.
    dni->selectAll();
    QTest::keyClicks(dni, std::to_string(kKnownDni).c_str());
    QTest::keyClick(dni, Qt::Key_Tab);
    auto* date = static_cast<QLineEdit*>(w.widget(7));
    ASSERT_TRUE(wait_until([&] { return w.visible(7) && date->hasFocus(); }));
    EXPECT_EQ(static_cast<QLabel*>(w.widget(3))->text(), "PEREZ, ANA");
    EXPECT_EQ(w.widget(3)->y(), w.units().y(8));
    EXPECT_EQ(w.widget(8)->x(), w.units().x(116));
    EXPECT_EQ(w.widget(7)->y(), w.units().y(52));
    for (int c : {1, 2, 5}) EXPECT_FALSE(w.visible(c)) << c;
    for (int c : {3, 4, 6, 7, 8, 9}) EXPECT_TRUE(w.visible(c)) << c;
    // A wrong date with Enter presses the default button, which refuses it.
    QTest::keyClicks(date, "9/3/1976");
    QTest::keyClick(date, Qt::Key_Return);
    ASSERT_TRUE(wait_until([&] { return procedure.refused == 1; }));
    EXPECT_EQ(date->text(), "09/03/1976") << "redisplayed through the picture";
    save_screenshot(w.top(), "sign_in_password.png");
    // Overwrite mode: the typed digit replaces the one at the cursor.
    date->setCursorPosition(9);
    QTest::keyClick(date, Qt::Key_5);
    EXPECT_EQ(date->text(), "09/03/1975");
    script_done = true;
    QTest::keyClick(date, Qt::Key_Return);
  });
  EXPECT_EQ(procedure.Run(), kResponseNone);
  EXPECT_TRUE(script_done);
  EXPECT_FALSE(w.is_open()) << "Kill closed the window";
  EXPECT_EQ(Variable::of_date_field(data.birth).get().as_number(), date_to_days(9, 3, 1975));
  // Enter on the date entry accepted it first, then pressed control 8.
  ASSERT_GE(procedure.seen.size(), 2u);
  const Event& last = procedure.seen.back();
  const Event& before = procedure.seen[procedure.seen.size() - 2];
  EXPECT_EQ(last.number, kEventAccepted);
  EXPECT_EQ(last.control, 8);
  EXPECT_EQ(before.number, kEventAccepted);
  EXPECT_EQ(before.control, 7);
  EXPECT_EQ(procedure.seen.front().number, kEventOpenWindow);
  // Opening gives the focus to control 2, a field event the lookup sees.
  EXPECT_EQ(procedure.seen[1].number, kEventSelected);
  EXPECT_EQ(procedure.seen[1].control, 2);
}

TEST(SignInWindowTest, ButtonsAcceptAndDisabledControlsAreSkippedByFocus) {
  SignInData data;
  Window w(sign_in_layout(data));
  SignInProcedure procedure(w, data);
  watchdog(w);
  QTimer::singleShot(0, [&] {
    ASSERT_TRUE(wait_until([&] { return w.widget(2)->hasFocus(); }));
    w.disable(5);
    w.select(3);  // 3 is hidden, 4 is a line, 5 disabled: the focus lands on 9
    EXPECT_TRUE(wait_until([&] { return w.widget(9)->hasFocus(); }));
    QTest::mouseClick(w.widget(9), Qt::LeftButton);
  });
  procedure.Run();
  EXPECT_EQ(procedure.seen.back().number, kEventAccepted);
  EXPECT_EQ(procedure.seen.back().control, 9);
}

}  // namespace
}  // namespace ui
