#include "shell/frmSettings_win.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <numeric>

#include "settingsfile/SettingKeys.h"
#include "shell/Commands.h"
#include "shell/Platform_win.h"
#include "shell/resources/resource.h"

namespace shell {

using settingsfile::CheckBox;
using settingsfile::TextureOption;
using win32::Font;
using win32::Icon;
using win32::newerFunction;

namespace {

constexpr const wchar_t* kWindowClass = L"frmSettings";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
// Control IDs start well above IDOK (1) and IDCANCEL (2): IsDialogMessage sends those for
// Enter and Escape, and neither key may press a button.
constexpr int kFirstControlId = 100;

// std::invalid_argument would bring the library's every standard exception into setup.exe.
class InvalidCheckState : public std::exception {
 public:
  const char* what() const noexcept override { return "invalid check state"; }
};

int px(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

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

UINT dpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow =
      newerFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  if (getDpiForWindow) return getDpiForWindow(window);
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

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

Font makeFont(UINT dpi, int weight) {
  return Font(CreateFontW(-MulDiv(kFontSize, static_cast<int>(dpi), 7200), 0, 0, 0, weight, FALSE,
                          FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace));
}

// The program's icon at the size of the given system metrics. Not shared: a shared icon is
// the first one loaded under its name, whatever the size asked, so the small icon would be
// the large one shrunk and its own picture never shown.
Icon loadIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return Icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON,
                                            GetSystemMetrics(widthMetric),
                                            GetSystemMetrics(heightMetric), 0)));
}

Control boxFor(CheckBox box) {
  switch (box) {
    case CheckBox::Lighting:
      return Control::chkLighting;
    case CheckBox::Bloom:
      return Control::chkBloom;
    case CheckBox::Log:
      break;
  }
  return Control::chkLog;
}

Control optionFor(TextureOption option) {
  switch (option) {
    case TextureOption::High:
      return Control::optHigh;
    case TextureOption::Medium:
      return Control::optMedium;
    case TextureOption::Low:
      break;
  }
  return Control::optLow;
}

}  // namespace

frmSettings::frmSettings(HINSTANCE instance) : instance_(instance) {
  const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  icon_ = loadIcon(instance, SM_CXICON, SM_CYICON);
  smallIcon_ = loadIcon(instance, SM_CXSMICON, SM_CYSMICON);
  windowClass.hIcon = icon_.get();
  windowClass.hIconSm = smallIcon_.get();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&windowClass)) throw SystemFailure(win32::lastSystemReason());

  // Created hidden on the primary screen, where it will be centred, so that its DPI is
  // known before anything is sized.
  if (!CreateWindowExW(0, kWindowClass, kWindowCaption, kWindowStyle, 0, 0, 0, 0, nullptr, nullptr,
                       instance, this)) {
    throw SystemFailure(win32::lastSystemReason());
  }
  const UINT dpi = dpiOf(window_);
  makeFonts(dpi);
  createControls(dpi);
  sizeWindow(dpi);
}

frmSettings::~frmSettings() {
  if (window_) DestroyWindow(window_);
}

HFONT frmSettings::fontOf(const ControlLayout& row) const {
  return row.kind == ControlKind::Frame ? frameFont_.get() : font_.get();
}

void frmSettings::makeFonts(UINT dpi) {
  font_ = makeFont(dpi, FW_NORMAL);
  frameFont_ = makeFont(dpi, FW_BOLD);
}

void frmSettings::createControls(UINT dpi) {
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
        // Three states, but a click only ever checks or unchecks (see toggle()); greyed
        // comes only from the file.
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
    // afterwards costs Wine a round of messages for each, about 9 ms of a 270 ms start-up.
    const Place place = placeOf(row, dpi);
    const HWND created = CreateWindowExW(
        0, windowClass, row.caption, style, place.left, place.top, place.width, place.height,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)), instance_,
        nullptr);
    if (!created) throw SystemFailure(win32::lastSystemReason());
    SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(row)), FALSE);
    controls_[index] = created;
  }
}

