// The window as designed and nothing more: the twelve controls of the layout table, made by
// setup.exe's own code, no tool tips, no icon, no settings file. Built with
// WITH_VISUAL_STYLES, under setup.exe's manifest (common controls version 6) and with
// InitCommonControlsEx, it is the window as the player sees it: no program that shows this
// window can start faster, and setup.exe's start-up is measured against it. Built without, it
// shows what the visual styles cost.
#include <windows.h>
#ifdef WITH_VISUAL_STYLES
#include <commctrl.h>
#endif

#include "shell/Controls_win.h"
#include "shell/Layout.h"
#include "shell/Placement_win.h"

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifdef WITH_VISUAL_STYLES
  const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
#endif
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"PlainControls";
  RegisterClassW(&windowClass);

  // Made at once at its size and in its place, the quickest way: setup.exe makes its window
  // hidden first, to learn the DPI of the screen it will be on.
  const UINT dpi = shell::systemDpi();
  const SIZE size = shell::windowSizeFor(dpi);
  // Centred, as designed: where setup.exe's window shows, under the same pointer.
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const POINT place = shell::centredIn(work, size);
  const HWND window =
      CreateWindowExW(0, L"PlainControls", shell::kWindowCaption, shell::kWindowStyle, place.x,
                      place.y, size.cx, size.cy, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  shell::Controls controls;
  controls.create(window, instance, dpi);

  ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
