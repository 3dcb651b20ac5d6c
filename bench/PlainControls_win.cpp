// The window as designed and nothing more: the twelve controls of the layout table with their
// captions, places and fonts, no tool tips, no icon, no settings file. Built with
// WITH_VISUAL_STYLES, under setup.exe's manifest (common controls version 6) and with
// InitCommonControlsEx, it is the window as the player sees it: no program that shows this
// window can start faster, and setup.exe's start-up is measured against it. Built without, it
// shows what the visual styles cost.
#include <windows.h>
#ifdef WITH_VISUAL_STYLES
#include <commctrl.h>
#endif

#include "shell/Layout.h"

namespace {

using shell::ControlKind;
using shell::kLayout;

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

int px(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

DWORD styleOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return SS_LEFT;
    case ControlKind::Frame:
      return BS_GROUPBOX;
    case ControlKind::CheckBox:
      return BS_3STATE | WS_TABSTOP;
    case ControlKind::OptionButton:
      return BS_AUTORADIOBUTTON;
    case ControlKind::CommandButton:
      break;
  }
  return BS_PUSHBUTTON | WS_TABSTOP;
}

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

  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT frame{0, 0, px(shell::kClientWidth, dpi), px(shell::kClientHeight, dpi)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  // Centred, as designed: where setup.exe's window shows, under the same pointer.
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const HWND window =
      CreateWindowExW(0, L"PlainControls", shell::kWindowCaption, kWindowStyle,
                      (work.left + work.right - width) / 2, (work.top + work.bottom - height) / 2,
                      width, height, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;

  const auto font = [dpi](int weight) {
    return CreateFontW(-MulDiv(shell::kFontSize, dpi, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, shell::kFontFace);
  };
  const HFONT normal = font(FW_NORMAL), bold = font(FW_BOLD);
  const auto& box = shell::layoutOf(shell::Control::fraSettings);
  for (const auto& row : kLayout) {
    const bool inFrame = row.in == shell::Container::Frame;
    const int left = row.left + (inFrame ? box.left : 0), top = row.top + (inFrame ? box.top : 0);
    const HWND control = CreateWindowExW(0, row.kind == ControlKind::Label ? L"Static" : L"Button",
                                         row.caption, WS_CHILD | WS_VISIBLE | styleOf(row.kind),
                                         px(left, dpi), px(top, dpi), px(row.width, dpi),
                                         px(row.height, dpi), window, nullptr, instance, nullptr);
    SendMessageW(control, WM_SETFONT,
                 reinterpret_cast<WPARAM>(row.kind == ControlKind::Frame ? bold : normal), FALSE);
  }

  ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
