// The twelve controls of the layout table as child windows of a window at a DPI: their
// classes and styles, their places in pixels and their fonts. setup.exe's window is made of
// them, and so is the start-up benchmark's floor, which is therefore the same window.
#pragma once

#include <windows.h>

#include <array>

#include "shell/Layout.h"
#include "win32/Helpers_win.h"

namespace shell {

// Control IDs start well above IDOK (1) and IDCANCEL (2): IsDialogMessage sends those for
// Enter and Escape, and neither key may press a button.
inline constexpr int kFirstControlId = 100;

class Controls {
 public:
  // Creates every control in `parent`, once, in its place at `dpi` and with its font, the
  // control of row i with the ID kFirstControlId + i.
  void create(HWND parent, HINSTANCE instance, UINT dpi);

  // Places every control again for `dpi`, with new fonts.
  void layOut(UINT dpi);

  HWND operator[](Control name) const { return windows_[static_cast<int>(name)]; }

 private:
  void makeFonts(UINT dpi);
  HFONT fontOf(const ControlLayout& row) const;

  std::array<HWND, kControlCount> windows_{};  // in the table's order; the parent owns them
  win32::Font font_;
  win32::Font frameFont_;
};

}  // namespace shell
