// Lists on real widgets: the pupil list's colours and borders as drawn, the
// drop-down variant, and what the user's keys and clicks report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTest>
#include <QTableView>

#include "platform/ui/window.h"
#include "tests/ui/qt_environment.h"

namespace ui {
namespace {

using testing_ui::wait_until;

constexpr const char* kPupilFormat =
    "60R(2)|_~NRO_LEGAJO~L@n-14@215L(2)|_~ALUMNO~@s30@E(,0E6E6E6H,,)300L(2)|_@s255@"
    "300L(2)|_@s255@56R(2)|_~NRO_REGISTRO~L@n-14@E(00H,00H,00H,00H)";

struct Pupil {
  int32_t legajo;
  std::string name, first, second;
  int32_t record;
};

class PupilRows : public ListSource {
 public:
  std::vector<Pupil> rows_;
  int rows() const override { return static_cast<int>(rows_.size()); }
  Value field(int row, int field) const override {
    const Pupil& p = rows_[row];
    switch (field) {
      case 1: return Value::of_number(p.legajo);
      case 2: return Value::of_text(p.name);
      case 3: return Value::of_text(p.first);
      case 4: return Value::of_text(p.second);
      case 5: return Value::of_number(p.record);
      default: return {};
    }
  }
};

WindowDecl pupil_window(bool immediate) {
  WindowDecl w;
  w.has_caption = false;
  w.width = 900, w.height = 200;
  w.font = {"Consolas", 8, false, std::nullopt};
  w.background = Rgb{230, 230, 230};
  ControlDecl l = list(kPupilFormat).at(4, 4, 892, 150).with_vscroll()
                      .colors({0, 0, 0}, {255, 255, 255}, {255, 255, 255}, {0, 128, 255})
                      .grid_color({192, 192, 192});
  if (immediate) l.imm();
  w.add(l);
  w.add(drop_list("200L(2)|_~MATERIA~@s60@E(,0E6E6E6H,,)100L(2)|_~CICLO~@s30@", 20)
            .at(4, 160, 432, 12).bold()
            .colors({0, 0, 0}, {255, 255, 255}, {255, 255, 255}, {0, 128, 255}));
  return w;
}

PupilRows three_pupils() {
  PupilRows r;
  r.rows_ = {{101, "ACOSTA, Juan", std::string(300, 'a'), "", 11},
             {102, "BENITEZ, Ana", "Progresa bien", "Muy bien", 12},
             {103, "CORREA, Luz", "", "", 13}};
  return r;
}

std::vector<Event> drain_events(Window& w, int wait_ms = 200) {
  std::vector<Event> seen;
  QTimer::singleShot(wait_ms, &w, [&w] { w.post(Event{kEventCloseWindow, 0, 0, 0}); });
  w.run([&](const Event& e) {
    if (e.number == kEventCloseWindow) return true;
    if (e.number != kEventOpenWindow) seen.push_back(e);
    return false;
  });
  return seen;
}

TEST(ListControlTest, ColumnsDrawTheirColoursBordersAndPictures) {
  Window w(pupil_window(false));
  PupilRows rows = three_pupils();
  w.open();
  w.set_list_source(1, &rows);
  w.refresh_list(1);
  w.select_row(1, 2);
  auto* view = static_cast<QTableView*>(w.widget(1));
  const DialogUnits& u = w.units();
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(view->columnWidth(c), u.x(std::vector<int>{60, 215, 300, 300, 56}[c]));
  }
  auto* model = view->model();
  EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "NRO_LEGAJO");
  EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignLeft,
            Qt::AlignLeft);
  EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "");
  EXPECT_EQ(model->data(model->index(0, 2), Qt::DisplayRole).toString().size(), 255);
  EXPECT_EQ(model->data(model->index(0, 0), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
            Qt::AlignRight);

  QImage shot = testing_ui::save_screenshot(view, "pupil_list.png");
  auto cell = [&](int row, int col) { return view->visualRect(model->index(row, col)); };
  auto at = [&](QRect r, int dx, int dy) {
    QPoint p = view->viewport()->mapTo(view, r.topLeft() + QPoint(dx, dy));
    return shot.pixelColor(p);
  };
  EXPECT_EQ(at(cell(0, 1), 1, 1), QColor(230, 230, 230)) << "ALUMNO column background";
  EXPECT_EQ(at(cell(0, 2), 1, 1), QColor(255, 255, 255)) << "list background";
  EXPECT_EQ(at(cell(1, 0), 1, 1), QColor(0, 128, 255)) << "selected row";
  // The last column lies past the right edge: bring it into view first.
  view->scrollTo(model->index(0, 4));
  shot = view->grab().toImage();
  for (int row = 0; row < 3; ++row) {
    QRect r = cell(row, 4);
    for (int dx = 0; dx < r.width() - 1; dx += 3) {
      EXPECT_EQ(at(r, dx, r.height() / 2), QColor(0, 0, 0)) << "black on black, row " << row;
    }
  }
  view->scrollTo(model->index(0, 0));
  shot = view->grab().toImage();
  QRect first = cell(0, 0);
  EXPECT_EQ(at(first, first.width() - 1, 2), QColor(192, 192, 192)) << "right border";
  EXPECT_EQ(at(first, 3, first.height() - 1), QColor(192, 192, 192)) << "underline";
}

