#include "shell/Platform_win.h"

#include <string>

#include "settingsfile/Files.h"
#include "settingsfile/Files_win.h"
#include "shell/WinHandles_win.h"

namespace shell {

using settingsfile::widen;

void WindowsPlatform::showMessage(const std::string& text, const std::string& title) {
  const HWND owner = window_ && IsWindowVisible(window_) ? window_ : nullptr;
  MessageBoxW(owner, widen(text).c_str(), widen(title).c_str(), MB_OK);
}

void WindowsPlatform::openInTextEditor(const std::string& file) {
  // The editor is named by its full path: a bare "notepad.exe" is looked for in the
  // program's folder and the current one first, the game's folder, where anyone may have
  // dropped a program of that name.
  wchar_t system[MAX_PATH];
  const UINT size = GetSystemDirectoryW(system, MAX_PATH);
  if (size == 0 || size >= MAX_PATH) throw SystemFailure(settingsfile::lastSystemReason());
  const std::wstring editor = std::wstring(system, size) + L"\\notepad.exe";
  std::wstring commandLine = L"\"" + editor + L"\" " + widen(file);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &started)) {
    throw SystemFailure(settingsfile::lastSystemReason());
  }
  UniqueHandle process(started.hProcess), thread(started.hThread);
}

}  // namespace shell
