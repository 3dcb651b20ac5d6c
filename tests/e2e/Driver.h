// Drives the real setup.exe from outside, as a UI-automation client would: scratch game
// folders, the process, its windows and controls, its message boxes. Runs under Wine.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace e2e {

// How long a test waits for the program to show something or to end.
constexpr DWORD kPatience = 15000;

// An empty scratch game folder, removed with everything in it at the end.
class GameFolder {
 public:
  GameFolder();
  ~GameFolder();
  GameFolder(const GameFolder&) = delete;
  GameFolder& operator=(const GameFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring pathOf(const std::wstring& name) const { return path_ + L"\\" + name; }
  void write(const std::wstring& name, const std::string& bytes) const;
  // The file's bytes; fails the test when it cannot be read.
  std::string read(const std::wstring& name) const;
  bool exists(const std::wstring& name) const;
  // The names in the folder, sorted.
  std::vector<std::wstring> names() const;

 private:
  std::wstring path_;
};

struct MessageBoxView {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;
};

// setup.exe, started in a game folder; killed at the end if it is still running.
class SetupProcess {
 public:
  explicit SetupProcess(const GameFolder& folder);
  ~SetupProcess();
  SetupProcess(const SetupProcess&) = delete;
  SetupProcess& operator=(const SetupProcess&) = delete;

  // The program's main window once it is visible, or null after kPatience.
  HWND waitForWindow();
  // The first message box the program shows, or an empty view after kPatience.
  MessageBoxView waitForMessageBox();
  // Whether the process ends within `patience`.
  bool waitForExit(DWORD patience = kPatience);
  // Every visible top-level window of the process.
  std::vector<HWND> visibleWindows() const;

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
};

// The path of setup.exe under test, from the environment variable SETUP_EXE.
std::wstring setupExe();

std::wstring windowText(HWND window);
std::wstring className(HWND window);
// The child of `parent` of the given window class whose text is `caption`, or null.
HWND findControl(HWND parent, const wchar_t* windowClass, const std::wstring& caption);
// A button of `parent` by its caption; fails the test when there is none.
HWND button(HWND parent, const std::wstring& caption);
// BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
int checkState(HWND button);
// Which texture option the window shows selected: "Low", "Medium", "High" or "".
std::wstring selectedOption(HWND window);
// Clicks without waiting for what the click does: a message box it opens would block.
void click(HWND button);
// Presses OK on a message box.
void dismiss(const MessageBoxView& box);
// Clicks Accept, expects the confirmation, dismisses it and expects the program to end then,
// not before.
void acceptAndConfirm(SetupProcess& setup, HWND window);
// Visible top-level windows of any process with exactly this title.
std::vector<HWND> windowsTitled(const std::wstring& title);
// Ends the process that owns `window`.
void endProcessOf(HWND window);
// Waits until `condition` holds, for at most `patience`.
template <typename Condition>
bool eventually(Condition condition, DWORD patience = kPatience) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > patience) return false;
    Sleep(20);
  }
  return true;
}

// The DPI the window is laid out for.
UINT dpiOf(HWND window);
// A control's rectangle in its window's client coordinates.
RECT rectInClient(HWND control, HWND window);
// The control that has the keyboard focus in the window's thread, or null.
HWND focusedControl(HWND window);
// Presses the keys together (Shift+Tab: {VK_SHIFT, VK_TAB}) and releases them, as a keyboard
// does, with the window in front. Real input, not posted messages: a posted WM_KEYDOWN
// leaves GetKeyState alone, so the window would never see Shift held.
void pressKeys(HWND window, std::initializer_list<WORD> keys);

// A block of memory in the process of a window, for messages whose parameters point at
// data: a pointer is passed on to another process as it is, not copied.
class RemoteMemory {
 public:
  RemoteMemory(HWND window, SIZE_T size);
  ~RemoteMemory();
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  void* address(SIZE_T offset = 0) const { return static_cast<char*>(address_) + offset; }
  void write(const void* data, SIZE_T size, SIZE_T offset = 0) const;
  void read(void* data, SIZE_T size, SIZE_T offset = 0) const;

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

// Each control of the window that has a tool tip, with the tool tip's text.
std::map<HWND, std::wstring> toolTips(HWND window);

}  // namespace e2e
