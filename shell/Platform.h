// The platform services the window's handlers rely on besides their files, behind one
// small interface so that the handlers can be run natively against a stand-in.
#pragma once

#include <exception>
#include <optional>
#include <string>

namespace shell {

// The system refused to do something; what() is the system's own reason.
class SystemFailure : public std::exception {
 public:
  explicit SystemFailure(std::string reason) : reason_(std::move(reason)) {}
  const char* what() const noexcept override { return reason_.c_str(); }

 private:
  std::string reason_;
};

class Platform {
 public:
  virtual ~Platform() = default;
  // A modal message box with one OK button and no icon, in front of the window once the
  // window is shown. Returns when the player dismisses it. Texts are UTF-8.
  virtual void showMessage(const std::string& text, const std::string& title) = 0;
  // A modal question with the buttons Yes and No, No the default, in front of the window.
  // Returns whether the player answered Yes.
  virtual bool ask(const std::string& text, const std::string& title) = 0;
  // The file name ("KOLT-Game.exe") of a running program, other than this one, whose file is
  // in `folder` (relative to the current directory, or full), however either is spelt;
  // nothing when none that the system lets this program see is.
  virtual std::optional<std::string> runningProgramIn(const std::string& folder) = 0;
  // Waits, showing the player that the program is busy.
  virtual void pause(int milliseconds) = 0;
  // Starts the system's own text editor on `file`, relative to the current directory, in a
  // normal window that takes the focus; returns without waiting for it. Throws
  // SystemFailure when the editor cannot be started.
  virtual void openInTextEditor(const std::string& file) = 0;
};

}  // namespace shell
