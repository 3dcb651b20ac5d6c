// remote.exe: lets a script drive setup.exe from outside, under Wine.
//   remote wait           waits for the settings window and prints its rectangle as WxH+X+Y
//   remote click CAPTION  clicks the window's button with that caption
// Exits non-zero when the window or the button is not there within 15 seconds.
#include <windows.h>

#include <cstdio>
#include <string>

#include "shell/Layout.h"

namespace {

HWND waitForWindow() {
  for (int tries = 0; tries < 750; ++tries) {
    const HWND window = FindWindowW(nullptr, shell::kWindowCaption);
    if (window && IsWindowVisible(window)) return window;
    Sleep(20);
  }
  return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  const HWND window = waitForWindow();
  if (!window) {
    std::fputs("remote: the settings window did not appear\n", stderr);
    return 1;
  }
  if (command == L"wait") {
    RECT rect;
    GetWindowRect(window, &rect);
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left,
                rect.top);
    return 0;
  }
  if (command == L"click" && argc > 2) {
    const HWND button = FindWindowExW(window, nullptr, L"Button", argv[2]);
    if (!button) {
      std::fprintf(stderr, "remote: no button %ls\n", argv[2]);
      return 1;
    }
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  std::fputs("usage: remote wait | remote click CAPTION\n", stderr);
  return 2;
}
