// The window's life: its class, the message loop, the messages and the focus. What it is made
// of lives beside it: Controls_win (the controls), ToolTips_win, Placement_win (sizes and
// place at a DPI) and frmSettingsForm_win (the controls as the settings form).
#include "shell/frmSettings_win.h"

#include <commctrl.h>

#include <exception>

#include "shell/Commands.h"
#include "shell/Placement_win.h"
#include "shell/Platform_win.h"
#include "shell/resources/resource.h"

namespace shell {

using win32::Icon;

namespace {

constexpr const wchar_t* kWindowClass = L"frmSettings";

// The program's icon at the size of the given system metrics. Not shared: a shared icon is
// the first one loaded under its name, whatever the size asked, so the small icon would be
// the large one shrunk and its own picture never shown.
Icon loadIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return Icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON,
                                            GetSystemMetrics(widthMetric),
                                            GetSystemMetrics(heightMetric), 0)));
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
  controls_.create(window_, instance, dpi);
  fitClientArea(window_, dpi);
}

frmSettings::~frmSettings() {
  if (window_) DestroyWindow(window_);
}

int frmSettings::run() {
  WindowsPlatform platform(window_);
  if (!onLoad(files::machineFiles(), *this, platform)) return 1;
  centre(window_);
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
      if (onAccept(files::machineFiles(), *this, platform) == AfterCommand::EndProgram) {
        DestroyWindow(window_);
      }
      break;
    case Control::cmdCancel:
      DestroyWindow(window_);
      break;
    case Control::cmdView:
      onViewLog(files::machineFiles(), platform);
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
  controls_.layOut(dpi);
  fitClientArea(window_, dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Each control redraws where it now is, but what the old ones drew under the frame, which
  // erases nothing inside it, would stay on the screen.
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace shell
