#include "shell/Platform_win.h"

#include <psapi.h>

#include <memory>
#include <string>

#include "win32/Helpers_win.h"

namespace shell {

using win32::widen;

namespace {

// A file's or folder's full path in its long form, however it was spelt (relative, in 8.3
// names, in other letters' case): the one spelling two names of one place can be compared in.
std::wstring longPath(const std::wstring& name) {
  std::wstring full(32768, L'\0'), path(32768, L'\0');
  full.resize(GetFullPathNameW(name.c_str(), DWORD(full.size()), full.data(), nullptr));
  path.resize(GetLongPathNameW(full.c_str(), path.data(), DWORD(path.size())));
  return path.empty() ? full : path;
}

}  // namespace

void WindowsPlatform::showMessage(const std::string& text, const std::string& title) {
  MessageBoxW(owner(), widen(text).c_str(), widen(title).c_str(), MB_OK);
}

bool WindowsPlatform::ask(const std::string& text, const std::string& title) {
  return MessageBoxW(owner(), widen(text).c_str(), widen(title).c_str(),
                     MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

std::optional<std::string> WindowsPlatform::runningProgramIn(const std::string& folder) {
  std::wstring wanted = longPath(widen(folder));
  if (!wanted.ends_with(L'\\')) wanted += L'\\';  // all but a drive's root
  std::unique_ptr<DWORD[]> ids;
  DWORD room = 256, size = 0;
  do {  // until the list fits, with room to spare: it may have had more to tell
    ids.reset(new DWORD[room *= 2]);
    if (!K32EnumProcesses(ids.get(), room * sizeof(DWORD), &size)) return std::nullopt;
  } while (size == room * sizeof(DWORD));
  std::wstring image(32768, L'\0');
  for (DWORD i = 0; i < size / sizeof(DWORD); ++i) {
    // Another user's programs, and the system's, may not be seen: they are passed over.
    const win32::UniqueHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ids[i]));
    DWORD length = DWORD(image.size());
    if (ids[i] == GetCurrentProcessId() || !process ||
        !QueryFullProcessImageNameW(process.get(), 0, image.data(), &length)) {
      continue;
    }
    const std::wstring path = longPath({image.data(), length});
    const size_t name = path.rfind(L'\\') + 1;
    if (CompareStringOrdinal(path.c_str(), int(name), wanted.c_str(), int(wanted.size()), TRUE) ==
        CSTR_EQUAL) {
      return win32::narrow(std::wstring_view(path).substr(name));
    }
  }
  return std::nullopt;
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
