#include "shell/Platform_win.h"

#include <string>

#include "win32/Helpers_win.h"

namespace shell {

using win32::widen;

void WindowsPlatform::showMessage(const std::string& text, const std::string& title) {
  const HWND owner = window_ && IsWindowVisible(window_) ? window_ : nullptr;
  MessageBoxW(owner, widen(text).c_str(), widen(title).c_str(), MB_OK);
}

void WindowsPlatform::pause(int milliseconds) {
  // The window handles no messages meanwhile, so nothing puts the arrow back before the
  // message or the end that follows.
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  Sleep(milliseconds);
}

void WindowsPlatform::openInTextEditor(const std::string& file) {
  // The editor is named by its full path: a bare "notepad.exe" is looked for in the
  // program's folder and the current one first, the game's folder, where anyone may have
  // dropped a program of that name.
  std::wstring editor(GetSystemDirectoryW(nullptr, 0), L'\0');
  const UINT size = GetSystemDirectoryW(editor.data(), static_cast<UINT>(editor.size()));
  if (size == 0 || size >= editor.size()) throw SystemFailure(win32::lastSystemReason());
  editor.resize(size);
  editor += L"\\notepad.exe";
  std::wstring commandLine = L"\"";
  commandLine += editor;
  commandLine += L"\" \"";  // the file's name, blanks and all, as one argument
  commandLine += widen(file);
  commandLine += L"\"";

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &started)) {
    throw SystemFailure(win32::lastSystemReason());
  }
  win32::UniqueHandle process(started.hProcess), thread(started.hThread);
}

}  // namespace shell
