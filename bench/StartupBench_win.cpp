// Start-up of setup.exe against a program that only shows an empty window, side by side:
// the time from starting the process until its window is visible and the program waits
// for input.
//
//   startup_bench GAME_FOLDER ROUNDS SETUP_EXE EMPTY_WINDOW_EXE
//
// Both programs start in GAME_FOLDER, taking turns in alternating order; each is closed
// before the next starts. Prints the medians and their ratio; exits 1 when the ratio is over
// its budget.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double kBudget = 1.10;
constexpr DWORD kPatience = 20000;

[[noreturn]] void fail(const char* what, const std::wstring& program) {
  std::fprintf(stderr, "startup_bench: %s: %ls (error %lu)\n", what, program.c_str(),
               GetLastError());
  std::exit(2);
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

HWND visibleWindowOf(DWORD processId) {
  WindowSearch search{processId, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* search = reinterpret_cast<WindowSearch*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

double now() {
  static const double ticksPerSecond = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart);
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart / ticksPerSecond;
}

// Seconds from CreateProcess until the program's window is visible and the program idle.
double startUp(const std::wstring& program, const std::wstring& folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + program + L"\"";
  const double start = now();
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    fail("cannot start", program);
  }
  // Polled: a program of another process cannot be waited on for "window shown". The poll
  // costs both programs alike.
  HWND window;
  const DWORD deadline = GetTickCount() + kPatience;
  while (!(window = visibleWindowOf(process.dwProcessId))) {
    if (GetTickCount() > deadline || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
      fail("no window from", program);
    }
    Sleep(1);
  }
  if (WaitForInputIdle(process.hProcess, kPatience) != 0) fail("never idle", program);
  const double elapsed = now() - start;

  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, kPatience) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, kPatience);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: startup_bench GAME_FOLDER ROUNDS SETUP_EXE EMPTY_WINDOW_EXE\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  const int rounds = std::max(1, _wtoi(argv[2]));
  const std::wstring setup = argv[3], empty = argv[4];

  // The first start of each reads Wine's DLLs from disk; only later ones are comparable.
  startUp(setup, folder);
  startUp(empty, folder);
  std::vector<double> setupTimes, emptyTimes;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      setupTimes.push_back(startUp(setup, folder));
      emptyTimes.push_back(startUp(empty, folder));
    } else {
      emptyTimes.push_back(startUp(empty, folder));
      setupTimes.push_back(startUp(setup, folder));
    }
  }
  const double setupMedian = median(setupTimes), emptyMedian = median(emptyTimes);
  const double ratio = setupMedian / emptyMedian;
  std::printf("Start-up under Wine to the window shown and idle, medians of %d runs each:\n",
              rounds);
  std::printf("  %-16s %10s %12s %8s  %s\n", "", "setup.exe", "empty window", "ratio",
              "(budget 1.10x)");
  std::printf("  %-16s %7.1f ms %9.1f ms %7.2fx  %s\n", "start-up", setupMedian * 1000,
              emptyMedian * 1000, ratio, ratio <= kBudget ? "within budget" : "OVER BUDGET");
  return ratio <= kBudget ? 0 : 1;
}
