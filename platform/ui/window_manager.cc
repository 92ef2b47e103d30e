#include "platform/ui/window_manager.h"

namespace ui {

int WindowManager::Init() {
  Response = kResponseNone;
  return kLevelBenign;
}

int WindowManager::Kill() {
  if (window_ != nullptr && window_->is_open()) window_->close();
  return kLevelBenign;
}

int WindowManager::Run() {
  if (Init() == kLevelBenign) Ask();
  Kill();
  return Response;
}

int WindowManager::Run(int, int) { return kResponseNone; }

void WindowManager::Open(Window& window) {
  window_ = &window;
  window.open();
}

void WindowManager::Ask() {
  if (window_ == nullptr || !window_->is_open()) return;
  window_->run([this](const Event& e) {
    current_ = e;
    return TakeEvent() == kLevelFatal;
  });
}

int WindowManager::TakeEvent() {
  if (!is_field_event(current_.number) || current_.control == 0) return TakeWindowEvent();
  int result = kLevelBenign;
  switch (current_.number) {
    case kEventAccepted: result = TakeAccepted(); break;
    case kEventSelected: result = TakeSelected(); break;
    case kEventNewSelection: result = TakeNewSelection(); break;
    default: break;
  }
  if (result != kLevelBenign) return result;
  return TakeFieldEvent();
}

int WindowManager::TakeAccepted() {
  int control = current_.control;
  if (control != 0 && control == OkControl) {
    Update();
    if (OkChecksRequired && window_ != nullptr) {
      if (int empty = window_->first_empty_required()) {
        window_->select(empty);
        return kLevelBenign;
      }
    }
    if (window_ != nullptr) window_->post(Event{kEventCompleted, 0, 0, 0});
    return kLevelBenign;
  }
  if (control != 0 && control == CancelControl) {
    Response = CancelResponse;
    return kLevelFatal;
  }
  return kLevelBenign;
}

int WindowManager::TakeWindowEvent() {
  switch (current_.number) {
    case kEventOpenWindow:
      if (window_ != nullptr) window_->select(FirstField);
      return kLevelBenign;
    case kEventCloseWindow:
      Response = CancelResponse;
      return kLevelFatal;
    case kEventCompleted:
      return TakeCompleted();
    default:
      return kLevelBenign;
  }
}

int WindowManager::TakeCompleted() {
  Response = kResponseCompleted;
  return kLevelFatal;
}

void WindowManager::Update() {
  if (window_ != nullptr) window_->update(0);
}

void WindowManager::Reset(bool) {
  if (window_ != nullptr) window_->display(0);
}

}  // namespace ui
