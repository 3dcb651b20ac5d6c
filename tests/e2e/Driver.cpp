#include "Driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

namespace e2e {

namespace {

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK collectVisible(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

void removeTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = path + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(full);
      } else {
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

std::wstring setupExe() {
  wchar_t path[MAX_PATH];
  const DWORD size = GetEnvironmentVariableW(L"SETUP_EXE", path, MAX_PATH);
  return size > 0 && size < MAX_PATH ? std::wstring(path, size) : L"setup.exe";
}

GameFolder::GameFolder() {
  static int count = 0;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"game-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++count);
  removeTree(path_);
  if (!CreateDirectoryW(path_.c_str(), nullptr)) ADD_FAILURE() << "cannot create the game folder";
}

GameFolder::~GameFolder() { removeTree(path_); }

void GameFolder::write(const std::wstring& name, const std::string& bytes) const {
  const HANDLE file = CreateFileW(pathOf(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write " << testing::PrintToString(name);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  EXPECT_EQ(written, bytes.size());
}

// A file's bytes; empty when it cannot be read.
static std::string readFile(const std::wstring& path) {
  std::string bytes;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

std::string GameFolder::read(const std::wstring& name) const {
  EXPECT_TRUE(exists(name)) << testing::PrintToString(name) << " is missing";
  return readFile(pathOf(name));
}

bool GameFolder::exists(const std::wstring& name) const {
  return GetFileAttributesW(pathOf(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> GameFolder::names() const {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

SetupProcess::SetupProcess(const GameFolder& folder) {
  const std::wstring exe = setupExe();
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.path().c_str(), &startup, &started)) {
    ADD_FAILURE() << "cannot start " << testing::PrintToString(exe) << ": error " << GetLastError();
    return;
  }
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  processId_ = started.dwProcessId;
}

SetupProcess::~SetupProcess() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, kPatience);
  }
  CloseHandle(process_);
}

std::vector<HWND> SetupProcess::visibleWindows() const {
  WindowSearch search{processId_, {}};
  EnumWindows(collectVisible, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND SetupProcess::waitForWindow() {
  HWND window = nullptr;
  eventually([&] {
    for (const HWND each : visibleWindows()) {
      const std::wstring kind = className(each);
      if (kind != L"#32770" && kind != L"tooltips_class32") window = each;
    }
    return window != nullptr;
  });
  return window;
}

MessageBoxView SetupProcess::waitForMessageBox() {
  MessageBoxView box;
  eventually([&] {
    for (const HWND each : visibleWindows()) {
      if (className(each) == L"#32770") box.window = each;
    }
    return box.window != nullptr;
  });
  if (box.window) {
    box.title = windowText(box.window);
    box.text = windowText(GetDlgItem(box.window, 0xFFFF));
  }
  return box;
}

bool SetupProcess::waitForExit(DWORD patience) {
  return process_ && WaitForSingleObject(process_, patience) == WAIT_OBJECT_0;
}

std::wstring windowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPatience, &length)) {
    return L"";
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, kPatience, &copied);
  text.resize(copied);
  return text;
}

std::wstring className(HWND window) {
  wchar_t name[256];
  const int size = GetClassNameW(window, name, 256);
  return std::wstring(name, size > 0 ? size : 0);
}

HWND findControl(HWND parent, const wchar_t* windowClass, const std::wstring& caption) {
  for (HWND child = FindWindowExW(parent, nullptr, windowClass, nullptr); child;
       child = FindWindowExW(parent, child, windowClass, nullptr)) {
    if (windowText(child) == caption) return child;
  }
  return nullptr;
}

HWND button(HWND parent, const std::wstring& caption) {
  const HWND found = findControl(parent, L"Button", caption);
  EXPECT_NE(found, nullptr) << "no button " << testing::PrintToString(caption);
  return found;
}

int checkState(HWND button) {
  DWORD_PTR state = 0;
  SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kPatience, &state);
  return static_cast<int>(state);
}

std::wstring selectedOption(HWND window) {
  std::wstring selected;
  for (const wchar_t* option : {L"Low", L"Medium", L"High"}) {
    if (checkState(button(window, option)) == BST_CHECKED) selected += option;
  }
  return selected;
}

void click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void dismiss(const MessageBoxView& box) {
  PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.window, IDOK)));
}

UINT dpiOf(HWND window) { return GetDpiForWindow(window); }

