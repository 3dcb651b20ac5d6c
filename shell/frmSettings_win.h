// frmSettings: the program's one window. Its setting controls are the settings form state,
// so the window is also what the load writes into and the save reads from.
#pragma once

#include <windows.h>

#include "settingsfile/SettingsForm.h"
#include "shell/Controls_win.h"
#include "shell/Layout.h"
#include "win32/Helpers_win.h"

namespace shell {

class frmSettings final : public settingsfile::SettingsForm {
 public:
  // Creates the window and every control, hidden, each control in its initial state.
  explicit frmSettings(HINSTANCE instance);
  ~frmSettings() override;
  frmSettings(const frmSettings&) = delete;
  frmSettings& operator=(const frmSettings&) = delete;

  // The program's life: the load, then the window until the player ends it. Returns the
  // process's exit code.
  int run();

  void setCheckState(settingsfile::CheckBox box, int state) override;
  int checkState(settingsfile::CheckBox box) const override;
  void selectOption(settingsfile::TextureOption option) override;
  bool isSelected(settingsfile::TextureOption option) const override;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void onCommand(int id, int notification);
  void onActivate(bool active);
  void onDpiChanged(UINT dpi, const RECT& suggested);

  // Made when first needed (see run()): the window shows sooner without them.
  void addToolTips();
  void toggle(Control box);
  HWND control(Control name) const { return controls_[name]; }

  HINSTANCE instance_;
  // The window class's icons: they must outlive the window.
  win32::Icon icon_;
  win32::Icon smallIcon_;
  HWND window_ = nullptr;
  Controls controls_;
  HWND toolTips_ = nullptr;
  HWND lastFocus_ = nullptr;  // given back the focus when the window is activated again
  bool busy_ = false;         // a command is running, and perhaps showing a message
};

}  // namespace shell
