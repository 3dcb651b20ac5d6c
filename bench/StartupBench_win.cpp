// Start-up of setup.exe against its floor, the designed window and nothing more, side by side:
// the time from starting the process until its window is visible and the program waits
// for input.
//
//   startup_bench GAME_FOLDER ROUNDS EMPTY_WINDOW_EXE FLOOR_EXE SETUP_EXE [OTHER_EXE ...]
//
// Every program starts in GAME_FOLDER, all taking turns, each round in another order; each is
// closed before the next starts. Prints each one's median and its ratios to the empty window's
// and to the floor's, then the budget's line for setup.exe; the exit code is 1 when setup.exe
// is over its budget. Any other builds can be compared the same way, in SETUP_EXE's place.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double kBudget = 1.10;  // setup.exe / floor
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
  if (argc < 6) {
    std::fprintf(stderr,
                 "usage: startup_bench GAME_FOLDER ROUNDS EMPTY_WINDOW_EXE FLOOR_EXE SETUP_EXE "
                 "[OTHER_EXE ...]\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  const int rounds = std::max(1, _wtoi(argv[2]));
  const std::vector<std::wstring> programs(argv + 3, argv + argc);
  const size_t count = programs.size();
  enum { kEmpty, kFloor, kSetup };

  // A pointer resting where a window opens gives that program mouse input while it starts
  // (and setup.exe its tool tips at once): the player's doing, not the start-up's. It rests in
  // a corner, where no window opens.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);

  // The first start of each reads Wine's DLLs from disk; only later ones are comparable.
  for (const auto& program : programs) startUp(program, folder);
  std::vector<std::vector<double>> times(count);
  for (int round = 0; round < rounds; ++round) {
    for (size_t turn = 0; turn < count; ++turn) {
      const size_t which = (round + turn) % count;
      times[which].push_back(startUp(programs[which], folder));
    }
  }

  std::vector<double> medians;
  for (const auto& each : times) medians.push_back(median(each));
  std::printf("Start-up under Wine to the window shown and idle, medians of %d runs each:\n",
              rounds);
  std::printf("  %-22s %10s %10s %10s\n", "", "median", "/ empty", "/ floor");
  for (size_t which = 0; which < count; ++which) {
    const std::wstring& program = programs[which];
    std::printf("  %-22ls %7.1f ms %9.2fx %9.2fx\n",
                program.substr(program.find_last_of(L"\\/") + 1).c_str(), medians[which] * 1000,
                medians[which] / medians[kEmpty], medians[which] / medians[kFloor]);
  }
  const double ratio = medians[kSetup] / medians[kFloor];
  const bool within = ratio <= kBudget;
  std::printf("start-up: %.2fx of the designed window (budget %.2fx) %s\n", ratio, kBudget,
              within ? "within" : "OVER");
  return within ? 0 : 1;
}
