// The window's sizes and place at a DPI: twips to pixels, the DPI a window is drawn at, the
// window's size for the layout's client area and its place in the middle of the screen.
// setup.exe and the start-up benchmark's floor both size their window with these.
#pragma once

#include <windows.h>

namespace shell {

inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

// Twips to pixels at `dpi`, rounded: the one scaling of the layout.
int px(int twips, UINT dpi);

// The DPI of the screen, for a window not yet made or a system with no DPI of its own per window.
UINT systemDpi();
UINT dpiOf(HWND window);

// The size of a window of kWindowStyle whose client area is the layout's at `dpi`.
SIZE windowSizeFor(UINT dpi);
// Sizes `window` so that its client area is the layout's at `dpi`.
void fitClientArea(HWND window, UINT dpi);

// Where a window of `size` stands in the middle of `work`.
POINT centredIn(const RECT& work, SIZE size);
// Moves `window` to the middle of the primary screen's work area, leaving its size.
void centre(HWND window);

}  // namespace shell
