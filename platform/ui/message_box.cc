#include "platform/ui/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>
#include <map>

namespace ui {
namespace {

using platform::MessageIcon;

constexpr int kAllButtons[] = {platform::kButtonOk,     platform::kButtonYes,
                               platform::kButtonNo,     platform::kButtonAbort,
                               platform::kButtonRetry,  platform::kButtonIgnore,
                               platform::kButtonCancel, platform::kButtonHelp};

QMessageBox::Icon qt_icon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::question: return QMessageBox::Question;
    case MessageIcon::exclamation: return QMessageBox::Warning;
    case MessageIcon::information: return QMessageBox::Information;
    case MessageIcon::stop: return QMessageBox::Critical;
    case MessageIcon::none: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole role_of(int button) {
  switch (button) {
    case platform::kButtonOk:
    case platform::kButtonYes:
    case platform::kButtonRetry: return QMessageBox::AcceptRole;
    case platform::kButtonNo: return QMessageBox::NoRole;
    case platform::kButtonCancel:
    case platform::kButtonAbort: return QMessageBox::RejectRole;
    case platform::kButtonHelp: return QMessageBox::HelpRole;
    default: return QMessageBox::ActionRole;
  }
}

}  // namespace

const char* button_caption(int button) {
  switch (button) {
    case platform::kButtonOk: return "OK";
    case platform::kButtonYes: return "&Yes";
    case platform::kButtonNo: return "&No";
    case platform::kButtonAbort: return "&Abort";
    case platform::kButtonRetry: return "&Retry";
    case platform::kButtonIgnore: return "&Ignore";
    case platform::kButtonCancel: return "Cancel";
    case platform::kButtonHelp: return "&Help";
  }
  return "";
}

int QtMessagePresenter::show(const platform::MessageBox& box) {
  QMessageBox m(qt_icon(box.icon), QString::fromStdString(box.title),
                QString::fromStdString(box.text), QMessageBox::NoButton,
                QApplication::activeWindow());
  m.setTextFormat(Qt::PlainText);
  std::map<QAbstractButton*, int> values;
  QPushButton* escape = nullptr;
  for (int value : kAllButtons) {
    if ((box.buttons & value) == 0) continue;
    QPushButton* b = m.addButton(QString::fromLatin1(button_caption(value)), role_of(value));
    values[b] = value;
    if (value == box.default_button) m.setDefaultButton(b);
    if (value == platform::kButtonCancel || (value == platform::kButtonNo && escape == nullptr)) {
      escape = b;
    }
  }
  if (escape != nullptr) m.setEscapeButton(escape);
  m.exec();
  auto it = values.find(m.clickedButton());
  return it != values.end() ? it->second : box.default_button;
}

void QtMessagePresenter::end_program(int exit_code) {
  if (before_exit_) before_exit_();
  std::exit(exit_code);
}

}  // namespace ui
