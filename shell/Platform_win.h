// The platform services on Windows.
#pragma once

#include <windows.h>

#include "shell/Platform.h"

namespace shell {

class WindowsPlatform final : public Platform {
 public:
  // Message boxes are owned by `window` once it is visible; before that they stand alone.
  explicit WindowsPlatform(HWND window) : window_(window) {}

  void showMessage(const std::string& text, const std::string& title) override;
  bool ask(const std::string& text, const std::string& title) override;
  std::optional<std::string> runningProgramIn(const std::string& folder) override;
  void pause(int milliseconds) override;
  void openInTextEditor(const std::string& file) override;

 private:
  HWND owner() const { return window_ && IsWindowVisible(window_) ? window_ : nullptr; }

  HWND window_;
};

}  // namespace shell
