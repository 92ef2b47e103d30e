// Window procedures calling one another: the caller waits on its own loop,
// the called form completes through its OK control, required entries hold
// the completion back, and automatic display shows what handlers change.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "platform/ui/window_manager.h"
#include "tests/ui/qt_environment.h"

namespace ui {
namespace {

using testing_ui::wait_until;

struct FormData {
  std::string code;
  int32_t counter = 0;
};

// A form with a required entry, a counter shown through auto display, an
// OK and a cancel button.
class Form : public WindowManager {
 public:
  explicit Form(FormData& d) : data_(d), window_(decl(d)) {}
  int Init() override {
    WindowManager::Init();
    FirstField = 1;
    OkControl = 3;
    OkChecksRequired = true;
    CancelControl = 4;
    Open(window_);
    return kLevelBenign;
  }
  int TakeSelected() override {
    ++data_.counter;  // no display call: the window redisplays by itself
    return kLevelBenign;
  }
  int TakeCompleted() override {
    completed_events++;
    return WindowManager::TakeCompleted();
  }
  Window& window_ref() { return window_; }
  int completed_events = 0;

 private:
  static WindowDecl decl(FormData& d) {
    WindowDecl w;
    w.caption = "Form";
    w.width = 200, w.height = 60;
    w.auto_display = true;
    w.system_menu = true;
    w.add(entry(Variable::of(d.code), "@s10").at(4, 4, 80, 12).req());
    w.add(display_text(Variable::of(d.counter), "@n5").at(100, 4, 40, 12));
    w.add(button("OK").at(4, 40, 40, 14).make_default());
    w.add(button("Cancel").at(50, 40, 40, 14));
    return w;
  }
  FormData& data_;
  Window window_;
};

class Caller : public WindowManager {
 public:
  Caller() : window_(decl()) {}
  int Init() override {
    WindowManager::Init();
    Open(window_);
    return kLevelBenign;
  }
  int TakeAccepted() override {
    int r = WindowManager::TakeAccepted();
    if (field() == 1) {
      form_response = Form(data).Run();  // waits here while the form runs
      return kLevelFatal;
    }
    return r;
  }
  FormData data;
  int form_response = -1;
  Window window_;

 private:
  static WindowDecl decl() {
    WindowDecl w;
    w.caption = "Caller";
    w.width = 100, w.height = 40;
    w.add(button("Open form").at(4, 4, 60, 14));
    return w;
  }
};

QWidget* active_form() {
  QWidget* w = QApplication::activeModalWidget();
  return w != nullptr && w->windowTitle() == "Form" ? w : nullptr;
}

TEST(WindowRunTest, CalledFormCompletesOnlyOnceItsRequiredEntryIsFilled) {
  Caller caller;
  // Should the script fail part-way, these end both loops instead of hanging.
  QTimer::singleShot(15000, [] {
    if (QWidget* f = active_form()) f->close();
  });
  QTimer::singleShot(20000, &caller.window_, [&] { caller.window_.post(Event{kEventCloseWindow, 0, 0, 0}); });
  QTimer::singleShot(0, &caller.window_, [&] {
    QTest::mouseClick(caller.window_.widget(1), Qt::LeftButton);
    // From here on the form's loop runs; this timer fires inside it.
    QTimer::singleShot(300, [&] {
      QWidget* form = active_form();
      ASSERT_NE(form, nullptr);
      auto* code = form->findChild<QLineEdit*>();
      auto* counter = form->findChild<QLabel*>();
      ASSERT_TRUE(wait_until([&] { return code->hasFocus(); }));
      ASSERT_TRUE(wait_until([&] { return counter->text() == "1"; })) << "auto display";
      QPushButton* ok = nullptr;
      for (auto* b : form->findChildren<QPushButton*>()) {
        if (b->text() == "OK") ok = b;
      }
      QTest::mouseClick(ok, Qt::LeftButton);  // the required entry is empty
      ASSERT_TRUE(wait_until([&] { return code->hasFocus(); })) << "focus back on the entry";
      EXPECT_TRUE(active_form() != nullptr) << "the form stays";
      QTest::keyClicks(code, "K5");
      QTest::keyClick(code, Qt::Key_Return);  // Enter presses the default OK
    });
  });
  EXPECT_EQ(caller.Run(), kResponseNone);
  EXPECT_EQ(caller.form_response, kResponseCompleted);
  EXPECT_EQ(caller.data.code, "K5");
  EXPECT_GE(caller.data.counter, 2) << "each focus arrival counted";
}

TEST(WindowRunTest, ContextMenuReturnsTheChosenItem) {
  WindowDecl d;
  d.width = 200, d.height = 100;
  d.add(list("40L~A~@s5@").at(4, 4, 150, 80));
  Window w(d);
  w.open();
  auto open_menu = []() -> QMenu* {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* m = qobject_cast<QMenu*>(top); m != nullptr && m->isVisible()) return m;
    }
    return nullptr;
  };
  QTimer::singleShot(50, [&] {
    QMenu* menu = open_menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    EXPECT_TRUE(menu->actions()[1]->isSeparator());
    menu->setActiveAction(menu->actions()[2]);
    QTest::keyClick(menu, Qt::Key_Return);
  });
  QTimer::singleShot(5000, [&] {  // never hang on a menu left open
    if (QMenu* m = open_menu()) m->close();
  });
  int chosen = w.popup(1, {{"&Insert", false}, {"-"}, {"&Editar"}, {"&Delete"}});
  EXPECT_EQ(chosen, 3);
}

}  // namespace
}  // namespace ui