TEST(ListControlTest, KeysClicksAndTheContextMenuReachTheProgram) {
  Window w(pupil_window(false));
  PupilRows rows = three_pupils();
  w.open();
  w.set_list_source(1, &rows);
  w.refresh_list(1);
  w.select_row(1, 1);
  QTimer::singleShot(0, [&] {
    QWidget* list = w.widget(1);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Delete);
    QTest::keyClick(list, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_B);
    auto* view = static_cast<QTableView*>(list);
    QPoint middle = view->visualRect(view->model()->index(2, 1)).center();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, middle);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, middle, view->viewport()->mapToGlobal(middle));
    QApplication::sendEvent(view->viewport(), &menu);
  });
  std::vector<Event> seen = drain_events(w);
  auto has = [&](int number, int keycode) {
    for (const Event& e : seen) {
      if (e.number == number && e.control == 1 && (keycode == 0 || e.keycode == keycode)) return true;
    }
    return false;
  };
  EXPECT_TRUE(has(kEventNewSelection, 0));
  EXPECT_TRUE(has(kEventAlertKey, kDeleteKey));
  EXPECT_TRUE(has(kEventAlertKey, kCtrlEnter));
  EXPECT_TRUE(has(kEventAccepted, kMouseLeft2));
  EXPECT_TRUE(has(kEventContextMenu, kMouseRight));
  bool typed_b = false;
  for (const Event& e : seen) typed_b |= e.number == kEventAlertKey && e.keychar == U'b';
  EXPECT_TRUE(typed_b) << "the locator gets the typed character";
  EXPECT_EQ(w.selected_row(1), 3);
}

TEST(ListControlTest, ImmediateListsReportScrollingInsteadOfScrolling) {
  Window w(pupil_window(true));
  PupilRows rows = three_pupils();
  w.open();
  w.set_list_source(1, &rows);
  w.refresh_list(1);
  w.select_row(1, 3);
  EXPECT_GT(w.rows_visible(1), 3);
  QTimer::singleShot(0, [&] {
    QWidget* list = w.widget(1);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);  // already on the last row held
    QTest::keyClick(list, Qt::Key_PageUp);
    QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
  });
  std::vector<Event> seen = drain_events(w);
  std::vector<int> numbers;
  for (const Event& e : seen) numbers.push_back(e.number);
  EXPECT_EQ(numbers, (std::vector<int>{kEventScrollDown, kEventPageUp, kEventScrollTop}));
}

TEST(ListControlTest, DropListDropsTwentyRowsAndKeepsItsSelection) {
  Window w(pupil_window(false));
  PupilRows rows = three_pupils();
  w.open();
  w.set_list_source(2, &rows);
  w.refresh_list(2);
  auto* combo = static_cast<QComboBox*>(w.widget(2));
  EXPECT_EQ(combo->maxVisibleItems(), 20);
  EXPECT_EQ(w.selected_row(2), 1);
  w.select_row(2, 3);
  w.refresh_list(2);
  EXPECT_EQ(w.selected_row(2), 3);
  QImage shot = testing_ui::save_screenshot(combo, "drop_list.png");
  EXPECT_FALSE(shot.isNull());
}

TEST(ListControlTest, TextBoxRefusesTextBeyondItsLimit) {
  std::string memo = "abc";
  WindowDecl d;
  d.width = 200, d.height = 100;
  d.add(text_box(Variable::of(memo)).at(4, 4, 150, 60).max_chars(5).with_box());
  d.add(button("OK").at(4, 70, 40, 14));
  Window w(d);
  w.open();
  auto* box = static_cast<QPlainTextEdit*>(w.widget(1));
  EXPECT_EQ(box->toPlainText(), "abc");
  box->setFocus();
  box->moveCursor(QTextCursor::End);
  QTest::keyClicks(box, "defgh");
  EXPECT_EQ(box->toPlainText(), "abcde");
  box->insertPlainText("xyz");  // a paste-like insertion is cut back too
  EXPECT_EQ(box->toPlainText().size(), 5);
  w.update(1);
  EXPECT_EQ(memo.size(), 5u);
}

}  // namespace
}  // namespace ui

namespace ui {
namespace {

// Rows that carry their own colours in the four fields after the text.
class ColouredRows : public ListSource {
 public:
  int rows() const override { return 2; }
  Value field(int row, int field) const override {
    if (field == 1) return Value::of_text(row == 0 ? "red" : "plain");
    if (row == 1) return Value::of_number(-1);  // no colour of its own
    const int64_t colours[] = {0xFFFFFF, 0x0000FF, 0x000000, 0x00FF00};  // 0x00BBGGRR
    return Value::of_number(colours[field - 2]);
  }
};

TEST(ListControlTest, RowsMayCarryTheirOwnColours) {
  WindowDecl d;
  d.width = 200, d.height = 100;
  d.add(list("80L*@s10@E(,0E6E6E6H,,)").at(4, 4, 150, 80));
  Window w(d);
  w.open();
  ColouredRows rows;
  w.set_list_source(1, &rows);
  w.refresh_list(1);
  auto* view = static_cast<QTableView*>(w.widget(1));
  QImage shot = view->viewport()->grab().toImage();
  auto pixel = [&](int row) { return shot.pixelColor(view->visualRect(view->model()->index(row, 0)).topLeft() + QPoint(1, 1)); };
  EXPECT_EQ(pixel(0), QColor(255, 0, 0)) << "the row's own background";
  EXPECT_EQ(pixel(1), QColor(230, 230, 230)) << "the column's background";
}

}  // namespace
}  // namespace ui
