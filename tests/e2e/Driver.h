// Drives the real setup.exe from outside, as a UI-automation client would: scratch game
// folders, the process, its windows, controls and message boxes. Controls are found by their
// captions in shell/Layout.h, never by copies of them. Runs under Wine.
#pragma once

// clang-format off
#include <windows.h>  // first: the others need its types
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/Layout.h"

namespace e2e {

using namespace std::string_literals;
using enum shell::Control;
using Names = std::vector<std::wstring>;
constexpr DWORD kPatience = 15000;  // how long a test waits for the program to do something

// The value of an environment variable that scripts/test sets, naming what a test cannot do
// without; `what` says what it holds. Missing, the test fails, saying what to set.
inline std::wstring needEnvironment(const wchar_t* name, const char* what) {
  const wchar_t* value = _wgetenv(name);
  if (!value) ADD_FAILURE() << "Set " << testing::PrintToString(name) << " to " << what << ".";
  return value ? value : L"";
}

template <typename Condition>
bool eventually(Condition condition, DWORD patience = kPatience) {
  for (const DWORD start = GetTickCount(); !condition(); Sleep(20))
    if (GetTickCount() - start > patience) return false;
  return true;
}

inline std::wstring text(HWND window) {
  wchar_t text[1024] = L"";
  return SendMessageTimeoutW(window, WM_GETTEXT, 1024, LPARAM(text), 0, kPatience, nullptr), text;
}

// The visible top-level windows of a process (0: of any) of a class (null: of any).
inline std::vector<HWND> windowsOf(DWORD process, const wchar_t* windowClass = nullptr) {
  std::vector<HWND> found;
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, windowClass, nullptr));) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (IsWindowVisible(window) && (!process || owner == process)) found.push_back(window);
  }
  return found;
}

// A game folder, new unless named. Its files go by \\?\ paths, which work whatever their length.
struct GameFolder {
  std::wstring path;
  explicit GameFolder(std::wstring named = {}) : path(std::move(named)) {
    static int count = 0;
    if (path.empty())
      path = std::filesystem::temp_directory_path() /
             (std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++count));
    std::filesystem::create_directories(L"\\\\?\\" + path);
  }
  std::wstring operator/(const std::wstring& name) const {
    return L"\\\\?\\" + path + L"\\" + name;
  }
  void write(const std::wstring& name, const std::string& bytes) const {
    std::ofstream(std::filesystem::path(*this / name), std::ios::binary) << bytes;
  }
  std::string read(const std::wstring& name) const {  // empty when it cannot be read
    std::ifstream file(std::filesystem::path(*this / name), std::ios::binary);
    return {std::istreambuf_iterator(file), {}};
  }
  Names names() const {  // sorted
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(*this / L""))
      names.push_back(entry.path().filename());
    return std::sort(names.begin(), names.end()), names;
  }
};

// setup.exe (SETUP_EXE in the environment), or another program, started in a game folder;
// killed at the end.
struct SetupProcess {
  PROCESS_INFORMATION process{};
  explicit SetupProcess(const GameFolder& folder, std::wstring exe = {}) {
    if (exe.empty()) exe = needEnvironment(L"SETUP_EXE", "setup.exe's path (winepath -w)");
    STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
    EXPECT_TRUE(CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                               folder.path.c_str(), &startup, &process))
        << GetLastError() << " in " << testing::PrintToString(folder.path);
  }
  ~SetupProcess() {
    TerminateProcess(process.hProcess, 99) && WaitForSingleObject(process.hProcess, kPatience);
    CloseHandle(process.hProcess), CloseHandle(process.hThread);
  }
  long waitForExit() {  // the exit code, or -1 while it runs
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process.hProcess, kPatience) == WAIT_OBJECT_0;
    return ended && GetExitCodeProcess(process.hProcess, &code) ? long(code) : -1;
  }
  std::vector<HWND> windows(const wchar_t* windowClass = nullptr) const {
    return windowsOf(process.dwProcessId, windowClass);
  }
  HWND waitFor(const wchar_t* windowClass) {  // null after kPatience
    std::vector<HWND> found;
    eventually([&] { return !(found = windows(windowClass)).empty(); });
    return found.empty() ? nullptr : found[0];
  }
  HWND window() { return waitFor(L"frmSettings"); }
  // A message box's title and text, one line apart; its button (OK, Yes, No) then pressed, and
  // the box gone.
  std::wstring message(int button = IDOK) {
    const HWND box = waitFor(L"#32770");
    const std::wstring shown = text(box) + L"\n" + text(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, button, LPARAM(GetDlgItem(box, button)));
    EXPECT_TRUE(eventually([&] { return !IsWindowVisible(box); }));
    return shown;
  }
};

inline const wchar_t* caption(shell::Control name) { return shell::layoutOf(name).caption; }

inline HWND control(HWND window, shell::Control name) {
  const HWND found = FindWindowExW(window, nullptr, nullptr, caption(name));
  return found ? found : (ADD_FAILURE() << "no control " << int(name), found);
}

// Posted, not sent: a message box that the click opens would block the sender.
inline void click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

inline HWND focusedControl(HWND window) {
  GUITHREADINFO thread{sizeof thread};
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread), thread.hwndFocus;
}

}  // namespace e2e
