#include "shell/Placement_win.h"

#include "shell/Layout.h"
#include "win32/Helpers_win.h"

namespace shell {

using win32::newerFunction;

int px(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

UINT systemDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

UINT dpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow =
      newerFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  return getDpiForWindow ? getDpiForWindow(window) : systemDpi();
}

namespace {

// The window size that gives a client area of `width` by `height` at `dpi`.
SIZE windowSizeFor(int width, int height, UINT dpi) {
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi =
      newerFunction<AdjustForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT rect{0, 0, width, height};
  if (adjustForDpi) {
    adjustForDpi(&rect, kWindowStyle, FALSE, 0, dpi);
  } else {
    AdjustWindowRectEx(&rect, kWindowStyle, FALSE, 0);
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

SIZE windowSizeFor(UINT dpi) {
  return windowSizeFor(px(kClientWidth, dpi), px(kClientHeight, dpi), dpi);
}

void fitClientArea(HWND window, UINT dpi) {
  const int width = px(kClientWidth, dpi), height = px(kClientHeight, dpi);
  const SIZE size = windowSizeFor(width, height, dpi);
  SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame may be drawn at another DPI than the one asked for (Wine keeps the system's
  // when told of a new one), so the client area is measured and the difference made good.
  RECT client;
  GetClientRect(window, &client);
  if (client.right != width || client.bottom != height) {
    SetWindowPos(window, nullptr, 0, 0, size.cx + width - client.right,
                 size.cy + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

POINT centredIn(const RECT& work, SIZE size) {
  return {work.left + (work.right - work.left - size.cx) / 2,
          work.top + (work.bottom - work.top - size.cy) / 2};
}

void centre(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT rect;
  GetWindowRect(window, &rect);
  const POINT place = centredIn(monitor.rcWork, {rect.right - rect.left, rect.bottom - rect.top});
  SetWindowPos(window, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace shell
