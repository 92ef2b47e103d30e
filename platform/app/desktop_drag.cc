#include "platform/app/desktop_drag.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace platform {
namespace {

// The window manager of this desktop keeps the setting inverted: "box_move"
// true means an outline is dragged instead of the window's contents.
constexpr const char* kQueryTool = "xfconf-query";
constexpr const char* kChannel = "xfwm4";
constexpr const char* kProperty = "/general/box_move";

// Runs `args` (no shell), returns its exit status and standard output.
int run_tool(const std::vector<std::string>& args, std::string* output) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (rc != 0) {
    close(pipe_fds[0]);
    return -1;
  }
  char buffer[256];
  ssize_t n;
  while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) output->append(buffer, n);
  close(pipe_fds[0]);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class WindowManagerDragSetting : public DesktopDragSetting {
 public:
  std::optional<bool> read() override {
    std::string out;
    if (run_tool({kQueryTool, "-c", kChannel, "-p", kProperty}, &out) != 0) return std::nullopt;
    if (out.rfind("true", 0) == 0) return false;
    if (out.rfind("false", 0) == 0) return true;
    return std::nullopt;
  }
  bool write(bool full_drag) override {
    std::string out;
    return run_tool({kQueryTool, "-c", kChannel, "-p", kProperty, "-s",
                     full_drag ? "false" : "true"},
                    &out) == 0;
  }
};

}  // namespace

std::unique_ptr<DesktopDragSetting> make_desktop_drag_setting() {
  return std::make_unique<WindowManagerDragSetting>();
}

void DesktopDragSwitch::switch_off() {
  was_on_ = setting_.read().value_or(false);
  restored_ = false;
  if (was_on_) setting_.write(false);
}

void DesktopDragSwitch::restore() {
  if (!was_on_ || restored_) return;
  restored_ = true;
  setting_.write(true);
}

}  // namespace platform