RECT rectInClient(HWND control, HWND window) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void acceptAndConfirm(SetupProcess& setup, HWND window) {
  click(button(window, L"Accept"));
  const MessageBoxView box = setup.waitForMessageBox();
  ASSERT_NE(box.window, nullptr) << "no confirmation";
  EXPECT_EQ(box.title, L"Settings Saved");
  EXPECT_EQ(box.text, L"Settings saved successfully.");
  EXPECT_FALSE(setup.waitForExit(200)) << "ended before the confirmation was dismissed";
  dismiss(box);
  EXPECT_TRUE(setup.waitForExit());
}

HWND focusedControl(HWND window) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread)) return nullptr;
  return thread.hwndFocus;
}

void pressKeys(HWND window, std::initializer_list<WORD> keys) {
  if (GetForegroundWindow() != window) SetForegroundWindow(window);
  std::vector<INPUT> inputs;
  const auto key = [&](WORD code, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = code;
    input.ki.dwFlags = flags;
    inputs.push_back(input);
  };
  for (const WORD code : keys) key(code, 0);
  for (auto code = std::rbegin(keys); code != std::rend(keys); ++code) key(*code, KEYEVENTF_KEYUP);
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  EXPECT_EQ(sent, inputs.size()) << "SendInput: error " << GetLastError();
}

RemoteMemory::RemoteMemory(HWND window, SIZE_T size) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  process_ =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (process_) {
    address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  if (!address_) ADD_FAILURE() << "no memory in the window's process: error " << GetLastError();
}

RemoteMemory::~RemoteMemory() {
  if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  if (process_) CloseHandle(process_);
}

void RemoteMemory::write(const void* data, SIZE_T size, SIZE_T offset) const {
  SIZE_T written = 0;
  WriteProcessMemory(process_, address(offset), data, size, &written);
  EXPECT_EQ(written, size) << "cannot write into the window's process";
}

void RemoteMemory::read(void* data, SIZE_T size, SIZE_T offset) const {
  SIZE_T got = 0;
  ReadProcessMemory(process_, address(offset), data, size, &got);
  EXPECT_EQ(got, size) << "cannot read from the window's process";
}

namespace {

struct TitleSearch {
  const std::wstring& title;
  std::vector<HWND> found;
};

BOOL CALLBACK collectTitled(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TitleSearch*>(param);
  if (IsWindowVisible(window) && windowText(window) == search->title) {
    search->found.push_back(window);
  }
  return TRUE;
}

struct ToolTipSearch {
  HWND owner;
  std::vector<HWND> found;
};

BOOL CALLBACK collectToolTips(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ToolTipSearch*>(param);
  if (GetWindow(window, GW_OWNER) == search->owner && className(window) == TOOLTIPS_CLASSW) {
    search->found.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> windowsTitled(const std::wstring& title) {
  TitleSearch search{title, {}};
  EnumWindows(collectTitled, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void endProcessOf(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
  if (!process) return;
  TerminateProcess(process, 0);
  WaitForSingleObject(process, kPatience);
  CloseHandle(process);
}

std::map<HWND, std::wstring> toolTips(HWND window) {
  ToolTipSearch search{window, {}};
  EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), collectToolTips,
                    reinterpret_cast<LPARAM>(&search));
  std::map<HWND, std::wstring> tips;
  // The tool's description and its text's buffer live in the window's process: the tool tip
  // control writes through the pointers it is given.
  constexpr SIZE_T kTextChars = 256;
  const RemoteMemory remote(window, sizeof(TOOLINFOW) + kTextChars * sizeof(wchar_t));
  for (const HWND tip : search.found) {
    const auto count = SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
      TOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      remote.write(&tool, sizeof tool);
      if (!SendMessageW(tip, TTM_ENUMTOOLSW, index, reinterpret_cast<LPARAM>(remote.address()))) {
        continue;
      }
      remote.read(&tool, sizeof tool);
      tool.lpszText = static_cast<wchar_t*>(remote.address(sizeof tool));
      remote.write(&tool, sizeof tool);
      const wchar_t none = L'\0';
      remote.write(&none, sizeof none, sizeof tool);
      SendMessageW(tip, TTM_GETTEXTW, kTextChars, reinterpret_cast<LPARAM>(remote.address()));
      std::wstring text(kTextChars, L'\0');
      remote.read(text.data(), kTextChars * sizeof(wchar_t), sizeof tool);
      text.resize(std::wcslen(text.c_str()));
      const HWND control =
          (tool.uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(tool.uId) : nullptr;
      tips[control] = text;
    }
  }
  return tips;
}

}  // namespace e2e
