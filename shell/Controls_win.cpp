#include "shell/Controls_win.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "shell/Placement_win.h"
#include "shell/Platform.h"

namespace shell {

using win32::Font;

namespace {

struct Place {
  int left, top, width, height;
};

// Where a control goes in the window's client area at `dpi`.
Place placeOf(const ControlLayout& row, UINT dpi) {
  const ControlLayout& frame = layoutOf(Control::fraSettings);
  const int left = row.left + (row.in == Container::Frame ? frame.left : 0);
  const int top = row.top + (row.in == Container::Frame ? frame.top : 0);
  return {px(left, dpi), px(top, dpi), px(row.width, dpi), px(row.height, dpi)};
}

Font makeFont(UINT dpi, int weight) {
  return Font(CreateFontW(-MulDiv(kFontSize, static_cast<int>(dpi), 7200), 0, 0, 0, weight, FALSE,
                          FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace));
}

}  // namespace

void Controls::create(HWND parent, HINSTANCE instance, UINT dpi) {
  makeFonts(dpi);
  // Creation order is tab order, and also z-order, first on top. A frame goes last, under
  // everything it contains: the option buttons that lie over it would otherwise be hidden.
  // Labels and frames take no focus, so moving them changes no tab stop.
  // Sorted once, by the compiler; tab indexes are unique, so no two keys are equal.
  static constexpr std::array<int, kControlCount> order = [] {
    std::array<int, kControlCount> sorted{};
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(), [](int a, int b) {
      const auto key = [](int i) {
        return std::make_pair(kLayout[i].kind == ControlKind::Frame, kLayout[i].tabIndex);
      };
      return key(a) < key(b);
    });
    return sorted;
  }();

  bool inOptionGroup = false;
  for (const int index : order) {
    const ControlLayout& row = kLayout[index];
    const wchar_t* windowClass = L"Button";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    // Every control is a group of its own, so the arrow keys only move between the option
    // buttons. The first option button keeps a tab stop even when none is selected:
    // selecting one moves the stop to it.
    const bool joinsGroup = row.kind == ControlKind::OptionButton && inOptionGroup;
    inOptionGroup = row.kind == ControlKind::OptionButton;
    if (!joinsGroup) style |= WS_GROUP;
    switch (row.kind) {
      case ControlKind::Label:
        windowClass = L"Static";
        style |= SS_LEFT | SS_NOPREFIX;
        break;
      case ControlKind::Frame:
        style |= BS_GROUPBOX;
        break;
      case ControlKind::CheckBox:
        // Three states, but a click only ever checks or unchecks (see frmSettings::toggle());
        // greyed comes only from the file.
        style |= BS_3STATE | WS_TABSTOP;
        break;
      case ControlKind::OptionButton:
        style |= BS_AUTORADIOBUTTON | (joinsGroup ? 0 : WS_TABSTOP);
        break;
      case ControlKind::CommandButton:
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    }
    // Made in its place and given its font before anything is drawn: moving the controls
    // afterwards costs Wine a round of messages for each, on the start-up's path.
    const Place place = placeOf(row, dpi);
    const HWND created = CreateWindowExW(
        0, windowClass, row.caption, style, place.left, place.top, place.width, place.height,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)), instance,
        nullptr);
    if (!created) throw SystemFailure(win32::lastSystemReason());
    SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(row)), FALSE);
    windows_[index] = created;
  }
}

void Controls::layOut(UINT dpi) {
  // The old fonts stay alive until no control uses them.
  Font oldFont = std::move(font_), oldFrameFont = std::move(frameFont_);
  makeFonts(dpi);
  for (int index = 0; index < kControlCount; ++index) {
    const Place place = placeOf(kLayout[index], dpi);
    MoveWindow(windows_[index], place.left, place.top, place.width, place.height, TRUE);
    SendMessageW(windows_[index], WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(kLayout[index])),
                 TRUE);
  }
}

void Controls::makeFonts(UINT dpi) {
  font_ = makeFont(dpi, FW_NORMAL);
  frameFont_ = makeFont(dpi, FW_BOLD);
}

HFONT Controls::fontOf(const ControlLayout& row) const {
  return row.kind == ControlKind::Frame ? frameFont_.get() : font_.get();
}

}  // namespace shell