void frmSettings::addToolTips() {
  toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
  if (!toolTips_) throw SystemFailure(win32::lastSystemReason());
  for (int index = 0; index < kControlCount; ++index) {
    if (!kLayout[index].toolTip) continue;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(controls_[index]);
    tool.lpszText = const_cast<wchar_t*>(kLayout[index].toolTip);
    SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void frmSettings::layOut(UINT dpi) {
  // The old fonts stay alive until no control uses them.
  Font oldFont = std::move(font_), oldFrameFont = std::move(frameFont_);
  makeFonts(dpi);
  for (int index = 0; index < kControlCount; ++index) {
    const Place place = placeOf(kLayout[index], dpi);
    MoveWindow(controls_[index], place.left, place.top, place.width, place.height, TRUE);
    SendMessageW(controls_[index], WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(kLayout[index])),
                 TRUE);
  }
  sizeWindow(dpi);
}

void frmSettings::sizeWindow(UINT dpi) {
  const int width = px(kClientWidth, dpi), height = px(kClientHeight, dpi);
  const SIZE size = windowSizeFor(width, height, dpi);
  SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame may be drawn at another DPI than the one asked for (Wine keeps the system's
  // when told of a new one), so the client area is measured and the difference made good.
  RECT client;
  GetClientRect(window_, &client);
  if (client.right != width || client.bottom != height) {
    SetWindowPos(window_, nullptr, 0, 0, size.cx + width - client.right,
                 size.cy + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void frmSettings::centre() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT rect;
  GetWindowRect(window_, &rect);
  const RECT& work = monitor.rcWork;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int frmSettings::run() {
  WindowsPlatform platform(window_);
  if (!onLoad(settingsfile::machineFiles(), *this, platform)) return 1;
  centre();
  lastFocus_ = control(Control::chkLighting);
  ShowWindow(window_, SW_SHOWNORMAL);
  SetFocus(lastFocus_);

  MSG message;
  for (;;) {
    if (toolTips_) {
      if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
    } else if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // Nothing left to do: the window is shown and painted. The tool tips are made only now,
      // so that the player gets the window sooner, or at a first mouse move (below). The wait
      // of no time tells the system that the program waits for input (what WaitForInputIdle
      // waits for), and ends early when some came meanwhile.
      if (MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0) == WAIT_TIMEOUT) {
        addToolTips();
      }
      continue;
    } else if (message.message == WM_QUIT) {
      break;
    } else if (message.message == WM_MOUSEMOVE) {
      // The pointer is over the window before the tool tips were made: they are made first,
      // so that the tool tip control sees this first move and shows a tip on this hover.
      addToolTips();
    }
    // Gives the window the dialog keyboard: Tab, Shift+Tab, arrows within the options,
    // Space on the focused control.
    if (window_ && IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

LRESULT CALLBACK frmSettings::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<frmSettings*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<frmSettings*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  // A failure must not unwind through Windows' own code: it ends the program here.
  try {
    return self->onMessage(message, wParam, lParam);
  } catch (const std::exception& failure) {
    WindowsPlatform platform(window);
    reportUnexpectedFailure(platform, failure);
    DestroyWindow(window);
    return 0;
  }
}

LRESULT frmSettings::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      onCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      onActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_DPICHANGED:
      onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void frmSettings::onCommand(int id, int notification) {
  const int index = id - kFirstControlId;
  // A click queued while a command's message is up reaches the window all the same: it must
  // not start a second save inside the first.
  if (notification != BN_CLICKED || index < 0 || index >= kControlCount || busy_) return;
  busy_ = true;
  WindowsPlatform platform(window_);
  switch (static_cast<Control>(index)) {
    case Control::chkLighting:
    case Control::chkBloom:
    case Control::chkLog:
      toggle(static_cast<Control>(index));
      break;
    case Control::cmdAccept:
      if (onAccept(settingsfile::machineFiles(), *this, platform) == AfterCommand::EndProgram) {
        DestroyWindow(window_);
      }
      break;
    case Control::cmdCancel:
      DestroyWindow(window_);
      break;
    case Control::cmdView:
      onViewLog(platform);
      break;
    default:
      break;
  }
  busy_ = false;
}

// A click checks an unchecked box and unchecks a checked one. A greyed box becomes checked:
// the player meant to change it, and greyed is no state a click should lead back to.
void frmSettings::toggle(Control box) {
  const bool checked = SendMessageW(control(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
  SendMessageW(control(box), BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
}

// A plain window gives the focus to itself when activated; the control that had it is
// given it back instead, so the keyboard works after a message box or another program.
void frmSettings::onActivate(bool active) {
  if (!active) {
    const HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) lastFocus_ = focus;
  } else if (lastFocus_) {
    SetFocus(lastFocus_);
  }
}

void frmSettings::onDpiChanged(UINT dpi, const RECT& suggested) {
  layOut(dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Each control redraws where it now is, but what the old ones drew under the frame, which
  // erases nothing inside it, would stay on the screen.
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void frmSettings::setCheckState(CheckBox box, int state) {
  if (state < BST_UNCHECKED || state > BST_INDETERMINATE) {
    throw InvalidCheckState();
  }
  SendMessageW(control(boxFor(box)), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

int frmSettings::checkState(CheckBox box) const {
  return static_cast<int>(SendMessageW(control(boxFor(box)), BM_GETCHECK, 0, 0));
}

void frmSettings::selectOption(TextureOption option) {
  // Each option is told its state: an option button keeps a tab stop exactly while it is
  // checked, and the group must have one stop.
  for (const auto each : settingsfile::kTextureOptions) {
    SendMessageW(control(optionFor(each)), BM_SETCHECK,
                 each == option ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

bool frmSettings::isSelected(TextureOption option) const {
  return SendMessageW(control(optionFor(option)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace shell
