// Message boxes as the user sees them: captions, buttons, default, icon, and
// the answers the error manager returns.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/ui/message_box.h"
#include "tests/ui/qt_environment.h"

namespace ui {
namespace {

struct SeenBox {
  std::string title, text;
  std::vector<std::string> buttons;
  std::string default_button;
  QMessageBox::Icon icon;
};

// Answers every box that opens by pressing the button captioned `press`
// (or Enter, which presses the default, when `press` is empty).
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::vector<std::string> presses) : presses_(std::move(presses)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start();
  }
  std::vector<SeenBox> seen;

 private:
  void answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    // Boxes live on the stack: a later one may reuse an earlier one's address.
    if (box == nullptr || box->property("answered").toBool()) return;
    box->setProperty("answered", true);
    SeenBox s{box->windowTitle().toStdString(), box->text().toStdString(), {}, "", box->icon()};
    for (QAbstractButton* b : box->buttons()) s.buttons.push_back(b->text().toStdString());
    if (box->defaultButton()) s.default_button = box->defaultButton()->text().toStdString();
    seen.push_back(s);
    std::string press = presses_.empty() ? "" : presses_.front();
    if (!presses_.empty()) presses_.erase(presses_.begin());
    for (QAbstractButton* b : box->buttons()) {
      if (!press.empty() && b->text().toStdString() == press) return b->click();
    }
    box->defaultButton()->click();
  }
  QTimer timer_;
  std::vector<std::string> presses_;
};

class RecordingPresenter : public QtMessagePresenter {
 public:
  int exit_code = -1;
  void end_program(int code) override { exit_code = code; }
};

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(MessageBoxTest, EachSeverityShowsItsButtonsAndIconAndAnswersItsValue) {
  RecordingPresenter presenter;
  platform::ErrorClass errors;
  platform::ErrorStatusClass status;
  errors.Init(status);
  errors.SetPresenter(&presenter);
  {
    BoxAnswerer user({"&No"});
    EXPECT_EQ(errors.Throw(platform::kMsgConfirmDelete), 4);
    ASSERT_EQ(user.seen.size(), 1u);
    EXPECT_EQ(user.seen[0].title, "Confirm Delete");
    EXPECT_EQ(sorted(user.seen[0].buttons), (std::vector<std::string>{"&No", "&Yes"}));
    EXPECT_EQ(user.seen[0].default_button, "&Yes");
    EXPECT_EQ(user.seen[0].icon, QMessageBox::Question);
  }
  {
    BoxAnswerer user({});
    EXPECT_EQ(errors.Throw(platform::kMsgConfirmDelete), 0) << "Enter answers Yes";
  }
  {
    BoxAnswerer user({});
    EXPECT_EQ(errors.Throw(platform::kMsgNoRecords), 5);
    ASSERT_EQ(user.seen.size(), 1u);
    EXPECT_EQ(user.seen[0].buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(user.seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(user.seen[0].text, "There are no records available to process.");
  }
  {
    BoxAnswerer user({});
    int answer = errors.Message(platform::kMsgSaveRecord,
                                platform::kButtonYes | platform::kButtonNo | platform::kButtonCancel,
                                platform::kButtonCancel);
    EXPECT_EQ(answer, platform::kButtonCancel) << "Cancel is the default";
    EXPECT_EQ(sorted(user.seen[0].buttons), (std::vector<std::string>{"&No", "&Yes", "Cancel"}));
  }
  {
    BoxAnswerer user({});
    errors.SetErrors(5, "Access Denied");
    errors.ThrowFile(platform::kMsgOpenError, "QVLIBJAR.TPS");
    ASSERT_EQ(user.seen.size(), 2u);
    EXPECT_EQ(user.seen[0].text,
              "File QVLIBJAR.TPS could not be opened.  Error: Access Denied (5)."
              "  Press OK to end this application");
    EXPECT_EQ(user.seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(user.seen[1].title, "Halt");
    EXPECT_EQ(user.seen[1].text, "File Access Error");
    EXPECT_EQ(presenter.exit_code, 0);
  }
}

}  // namespace
}  // namespace ui
