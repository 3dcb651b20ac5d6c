// frmSettings's tool tips, one for each control of the layout table that has one. The window
// shows sooner without them, so run() adds them only once it is shown and waits for input.
#include <windows.h>
// commctrl.h cannot stand on its own: windows.h must come first.
#include <commctrl.h>

#include "shell/Platform.h"
#include "shell/frmSettings_win.h"

namespace shell {

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
    tool.uId = reinterpret_cast<UINT_PTR>(control(static_cast<Control>(index)));
    tool.lpszText = const_cast<wchar_t*>(kLayout[index].toolTip);
    SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

}  // namespace shell
